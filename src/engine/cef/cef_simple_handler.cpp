#include "engine/cef/cef_simple_handler.h"

#include <map>

#include "engine/cef/cef_browser.h"
#include "engine/cef/cef_text.h"
#include "include/wrapper/cef_helpers.h"

namespace varnet::engine::cef_adapter {
namespace {

class ContextMenuParamsAdapter : public ContextMenuParams {
 public:
  explicit ContextMenuParamsAdapter(CefRefPtr<CefContextMenuParams> params) : params_(params) {}
  int GetTypeFlags() const override { return params_->GetTypeFlags(); }

 private:
  CefRefPtr<CefContextMenuParams> params_;
};

class MenuModelAdapter : public MenuModel {
 public:
  explicit MenuModelAdapter(CefRefPtr<CefMenuModel> model) : model_(model) {}
  int GetCount() const override { return static_cast<int>(model_->GetCount()); }
  void Clear() override { model_->Clear(); }

 private:
  CefRefPtr<CefMenuModel> model_;
};

class DownloadItemAdapter : public DownloadItem {
 public:
  explicit DownloadItemAdapter(CefRefPtr<CefDownloadItem> item) : item_(item) {}
  bool IsComplete() const override { return item_->IsComplete(); }
  bool IsCanceled() const override { return item_->IsCanceled(); }
  std::int64_t GetReceivedBytes() const override { return item_->GetReceivedBytes(); }
  std::int64_t GetTotalBytes() const override { return item_->GetTotalBytes(); }
  std::int64_t GetCurrentSpeed() const override { return item_->GetCurrentSpeed(); }
  std::u16string GetFullPath() const override { return fromCef(item_->GetFullPath()); }
  std::u16string GetURL() const override { return fromCef(item_->GetURL()); }
  std::u16string GetOriginalUrl() const override { return fromCef(item_->GetOriginalUrl()); }

 private:
  CefRefPtr<CefDownloadItem> item_;
};

class BeforeDownloadCallbackAdapter : public BeforeDownloadCallback {
 public:
  explicit BeforeDownloadCallbackAdapter(CefRefPtr<CefBeforeDownloadCallback> callback)
      : callback_(callback) {}
  void Continue(const std::u16string& path, bool showDialog) override {
    callback_->Continue(toCef(path), showDialog);
  }

 private:
  CefRefPtr<CefBeforeDownloadCallback> callback_;
};

class DownloadItemCallbackAdapter : public DownloadItemCallback {
 public:
  explicit DownloadItemCallbackAdapter(CefRefPtr<CefDownloadItemCallback> callback)
      : callback_(callback) {}
  void Cancel() override { callback_->Cancel(); }
  void Pause() override { callback_->Pause(); }
  void Resume() override { callback_->Resume(); }

 private:
  CefRefPtr<CefDownloadItemCallback> callback_;
};

// Only touched on the UI thread.
std::map<const Client*, CefRefPtr<CefSimpleHandler>>& faces() {
  static std::map<const Client*, CefRefPtr<CefSimpleHandler>> handlers;
  return handlers;
}

}  // namespace

CefRefPtr<CefSimpleHandler> CefSimpleHandler::For(const std::shared_ptr<Client>& client) {
  if (!client)
    return nullptr;
  CefRefPtr<CefSimpleHandler>& face = faces()[client.get()];
  if (!face)
    face = new CefSimpleHandler(client);
  return face;
}

void CefSimpleHandler::ForgetAll() {
  faces().clear();
}

bool CefSimpleHandler::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                                CefRefPtr<CefFrame> frame,
                                                CefProcessId /*source_process*/,
                                                CefRefPtr<CefProcessMessage> message) {
  CEF_REQUIRE_UI_THREAD();
  return client_->OnProcessMessageReceived(wrap(browser), wrap(frame), fromCef(message));
}

void CefSimpleHandler::OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) {
  CEF_REQUIRE_UI_THREAD();
  client_->OnTitleChange(wrap(browser), fromCef(title));
}

bool CefSimpleHandler::OnBeforePopup(
    CefRefPtr<CefBrowser> browser,
    CefRefPtr<CefFrame> frame,
    const CefString& target_url,
    const CefString& /*target_frame_name*/,
    CefLifeSpanHandler::WindowOpenDisposition /*target_disposition*/,
    bool /*user_gesture*/,
    const CefPopupFeatures& /*popupFeatures*/,
    CefWindowInfo& /*windowInfo*/,
    CefRefPtr<CefClient>& /*client*/,
    CefBrowserSettings& /*settings*/,
    CefRefPtr<CefDictionaryValue>& /*extra_info*/,
    bool* /*no_javascript_access*/) {
  CEF_REQUIRE_UI_THREAD();
  // A pop-up the client lets open is an ordinary one, with its opener: only trusted targets are.
  return client_->OnBeforePopup(wrap(browser), wrap(frame), fromCef(target_url));
}

void CefSimpleHandler::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_UI_THREAD();
  client_->OnAfterCreated(wrap(browser));
}

bool CefSimpleHandler::DoClose(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_UI_THREAD();
  return client_->DoClose(wrap(browser));
}

void CefSimpleHandler::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_UI_THREAD();
  client_->OnBeforeClose(wrap(browser));
}

void CefSimpleHandler::OnLoadingStateChange(CefRefPtr<CefBrowser> browser,
                                            bool isLoading,
                                            bool canGoBack,
                                            bool canGoForward) {
  client_->OnLoadingStateChange(wrap(browser), isLoading, canGoBack, canGoForward);
}

void CefSimpleHandler::OnLoadStart(CefRefPtr<CefBrowser> browser,
                                   CefRefPtr<CefFrame> frame,
                                   TransitionType /*transition_type*/) {
  client_->OnLoadStart(wrap(browser), wrap(frame));
}

void CefSimpleHandler::OnLoadEnd(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 int httpStatusCode) {
  client_->OnLoadEnd(wrap(browser), wrap(frame), httpStatusCode);
}

void CefSimpleHandler::OnLoadError(CefRefPtr<CefBrowser> browser,
                                   CefRefPtr<CefFrame> frame,
                                   ErrorCode errorCode,
                                   const CefString& errorText,
                                   const CefString& failedUrl) {
  CEF_REQUIRE_UI_THREAD();
  client_->OnLoadError(wrap(browser), wrap(frame), errorCode, fromCef(errorText),
                       fromCef(failedUrl));
}

bool CefSimpleHandler::OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                                      CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefRequest> request,
                                      bool user_gesture,
                                      bool is_redirect) {
  CEF_REQUIRE_UI_THREAD();
  const std::u16string target = fromCef(request->GetURL());
  Navigation navigation{target, frame && frame->IsMain() ? FrameKind::Main : FrameKind::Sub,
                        user_gesture, is_redirect};
  return client_->OnBeforeBrowse(wrap(browser), navigation);  // true cancels
}

bool CefSimpleHandler::OnOpenURLFromTab(
    CefRefPtr<CefBrowser> browser,
    CefRefPtr<CefFrame> /*frame*/,
    const CefString& target_url,
    CefRequestHandler::WindowOpenDisposition /*target_disposition*/,
    bool /*user_gesture*/) {
  CEF_REQUIRE_UI_THREAD();
  return client_->OnOpenURLFromTab(wrap(browser), fromCef(target_url));
}

void CefSimpleHandler::OnBeforeContextMenu(CefRefPtr<CefBrowser> browser,
                                           CefRefPtr<CefFrame> frame,
                                           CefRefPtr<CefContextMenuParams> params,
                                           CefRefPtr<CefMenuModel> model) {
  CEF_REQUIRE_UI_THREAD();
  ContextMenuParamsAdapter paramsAdapter(params);
  MenuModelAdapter modelAdapter(model);
  client_->OnBeforeContextMenu(wrap(browser), wrap(frame), paramsAdapter, modelAdapter);
}

void CefSimpleHandler::OnBeforeDownload(CefRefPtr<CefBrowser> browser,
                                        CefRefPtr<CefDownloadItem> download_item,
                                        const CefString& suggested_name,
                                        CefRefPtr<CefBeforeDownloadCallback> callback) {
  CEF_REQUIRE_UI_THREAD();
  DownloadItemAdapter item(download_item);
  client_->OnBeforeDownload(wrap(browser), item, fromCef(suggested_name),
                            std::make_shared<BeforeDownloadCallbackAdapter>(callback));
}

void CefSimpleHandler::OnDownloadUpdated(CefRefPtr<CefBrowser> browser,
                                         CefRefPtr<CefDownloadItem> download_item,
                                         CefRefPtr<CefDownloadItemCallback> callback) {
  CEF_REQUIRE_UI_THREAD();
  DownloadItemAdapter item(download_item);
  client_->OnDownloadUpdated(wrap(browser), item,
                             std::make_shared<DownloadItemCallbackAdapter>(callback));
}

}  // namespace varnet::engine::cef_adapter
