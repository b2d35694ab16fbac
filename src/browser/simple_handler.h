#pragma once

// The browser process's one browser client: it keeps the list of browsers, turns the main
// window into the frameless, centred, rounded window, runs the close path with the exit
// watcher, clears page context menus, shows load errors, saves the update package the engine
// downloads, and acts on the bridge's process messages.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/client.h"
#include "engine/trust.h"
#include "platform/window.h"

namespace varnet {

class SimpleHandler : public engine::Client, public std::enable_shared_from_this<SimpleHandler> {
 public:
  // `trust` decides which documents the client's views load and which download is the update
  // package.
  explicit SimpleHandler(TrustedOrigins trust = TrustedOrigins::compiledIn());
  ~SimpleHandler() override;

  // The live instance, or null (currentHandler).
  static SimpleHandler* current();

  // Asks every listed browser to close, in list order; hops to the UI thread when called
  // elsewhere.
  void CloseBrowsers(bool force);

  // The main window: null until OnAfterCreated recognises it by its title.
  platform::WindowHandle mainWindow() const { return mainWindow_; }
  const std::vector<std::shared_ptr<engine::Browser>>& browsers() const { return browsers_; }
  bool maximized() const { return maximized_; }
  bool updateLaunched() const { return updateLaunched_; }
  // True once the main window's close has started the exit watcher, which ends the process
  // with exit code 0 when the companion downloader has gone.
  bool exitWatcherStarted() const { return exitWatcherStarted_; }

  // The close path (close_path.cpp tells it from start to exit).
  // The message loop took the close posted to the main window: every browser closes with force
  // and the engine's loop is told to quit. The loop destroys the window afterwards.
  void onPostedClose();
  // True when the engine closed the main window by itself rather than through a posted close:
  // the process then lives, its loop running, until the exit watcher ends it.
  bool waitsForExitWatcher() const { return exitWatcherStarted_ && !postedCloseTaken_; }

  // engine::Client methods (trust boundary, navigation_guard.cpp):
  bool OnBeforeBrowse(const std::shared_ptr<engine::Browser>& browser,
                      const Navigation& navigation) override;
  bool OnBeforePopup(const std::shared_ptr<engine::Browser>& browser,
                     const std::shared_ptr<engine::Frame>& frame,
                     const std::u16string& targetUrl) override;
  bool OnOpenURLFromTab(const std::shared_ptr<engine::Browser>& browser,
                        const std::u16string& targetUrl) override;

  // engine::Client methods (window and lifetime):
  void OnAfterCreated(const std::shared_ptr<engine::Browser>& browser) override;
  bool DoClose(const std::shared_ptr<engine::Browser>& browser) override;
  void OnBeforeClose(const std::shared_ptr<engine::Browser>& browser) override;
  void OnTitleChange(const std::shared_ptr<engine::Browser>& browser,
                     const std::u16string& title) override;
  void OnLoadEnd(const std::shared_ptr<engine::Browser>& browser,
                 const std::shared_ptr<engine::Frame>& frame,
                 int httpStatusCode) override;
  void OnLoadError(const std::shared_ptr<engine::Browser>& browser,
                   const std::shared_ptr<engine::Frame>& frame,
                   int errorCode,
                   const std::u16string& errorText,
                   const std::u16string& failedUrl) override;
  void OnBeforeContextMenu(const std::shared_ptr<engine::Browser>& browser,
                           const std::shared_ptr<engine::Frame>& frame,
                           const engine::ContextMenuParams& params,
                           engine::MenuModel& model) override;

  // engine::Client methods (download_handler.cpp):
  void OnBeforeDownload(const std::shared_ptr<engine::Browser>& browser,
                        engine::DownloadItem& item,
                        const std::u16string& suggestedName,
                        const std::shared_ptr<engine::BeforeDownloadCallback>& callback) override;
  void OnDownloadUpdated(const std::shared_ptr<engine::Browser>& browser,
                         engine::DownloadItem& item,
                         const std::shared_ptr<engine::DownloadItemCallback>& callback) override;

  // engine::Client methods (message_dispatcher.cpp):
  bool OnProcessMessageReceived(const std::shared_ptr<engine::Browser>& browser,
                                const std::shared_ptr<engine::Frame>& frame,
                                const engine::ProcessMessage& message) override;

 private:
  void makeMainWindow(platform::WindowHandle window);
  // Posts the close to the main window once `page` has run the scripts sent to it so far.
  void postCloseAfterSentScripts(const std::shared_ptr<engine::Browser>& page);

  // Message handlers (message_dispatcher.cpp).
  void onSysMenu(const std::shared_ptr<engine::Browser>& browser, int windowCommand);
  void onDownloadTask(const std::shared_ptr<engine::Frame>& frame,
                      std::u16string saveFolder,
                      const std::u16string& sealedTask,
                      const std::u16string& taskMode);
  void onOpenUrl(const std::u16string& address);
  void onExecuteUpdate(const std::u16string& parameters);

  bool isMainWindow(const std::shared_ptr<engine::Browser>& browser) const;

  const TrustedOrigins trust_;

  // Only touched on the UI thread.
  platform::WindowHandle mainWindow_ = nullptr;
  bool updateLaunched_ = false;
  bool maximized_ = false;
  bool postedCloseTaken_ = false;
  std::vector<std::shared_ptr<engine::Browser>> browsers_;

  std::atomic<bool> exitWatcherStarted_{false};
};

}  // namespace varnet
