// The engine seam's entry points (engine.h) over CEF's: sub-process start, initialisation,
// browser creation, the message-loop functions and UI-thread tasks.

#include <windows.h>

#include "engine/cef/cef_browser.h"
#include "engine/cef/cef_simple_app.h"
#include "engine/cef/cef_simple_handler.h"
#include "engine/cef/cef_text.h"
#include "engine/engine.h"
#include "include/base/cef_bind.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/wrapper/cef_closure_task.h"

namespace varnet::engine {
namespace {

CefMainArgs mainArgs(const MainArgs& args) {
  return CefMainArgs(static_cast<HINSTANCE>(args.instance));
}

// The popup form with no parent, then the description's own style, place and size.
// (CefWindowInfo cannot be copied, so it is filled in place.)
void fill(CefWindowInfo& info, const WindowInfo& description) {
  info.SetAsPopup(static_cast<HWND>(description.parent_window),
                  cef_adapter::toCef(description.window_name));
  info.style = description.style;
  info.ex_style = description.ex_style;
  info.x = description.x;
  info.y = description.y;
  info.width = description.width;
  info.height = description.height;
}

void runTask(std::function<void()> task) {
  task();
}

}  // namespace

int ExecuteProcess(const MainArgs& args, const std::shared_ptr<App>& app) {
  // Every process, sub-processes included, before the engine starts anything.
  CefEnableHighDPISupport();
  const int code = CefExecuteProcess(mainArgs(args), cef_adapter::CefSimpleApp::For(app), nullptr);
  // A sub-process's engine has shut down by now: its face goes with the caller's application
  // object rather than with the program's statics. The browser process keeps it for initialise.
  if (code >= 0)
    cef_adapter::CefSimpleApp::Forget();
  return code;
}

bool Initialize(const MainArgs& args, const Settings& settings, const std::shared_ptr<App>& app) {
  CefSettings cefSettings;
  cefSettings.no_sandbox = settings.no_sandbox;
  cefSettings.multi_threaded_message_loop = settings.multi_threaded_message_loop;
  cefSettings.log_severity = static_cast<cef_log_severity_t>(settings.log_severity);
  cefSettings.ignore_certificate_errors = settings.ignore_certificate_errors;
  CefString(&cefSettings.cache_path) = cef_adapter::toCef(settings.cache_path);
  CefString(&cefSettings.root_cache_path) = cef_adapter::toCef(settings.root_cache_path);
  return CefInitialize(mainArgs(args), cefSettings, cef_adapter::CefSimpleApp::For(app), nullptr);
}

std::shared_ptr<Browser> CreateBrowserSync(const WindowInfo& description,
                                           const std::shared_ptr<Client>& client,
                                           const std::u16string& url,
                                           const BrowserSettings& /*settings*/) {
  CefWindowInfo info;
  fill(info, description);
  CefBrowserSettings browserSettings;
  return cef_adapter::wrap(CefBrowserHost::CreateBrowserSync(
      info, cef_adapter::CefSimpleHandler::For(client), cef_adapter::toCef(url), browserSettings,
      nullptr, nullptr));
}

bool CreateBrowser(const WindowInfo& description,
                   const std::shared_ptr<Client>& client,
                   const std::u16string& url,
                   const BrowserSettings& /*settings*/) {
  CefWindowInfo info;
  fill(info, description);
  CefBrowserSettings browserSettings;
  return CefBrowserHost::CreateBrowser(info, cef_adapter::CefSimpleHandler::For(client),
                                       cef_adapter::toCef(url), browserSettings, nullptr, nullptr);
}

void RunMessageLoop() {
  CefRunMessageLoop();
}

void QuitMessageLoop() {
  CefQuitMessageLoop();
}

void DoMessageLoopWork() {
  CefDoMessageLoopWork();
}

void Shutdown() {
  // The client's objects go before the engine does, not with the program's statics after it.
  cef_adapter::CefSimpleHandler::ForgetAll();
  cef_adapter::CefSimpleApp::Forget();
  CefShutdown();
}

bool CurrentlyOnUIThread() {
  return CefCurrentlyOn(TID_UI);
}

void PostUITask(std::function<void()> task) {
  CefPostTask(TID_UI, base::Bind(&runTask, std::move(task)));
}

}  // namespace varnet::engine
