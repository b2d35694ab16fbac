#pragma once

// What the binding knows of each item before anything is written: where it goes below the
// extraction folder, what it is, and what it should come to.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/com_runtime.h"
#include "archive/interfaces.h"

namespace varnet::archive {

struct Item {
  std::filesystem::path relative;  // empty for the archive's own root folder
  std::u16string name;             // the item's path as the archive gives it, for messages
  bool isDirectory = false;
  bool isLink = false;
  bool encrypted = false;
  std::optional<uint64_t> size;         // as listed; nothing when the archive does not say
  std::u16string linkTarget;            // from kpidSymLink; zip keeps it in the item's data
  std::optional<uint32_t> permissions;  // Unix permission bits, when the archive has them
  std::optional<uint64_t> modified;     // FILETIME ticks (100 ns since 1601, UTC), not before 1970
  std::optional<uint32_t> block;        // the solid block it is decoded from, when it has one
};

// The place below the root of every item, checked before anything is written. Throws Failure for
// an item that would leave the folder, a hard link, or properties that cannot be read.
// `archiveName` names the archive in messages.
std::vector<Item> planItems(IInArchive& archive,
                            const ComRuntime& runtime,
                            uint32_t count,
                            Format format,
                            const std::u16string& archiveName);

}  // namespace varnet::archive
