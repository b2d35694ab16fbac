// How the client closes, from the first request to the end of the process. Everything but the
// exit watcher runs on the UI thread.
//
// 1. A request: the page's "sysmenumsg" 2 (message_dispatcher.cpp hides the main window first)
//    or a finished update package (download_handler.cpp: the page is told
//    flashprogress(-1,-1,-1), then the package starts). postCloseAfterSentScripts waits until
//    the page has run every script sent to it so far (BrowserHost::RunAfterSentScripts), then
//    posts a close to the main window: PostMessageW(WM_CLOSE) on Windows, a GLib source in the
//    message queue's place on GTK (platform/window_gtk.cpp).
// 2. The entry's message loop takes the posted close (message_loop_win.cpp for main_win.cpp,
//    main_gtk.cpp) and calls onPostedClose: every listed browser closes with force and the
//    engine's loop is told to quit; the loop then destroys the main window and ends.
// 3. The engine asks DoClose for each closing browser. For the main window the page is told
//    "web_rpc_shutdown();" and the exit watcher starts; the close always goes on.
// 4. The exit watcher, a thread of its own, asks IsCompanionRunning at once and then once a
//    second, and ends the process with exit code 0 as soon as the companion has gone.
// 5. OnBeforeClose takes each closed browser off the list; the last one quits the engine's loop.
// 6. The entry shuts the engine down and returns 1, unless the exit watcher ended it first.
// A close the engine starts by itself (the page's window.close(), the window manager's close
// button) begins at step 3 and ends no loop: the Win32 loop runs on, and main_gtk.cpp runs GLib's
// loop again while waitsForExitWatcher(), so such a process ends only through the exit watcher.

#include <algorithm>
#include <chrono>
#include <thread>

#include "browser/simple_handler.h"
#include "companion/companion.h"
#include "config.h"
#include "engine/engine.h"
#include "engine/ui_thread.h"
#include "platform/log.h"
#include "platform/processes.h"

namespace varnet {
namespace {

// Nothing stops it: it touches nothing of the client and ends the process without running
// destructors or engine shutdown code that would race the UI thread.
void startExitWatcher() {
  std::thread([] {
    while (IsCompanionRunning())
      std::this_thread::sleep_for(std::chrono::seconds(1));
    log::info("companion gone: the client ends with 0");
    platform::terminateThisProcess(0);
  }).detach();
}

}  // namespace

// Step 1. The main window may go while the page runs its scripts (the page closed it, say): then
// there is nothing left to post to.
void SimpleHandler::postCloseAfterSentScripts(const std::shared_ptr<engine::Browser>& page) {
  platform::WindowHandle window = mainWindow_;
  auto post = [weak = weak_from_this(), window] {
    auto self = weak.lock();
    if (!self)
      return;
    const auto& browsers = self->browsers_;
    if (std::any_of(browsers.begin(), browsers.end(), [&](const auto& browser) {
          return browser->GetHost().GetWindowHandle() == window;
        }))
      platform::postClose(window);
  };
  if (page)
    page->GetHost().RunAfterSentScripts(post);
  else
    post();
}

// Step 2.
void SimpleHandler::onPostedClose() {
  VARNET_REQUIRE_UI_THREAD();
  log::info("close posted to the main window: every browser closes, the loop ends");
  postedCloseTaken_ = true;
  CloseBrowsers(true);
  engine::QuitMessageLoop();
}

void SimpleHandler::CloseBrowsers(bool force) {
  if (!engine::CurrentlyOnUIThread()) {
    engine::PostUITask([self = shared_from_this(), force] { self->CloseBrowsers(force); });
    return;
  }
  // Closing may shorten the list under us.
  auto browsers = browsers_;
  for (const auto& browser : browsers)
    browser->GetHost().CloseBrowser(force);
}

// Steps 3 and 4.
bool SimpleHandler::DoClose(const std::shared_ptr<engine::Browser>& browser) {
  VARNET_REQUIRE_UI_THREAD();
  if (platform::windowTitle(browser->GetHost().GetWindowHandle()) == config::kMainWindowTitle) {
    log::info("main window closing: the page is told, the exit watcher waits for the companion");
    if (auto frame = browser->GetMainFrame())
      frame->ExecuteJavaScript(u"web_rpc_shutdown();");
    exitWatcherStarted_ = true;
    startExitWatcher();
  }
  return false;
}

// Step 5.
void SimpleHandler::OnBeforeClose(const std::shared_ptr<engine::Browser>& browser) {
  VARNET_REQUIRE_UI_THREAD();
  auto it = std::find_if(browsers_.begin(), browsers_.end(),
                         [&](const auto& listed) { return listed->IsSame(*browser); });
  if (it != browsers_.end())
    browsers_.erase(it);
  if (browsers_.empty())
    engine::QuitMessageLoop();
}

}  // namespace varnet
