#include "install/parallel_extraction.h"

#include <algorithm>
#include <mutex>
#include <numeric>
#include <optional>
#include <thread>
#include <vector>

#include "install/unpack_shares.h"

namespace varnet {
namespace {

using archive::ArchiveReader;
using archive::Error;
using archive::ErrorKind;
using archive::ExtractionGate;

unsigned coreCount() {
  return std::max(std::thread::hardware_concurrency(), 1u);
}

// What the workers share: their byte counts, the links they met and the first failure.
class Workers {
 public:
  Workers(size_t count, const archive::ProgressCallback& progress, ExtractionGate& gate)
      : done_(count, 0), progress_(progress), gate_(gate) {}

  // Keeps the failure when it is the first (later ones are the others' reaction to the stop)
  // and stops every worker; their half-written files are removed.
  void fail(Error error) {
    errors_.record(std::move(error));
    gate_.stop();
  }

  // `bytes`: what `worker` has done so far, never less than it reported before.
  bool report(size_t worker, uint64_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    done_[worker] = bytes;
    return !progress_ || progress_(std::accumulate(done_.begin(), done_.end(), uint64_t{0}));
  }

  void addLinks(const std::vector<archive::Link>& links) {
    std::lock_guard<std::mutex> lock(mutex_);
    links_.insert(links_.end(), links.begin(), links.end());
  }

  // Read once every worker has ended.
  std::optional<Error> failure() const { return errors_.get(); }
  const std::vector<archive::Link>& links() const { return links_; }

 private:
  std::mutex mutex_;  // guards done_ and links_, and serialises the progress calls
  std::vector<uint64_t> done_;
  std::vector<archive::Link> links_;
  archive::FirstError errors_;
  const archive::ProgressCallback& progress_;
  ExtractionGate& gate_;
};

}  // namespace

std::optional<Error> extractInParallel(ArchiveReader& reader,
                                       const std::u16string& folder,
                                       unsigned workers,
                                       const archive::ProgressCallback& progress,
                                       ExtractionGate& gate) {
  // Every item's path is checked here, before any worker writes; the workers share the reading.
  archive::Result<archive::ItemPlan> plan = reader.plan();
  if (!plan)
    return plan.error();
  std::optional<ShareQueue> queue;
  try {
    std::vector<archive::ItemInfo> items = archive::describeItems(*plan);
    if (workers == 0) {
      uint64_t total = 0;
      for (const archive::ItemInfo& item : items)
        total += item.size;
      workers = workerCountFor(total, items.size(), coreCount());
    }
    queue.emplace(bundleItems(items), workers);
  } catch (const std::bad_alloc&) {
    return Error{ErrorKind::Io, "out of memory", {}};
  }
  if (queue->workers() <= 1) {
    // One worker, or one solid block: only the library's own threads can share the decoding.
    reader.setDecoderThreads(coreCount());
    return reader.extractTo(folder, progress, &gate, *plan);
  }

  Workers state(queue->workers(), progress, gate);
  auto extractShares = [&](unsigned worker, ArchiveReader& own) {
    own.setDecoderThreads(1);  // the workers already use every core
    uint64_t done = 0;         // by the batches this worker finished
    for (std::vector<uint32_t> batch = queue->take(worker); !batch.empty();
         batch = queue->take(worker)) {
      uint64_t inBatch = 0;
      std::vector<archive::Link> links;
      if (std::optional<Error> error = own.extractItems(
              folder, *plan, std::move(batch),
              [&](uint64_t bytes) {
                inBatch = bytes;
                return state.report(worker, done + bytes);
              },
              gate, links))
        return state.fail(std::move(*error));
      done += inBatch;
      state.addLinks(links);
    }
  };
  std::vector<std::thread> threads;
  for (unsigned worker = 1; worker < queue->workers(); ++worker) {
    try {
      threads.emplace_back([&, worker] {
        try {
          archive::Result<std::unique_ptr<ArchiveReader>> own = reader.openAgain();
          if (!own)
            return state.fail(own.error());
          extractShares(worker, **own);
        } catch (const std::bad_alloc&) {
          state.fail(Error{ErrorKind::Io, "out of memory", {}});
        }
      });
    } catch (const std::exception&) {  // no thread: the job fails as a whole
      state.fail(Error{ErrorKind::Io, "cannot start an unpack worker", {}});
    }
  }
  extractShares(0, reader);
  for (std::thread& thread : threads)
    thread.join();
  if (std::optional<Error> failure = state.failure())
    return failure;
  return archive::makeLinksLast(state.links(), folder, gate);
}

}  // namespace varnet
