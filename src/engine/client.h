#pragma once

// The browser client: what the engine tells the browser process about its browsers (CefClient
// with its display, life-span, load, context-menu and download handlers). Every callback runs on
// the engine's UI thread and keeps the engine's default unless overridden.

#include <memory>
#include <string>

#include "engine/browser.h"
#include "engine/context_menu.h"
#include "engine/download.h"
#include "engine/process_message.h"
#include "engine/trust.h"

namespace varnet::engine {

// Load error codes the client tells apart (CEF's cef_errorcode_t).
enum ErrorCode : int {
  ERR_NONE = 0,
  ERR_FAILED = -2,
  ERR_ABORTED = -3,
};

class Client {
 public:
  virtual ~Client() = default;

  // Life span. OnBeforePopup returns true to cancel the pop-up.
  virtual bool OnBeforePopup(const std::shared_ptr<Browser>& /*browser*/,
                             const std::shared_ptr<Frame>& /*frame*/,
                             const std::u16string& /*targetUrl*/) {
    return false;
  }
  virtual void OnAfterCreated(const std::shared_ptr<Browser>& /*browser*/) {}
  // A navigation the engine would open in a new tab or window (a modified click). Returns true
  // to cancel it; otherwise it goes on in the browser's main frame.
  virtual bool OnOpenURLFromTab(const std::shared_ptr<Browser>& /*browser*/,
                                const std::u16string& /*targetUrl*/) {
    return false;
  }
  // Returns false to let the close go on.
  virtual bool DoClose(const std::shared_ptr<Browser>& /*browser*/) { return false; }
  virtual void OnBeforeClose(const std::shared_ptr<Browser>& /*browser*/) {}

  // Display.
  virtual void OnTitleChange(const std::shared_ptr<Browser>& /*browser*/,
                             const std::u16string& /*title*/) {}

  // Load. OnBeforeBrowse comes before a frame loads a document, for every redirect step too;
  // it returns true to cancel the load.
  virtual bool OnBeforeBrowse(const std::shared_ptr<Browser>& /*browser*/,
                              const Navigation& /*navigation*/) {
    return false;
  }
  virtual void OnLoadingStateChange(const std::shared_ptr<Browser>& /*browser*/,
                                    bool /*isLoading*/,
                                    bool /*canGoBack*/,
                                    bool /*canGoForward*/) {}
  virtual void OnLoadStart(const std::shared_ptr<Browser>& /*browser*/,
                           const std::shared_ptr<Frame>& /*frame*/) {}
  virtual void OnLoadEnd(const std::shared_ptr<Browser>& /*browser*/,
                         const std::shared_ptr<Frame>& /*frame*/,
                         int /*httpStatusCode*/) {}
  virtual void OnLoadError(const std::shared_ptr<Browser>& /*browser*/,
                           const std::shared_ptr<Frame>& /*frame*/,
                           int /*errorCode*/,
                           const std::u16string& /*errorText*/,
                           const std::u16string& /*failedUrl*/) {}

  // Context menu: the model may be changed before the engine shows it.
  virtual void OnBeforeContextMenu(const std::shared_ptr<Browser>& /*browser*/,
                                   const std::shared_ptr<Frame>& /*frame*/,
                                   const ContextMenuParams& /*params*/,
                                   MenuModel& /*model*/) {}

  // Downloads. Without Continue the download does not start.
  virtual void OnBeforeDownload(const std::shared_ptr<Browser>& /*browser*/,
                                DownloadItem& /*item*/,
                                const std::u16string& /*suggestedName*/,
                                const std::shared_ptr<BeforeDownloadCallback>& /*callback*/) {}
  virtual void OnDownloadUpdated(const std::shared_ptr<Browser>& /*browser*/,
                                 DownloadItem& /*item*/,
                                 const std::shared_ptr<DownloadItemCallback>& /*callback*/) {}

  // A message from the render process, sent through `frame` (the frame whose bridge sent it).
  // Returns true when handled.
  virtual bool OnProcessMessageReceived(const std::shared_ptr<Browser>& /*browser*/,
                                        const std::shared_ptr<Frame>& /*frame*/,
                                        const ProcessMessage& /*message*/) {
    return false;
  }
};

}  // namespace varnet::engine
