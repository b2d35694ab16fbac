// The client's entry on Windows: every process of the client enters here. The user's launch
// applies the single-instance rule and the companion check; the engine's sub-processes run
// inside the engine and leave with its result; the browser process creates the main window at
// the portal's start page and runs the Win32 message loop.

#include <windows.h>

#include <objbase.h>  // CoInitialize, outside WIN32_LEAN_AND_MEAN's <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/message_loop_win.h"
#include "app/simple_app.h"
#include "app/startup.h"
#include "app/support_log.h"
#include "browser/simple_handler.h"
#include "companion/companion.h"
#include "config.h"
#include "engine/engine.h"
#include "platform/current_folder.h"
#include "platform/instance.h"
#include "platform/log.h"
#include "platform/wide_win.h"

namespace varnet {
namespace {

// The class of the engine's native browser window, the key of the single-instance look-up
// with the main window's title.
constexpr char16_t kWindowClass[] = u"CefBrowserWindow";

int run(HINSTANCE instance, const wchar_t* commandLine) {
  CoInitialize(nullptr);  // never uninitialised
  const bool emptyCommandLine = std::wstring(commandLine ? commandLine : L"").empty();
  if (applySingleInstanceRule(emptyCommandLine, systemStartupSteps(kWindowClass)) ==
      StartupDecision::HandOverFocus)
    return kExitFocusHandedOver;

  engine::MainArgs args{0, nullptr, instance};
  auto app = std::make_shared<SimpleApp>();
  if (std::wstring(commandLine ? commandLine : L"").find(L"--type=renderer") !=
      std::wstring::npos) {
    log::open(platform::currentFolder(), log::Run::Continue, "render");
    log::info("render process started");
  }
  if (int code = engine::ExecuteProcess(args, app); code >= 0)
    return code;
  std::vector<std::u16string> arguments;
  if (!emptyCommandLine)
    arguments.push_back(platform::fromWide(commandLine));
  startBrowserProcessLog(platform::currentFolder(), arguments);

  // Without the engine there is nothing to show: the process ends, and with it the lock.
  const engine::Settings settings = browserProcessSettings(platform::inCurrentFolder(u"cache/"));
  if (!engine::Initialize(args, settings, app)) {
    log::warning("the engine did not start");
    return kExitCannotStart;
  }

  auto handler = std::make_shared<SimpleHandler>();
  setDefaultClient(handler);

  engine::CreateBrowserSync(mainWindowInfo(), handler, startAddress(), engine::BrowserSettings{});

  MessageLoopHooks hooks;
  hooks.mainWindow = [&handler] { return static_cast<HWND>(handler->mainWindow()); };
  hooks.closeRequested = [&handler] { handler->onPostedClose(); };
  hooks.engineWork = engine::DoMessageLoopWork;
  // A WM_QUIT leaves the browsers open, and nothing else would close them now.
  if (runMessageLoop(hooks) == LoopEnd::Quit)
    handler->CloseBrowsers(true);
  // Closing browsers run their unload handlers first: the engine works on until the last one
  // has closed, and only then shuts down, with the client's objects released before it.
  pumpUntil([&handler] { return handler->browsers().empty(); }, engine::DoMessageLoopWork);
  setDefaultClient({});
  handler.reset();
  app.reset();
  engine::Shutdown();
  log::info("message loop ended: the client ends with ", kExitLoopEnded);
  return kExitLoopEnded;
}

}  // namespace
}  // namespace varnet

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  return varnet::run(instance, commandLine);
}
