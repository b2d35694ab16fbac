#pragma once

// Engine downloads: a WebKit download as the client's download item and its callbacks.

#include <webkit2/webkit2.h>

#include <memory>
#include <string>

#include "engine/download.h"
#include "engine/webkit/gref.h"

namespace varnet::engine::webkit {

class WebKitBrowser;

class Download : public DownloadItem,
                 public BeforeDownloadCallback,
                 public DownloadItemCallback,
                 public std::enable_shared_from_this<Download> {
 public:
  // Tracks a download WebKit has just started (the context's "download-started") until it has
  // finished; a download of no client's browser is left to WebKit.
  static void track(WebKitDownload* download);

  Download(GRef<WebKitDownload> download, std::weak_ptr<WebKitBrowser> browser);
  ~Download() override;

  // DownloadItem methods:
  bool IsComplete() const override { return complete_; }
  bool IsCanceled() const override { return canceled_; }
  std::int64_t GetReceivedBytes() const override;
  std::int64_t GetTotalBytes() const override;
  std::int64_t GetCurrentSpeed() const override;
  std::u16string GetFullPath() const override;
  std::u16string GetURL() const override;
  std::u16string GetOriginalUrl() const override;

  // BeforeDownloadCallback method: WebKitGTK 4.1 takes the destination as a file URI.
  void Continue(const std::u16string& path, bool showDialog) override;

  // DownloadItemCallback methods: WebKit cannot pause a download.
  void Cancel() override;
  void Pause() override {}
  void Resume() override {}

 private:
  void update();

  static gboolean onDecideDestination(WebKitDownload*, char* suggested, Download* self);
  static void onReceivedData(WebKitDownload*, guint64, Download* self);
  static void onFailed(WebKitDownload*, GError* error, Download* self);
  static void onFinished(WebKitDownload*, Download* self);

  GRef<WebKitDownload> download_;
  std::weak_ptr<WebKitBrowser> browser_;
  bool continued_ = false;
  bool complete_ = false;
  bool canceled_ = false;
  bool failed_ = false;
};

}  // namespace varnet::engine::webkit
