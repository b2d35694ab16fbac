#pragma once

// The symbolic links of an extraction, judged by their target text and made once every file is
// in place.

#include <filesystem>
#include <string>
#include <vector>

#include "archive/extraction_gate.h"

namespace varnet::archive {

struct Link {
  std::filesystem::path relative;  // where the link goes, below the root
  std::u16string name;             // the item's name in the archive, for messages
  std::u16string target;           // the link's text
};

// Makes the links below `root`, all or none. Each is judged by its text alone, resolved against
// its own folder and through the other links of the set, without touching the file system, so
// that a target that does not exist is judged too: one that leaves the root refuses them all. A
// dangling link that stays inside is made. Links already in the folder are followed as a second
// check. Throws Failure (LinkRefused; Stopped when the gate refuses the change).
void makeLinks(const std::vector<Link>& links,
               const std::filesystem::path& root,
               ExtractionGate& gate);

}  // namespace varnet::archive
