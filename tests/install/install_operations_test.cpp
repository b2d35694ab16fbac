#include "install/install_operations.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "../archive/archive_fixtures.h"
#include "platform/text.h"

namespace varnet {
namespace {

using namespace varnet::testing;
using namespace std::chrono_literals;

class InstallOperationsTest : public ::testing::Test {
 protected:
  InstallOperationsTest() {
    writeFile(temp / "config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n");
    fs::create_directories(temp / "Desktop");
  }

  TempFolder temp;
  ScopedEnvironment home{"HOME", temp.path().string()};
  ScopedEnvironment config{"XDG_CONFIG_HOME", (temp / "config").string()};
  InstallOperations operations;
};

TEST(WithForwardSlashes, ReplacesEveryBackslash) {
  EXPECT_EQ(withForwardSlashes(u"C:\\Games"), u"C:/Games");
  EXPECT_EQ(withForwardSlashes(u"\\\\server\\share\\\\x\\"), u"//server/share//x/");
  EXPECT_EQ(withForwardSlashes(u"D:/already/fine"), u"D:/already/fine");
  EXPECT_EQ(withForwardSlashes(u""), u"");
}

TEST_F(InstallOperationsTest, UnzipRunsTheJobToItsEndAndUnsetupRemovesFolderAndShortcut) {
  fs::path package = temp / "pkg";
  writeFile(temp / "src/bin/game", "#!/bin/sh\n");
  ASSERT_TRUE(sevenZip(package / "game.zip", temp / "src", "-tzip"));
  UnpackRequest request;
  request.setupPath = fromPath(temp.path()) + u"/";
  request.packageDir = fromPath(package);
  request.shortcutName = u"Game";
  request.exePath = u"bin/game";
  EXPECT_EQ(operations.unzip(request), 1);
  for (int i = 0; i < 3000 && operations.unzipProgress() != 100; ++i)
    std::this_thread::sleep_for(10ms);
  ASSERT_EQ(operations.unzipProgress(), 100);
  EXPECT_EQ(operations.setupPath(), fromPath(temp / "game"));
  operations.stopUnzip();  // after success: nothing to stop
  EXPECT_EQ(operations.unzipProgress(), 100);
  ASSERT_TRUE(fs::exists(temp / "Desktop/Game.desktop"));

  EXPECT_EQ(operations.unsetup(fromPath(temp / "game"), u"Game", u"x", u"y"), 0);
  EXPECT_FALSE(fs::exists(temp / "game"));
  EXPECT_FALSE(fs::exists(temp / "Desktop/Game.desktop"));
  EXPECT_EQ(operations.setupPath(), u"");
  EXPECT_EQ(operations.unsetup(fromPath(temp / "game"), u"Game", u"", u""), 0);
}

}  // namespace
}  // namespace varnet
