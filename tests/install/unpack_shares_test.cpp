#include "install/unpack_shares.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace varnet {
namespace {

using archive::ItemInfo;

ItemInfo item(std::u16string path, uint64_t size, std::optional<uint32_t> block = std::nullopt) {
  return ItemInfo{std::move(path), size, block};
}

// Every index exactly once, ascending within each list, no list empty.
void expectPartition(const std::vector<std::vector<uint32_t>>& lists, size_t count) {
  std::multiset<uint32_t> seen;
  for (const std::vector<uint32_t>& list : lists) {
    EXPECT_FALSE(list.empty());
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    seen.insert(list.begin(), list.end());
  }
  ASSERT_EQ(seen.size(), count);
  for (uint32_t index = 0; index < count; ++index)
    EXPECT_EQ(seen.count(index), 1u) << index;
}

size_t listOf(const std::vector<std::vector<uint32_t>>& lists, uint32_t index) {
  for (size_t list = 0; list < lists.size(); ++list)
    if (std::binary_search(lists[list].begin(), lists[list].end(), index))
      return list;
  return lists.size();
}

std::vector<std::vector<uint32_t>> itemsOf(const std::vector<Bundle>& bundles) {
  std::vector<std::vector<uint32_t>> lists;
  for (const Bundle& bundle : bundles)
    lists.push_back(bundle.items);
  return lists;
}

// Everything `worker` takes until the queue is empty.
std::vector<std::vector<uint32_t>> drain(ShareQueue& queue, unsigned worker) {
  std::vector<std::vector<uint32_t>> batches;
  for (std::vector<uint32_t> batch = queue.take(worker); !batch.empty(); batch = queue.take(worker))
    batches.push_back(std::move(batch));
  return batches;
}

TEST(WorkerCount, OnePerCoreAtMostEightAndOneForSmallArchives) {
  const uint64_t big = 200ull << 20;
  EXPECT_EQ(workerCountFor(big, 5000, 2), 2u);
  EXPECT_EQ(workerCountFor(big, 5000, 32), 8u);
  EXPECT_EQ(workerCountFor(big, 5000, 0), 1u);  // core count unknown
  EXPECT_EQ(workerCountFor((16ull << 20) - 1, 5000, 4), 1u);
  EXPECT_EQ(workerCountFor(16ull << 20, 64, 4), 4u);
  EXPECT_EQ(workerCountFor(big, 63, 4), 1u);
}

std::u16string numbered(const char16_t* prefix, uint32_t number) {
  std::u16string name = prefix;
  for (char c : std::to_string(number))
    name += static_cast<char16_t>(c);
  return name;
}

uint64_t bytesOf(const std::vector<ItemInfo>& items, const std::vector<uint32_t>& list) {
  uint64_t bytes = 0;
  for (uint32_t index : list)
    bytes += items[index].size;
  return bytes;
}

TEST(BundleItems, KeepsSolidBlocksAndSamePathsTogetherLargestFirst) {
  std::vector<ItemInfo> items = {
      item(u"a.dat", 5 << 20, 0),
      item(u"b.dat", 5 << 20, 1),
      item(u"c.dat", 1 << 20, 0),
      item(u"Dup.txt", 3 << 20),
      item(u"e.dat", 5 << 20),
      item(u"dup.TXT", 3 << 20),
      item(u"dir", 0),
      item(u"f.dat", 4 << 20, 1),
      item(u"dir", 0),
  };
  std::vector<Bundle> bundles = bundleItems(items);
  std::vector<std::vector<uint32_t>> lists = itemsOf(bundles);
  expectPartition(lists, items.size());
  EXPECT_EQ(listOf(lists, 0), listOf(lists, 2));  // block 0
  EXPECT_EQ(listOf(lists, 1), listOf(lists, 7));  // block 1
  EXPECT_EQ(listOf(lists, 3), listOf(lists, 5));  // one file, letter case aside
  EXPECT_EQ(listOf(lists, 6), listOf(lists, 8));
  EXPECT_NE(listOf(lists, 0), listOf(lists, 1));
  EXPECT_EQ(lists.front(), (std::vector<uint32_t>{1, 7}));  // 9 MiB, before block 0's 6 MiB
  EXPECT_TRUE(std::is_sorted(bundles.begin(), bundles.end(),
                             [](const Bundle& a, const Bundle& b) { return a.work > b.work; }));
  EXPECT_TRUE(bundleItems({}).empty());
}

TEST(ShareQueue, EveryWorkerGetsAFirstBatchAndTheRestGoesToWhoeverAsks) {
  // In archive order the small items would come before the big one.
  std::vector<ItemInfo> items;
  for (uint32_t i = 0; i < 200; ++i)
    items.push_back(item(numbered(u"small", i), 64 << 10));
  items.push_back(item(u"big", 40 << 20));
  ShareQueue queue(bundleItems(items), 3);
  ASSERT_EQ(queue.workers(), 3u);
  // Worker 2 is slow to start: worker 0 takes all that is not set aside for the others, in
  // batches that shrink as the work runs out.
  std::vector<std::vector<uint32_t>> batches = drain(queue, 0);
  EXPECT_EQ(batches.front(), std::vector<uint32_t>{200});  // the big item first, alone
  EXPECT_GT(batches.size(), 4u);
  EXPECT_LT(batches.back().size(), batches[1].size());
  std::vector<std::vector<uint32_t>> others = drain(queue, 2);
  ASSERT_EQ(others.size(), 1u);  // its own first batch, nothing more
  std::vector<std::vector<uint32_t>> third = drain(queue, 1);
  ASSERT_EQ(third.size(), 1u);
  batches.push_back(others[0]);
  batches.push_back(third[0]);
  expectPartition(batches, items.size());
  EXPECT_GT(bytesOf(items, others[0]), 0u);

  // Fewer bundles than workers: fewer workers. One solid block: one.
  std::vector<ItemInfo> solid;
  for (uint32_t i = 0; i < 100; ++i)
    solid.push_back(item(u"f" + std::u16string(1, char16_t(0x4E00 + i)), 1 << 20, 0));
  ShareQueue one(bundleItems(solid), 8);
  EXPECT_EQ(one.workers(), 1u);
  EXPECT_EQ(drain(one, 0).size(), 1u);
  ShareQueue none({}, 4);
  EXPECT_EQ(none.workers(), 0u);
  EXPECT_TRUE(none.take(0).empty());
}

}  // namespace
}  // namespace varnet
