#include "install/file_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_folder.h"

namespace varnet {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::writeFile;

TEST(ListFiles, GivesTheRegularFilesJoinedWithASlashAndLeavesOutFoldersAndDotNames) {
  TempFolder temp;
  writeFile(temp / "a.zip");
  writeFile(temp / "pkg" / "inner.zip");
  writeFile(temp / ".hidden");
  EXPECT_EQ(listFiles(temp.text()), std::vector<std::u16string>{temp.text() + u"/a.zip"});
  writeFile(temp.path() / fs::u8path("游戏 1.7z"));
  writeFile(temp / "..x");
  std::vector<std::u16string> files = listFiles(temp.text());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files,
            (std::vector<std::u16string>{temp.text() + u"/a.zip", temp.text() + u"/游戏 1.7z"}));
}

TEST(ListFiles, IsEmptyForAMissingFolderAFileAndUnusablePaths) {
  TempFolder temp;
  writeFile(temp / "file");
  EXPECT_TRUE(listFiles(temp.text("missing")).empty());
  EXPECT_TRUE(listFiles(temp.text("file")).empty());
  EXPECT_TRUE(listFiles(u"").empty());  // would be the root folder
  EXPECT_TRUE(listFiles(temp.text() + std::u16string(1, u'\0') + u"x").empty());
}

TEST(DeleteTree, RemovesANestedTreeDepthFirst) {
  TempFolder temp;
  writeFile(temp / "game" / "bin" / "game.exe");
  writeFile(temp / "game" / "data" / "levels" / "1.dat");
  fs::create_directories(temp / "game" / "empty");
  deleteTree(temp.text("game"));
  EXPECT_FALSE(fs::exists(temp / "game"));
  EXPECT_TRUE(fs::exists(temp.path()));
}

TEST(DeleteTree, LeavesDotFilesAndEveryFolderAboveThem) {
  TempFolder temp;
  writeFile(temp / "game" / "a.txt");
  writeFile(temp / "game" / "sub" / ".keep");
  writeFile(temp / "game" / "sub" / "b.txt");
  writeFile(temp / "game" / "other" / "c.txt");
  writeFile(temp / "game" / ".config" / "d.txt");
  deleteTree(temp.text("game"));
  EXPECT_TRUE(fs::exists(temp / "game" / "sub" / ".keep"));
  EXPECT_TRUE(fs::exists(temp / "game" / ".config" / "d.txt"));
  EXPECT_FALSE(fs::exists(temp / "game" / "a.txt"));
  EXPECT_FALSE(fs::exists(temp / "game" / "sub" / "b.txt"));
  EXPECT_FALSE(fs::exists(temp / "game" / "other"));
}

TEST(DeleteTree, RemovesAnEmptyFolderAndChangesNothingForAMissingOneOrAFile) {
  TempFolder temp;
  fs::create_directory(temp / "empty");
  writeFile(temp / "file.zip");
  deleteTree(temp.text("empty"));
  deleteTree(temp.text("missing"));
  deleteTree(temp.text("file.zip"));
  EXPECT_FALSE(fs::exists(temp / "empty"));
  EXPECT_TRUE(fs::exists(temp / "file.zip"));
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 1);
}

TEST(DeleteTree, WorksOnAPathRelativeToTheCurrentFolder) {
  TempFolder temp;
  writeFile(temp / "cache" / "Code Cache" / "js" / "index");
  writeFile(temp / "cache" / "keep");
  const fs::path before = fs::current_path();
  fs::current_path(temp.path());
  deleteTree(u"cache/Code Cache");
  fs::current_path(before);
  EXPECT_FALSE(fs::exists(temp / "cache" / "Code Cache"));
  EXPECT_TRUE(fs::exists(temp / "cache" / "keep"));
}

TEST(DeleteTree, TouchesNothingForAPathWithAZeroCharacter) {
  TempFolder temp;
  writeFile(temp / "game" / "a.txt");
  const fs::path before = fs::current_path();
  fs::current_path(temp.path());
  // Read up to the zero, the path would name the folder "game".
  deleteTree(u"game" + std::u16string(1, u'\0') + u"/../..");
  fs::current_path(before);
  EXPECT_TRUE(fs::exists(temp / "game" / "a.txt"));
}

}  // namespace
}  // namespace varnet
