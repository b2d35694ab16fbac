#pragma once

// The render process's single unpack job: the page's inputs, the published progress and install
// folder, and the worker thread that does the work.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/error.h"
#include "install/unpack_request.h"

namespace varnet {

class UnpackJob {
 public:
  static constexpr int32_t kSucceeded = 100;
  static constexpr int32_t kFailed = -100;

  UnpackJob();
  ~UnpackJob();  // stops the worker and waits for every worker thread to end
  UnpackJob(const UnpackJob&) = delete;
  UnpackJob& operator=(const UnpackJob&) = delete;

  // Stops a running worker (as stop() does), stores the inputs, resets the progress to 0 and
  // starts a new worker on them.
  void start(UnpackRequest request);

  // Asks the worker to stop and returns at once. From then on no field of the job changes and
  // the worker writes, deletes and creates nothing more; the file it was writing is removed.
  // Without a worker (none started, finished, or already stopped) nothing happens.
  void stop();

  // stop(), then waits until every worker thread has ended.
  void stopAndWait();

  int32_t progress() const { return progress_.load(); }
  std::u16string setupPath() const;

  // Why the last job failed or ended early (Stopped after stop()); nothing while it runs or once
  // it succeeded. The page sees only -100; this is for the command line and the log.
  std::optional<archive::Error> lastError() const;

  // True from start() until the worker succeeds or the job is stopped; a failed worker stays
  // registered, as the page's stop may still come.
  bool hasWorker() const;

  // cb_unsetup: the five texts become empty; password, mode, progress and worker stay.
  void forgetTexts();

 private:
  struct Run;

  void work(Run& run);
  // Runs `change` under the lock unless `run` has been stopped; false when it was refused.
  template <class Change>
  bool publish(Run& run, Change&& change);
  void fail(Run& run, archive::Error error);
  void reapFinishedWorkers();

  mutable std::mutex mutex_;  // guards every field below except progress_
  UnpackRequest request_;
  std::atomic<int32_t> progress_{0};
  std::optional<archive::Error> lastError_;
  std::shared_ptr<Run> current_;  // the registered worker ("threadHandle")
  std::vector<std::pair<std::shared_ptr<Run>, std::thread>> workers_;
};

}  // namespace varnet
