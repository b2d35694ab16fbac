#pragma once

// How an archive's items are shared among unpack workers: how many workers, which items must stay
// together, and the queue the workers take their next items from.

#include <cstdint>
#include <mutex>
#include <vector>

#include "archive/archive.h"

namespace varnet {

// Below these an archive is unpacked by one worker: threads would cost more than they bring.
constexpr uint64_t kParallelMinimumSize = 16ull << 20;
constexpr size_t kParallelMinimumItems = 64;
constexpr unsigned kMaximumWorkers = 8;

// One worker per core, at most kMaximumWorkers; one for a small archive.
unsigned workerCountFor(uint64_t totalSize, size_t itemCount, unsigned cores);

// Items that one reader must extract in one call: those of one solid block (decoded together) and
// those that land on the same path, letter case aside (later items replace earlier ones, as in
// archive order).
struct Bundle {
  std::vector<uint32_t> items;  // ascending
  uint64_t work = 0;            // size plus a fixed cost per item
};

// Every item in exactly one bundle; the largest bundles first, equal ones in archive order.
std::vector<Bundle> bundleItems(const std::vector<archive::ItemInfo>& items);

// Hands the bundles out, largest first, to the workers as they ask: a worker slowed by anything
// (a busy core, hard-to-decode items) takes less, and all end at about the same time. A batch is
// about the work left divided by twice the workers, at least one bundle: large batches first
// (few calls into the library), small ones at the end. Each worker's first batch is set aside for
// it, so that every worker takes part even when another could do everything alone. Thread-safe.
class ShareQueue {
 public:
  // `workers` is capped at the number of bundles.
  ShareQueue(std::vector<Bundle> bundles, unsigned workers);

  unsigned workers() const { return workers_; }

  // The next batch for `worker` (below workers()), its item indices in ascending order; empty
  // once every bundle was handed out.
  std::vector<uint32_t> take(unsigned worker);

 private:
  std::vector<uint32_t> nextBatchLocked();

  unsigned workers_ = 0;
  std::mutex mutex_;  // guards every field below
  std::vector<Bundle> bundles_;
  size_t next_ = 0;
  uint64_t remaining_ = 0;  // the work of the bundles from next_ on
  std::vector<std::vector<uint32_t>> firsts_;
  std::vector<bool> firstTaken_;
};

}  // namespace varnet
