// The file helpers and shortcuts on the real Win32 file system and shell (Wine in CI): links
// that deleteTree must not enter, read-only files, and shortcuts on a desktop of the test's own.

#include <gtest/gtest.h>

#include <objbase.h>

#include <filesystem>

#include "install/file_helpers.h"
#include "install/shortcuts.h"
#include "platform/text.h"
#include "support/win_test_support.h"

namespace varnet {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::writeFile;

TEST(FileHelpersWin, DeleteTree_RemovesReadOnlyAndHiddenFilesAndTheWholeTree) {
  TempFolder temp;
  fs::path tree = temp.path() / "game";
  writeFile(tree / "bin" / "game.exe");
  writeFile(tree / "save.dat");
  ASSERT_TRUE(SetFileAttributesW((tree / "bin" / "game.exe").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW((tree / "save.dat").c_str(),
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

  deleteTree(fromPath(tree));
  EXPECT_FALSE(fs::exists(tree));
}

TEST(FileHelpersWin, DeleteTree_NeverEntersAFolderLinkAndLeavesItsTargetWhole) {
  TempFolder temp;
  fs::path tree = temp.path() / "game";
  writeFile(tree / "data.pak");
  writeFile(temp.path() / "outside" / "keep.txt");
  writeFile(temp.path() / "outside" / "sub" / "keep2.txt");
  ASSERT_TRUE(temp.makeFolderLink(tree / "link", temp.path() / "outside"));

  deleteTree(fromPath(tree));
  EXPECT_TRUE(fs::exists(temp.path() / "outside" / "keep.txt"));
  EXPECT_TRUE(fs::exists(temp.path() / "outside" / "sub" / "keep2.txt"));
  EXPECT_FALSE(fs::exists(tree / "data.pak"));

  // The folder named is itself a link (with or without a closing "\\"): never entered. (Wine
  // cannot remove a folder link through Win32 at all, so its removal is not checked here.)
  for (const wchar_t* closing : {L"", L"\\"}) {
    fs::path junction = temp.path() / "junction";
    ASSERT_TRUE(fs::exists(fs::symlink_status(junction)) ||
                temp.makeFolderLink(junction, temp.path() / "outside"));
    deleteTree(fromPath(junction) + fromPath(closing));
    EXPECT_TRUE(fs::exists(temp.path() / "outside" / "keep.txt"));
    EXPECT_TRUE(fs::exists(temp.path() / "outside" / "sub" / "keep2.txt"));
  }
}

TEST(FileHelpersWin, DeleteTree_LeavesDotNamesAndTheFolderThatHoldsThem) {
  TempFolder temp;
  fs::path tree = temp.path() / "game";
  writeFile(tree / ".keep");
  writeFile(tree / "a.txt");
  ASSERT_TRUE(fs::exists(tree / ".keep"));
  deleteTree(fromPath(tree));
  EXPECT_TRUE(fs::exists(tree / ".keep"));
  EXPECT_FALSE(fs::exists(tree / "a.txt"));
}

TEST(FileHelpersWin, ListFiles_JoinsWithASlashAndSkipsFoldersLinksAndDotNames) {
  TempFolder temp;
  writeFile(temp.path() / "a.zip");
  writeFile(temp.path() / ".hidden");
  writeFile(temp.path() / "outside" / "b.zip");
  fs::create_directories(temp.path() / "pkg");
  ASSERT_TRUE(temp.makeFolderLink(temp.path() / "pkg" / "link", temp.path() / "outside"));
  writeFile(temp.path() / "pkg" / "c.zip");
  EXPECT_EQ(listFiles(fromPath(temp.path() / "pkg")),
            std::vector<std::u16string>{fromPath(temp.path() / "pkg") + u"/c.zip"});
}

class ShortcutsWin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(desktop_.active());  // never the real desktop
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  }
  void TearDown() override { CoUninitialize(); }

  test::ScopedDesktopFolder desktop_;
};

TEST_F(ShortcutsWin, CreateDesktopShortcut_WritesNameDotLnkAndRemoveInstallationTakesItAway) {
  TempFolder game;
  writeFile(game.path() / "game.exe");
  EXPECT_EQ(createDesktopShortcut(fromPath(game.path() / "game.exe"), game.text(), u"游戏"), 1);
  EXPECT_TRUE(fs::exists(desktop_.path() / fs::u8path(u8"游戏.lnk")));

  EXPECT_EQ(removeInstallation(game.text(), u"游戏", u"", u""), 0);
  EXPECT_FALSE(fs::exists(desktop_.path() / fs::u8path(u8"游戏.lnk")));
  EXPECT_FALSE(fs::exists(game.path()));
}

TEST_F(ShortcutsWin, RemoveInstallation_DeletesTheShortcutOfAnInstallationAlreadyGone) {
  TempFolder game;
  writeFile(game.path() / "game.exe");
  ASSERT_EQ(createDesktopShortcut(fromPath(game.path() / "game.exe"), game.text(), u"Game"), 1);
  EXPECT_EQ(removeInstallation(game.text() + u"/gone", u"Game", u"x", u"y"), 0);
  EXPECT_FALSE(fs::exists(desktop_.path() / "Game.lnk"));
}

TEST_F(ShortcutsWin, CreateDesktopShortcut_RefusesANameTooLongForTheShortcutPath) {
  TempFolder game;
  writeFile(game.path() / "game.exe");
  std::u16string longName(300, u'n');
  EXPECT_EQ(createDesktopShortcut(fromPath(game.path() / "game.exe"), game.text(), longName), -1);
  EXPECT_TRUE(fs::is_empty(desktop_.path()));
}

}  // namespace
}  // namespace varnet
