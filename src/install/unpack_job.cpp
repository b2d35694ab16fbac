#include "install/unpack_job.h"

#include <filesystem>
#include <system_error>

#include "archive/extraction_gate.h"
#include "install/archive_search.h"
#include "install/file_helpers.h"
#include "install/shortcuts.h"
#include "install/zlib_helper.h"
#include "platform/desktop.h"
#include "platform/log.h"
#include "platform/text.h"

namespace varnet {
namespace {

// Whether `inner` is `outer` or lies below it, links and the OS's spelling of names resolved. True
// when it cannot be told.
bool isSameOrInside(const std::u16string& inner, const std::u16string& outer) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path place = fs::weakly_canonical(toPath(inner), error);
  if (error)
    return true;
  for (;;) {
    std::error_code unknown;
    if (fs::equivalent(place, toPath(outer), unknown))
      return true;
    if (place == place.parent_path())
      return false;
    place = place.parent_path();
  }
}

// After a good install the package folder goes, unless the install folder is that folder or lies
// inside it (a download folder used as the install root): then only the archive's files go.
void removePackage(const std::u16string& packageDir,
                   const std::u16string& installFolder,
                   const std::vector<std::u16string>& archiveFiles) {
  if (!isSameOrInside(installFolder, packageDir)) {
    deleteTree(packageDir);
    return;
  }
  for (const std::u16string& file : archiveFiles) {
    std::error_code ignored;
    std::filesystem::remove(toPath(file), ignored);
  }
}

}  // namespace

// One worker's own state. The worker works from its copy of the inputs; `gate` holds back its
// changes to disk and `stopped` its changes to the job once the page has stopped it.
struct UnpackJob::Run {
  explicit Run(UnpackRequest request) : request(std::move(request)) {}
  const UnpackRequest request;
  archive::ExtractionGate gate;
  bool stopped = false;  // guarded by the job's mutex
  std::atomic<bool> finished{false};
};

UnpackJob::UnpackJob() = default;

UnpackJob::~UnpackJob() {
  stopAndWait();
}

void UnpackJob::stopAndWait() {
  stop();
  for (auto& [run, thread] : workers_)
    thread.join();
  workers_.clear();
}

void UnpackJob::start(UnpackRequest request) {
  stop();
  reapFinishedWorkers();
  auto run = std::make_shared<Run>(request);
  std::lock_guard<std::mutex> lock(mutex_);
  request_ = std::move(request);
  progress_.store(0);
  lastError_.reset();
  try {
    std::thread thread([this, run] {
      work(*run);
      run->finished = true;
    });
    current_ = run;
    workers_.emplace_back(run, std::move(thread));
  } catch (const std::system_error&) {
    // No thread: the job stays without a worker and at 0, as the page sees it.
  }
}

void UnpackJob::stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!current_)
    return;
  current_->stopped = true;
  current_->gate.stop();  // waits for a write in progress, removes the half-written file
  current_.reset();
  if (!lastError_)
    lastError_ = archive::Error{archive::ErrorKind::Stopped, "stopped", {}};
}

std::u16string UnpackJob::setupPath() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return request_.setupPath;
}

std::optional<archive::Error> UnpackJob::lastError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastError_;
}

bool UnpackJob::hasWorker() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_ != nullptr;
}

void UnpackJob::forgetTexts() {
  std::lock_guard<std::mutex> lock(mutex_);
  request_.setupPath.clear();
  request_.packageDir.clear();
  request_.shortcutName.clear();
  request_.extraArg.clear();
  request_.exePath.clear();
}

template <class Change>
bool UnpackJob::publish(Run& run, Change&& change) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (run.stopped)
    return false;
  change();
  return true;
}

void UnpackJob::fail(Run& run, archive::Error error) {
  if (publish(run, [&] {
        progress_.store(kFailed);
        lastError_ = error;
      }))
    log::warning("unzip failed (", archive::kindName(error.kind), "): ", error.message);
}

void UnpackJob::reapFinishedWorkers() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->first->finished) {
      it->second.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

void UnpackJob::work(Run& run) {
  using archive::Error;
  using archive::ErrorKind;
  const UnpackRequest& request = run.request;
  std::optional<std::u16string> archivePath = findArchive(listFiles(request.packageDir));
  if (!archivePath)
    return fail(run, Error{ErrorKind::NoArchive,
                           "no archive (.zip, .rar or .7z) in " + toUtf8(request.packageDir),
                           request.packageDir});
  std::optional<ArchivePathParts> parts = splitArchivePath(*archivePath);
  if (!parts)
    return fail(run, Error{ErrorKind::Io, "path too long: " + toUtf8(*archivePath), *archivePath});

  // The root is used as the page gave it: "D:\Games\" and game.zip give "D:\Games\game".
  const std::u16string installFolder = request.setupPath + parts->baseName;
  if (!run.gate.pass([&] {
        std::error_code ignored;  // an existing folder is fine; extraction reports the rest
        std::filesystem::create_directory(toPath(installFolder), ignored);
      }))
    return;
  if (!publish(run, [&] { request_.setupPath = installFolder; }))
    return;

  std::vector<std::u16string> archiveFiles;  // the archive and the other volumes of its set
  {
    // Closed before the package folder is deleted: Windows deletes no file that is open.
    archive::Result<ZlibHelper> helper =
        ZlibHelper::open(*archivePath, installFolder, request.password);
    if (!helper)
      return fail(run, helper.error());
    helper->gate = &run.gate;
    helper->progressTarget = [&](int32_t percent) {
      return publish(run, [&] { progress_.store(percent); });
    };
    if (std::optional<Error> error = helper->extract())
      return fail(run, std::move(*error));
    archiveFiles = helper->archiveFiles();
  }

  if (request.setupMode == 0 || request.setupMode == 1) {
    const std::u16string target = installFolder + u"/" + request.exePath;
    // One change for the gate: a stop either comes before it (nothing is deleted, no shortcut)
    // or waits for both.
    run.gate.pass([&] {
      removePackage(request.packageDir, installFolder, archiveFiles);
      platform::initialiseComOnThisThread();
      createDesktopShortcut(target, installFolder, request.shortcutName);
    });
  }
  if (publish(run, [&] {
        progress_.store(kSucceeded);
        if (current_.get() == &run)
          current_.reset();
      }))
    log::info("unzip done ", log::quoted(installFolder));
}

}  // namespace varnet
