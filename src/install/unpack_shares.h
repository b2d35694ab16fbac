#pragma once

// How an archive's items are split among unpack workers: how many workers, and which items each
// extracts. Pure functions of the item list.

#include <cstdint>
#include <vector>

#include "archive/archive.h"

namespace varnet {

// Below these an archive is unpacked by one worker: threads would cost more than they bring.
constexpr uint64_t kParallelMinimumSize = 16ull << 20;
constexpr size_t kParallelMinimumItems = 64;
constexpr unsigned kMaximumWorkers = 8;

// One worker per core, at most kMaximumWorkers; one for a small archive.
unsigned workerCountFor(uint64_t totalSize, size_t itemCount, unsigned cores);

// Splits the items into at most `workers` shares of about equal work (size plus a fixed cost per
// item), each a list of item indices in ascending order. Items that must be extracted by one
// reader stay in one share: those of one solid block (decoded together) and those that land on
// the same path, letter case aside (later items replace earlier ones, as in archive order).
// Bundles are placed largest first, each into the share with the least work so far. No share is
// empty; an empty archive gives none.
std::vector<std::vector<uint32_t>> splitIntoShares(const std::vector<archive::ItemInfo>& items,
                                                   unsigned workers);

}  // namespace varnet
