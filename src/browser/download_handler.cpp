// Engine downloads: the client's update package is a download a trusted document of the main
// window started, from trusted addresses all the way. It is saved under one fixed name, its
// progress goes to the page, and once complete it is started and the client closes. Any other
// download is cancelled: nothing is saved or run.

#include <filesystem>
#include <string>
#include <system_error>

#include "browser/simple_handler.h"
#include "config.h"
#include "engine/ui_thread.h"
#include "platform/current_folder.h"
#include "platform/log.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace varnet {
namespace {

namespace fs = std::filesystem;

std::u16string decimal(std::int64_t value) {
  return fromUtf8(std::to_string(value));
}

}  // namespace

void SimpleHandler::OnBeforeDownload(
    const std::shared_ptr<engine::Browser>& browser,
    engine::DownloadItem& item,
    const std::u16string&,
    const std::shared_ptr<engine::BeforeDownloadCallback>& callback) {
  VARNET_REQUIRE_UI_THREAD();
  // Anything else would be run with the client's rights.
  if (!isUpdateDownload(trust_, isMainWindow(browser), item.GetOriginalUrl(), item.GetURL())) {
    log::info("download refused: not the main window's update from the portal");
    return;  // not continued: the engine drops the download, nothing is written
  }
  const std::u16string packagePath = platform::inCurrentFolder(u"download/update.exe");
  if (packagePath.empty())
    return;  // no current folder to save it in
  const fs::path package = toPath(packagePath);
  log::info("download taken as the update package ", log::address(item.GetURL()), " to ",
            log::quoted(packagePath));
  std::error_code error;
  fs::create_directories(package.parent_path(), error);
  fs::remove(package, error);  // an older package; failure (in use) is not ours to report
  callback->Continue(packagePath, false);
}

void SimpleHandler::OnDownloadUpdated(
    const std::shared_ptr<engine::Browser>& browser,
    engine::DownloadItem& item,
    const std::shared_ptr<engine::DownloadItemCallback>& callback) {
  VARNET_REQUIRE_UI_THREAD();
  if (!isUpdateDownload(trust_, isMainWindow(browser), item.GetOriginalUrl(), item.GetURL())) {
    // Normally never continued, so already stopped; an engine that lets it run anyway is told
    // to stop. A download that has ended is left alone.
    if (callback && !item.IsCanceled() && !item.IsComplete()) {
      log::info("download cancelled ", log::address(item.GetURL()), ": not the update package");
      callback->Cancel();
    }
    return;
  }
  if (item.IsCanceled())
    log::info("update download cancelled or interrupted ", log::address(item.GetURL()));
  // Progress goes to the first listed browser, normally the main window, wherever the download
  // began; with no browser left there is no page to tell.
  std::shared_ptr<engine::Frame> page;
  if (!browsers_.empty())
    page = browsers_.front()->GetMainFrame();
  if (!item.IsComplete()) {
    if (page)
      page->ExecuteJavaScript(u"flashprogress(" + decimal(item.GetReceivedBytes()) + u"," +
                              decimal(item.GetTotalBytes()) + u"," +
                              decimal(item.GetCurrentSpeed()) + u")");
    return;
  }
  // The engine reports a finished download more than once: the package starts once.
  if (updateLaunched_)
    return;
  updateLaunched_ = true;
  const std::u16string package = item.GetFullPath();
  log::info("update package downloaded: starting ", log::quoted(package), " and closing");
  if (page)
    page->ExecuteJavaScript(u"flashprogress(-1,-1,-1)");
  // The package is a program: started directly, from its own folder.
  std::error_code error;
  const fs::path path = toPath(package);
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, error);
  platform::shellOpen(package, {}, fromPath(path.parent_path()));
  postCloseAfterSentScripts(browsers_.empty() ? nullptr : browsers_.front());
}

}  // namespace varnet
