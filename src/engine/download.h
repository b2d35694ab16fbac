#pragma once

// Downloads that the engine performs itself (CefDownloadItem and its callbacks).

#include <cstdint>
#include <string>

namespace varnet::engine {

class DownloadItem {
 public:
  virtual ~DownloadItem() = default;
  virtual bool IsComplete() const = 0;
  virtual bool IsCanceled() const = 0;
  virtual std::int64_t GetReceivedBytes() const = 0;
  // -1 while unknown.
  virtual std::int64_t GetTotalBytes() const = 0;
  // Bytes per second.
  virtual std::int64_t GetCurrentSpeed() const = 0;
  // Where the download is written, once a target is fixed.
  virtual std::u16string GetFullPath() const = 0;
  // The address the download comes from (after redirects).
  virtual std::u16string GetURL() const = 0;
  // The address the download was first asked for (before redirects).
  virtual std::u16string GetOriginalUrl() const = 0;
};

// Lets the download go on to `path` (CefBeforeDownloadCallback::Continue).
class BeforeDownloadCallback {
 public:
  virtual ~BeforeDownloadCallback() = default;
  virtual void Continue(const std::u16string& path, bool showDialog) = 0;
};

// Pause, resume and cancel of a running download (CefDownloadItemCallback).
class DownloadItemCallback {
 public:
  virtual ~DownloadItemCallback() = default;
  virtual void Cancel() = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
};

}  // namespace varnet::engine
