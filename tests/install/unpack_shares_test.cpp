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

// Every index exactly once, ascending within each share, no share empty.
void expectPartition(const std::vector<std::vector<uint32_t>>& shares, size_t count) {
  std::multiset<uint32_t> seen;
  for (const std::vector<uint32_t>& share : shares) {
    EXPECT_FALSE(share.empty());
    EXPECT_TRUE(std::is_sorted(share.begin(), share.end()));
    seen.insert(share.begin(), share.end());
  }
  ASSERT_EQ(seen.size(), count);
  for (uint32_t index = 0; index < count; ++index)
    EXPECT_EQ(seen.count(index), 1u) << index;
}

size_t shareOf(const std::vector<std::vector<uint32_t>>& shares, uint32_t index) {
  for (size_t share = 0; share < shares.size(); ++share)
    if (std::binary_search(shares[share].begin(), shares[share].end(), index))
      return share;
  return shares.size();
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

uint64_t bytesOf(const std::vector<ItemInfo>& items, const std::vector<uint32_t>& share) {
  uint64_t bytes = 0;
  for (uint32_t index : share)
    bytes += items[index].size;
  return bytes;
}

TEST(SplitIntoShares, BalancesBySizeWithTheLargestItemsPlacedFirst) {
  // In archive order the small items would fill both shares before the big one comes.
  std::vector<ItemInfo> items;
  for (uint32_t i = 0; i < 6; ++i)
    items.push_back(item(numbered(u"small", i), 1 << 20));
  items.push_back(item(u"big", 6 << 20));
  std::vector<std::vector<uint32_t>> shares = splitIntoShares(items, 2);
  ASSERT_EQ(shares.size(), 2u);
  expectPartition(shares, items.size());
  EXPECT_EQ(bytesOf(items, shares[0]), 6u << 20);
  EXPECT_EQ(bytesOf(items, shares[1]), 6u << 20);

  // Files cost work beyond their bytes: many empty ones are shared out too.
  std::vector<ItemInfo> empties = {item(u"big", 4 << 20)};
  for (uint32_t i = 0; i < 512; ++i)
    empties.push_back(item(numbered(u"empty", i), 0));
  shares = splitIntoShares(empties, 2);
  ASSERT_EQ(shares.size(), 2u);
  expectPartition(shares, empties.size());
  EXPECT_GT(shares[shareOf(shares, 0)].size(), 50u);
}

TEST(SplitIntoShares, KeepsSolidBlocksAndSamePathsInOneShare) {
  std::vector<ItemInfo> items = {
      item(u"a.dat", 5 << 20, 0), item(u"b.dat", 5 << 20, 1), item(u"c.dat", 1 << 20, 0),
      item(u"Dup.txt", 3 << 20),  item(u"e.dat", 5 << 20),    item(u"dup.TXT", 3 << 20),
      item(u"dir", 0),            item(u"f.dat", 4 << 20, 1), item(u"dir", 0),
  };
  std::vector<std::vector<uint32_t>> shares = splitIntoShares(items, 3);
  expectPartition(shares, items.size());
  EXPECT_EQ(shareOf(shares, 0), shareOf(shares, 2));  // block 0
  EXPECT_EQ(shareOf(shares, 1), shareOf(shares, 7));  // block 1
  EXPECT_EQ(shareOf(shares, 3), shareOf(shares, 5));  // one file, letter case aside
  EXPECT_EQ(shareOf(shares, 6), shareOf(shares, 8));
  EXPECT_NE(shareOf(shares, 0), shareOf(shares, 1));
}

TEST(SplitIntoShares, FewerBundlesThanWorkersGiveFewerShares) {
  std::vector<ItemInfo> solid;
  for (uint32_t i = 0; i < 100; ++i)
    solid.push_back(item(u"f" + std::u16string(1, char16_t(0x4E00 + i)), 1 << 20, 0));
  std::vector<std::vector<uint32_t>> shares = splitIntoShares(solid, 8);
  ASSERT_EQ(shares.size(), 1u);
  expectPartition(shares, solid.size());
  EXPECT_TRUE(splitIntoShares({}, 4).empty());
}

}  // namespace
}  // namespace varnet
