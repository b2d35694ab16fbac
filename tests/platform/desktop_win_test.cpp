#include "platform/desktop.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <filesystem>
#include <thread>

#include "platform/text.h"
#include "win_test_support.h"

namespace varnet::platform {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Points the user's desktop folder at a temp folder for the test (the shell reads it from the
// user's shell-folder settings), and puts the old setting back afterwards. Wine links its own
// desktop folder to the real home folder, which no test may write to.
class DesktopWin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key_, nullptr),
              ERROR_SUCCESS);
    oldSize_ = sizeof(old_);
    hadOld_ = RegQueryValueExW(key_, L"Desktop", nullptr, &oldType_, reinterpret_cast<BYTE*>(old_),
                               &oldSize_) == ERROR_SUCCESS;
    fs::create_directories(desktop_.path() / "Desktop");
    std::wstring folder = (desktop_.path() / "Desktop").wstring();
    ASSERT_EQ(RegSetValueExW(key_, L"Desktop", 0, REG_EXPAND_SZ,
                             reinterpret_cast<const BYTE*>(folder.c_str()),
                             static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    // Nothing below may run unless the desktop really is the temp folder.
    ASSERT_EQ(desktopFolder(), fromPath(desktop_.path() / "Desktop"));
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  }

  void TearDown() override {
    if (hadOld_)
      RegSetValueExW(key_, L"Desktop", 0, oldType_, reinterpret_cast<BYTE*>(old_), oldSize_);
    else
      RegDeleteValueW(key_, L"Desktop");
    RegCloseKey(key_);
    CoUninitialize();
  }

  std::u16string desktop() const { return fromPath(desktop_.path() / "Desktop"); }

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

  test::TempFolder desktop_;
  HKEY key_ = nullptr;
  bool hadOld_ = false;
  DWORD oldType_ = 0;
  DWORD oldSize_ = 0;
  wchar_t old_[1024] = {};
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
  EXPECT_TRUE(fs::exists(desktop_.path() / "Desktop" / "Game.lnk"));
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
  EXPECT_FALSE(fs::exists(desktop_.path() / "Desktop" / "missing folder"));
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
