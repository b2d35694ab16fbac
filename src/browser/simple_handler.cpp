#include "browser/simple_handler.h"

#include <algorithm>

#include "browser/error_page.h"
#include "browser/exit_watcher.h"
#include "config.h"
#include "engine/command_line.h"
#include "engine/engine.h"
#include "engine/js_string.h"
#include "engine/ui_thread.h"
#include "platform/log.h"

namespace varnet {
namespace {

SimpleHandler* currentHandler = nullptr;

constexpr char16_t kDevToolsTitle[] = u"DevTools";
constexpr int kCornerEllipse = 10;

}  // namespace

SimpleHandler::SimpleHandler(TrustedOrigins trust) : trust_(std::move(trust)) {
  currentHandler = this;
}

SimpleHandler::~SimpleHandler() {
  currentHandler = nullptr;
}

SimpleHandler* SimpleHandler::current() {
  return currentHandler;
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

void SimpleHandler::OnAfterCreated(const std::shared_ptr<engine::Browser>& browser) {
  VARNET_REQUIRE_UI_THREAD();
  browsers_.push_back(browser);
  platform::WindowHandle window = browser->GetHost().GetWindowHandle();
  std::u16string title = platform::windowTitle(window);
  if (title == kDevToolsTitle)
    return;
  if (title == config::kMainWindowTitle && !mainWindow_)
    makeMainWindow(window);
}

// Frameless, centred on the primary screen, with rounded corners: once, at creation. Later size
// changes keep the region.
void SimpleHandler::makeMainWindow(platform::WindowHandle window) {
  mainWindow_ = window;
  platform::removeFrame(window);
  if (auto rect = platform::windowRect(window)) {
    platform::Size screen = platform::primaryScreenSize();
    platform::placeWindow(window, (screen.width - rect->width()) / 2,
                          (screen.height - rect->height()) / 2);
  }
  if (auto client = platform::clientRect(window))
    platform::setRoundedRegion(window, client->right, client->bottom, kCornerEllipse);
}

// How the client closes, from the first request to the end of the process:
// 1. The page's "sysmenumsg" 2 (the main window is hidden at once, message_dispatcher.cpp) or a
//    complete update package (the page is told flashprogress(-1,-1,-1) and the package started,
//    download_handler.cpp) posts a close to the main window: PostMessageW(WM_CLOSE) on Windows,
//    on GTK a GLib source in the message queue's place (platform/window_gtk.cpp), which waits a
//    moment so that the web process runs the scripts already sent before the page goes.
// 2. The entry's message loop takes the posted close (main_win.cpp, main_gtk.cpp): every listed
//    browser is closed with force (CloseBrowsers), the engine's loop is told to quit, the main
//    window is destroyed, and the loop ends.
// 3. The engine asks DoClose for each browser: for the main window the page is told
//    "web_rpc_shutdown();" and the exit watcher starts (exit_watcher.cpp); the close goes on.
// 4. OnBeforeClose takes each closed browser off the list; the last one quits the engine's loop.
// 5. The entry shuts the engine down and returns 1, unless the exit watcher, which asks
//    IsCompanionRunning once a second, has ended the process with 0 first.
// A close the engine starts itself (the page's window.close(), the window manager's button)
// begins at step 3 and does not end the loop: the process lives on until the exit watcher ends
// it once the companion has gone (main_gtk.cpp keeps GLib's loop running for that).
bool SimpleHandler::DoClose(const std::shared_ptr<engine::Browser>& browser) {
  VARNET_REQUIRE_UI_THREAD();
  if (platform::windowTitle(browser->GetHost().GetWindowHandle()) == config::kMainWindowTitle) {
    log::info("main window closing: the page is told, the exit watcher waits for the companion");
    if (auto frame = browser->GetMainFrame())
      frame->ExecuteJavaScript(u"web_rpc_shutdown();");
    startExitWatcher();
  }
  return false;
}

void SimpleHandler::startExitWatcher() {
  exitWatcherStarted_ = true;
  varnet::startExitWatcher();
}

void SimpleHandler::OnBeforeClose(const std::shared_ptr<engine::Browser>& browser) {
  VARNET_REQUIRE_UI_THREAD();
  auto it = std::find_if(browsers_.begin(), browsers_.end(),
                         [&](const auto& listed) { return listed->IsSame(*browser); });
  if (it != browsers_.end())
    browsers_.erase(it);
  if (browsers_.empty())
    engine::QuitMessageLoop();
}

void SimpleHandler::OnTitleChange(const std::shared_ptr<engine::Browser>&, const std::u16string&) {
  VARNET_REQUIRE_UI_THREAD();
  // The native title stays the creation title: it is how the main window is recognised.
}

void SimpleHandler::OnLoadEnd(const std::shared_ptr<engine::Browser>&,
                              const std::shared_ptr<engine::Frame>& frame,
                              int httpStatusCode) {
  VARNET_REQUIRE_UI_THREAD();
  if (frame)
    log::info("page load ended ", log::address(frame->GetURL()), " status ", httpStatusCode);
}

void SimpleHandler::OnLoadError(const std::shared_ptr<engine::Browser>&,
                                const std::shared_ptr<engine::Frame>& frame,
                                int errorCode,
                                const std::u16string& errorText,
                                const std::u16string& failedUrl) {
  VARNET_REQUIRE_UI_THREAD();
  log::warning("load error ", errorCode, " ", log::quoted(errorText), " ", log::address(failedUrl));
  if (errorCode == engine::ERR_ABORTED || engine::ChromeRuntimeRequested() || !frame)
    return;
  // The failing frame keeps whatever document it has; the error page replaces its content.
  frame->ExecuteJavaScript(
      u"document.open();document.write(" +
      engine::javascriptStringLiteral(composeErrorPage(failedUrl, errorText, errorCode)) +
      u");document.close();");
}

void SimpleHandler::OnBeforeContextMenu(const std::shared_ptr<engine::Browser>&,
                                        const std::shared_ptr<engine::Frame>&,
                                        const engine::ContextMenuParams& params,
                                        engine::MenuModel& model) {
  VARNET_REQUIRE_UI_THREAD();
  constexpr int kPageOrFrame = engine::CM_TYPEFLAG_PAGE | engine::CM_TYPEFLAG_FRAME;
  if ((params.GetTypeFlags() & kPageOrFrame) && model.GetCount() > 0)
    model.Clear();
}

}  // namespace varnet
