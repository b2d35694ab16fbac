#pragma once

// The symbolic links of an extraction, made once every file is in place.

#include <filesystem>
#include <string>
#include <vector>

#include "archive/extraction_gate.h"

namespace varnet::archive {

struct Link {
  std::filesystem::path path;  // where the link goes, below the root
  std::u16string name;         // the item's name in the archive, for messages
  std::u16string target;       // the link's text
};

// Makes the links below `root`, all or none: a link whose target leaves the root refuses them
// all. Throws Failure (LinkRefused, or Stopped when the gate refuses the change).
void makeLinks(const std::vector<Link>& links,
               const std::filesystem::path& root,
               ExtractionGate& gate);

}  // namespace varnet::archive
