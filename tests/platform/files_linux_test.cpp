#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_folder.h"

namespace varnet::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::writeFile;

TEST(ListDirectory, LeavesOutNamesThatAreNotUtf8) {
  TempFolder temp;
  writeFile(temp / "dir" / "\xFF\xFE");
  writeFile(temp / "dir" / "ok");
  std::optional<std::vector<DirectoryEntry>> entries = listDirectory(temp.text("dir"));
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 1u);
  EXPECT_EQ(entries->front().name, u"ok");
}

TEST(ResetAttributes, GivesWritePermissionToTheEntryAndItsFolderButNotThroughALink) {
  TempFolder temp;
  writeFile(temp / "outside");
  writeFile(temp / "dir" / "file");
  fs::create_symlink(temp / "outside", temp / "dir" / "link");
  fs::permissions(temp / "outside", fs::perms::owner_read);
  fs::permissions(temp / "dir" / "file", fs::perms::owner_read);
  fs::permissions(temp / "dir", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_TRUE(resetAttributes(temp.text("dir/file")));
  EXPECT_TRUE(resetAttributes(temp.text("dir/link")));
  EXPECT_EQ(fs::status(temp / "dir" / "file").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(temp / "dir").permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(temp / "outside").permissions(), fs::perms::owner_read);
}

}  // namespace
}  // namespace varnet::platform
