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

TEST(ListDirectory, TellsFilesFoldersAndLinksApart) {
  TempFolder temp;
  writeFile(temp / "dir" / "file");
  fs::create_directory(temp / "dir" / "sub");
  fs::create_directory_symlink(temp / "dir" / "sub", temp / "dir" / "folder-link");
  fs::create_symlink(temp / "dir" / "file", temp / "dir" / "file-link");
  fs::create_symlink(temp / "nowhere", temp / "dir" / "broken-link");
  std::optional<std::vector<DirectoryEntry>> entries = listDirectory(temp.text("dir"));
  ASSERT_TRUE(entries);
  std::vector<std::string> seen;
  for (const DirectoryEntry& entry : *entries)
    seen.push_back(toUtf8(entry.name) + (entry.isFolder ? " folder" : "") +
                   (entry.isLink ? " link" : ""));
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"broken-link link", "file", "file-link link",
                                            "folder-link folder link", "sub folder"}));
  EXPECT_FALSE(listDirectory(temp.text("dir/file")));
  EXPECT_FALSE(listDirectory(temp.text("missing")));
}

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

TEST(RemoveLink, RemovesOnlyLinks) {
  TempFolder temp;
  writeFile(temp / "dir" / "file");
  fs::create_directory_symlink(temp / "dir", temp / "link");
  EXPECT_FALSE(removeLink(temp.text("dir")));
  EXPECT_FALSE(removeLink(temp.text("dir/file")));
  EXPECT_TRUE(removeLink(temp.text("link")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(temp / "link")));
  EXPECT_TRUE(fs::exists(temp / "dir" / "file"));
}

}  // namespace
}  // namespace varnet::platform
