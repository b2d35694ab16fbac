#pragma once

// Where an archive item may go. 7-Zip hands item paths over unchecked, so the binding itself
// keeps every item below the folder it extracts into.

#include <filesystem>
#include <optional>
#include <string_view>

namespace varnet::archive {

// The item's path relative to the extraction folder, or nothing when the raw path is absolute,
// starts with a drive letter, climbs with ".." (or any name of only dots and spaces, which
// Windows shortens to ".."), names a Windows device (CON, NUL, COM1, ...), or names nothing. Both
// "/" and "\" separate names, "." and empty names are dropped.
std::optional<std::filesystem::path> safeItemPath(std::u16string_view raw);

// Whether `path` (made canonical by the caller) is `root` or lies below it.
bool isInside(const std::filesystem::path& path, const std::filesystem::path& root);

}  // namespace varnet::archive
