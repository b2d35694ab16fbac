// Links and permissions: what a Linux tree can hold that the portable tests cannot make.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "install/file_helpers.h"
#include "support/temp_folder.h"

namespace varnet {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::writeFile;

constexpr uid_t kNobody = 65534;

// Runs `work` without root's power over permissions: as root, in a child that has become the
// owner of `tree` and nobody else; otherwise here. True when it ran and reported success.
bool runUnprivileged(const fs::path& tree, const std::function<void()>& work) {
  if (geteuid() != 0) {
    work();
    return true;
  }
  for (const auto& entry : fs::recursive_directory_iterator(tree))
    lchown(entry.path().c_str(), kNobody, kNobody);
  lchown(tree.c_str(), kNobody, kNobody);
  pid_t child = fork();
  if (child == 0) {
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
      _exit(3);
    work();
    _exit(0);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

TEST(DeleteTreeLinux, RemovesLinksInsideTheTreeAndLeavesWhatTheyPointToWhole) {
  TempFolder temp;
  writeFile(temp / "outside" / "precious.dat");
  writeFile(temp / "outside" / "deeper" / "precious2.dat");
  writeFile(temp / "game" / "a.txt");
  fs::create_directory_symlink(temp / "outside", temp / "game" / "linked");
  fs::create_directories(temp / "game" / "sub");
  fs::create_directory_symlink(temp / "outside" / "deeper", temp / "game" / "sub" / "linked2");
  fs::create_symlink(temp / "outside" / "precious.dat", temp / "game" / "file-link");
  fs::create_symlink(temp / "nowhere", temp / "game" / "broken-link");
  EXPECT_EQ(listFiles(temp.text("game")).size(), 3u);  // a.txt and the two links to no folder
  deleteTree(temp.text("game"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(temp / "game")));
  EXPECT_TRUE(fs::exists(temp / "outside" / "precious.dat"));
  EXPECT_TRUE(fs::exists(temp / "outside" / "deeper" / "precious2.dat"));

  // The folder named is itself a link (with or without a closing "/"): only the link goes.
  for (const char* named : {"game", "game/"}) {
    fs::create_directory_symlink(temp / "outside", temp / "game");
    deleteTree(temp.text(named));
    EXPECT_FALSE(fs::exists(fs::symlink_status(temp / "game"))) << named;
    EXPECT_TRUE(fs::exists(temp / "outside" / "deeper" / "precious2.dat")) << named;
  }
}

// What stops a deletion on Linux is the folder's mode, not the file's (the read-only attribute
// on Windows is tested in file_helpers_win_test.cpp).
TEST(DeleteTreeLinux, EmptiesReadOnlyFoldersThroughTheRetry) {
  TempFolder temp;
  fs::permissions(temp.path(), fs::perms::all);  // nobody must reach the tree
  writeFile(temp / "game" / "a.txt");
  writeFile(temp / "game" / "locked" / "b.txt");
  writeFile(temp / "game" / "locked" / "inner" / "c.txt");
  fs::permissions(temp / "game" / "locked" / "b.txt", fs::perms::owner_read);
  fs::permissions(temp / "game" / "locked" / "inner",
                  fs::perms::owner_read | fs::perms::owner_exec);
  fs::permissions(temp / "game" / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  ASSERT_TRUE(runUnprivileged(temp / "game", [&] { deleteTree(temp.text("game")); }));
  EXPECT_FALSE(fs::exists(temp / "game"));
}

TEST(DeleteTreeLinux, LeavesAFolderItCannotListAndEverythingAboveIt) {
  TempFolder temp;
  fs::permissions(temp.path(), fs::perms::all);
  writeFile(temp / "game" / "a.txt");
  writeFile(temp / "game" / "closed" / "b.txt");
  fs::permissions(temp / "game" / "closed", fs::perms::none);
  ASSERT_TRUE(runUnprivileged(temp / "game", [&] { deleteTree(temp.text("game")); }));
  EXPECT_FALSE(fs::exists(temp / "game" / "a.txt"));
  EXPECT_TRUE(fs::exists(temp / "game" / "closed"));
}

}  // namespace
}  // namespace varnet
