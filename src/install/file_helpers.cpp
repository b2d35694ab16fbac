#include "install/file_helpers.h"

#include "platform/files.h"

namespace varnet {
namespace {

// An empty folder would name the root ("" + "/" + name), and the OS would read a path with a
// zero character only up to it: neither may reach a listing or a deletion.
bool isUsableFolder(const std::u16string& folder) {
  return !folder.empty() && folder.find(u'\0') == std::u16string::npos;
}

bool isDotName(const std::u16string& name) {
  return !name.empty() && name[0] == u'.';
}

// A removal that fails is tried once more after what stops it has been reset; the second
// outcome is not examined.
template <typename Remove>
void removeWithRetry(const std::u16string& path, Remove remove) {
  if (!remove(path)) {
    platform::resetAttributes(path);
    remove(path);
  }
}

// Deletes everything in `folder` but its dot-names, depth first; false when it cannot be listed.
bool deleteContents(const std::u16string& folder) {
  std::optional<std::vector<platform::DirectoryEntry>> entries = platform::listDirectory(folder);
  if (!entries)
    return false;
  for (const platform::DirectoryEntry& entry : *entries) {
    if (isDotName(entry.name))
      continue;
    const std::u16string path = folder + u"/" + entry.name;
    if (entry.isLink)
      removeWithRetry(path, platform::removeLink);  // never entered: it leads out of the tree
    else if (entry.isFolder && deleteContents(path))
      removeWithRetry(path, platform::removeFolder);
    else if (!entry.isFolder)
      removeWithRetry(path, platform::deleteFile);
  }
  return true;
}

}  // namespace

std::vector<std::u16string> listFiles(const std::u16string& folder) {
  std::vector<std::u16string> files;
  if (!isUsableFolder(folder))
    return files;
  std::optional<std::vector<platform::DirectoryEntry>> entries = platform::listDirectory(folder);
  if (!entries)
    return files;
  for (const platform::DirectoryEntry& entry : *entries) {
    if (!isDotName(entry.name) && !entry.isFolder)
      files.push_back(folder + u"/" + entry.name);
  }
  return files;
}

void deleteTree(const std::u16string& folder) {
  if (!isUsableFolder(folder))
    return;
  // A folder that is itself a link or junction: what it leads to is not the tree that was named.
  if (platform::isLink(folder)) {
    platform::removeLink(folder);
    return;
  }
  // The folder itself gets no second attempt: resetting it would change its parent, which lies
  // outside the tree.
  if (deleteContents(folder))
    platform::removeFolder(folder);
}

}  // namespace varnet
