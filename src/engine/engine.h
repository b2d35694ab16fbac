#pragma once

// Starting, driving and stopping the browser engine in the browser process, and creating
// browsers (cef_execute_process, cef_initialize, CefBrowserHost::CreateBrowser[Sync], the message
// loop functions, cef_shutdown, CefCurrentlyOn/CefPostTask for the UI thread). Each port
// implements these: src/engine/webkit on Linux, src/engine/cef on Windows.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/app.h"
#include "engine/browser.h"
#include "engine/client.h"
#include "platform/window.h"

namespace varnet::engine {

// The process's start arguments (CefMainArgs).
struct MainArgs {
  int argc = 0;
  char** argv = nullptr;
  void* instance = nullptr;  // HINSTANCE on Windows
};

enum LogSeverity : int {
  LOGSEVERITY_DEFAULT = 0,
  LOGSEVERITY_VERBOSE = 1,
  LOGSEVERITY_INFO = 2,
  LOGSEVERITY_WARNING = 3,
  LOGSEVERITY_ERROR = 4,
  LOGSEVERITY_FATAL = 5,
  LOGSEVERITY_DISABLE = 99,
};

// Engine settings (CefSettings); fields not set keep their zero default.
struct Settings {
  bool no_sandbox = false;
  bool multi_threaded_message_loop = false;
  LogSeverity log_severity = LOGSEVERITY_DEFAULT;
  bool ignore_certificate_errors = false;
  std::u16string cache_path;
  std::u16string root_cache_path;
  // The address under which the render process installs the bridge; empty means the compiled-in
  // portal base URL. (CEF's render process reads the compiled-in value itself.)
  std::u16string portal_base_url;
};

// A browser window's description (CefWindowInfo). Styles are Win32 style bits; the GTK port
// reads WS_VISIBLE from them and leaves frame removal to the client.
struct WindowInfo {
  std::u16string window_name;
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  // No parent: a top-level (pop-up form) window. For a secondary window, the owner window.
  platform::WindowHandle parent_window = nullptr;
};

constexpr std::uint32_t WS_VISIBLE_STYLE = 0x10000000;

// Per-browser settings (CefBrowserSettings): the client uses the defaults only.
struct BrowserSettings {};

// Runs the process as an engine sub-process when it is one and returns its exit code (zero or
// more); returns -1 in the browser process. (On Linux the engine's sub-processes are WebKit's own
// programs, so this always returns -1.)
int ExecuteProcess(const MainArgs& args, const std::shared_ptr<App>& app);

// Initialises the engine on the calling thread, which becomes the UI thread. Calls the app's
// OnBeforeCommandLineProcessing on the global command line first and OnContextInitialized when
// ready. False when the engine could not start.
bool Initialize(const MainArgs& args, const Settings& settings, const std::shared_ptr<App>& app);

// Creates a browser window showing `url` and returns it once it exists; the client's
// OnAfterCreated has run by then. Null on failure.
std::shared_ptr<Browser> CreateBrowserSync(const WindowInfo& windowInfo,
                                           const std::shared_ptr<Client>& client,
                                           const std::u16string& url,
                                           const BrowserSettings& settings);

// Creates a browser window later, on the UI thread; the client hears of it in OnAfterCreated.
// False when the request was refused.
bool CreateBrowser(const WindowInfo& windowInfo,
                   const std::shared_ptr<Client>& client,
                   const std::u16string& url,
                   const BrowserSettings& settings);

// The UI thread's message loop: RunMessageLoop returns after QuitMessageLoop. A host that runs
// its own loop calls DoMessageLoopWork instead, which performs pending engine work and returns.
void RunMessageLoop();
void QuitMessageLoop();
void DoMessageLoopWork();

// Closes what is left of the engine; after every browser has closed.
void Shutdown();

bool CurrentlyOnUIThread();
// Runs `task` on the UI thread, later.
void PostUITask(std::function<void()> task);

// The engine and its version as the support log names them ("WebKitGTK 2.42.2").
std::string EngineVersion();

}  // namespace varnet::engine
