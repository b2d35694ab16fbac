#include "platform/desktop.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <filesystem>
#include <thread>

#include "platform/text.h"
#include "support/win_test_support.h"

namespace varnet::platform {
namespace {

namespace fs = std::filesystem;

// The shortcut tests write into a desktop folder of their own.
class DesktopWin : public ::testing::Test {
 protected:
  void SetUp() override {
    // Nothing below may run unless the desktop really is the temp folder.
    ASSERT_TRUE(desktop_.active());
    ASSERT_EQ(desktopFolder(), fromPath(desktop_.path()));
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  }

  void TearDown() override { CoUninitialize(); }

  std::u16string desktop() const { return fromPath(desktop_.path()); }

  // Reads a shortcut back through the shell's own link object.
  static bool readShortcut(const std::u16string& file, std::wstring& target, std::wstring& dir) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
      return false;
    IPersistFile* persist = nullptr;
    bool read = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
      wchar_t buffer[MAX_PATH] = {};
      if (SUCCEEDED(persist->Load(toPath(file).c_str(), STGM_READ)) &&
          SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) {
        target = buffer;
        read = SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH));
        dir = buffer;
      }
      persist->Release();
    }
    link->Release();
    return read;
  }

  test::ScopedDesktopFolder desktop_;
};

TEST_F(DesktopWin, ShortcutFilePath_IsTheDesktopBackslashNameDotLnk) {
  EXPECT_EQ(shortcutFilePath(desktop(), u"Game"), desktop() + u"\\Game.lnk");
  EXPECT_EQ(shortcutFilePath(u"C:\\Users\\a\\Desktop", u"游戏 2"),
            u"C:\\Users\\a\\Desktop\\游戏 2.lnk");
}

TEST_F(DesktopWin, WriteShortcut_CarriesTargetAndWorkingFolder) {
  test::TempFolder game;
  test::writeFile(game.path() / "game.exe");
  std::u16string target = fromPath(game.path() / "game.exe");
  std::u16string file = shortcutFilePath(desktop(), u"Game");

  ASSERT_TRUE(writeShortcut(file, target, game.text()));
  EXPECT_TRUE(fs::exists(desktop_.path() / "Game.lnk"));
  std::wstring readTarget, readDir;
  ASSERT_TRUE(readShortcut(file, readTarget, readDir));
  EXPECT_EQ(readTarget, toPath(target).wstring());
  EXPECT_EQ(readDir, game.path().wstring());
}

TEST_F(DesktopWin, WriteShortcut_ReplacesAnOlderShortcutOfTheSameName) {
  test::TempFolder game;
  test::writeFile(game.path() / "old.exe");
  test::writeFile(game.path() / "new.exe");
  std::u16string file = shortcutFilePath(desktop(), u"Game");

  ASSERT_TRUE(writeShortcut(file, fromPath(game.path() / "old.exe"), game.text()));
  ASSERT_TRUE(writeShortcut(file, fromPath(game.path() / "new.exe"), game.text()));
  std::wstring readTarget, readDir;
  ASSERT_TRUE(readShortcut(file, readTarget, readDir));
  EXPECT_EQ(readTarget, (game.path() / "new.exe").wstring());
}

TEST_F(DesktopWin, WriteShortcut_FailsWhenTheFileCannotBeWritten) {
  test::TempFolder game;
  test::writeFile(game.path() / "game.exe");
  EXPECT_FALSE(writeShortcut(desktop() + u"\\missing folder\\Game.lnk",
                             fromPath(game.path() / "game.exe"), game.text()));
  EXPECT_FALSE(fs::exists(desktop_.path() / "missing folder"));
}

TEST(DesktopWinCom, WriteShortcut_FailsWithoutComOnTheThread) {
  // A thread of its own, on which nobody initialised COM.
  test::TempFolder temp;
  bool written = true;
  std::thread([&] {
    written = writeShortcut(temp.text() + u"\\Game.lnk", temp.text() + u"\\game.exe", temp.text());
  }).join();
  EXPECT_FALSE(written);
  EXPECT_FALSE(fs::exists(temp.path() / "Game.lnk"));
}

TEST(DesktopWinCom, InitialiseComOnThisThread_LetsTheThreadWriteShortcuts) {
  test::TempFolder temp;
  test::writeFile(temp.path() / "game.exe");
  bool written = false;
  std::thread([&] {
    initialiseComOnThisThread();
    written = writeShortcut(temp.text() + u"\\Game.lnk", temp.text() + u"\\game.exe", temp.text());
  }).join();
  EXPECT_TRUE(written);
  EXPECT_TRUE(fs::exists(temp.path() / "Game.lnk"));
}

}  // namespace
}  // namespace varnet::platform
