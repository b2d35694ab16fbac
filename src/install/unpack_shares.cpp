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
  explicit Bundles(size_t count) : parent_(count) {
    std::iota(parent_.begin(), parent_.end(), 0u);
  }
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

std::vector<std::vector<uint32_t>> splitIntoShares(const std::vector<archive::ItemInfo>& items,
                                                   unsigned workers) {
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
  std::vector<std::vector<uint32_t>> members;
  std::vector<uint64_t> work;
  for (uint32_t index = 0; index < count; ++index) {
    auto [it, added] = bundleOfRoot.emplace(bundles.root(index), members.size());
    if (added) {
      members.emplace_back();
      work.push_back(0);
    }
    members[it->second].push_back(index);
    work[it->second] += items[index].size + kCostPerItem;
  }

  std::vector<size_t> order(members.size());
  std::iota(order.begin(), order.end(), size_t{0});
  // Largest first; equal ones in archive order, so that the split is the same every time.
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return work[a] > work[b]; });

  std::vector<std::vector<uint32_t>> shares(std::max(workers, 1u));
  std::vector<uint64_t> load(shares.size(), 0);
  for (size_t bundle : order) {
    size_t lightest = std::min_element(load.begin(), load.end()) - load.begin();
    load[lightest] += work[bundle];
    shares[lightest].insert(shares[lightest].end(), members[bundle].begin(),
                            members[bundle].end());
  }
  for (std::vector<uint32_t>& share : shares)
    std::sort(share.begin(), share.end());
  shares.erase(std::remove_if(shares.begin(), shares.end(),
                              [](const std::vector<uint32_t>& share) { return share.empty(); }),
               shares.end());
  return shares;
}

}  // namespace varnet
