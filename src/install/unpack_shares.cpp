#include "install/unpack_shares.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <unordered_map>

namespace varnet {
namespace {

// The work of an item beyond its bytes (creating, closing and stamping a file), in bytes of
// decoding that take about as long.
constexpr uint64_t kCostPerItem = 16 << 10;

// Case-insensitive file systems (Windows) give "A.txt" and "a.txt" one file.
std::u16string foldedPath(std::u16string path) {
  for (char16_t& unit : path)
    if (unit >= u'A' && unit <= u'Z')
      unit = static_cast<char16_t>(unit - u'A' + u'a');
  return path;
}

// Union-find over item indices: each item ends up with the first item of its bundle as root.
class Bundles {
 public:
  explicit Bundles(size_t count) : parent_(count) { std::iota(parent_.begin(), parent_.end(), 0u); }
  uint32_t root(uint32_t index) {
    while (parent_[index] != index)
      index = parent_[index] = parent_[parent_[index]];
    return index;
  }
  void join(uint32_t a, uint32_t b) {
    a = root(a);
    b = root(b);
    if (a != b)
      parent_[std::max(a, b)] = std::min(a, b);
  }

 private:
  std::vector<uint32_t> parent_;
};

}  // namespace

unsigned workerCountFor(uint64_t totalSize, size_t itemCount, unsigned cores) {
  if (totalSize < kParallelMinimumSize || itemCount < kParallelMinimumItems)
    return 1;
  return std::clamp(cores, 1u, kMaximumWorkers);
}

std::vector<Bundle> bundleItems(const std::vector<archive::ItemInfo>& items) {
  const auto count = static_cast<uint32_t>(items.size());
  Bundles bundles(count);
  std::unordered_map<uint32_t, uint32_t> firstOfBlock;
  std::unordered_map<std::u16string, uint32_t> firstOfPath;
  for (uint32_t index = 0; index < count; ++index) {
    if (items[index].block)
      bundles.join(index, firstOfBlock.emplace(*items[index].block, index).first->second);
    bundles.join(index, firstOfPath.emplace(foldedPath(items[index].path), index).first->second);
  }

  // Each bundle's items (ascending, as the loop visits them) and work.
  std::unordered_map<uint32_t, size_t> bundleOfRoot;
  std::vector<Bundle> result;
  for (uint32_t index = 0; index < count; ++index) {
    auto [it, added] = bundleOfRoot.emplace(bundles.root(index), result.size());
    if (added)
      result.emplace_back();
    result[it->second].items.push_back(index);
    result[it->second].work += items[index].size + kCostPerItem;
  }
  // Largest first; equal ones in archive order, so that the order is the same every time.
  std::stable_sort(result.begin(), result.end(),
                   [](const Bundle& a, const Bundle& b) { return a.work > b.work; });
  return result;
}

ShareQueue::ShareQueue(std::vector<Bundle> bundles, unsigned workers)
    : bundles_(std::move(bundles)) {
  for (const Bundle& bundle : bundles_)
    remaining_ += bundle.work;
  workers_ = static_cast<unsigned>(std::min<size_t>(std::max(workers, 1u), bundles_.size()));
  for (unsigned worker = 0; worker < workers_; ++worker)
    firsts_.push_back(nextBatchLocked());
  firstTaken_.assign(workers_, false);
}

std::vector<uint32_t> ShareQueue::take(unsigned worker) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (worker < firsts_.size() && !firstTaken_[worker]) {
    firstTaken_[worker] = true;
    return std::move(firsts_[worker]);
  }
  return nextBatchLocked();
}

std::vector<uint32_t> ShareQueue::nextBatchLocked() {
  std::vector<uint32_t> batch;
  const uint64_t quantum = remaining_ / (2 * uint64_t{std::max(workers_, 1u)});
  uint64_t work = 0;
  while (next_ < bundles_.size() && (batch.empty() || work + bundles_[next_].work <= quantum)) {
    const Bundle& bundle = bundles_[next_++];
    work += bundle.work;
    batch.insert(batch.end(), bundle.items.begin(), bundle.items.end());
  }
  remaining_ -= work;
  std::sort(batch.begin(), batch.end());  // 7-Zip takes the items of one call in ascending order
  return batch;
}

}  // namespace varnet
