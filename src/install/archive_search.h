#pragma once

// Finding the archive in a package folder and naming the install folder after it.

#include <optional>
#include <string>
#include <vector>

namespace varnet {

// The first path whose suffix (from the last "." anywhere in the path to its end) is exactly
// ".zip", ".rar" or ".7z", tested in that order for each path; case counts. When that path is a
// later volume of a RAR set (game.part3.rar) and the list holds the set's first volume
// (game.part1.rar, part01, ...), the first volume, whatever the listing's order: 7-Zip reads a
// set from its first volume on.
std::optional<std::u16string> findArchive(const std::vector<std::u16string>& paths);

// An archive path split like _wsplitpath: drive (Windows only), folder with its closing
// separator, base name, extension from the last "." of the file name.
struct ArchivePathParts {
  std::u16string drive;
  std::u16string folder;
  std::u16string baseName;
  std::u16string extension;
};

// Each part must fit a buffer of 260 characters with its terminator; nothing when one does not.
std::optional<ArchivePathParts> splitArchivePath(const std::u16string& path);

}  // namespace varnet
