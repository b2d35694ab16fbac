#pragma once

// Where an archive item may go. 7-Zip hands item paths over unchecked, so the binding itself
// keeps every item below the folder it extracts into.

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace varnet::archive {

// The names of a path from an archive (an item's path or a link's target): "/", "\" and U+F05C
// (7z.dll's form of a backslash from a Unix-made archive) separate them on both ports. Empty
// names stay in the list.
std::vector<std::u16string_view> itemPathNames(std::u16string_view raw);

// The item's path relative to the extraction folder, or nothing when the raw path is absolute,
// has a drive letter in any of its names, climbs with ".." (or any name of only dots and spaces,
// which Windows shortens to ".."), names a Windows device (CON, NUL, COM1, ...), or names
// nothing. "." and empty names are dropped.
std::optional<std::filesystem::path> safeItemPath(std::u16string_view raw);

// Whether `path` (made canonical by the caller) is `root` or lies below it.
bool isInside(const std::filesystem::path& path, const std::filesystem::path& root);

}  // namespace varnet::archive
