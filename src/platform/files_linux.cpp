#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "platform/text.h"

namespace varnet::platform {
namespace {

std::string native(const std::u16string& path) {
  return toPath(path).native();
}

// Adds the owner's write and search permission to what the path itself names (never through a
// link); true when the path no longer lacks them.
bool grantOwnerWrite(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0)
    return false;
  if (S_ISLNK(info.st_mode))
    return true;  // a link's own mode means nothing; chmod would reach its target
  mode_t wanted = info.st_mode | S_IWUSR | (S_ISDIR(info.st_mode) ? S_IXUSR : 0);
  return wanted == info.st_mode || chmod(path.c_str(), wanted & 07777) == 0;
}

// "link/" would make the OS follow the link.
std::string withoutClosingSlash(const std::u16string& path) {
  std::string text = native(path);
  while (text.size() > 1 && text.back() == '/')
    text.pop_back();
  return text;
}

}  // namespace

std::optional<std::vector<DirectoryEntry>> listDirectory(const std::u16string& folder) {
  const std::string path = native(folder);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(path.c_str()), closedir);
  if (!dir)
    return std::nullopt;
  std::vector<DirectoryEntry> entries;
  while (const dirent* item = readdir(dir.get())) {
    const std::string name = item->d_name;
    if (name == "." || name == "..")
      continue;
    // A name that is not UTF-8 cannot be named again through a UTF-16 path; a replacement
    // character in its place could name a different entry.
    std::optional<std::u16string> text = fromUtf8Strict(name);
    if (!text)
      continue;
    DirectoryEntry entry;
    entry.name = std::move(*text);
    struct stat info;
    if (fstatat(dirfd(dir.get()), item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
      entry.isLink = S_ISLNK(info.st_mode);
      // A link to a folder counts as a folder, as a junction does in a Windows listing.
      entry.isFolder = S_ISDIR(info.st_mode) ||
                       (entry.isLink && fstatat(dirfd(dir.get()), item->d_name, &info, 0) == 0 &&
                        S_ISDIR(info.st_mode));
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool deleteFile(const std::u16string& path) {
  return unlink(native(path).c_str()) == 0;
}

// On Linux a file's own mode does not stop its deletion; its folder's does. Both get the
// owner's write permission, the counterpart of clearing the read-only attribute.
bool resetAttributes(const std::u16string& path) {
  const std::filesystem::path target = toPath(path);
  const std::filesystem::path parent =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  bool entryDone = grantOwnerWrite(target.native());
  bool parentDone = grantOwnerWrite(parent.native());
  return entryDone && parentDone;
}

bool removeFolder(const std::u16string& path) {
  return rmdir(native(path).c_str()) == 0;
}

bool isLink(const std::u16string& path) {
  struct stat info;
  return lstat(withoutClosingSlash(path).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool removeLink(const std::u16string& path) {
  const std::string link = withoutClosingSlash(path);
  struct stat info;
  return lstat(link.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && unlink(link.c_str()) == 0;
}

}  // namespace varnet::platform
