#pragma once

// The file system every contestant of the unpack benchmark meets. Each one of every run unpacks
// into a new folder of its own (in a block group of its own where ext4 allows it) and nothing is
// deleted while the runs are timed: ext4 without a journal skips, when it allocates an inode,
// every inode freed in the last minute (in the last six while the block of the inode table that
// holds it waits to be written), so whoever unpacks after a deletion pays for it, up to as much
// again as the unpack itself. Each output leaves the page cache once it is checked, and all are
// deleted at the end; a later start within that window waits it out first.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace bench {

// What a run left in the output folder: each file's path (folders end with '/') with its size and
// a hash of its bytes. Call it once the files are on disk (after sync); they leave the page cache.
using Tree = std::map<std::string, std::pair<uint64_t, size_t>>;
Tree treeOf(const std::filesystem::path& folder);

// Deletes the outputs and notes when in `stamp`, so that the next start knows how long to wait.
void deleteOutputs(const std::filesystem::path& outputs, const std::filesystem::path& stamp);

// Waits until no inode that an earlier deletion noted in `stamp` freed is recent enough to be
// skipped.
void waitOutDeletions(const std::filesystem::path& stamp);

// Makes ext4 place each new folder below `folder` in a block group of its own; false where the
// file system does not allow it.
bool spreadSubfolders(const std::filesystem::path& folder);

}  // namespace bench
