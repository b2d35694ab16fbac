#include "bench_disk.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <string_view>
#include <thread>

namespace fs = std::filesystem;

namespace bench {
namespace {

// A file's bytes, read once its data is on disk; then it leaves the page cache. This machine (a
// virtual one whose memory the host backs on demand) writes files much more slowly once the cache
// holds a few GB, so the cache may not grow from one contestant to the next.
std::optional<std::string> readAndForget(const fs::path& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  std::string bytes;
  char buffer[1 << 16];
  ssize_t count;
  while ((count = read(fd, buffer, sizeof buffer)) > 0)
    bytes.append(buffer, static_cast<size_t>(count));
  posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  close(fd);
  return count == 0 ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}

// How long ext4 without a journal may keep skipping a freed inode: a minute, five more while the
// block of the inode table that holds it waits to be written (and a few seconds to spare).
constexpr int64_t kInodeRecencySeconds = 6 * 60 + 5;

int64_t secondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

Tree treeOf(const fs::path& folder) {
  Tree tree;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    std::string name = entry.path().lexically_relative(folder).generic_string();
    if (entry.is_symlink()) {
      tree[name] = {0, std::hash<std::string>()(fs::read_symlink(entry.path()).string())};
    } else if (entry.is_directory()) {
      tree[name + "/"] = {0, 0};
    } else if (std::optional<std::string> bytes = readAndForget(entry.path())) {
      tree[name] = {bytes->size(), std::hash<std::string_view>()(*bytes)};
    } else {
      tree[name] = {UINT64_MAX, 0};  // unreadable: never what was expected
    }
  }
  return tree;
}

void deleteOutputs(const fs::path& outputs, const fs::path& stamp) {
  fs::remove_all(outputs);
  sync();
  std::ofstream(stamp) << secondsNow() << "\n";
}

void waitOutDeletions(const fs::path& stamp) {
  int64_t deletedAt = 0;
  std::ifstream(stamp) >> deletedAt;
  // At most the whole window, should the clock have been set back since.
  int64_t left = std::min(deletedAt + kInodeRecencySeconds - secondsNow(), kInodeRecencySeconds);
  if (deletedAt <= 0 || left <= 0)
    return;
  std::cout << "waiting " << left << " s: files deleted less than " << kInodeRecencySeconds
            << " s ago would slow down whoever creates files next" << std::endl;
  std::this_thread::sleep_for(std::chrono::seconds(left));
}

// Makes ext4 place each new folder below `folder` as it places one at the top of the file system:
// in a block group with room and few folders (chattr +T). Every contestant then creates its files
// where no other one created or deleted any, away from the busy groups of the temp folder.
bool spreadSubfolders(const fs::path& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int flags = 0;
  bool spread = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags |= FS_TOPDIR_FL;
  spread = spread && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0)
    close(fd);
  return spread;
}

}  // namespace bench
