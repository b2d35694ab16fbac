#include "platform/files.h"

#include <windows.h>

#include "platform/wide_win.h"

namespace varnet::platform {

std::optional<std::vector<DirectoryEntry>> listDirectory(const std::u16string& folder) {
  // The pattern is built in a string of its own length, so a long folder never gets cut.
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(wide(folder + u"/*.*"), &found);
  if (search == INVALID_HANDLE_VALUE)
    return std::nullopt;
  std::vector<DirectoryEntry> entries;
  do {
    std::u16string name = fromWide(found.cFileName);
    if (name == u"." || name == u"..")
      continue;
    DirectoryEntry entry;
    entry.name = std::move(name);
    entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // Junctions, mount points and symbolic links all carry the reparse-point attribute.
    entry.isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entries.push_back(std::move(entry));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

bool deleteFile(const std::u16string& path) {
  return DeleteFileW(wide(path)) != 0;
}

bool resetAttributes(const std::u16string& path) {
  return SetFileAttributesW(wide(path), FILE_ATTRIBUTE_NORMAL) != 0;
}

bool removeFolder(const std::u16string& path) {
  return RemoveDirectoryW(wide(path)) != 0;
}

namespace {

std::u16string withoutClosingSeparator(std::u16string path) {
  while (path.size() > 1 && (path.back() == u'/' || path.back() == u'\\') &&
         path[path.size() - 2] != u':')
    path.pop_back();
  return path;
}

}  // namespace

bool isLink(const std::u16string& path) {
  DWORD attributes = GetFileAttributesW(wide(withoutClosingSeparator(path)));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool removeLink(const std::u16string& path) {
  // A folder link (junction or directory symlink) goes with RemoveDirectoryW, a file symlink with
  // DeleteFileW; neither follows the link.
  const std::u16string link = withoutClosingSeparator(path);
  return RemoveDirectoryW(wide(link)) != 0 || DeleteFileW(wide(link)) != 0;
}

}  // namespace varnet::platform
