#include "engine/webkit/webkit_download.h"

#include <filesystem>

#include "engine/ui_thread.h"
#include "engine/webkit/webkit_browser.h"
#include "engine/webkit/webkit_state.h"
#include "platform/text.h"

namespace varnet::engine::webkit {

void Download::track(WebKitDownload* download) {
  VARNET_REQUIRE_UI_THREAD();
  WebKitWebView* view = webkit_download_get_web_view(download);
  auto browser = view ? browserOfView(view) : nullptr;
  if (!browser || !browser->client())
    return;
  auto tracked = std::make_shared<Download>(GRef<WebKitDownload>::retain(download), browser);
  state().downloads[download] = tracked;
  g_signal_connect(download, "decide-destination", G_CALLBACK(onDecideDestination), tracked.get());
  g_signal_connect(download, "received-data", G_CALLBACK(onReceivedData), tracked.get());
  g_signal_connect(download, "failed", G_CALLBACK(onFailed), tracked.get());
  g_signal_connect(download, "finished", G_CALLBACK(onFinished), tracked.get());
}

Download::Download(GRef<WebKitDownload> download, std::weak_ptr<WebKitBrowser> browser)
    : download_(std::move(download)), browser_(std::move(browser)) {}

Download::~Download() {
  g_signal_handlers_disconnect_by_data(download_.get(), this);
}

std::int64_t Download::GetReceivedBytes() const {
  return static_cast<std::int64_t>(webkit_download_get_received_data_length(download_.get()));
}

std::int64_t Download::GetTotalBytes() const {
  WebKitURIResponse* response = webkit_download_get_response(download_.get());
  guint64 length = response ? webkit_uri_response_get_content_length(response) : 0;
  return length ? static_cast<std::int64_t>(length) : -1;
}

std::int64_t Download::GetCurrentSpeed() const {
  double seconds = webkit_download_get_elapsed_time(download_.get());
  return seconds > 0 ? static_cast<std::int64_t>(GetReceivedBytes() / seconds) : 0;
}

std::u16string Download::GetFullPath() const {
  const char* uri = webkit_download_get_destination(download_.get());
  if (!uri)
    return {};
  char* path = g_filename_from_uri(uri, nullptr, nullptr);
  std::u16string full = path ? fromUtf8(path) : fromUtf8(uri);
  g_free(path);
  return full;
}

std::u16string Download::GetURL() const {
  WebKitURIResponse* response = webkit_download_get_response(download_.get());
  const char* uri = response ? webkit_uri_response_get_uri(response) : nullptr;
  return uri ? fromUtf8(uri) : GetOriginalUrl();
}

std::u16string Download::GetOriginalUrl() const {
  WebKitURIRequest* request = webkit_download_get_request(download_.get());
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  return uri ? fromUtf8(uri) : std::u16string();
}

void Download::Continue(const std::u16string& path, bool /*showDialog*/) {
  std::string absolute = std::filesystem::absolute(toPath(path)).string();
  if (char* uri = g_filename_to_uri(absolute.c_str(), nullptr, nullptr)) {
    webkit_download_set_destination(download_.get(), uri);
    g_free(uri);
    continued_ = true;
  }
}

void Download::Cancel() {
  webkit_download_cancel(download_.get());
}

void Download::update() {
  auto browser = browser_.lock();
  if (!browser || !browser->client())
    return;
  browser->client()->OnDownloadUpdated(browser, *this, shared_from_this());
}

gboolean Download::onDecideDestination(WebKitDownload*, char* suggested, Download* self) {
  VARNET_REQUIRE_UI_THREAD();
  auto browser = self->browser_.lock();
  if (browser && browser->client())
    browser->client()->OnBeforeDownload(browser, *self, fromUtf8(suggested ? suggested : ""),
                                        self->shared_from_this());
  if (!self->continued_)
    self->Cancel();  // no target: the download does not start
  return TRUE;
}

void Download::onReceivedData(WebKitDownload*, guint64, Download* self) {
  VARNET_REQUIRE_UI_THREAD();
  self->update();
}

void Download::onFailed(WebKitDownload*, GError* error, Download* self) {
  VARNET_REQUIRE_UI_THREAD();
  if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER))
    self->canceled_ = true;
  self->failed_ = true;
}

void Download::onFinished(WebKitDownload* download, Download* self) {
  VARNET_REQUIRE_UI_THREAD();
  // "finished" also follows a failure; only a download that got through is complete.
  if (!self->failed_)
    self->complete_ = true;
  self->update();
  // Let go once WebKit is done emitting.
  PostUITask([download] { state().downloads.erase(download); });
}

}  // namespace varnet::engine::webkit
