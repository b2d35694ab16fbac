#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/text.h"
#include "support/win_test_support.h"

namespace varnet::platform {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::writeFile;

const DirectoryEntry* findEntry(const std::vector<DirectoryEntry>& entries,
                                const std::u16string& name) {
  auto it = std::find_if(entries.begin(), entries.end(),
                         [&](const DirectoryEntry& entry) { return entry.name == name; });
  return it == entries.end() ? nullptr : &*it;
}

TEST(FilesWin, ListDirectory_ReportsFilesFoldersAndDotNamesButNotTheDotEntries) {
  TempFolder temp;
  writeFile(temp.path() / "a.zip");
  writeFile(temp.path() / ".hidden");
  fs::create_directory(temp.path() / "pkg");

  auto entries = listDirectory(temp.text());
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 3u);
  ASSERT_TRUE(findEntry(*entries, u"a.zip"));
  EXPECT_FALSE(findEntry(*entries, u"a.zip")->isFolder);
  ASSERT_TRUE(findEntry(*entries, u"pkg"));
  EXPECT_TRUE(findEntry(*entries, u"pkg")->isFolder);
  EXPECT_FALSE(findEntry(*entries, u"pkg")->isLink);
  ASSERT_TRUE(findEntry(*entries, u".hidden"));
}

TEST(FilesWin, ListDirectory_MissingFolderIsNothingAndEmptyFolderIsEmpty) {
  TempFolder temp;
  EXPECT_FALSE(listDirectory(temp.text() + u"/missing"));
  auto entries = listDirectory(temp.text());
  ASSERT_TRUE(entries);
  EXPECT_TRUE(entries->empty());
}

TEST(FilesWin, ListDirectory_TakesRelativeFoldersAndBackslashes) {
  TempFolder temp;
  fs::create_directories(temp.path() / "cache" / "Code Cache");
  writeFile(temp.path() / "cache" / "Code Cache" / "index");
  fs::path previous = fs::current_path();
  fs::current_path(temp.path());
  auto relative = listDirectory(u"cache/Code Cache");
  auto backslashed = listDirectory(temp.text() + u"\\cache\\Code Cache");
  fs::current_path(previous);
  ASSERT_TRUE(relative);
  ASSERT_TRUE(backslashed);
  ASSERT_EQ(relative->size(), 1u);
  EXPECT_EQ((*relative)[0].name, u"index");
  EXPECT_EQ(backslashed->size(), 1u);
}

TEST(FilesWin, ListDirectory_ReportsAFolderLinkAsLink) {
  TempFolder temp;
  fs::create_directories(temp.path() / "outside");
  writeFile(temp.path() / "outside" / "keep.txt");
  fs::create_directories(temp.path() / "tree");
  ASSERT_TRUE(temp.makeFolderLink(temp.path() / "tree" / "link", temp.path() / "outside"));

  auto entries = listDirectory(fromPath(temp.path() / "tree"));
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 1u);
  EXPECT_EQ((*entries)[0].name, u"link");
  EXPECT_TRUE((*entries)[0].isFolder);
  EXPECT_TRUE((*entries)[0].isLink);
}

TEST(FilesWin, DeleteFile_ReadOnlyFileGoesOnlyAfterTheAttributesAreReset) {
  TempFolder temp;
  fs::path file = temp.path() / "locked.dat";
  writeFile(file);
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

  EXPECT_FALSE(deleteFile(fromPath(file)));
  EXPECT_TRUE(fs::exists(file));
  EXPECT_TRUE(resetAttributes(fromPath(file)));
  EXPECT_EQ(GetFileAttributesW(file.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            0u);
  EXPECT_TRUE(deleteFile(fromPath(file)));
  EXPECT_FALSE(fs::exists(file));
}

TEST(FilesWin, DeleteFileAndResetAttributes_FailOnMissingPaths) {
  TempFolder temp;
  EXPECT_FALSE(deleteFile(temp.text() + u"/missing"));
  EXPECT_FALSE(resetAttributes(temp.text() + u"/missing"));
}

TEST(FilesWin, RemoveFolder_RemovesOnlyEmptyFolders) {
  TempFolder temp;
  fs::create_directories(temp.path() / "full");
  writeFile(temp.path() / "full" / "file");
  fs::create_directories(temp.path() / "empty");

  EXPECT_FALSE(removeFolder(fromPath(temp.path() / "full")));
  EXPECT_TRUE(fs::exists(temp.path() / "full" / "file"));
  EXPECT_TRUE(removeFolder(fromPath(temp.path() / "empty")));
  EXPECT_FALSE(fs::exists(temp.path() / "empty"));
}

TEST(FilesWin, RemoveLink_NeverTouchesWhatTheLinkPointsTo) {
  TempFolder temp;
  fs::create_directories(temp.path() / "outside");
  writeFile(temp.path() / "outside" / "keep.txt");
  ASSERT_TRUE(temp.makeFolderLink(temp.path() / "link", temp.path() / "outside"));

  // Windows removes the link itself. Wine 8 cannot: it tries to remove the target instead, which
  // fails while the target holds a file, and says so.
  bool removed = removeLink(fromPath(temp.path() / "link"));
  EXPECT_EQ(removed, GetFileAttributesW((temp.path() / "link").c_str()) == INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(fs::exists(temp.path() / "outside" / "keep.txt"));
}

}  // namespace
}  // namespace varnet::platform
