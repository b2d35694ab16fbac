#pragma once

// File-system primitives that the standard library does not give with the needed precision:
// a listing that tells links and junctions apart from folders, and the attribute reset behind
// the second delete attempt. Everything else uses std::filesystem directly.

#include <optional>
#include <string>
#include <vector>

namespace varnet::platform {

struct DirectoryEntry {
  std::u16string name;  // file name only, as the OS delivers it
  bool isFolder = false;
  bool isLink = false;  // a symbolic link or a junction: never to be descended into
};

// Every entry of the folder ("." and ".." left out) in the order the OS delivers them, or
// nothing when the folder cannot be listed.
std::optional<std::vector<DirectoryEntry>> listDirectory(const std::u16string& folder);

bool deleteFile(const std::u16string& path);

// Clears what stops a deletion: FILE_ATTRIBUTE_NORMAL on Windows; on Linux the owner's write
// permission on the entry and on the folder that holds it (which is what unlink needs).
bool resetAttributes(const std::u16string& path);

// Whether the path itself (not what it leads to) is a symbolic link or a junction. A closing
// separator is ignored: "link/" names the link.
bool isLink(const std::u16string& path);

// Removes an empty folder, or a link or junction itself (never what it points to).
bool removeFolder(const std::u16string& path);
bool removeLink(const std::u16string& path);

}  // namespace varnet::platform
