#pragma once

// SimpleApp's face towards CEF: the CefApp of every process, its browser-process handler and its
// render-process handler, handing each callback to the portable application object.

#include <memory>

#include "engine/app.h"
#include "include/cef_app.h"

namespace varnet::engine::cef_adapter {

class CefSimpleApp : public CefApp,
                     public CefBrowserProcessHandler,
                     public CefRenderProcessHandler {
 public:
  explicit CefSimpleApp(std::shared_ptr<App> app) : app_(std::move(app)) {}

  // The one CEF face of `app` in this process: sub-process start and initialisation use the same.
  static CefRefPtr<CefSimpleApp> For(const std::shared_ptr<App>& app);
  static void Forget();

  // CefApp methods:
  void OnBeforeCommandLineProcessing(const CefString& process_type,
                                     CefRefPtr<CefCommandLine> command_line) override;
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override;
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override;

  // CefBrowserProcessHandler methods:
  void OnContextInitialized() override;
  CefRefPtr<CefClient> GetDefaultClient() override;

  // CefRenderProcessHandler methods:
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefDictionaryValue> extra_info) override;
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

 private:
  std::shared_ptr<App> app_;

  IMPLEMENT_REFCOUNTING(CefSimpleApp);
};

}  // namespace varnet::engine::cef_adapter
