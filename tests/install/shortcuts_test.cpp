#include "install/shortcuts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace varnet {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::ScopedEnvironment;
using testing::TempFolder;
using testing::writeFile;

// A home of its own with a desktop folder, so that no test reaches the user's real one.
class Shortcuts : public ::testing::Test {
 protected:
  Shortcuts() { fs::create_directory(desktop()); }
  fs::path desktop() const { return temp_ / "Desktop"; }

  TempFolder temp_;
  ScopedEnvironment home_{"HOME", temp_.path().string()};
  ScopedEnvironment config_{"XDG_CONFIG_HOME", std::nullopt};
};

TEST_F(Shortcuts, WritesAnExecutableLauncherWithTheTargetAndWorkingFolder) {
  EXPECT_EQ(createDesktopShortcut(u"/games/My Game/run.sh", u"/games/My Game", u"Game"), 1);
  const fs::path file = desktop() / "Game.desktop";
  EXPECT_EQ(readFile(file),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Game\n"
            "Exec=\"/games/My Game/run.sh\"\n"
            "Path=/games/My Game\n");
  struct stat info;
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_TRUE(info.st_mode & S_IXUSR);
}

TEST_F(Shortcuts, QuotesTheTargetAsLaunchersRequire) {
  ASSERT_EQ(createDesktopShortcut(u"/g/a\"b$c`d\\e%f.sh", u"/g/\\x", u"游戏 1"), 1);
  const std::string text = readFile(desktop() / fs::u8path("游戏 1.desktop"));
  // Inside the quotes \" \$ \` \\ and %%; then the value's own escape doubles each backslash.
  EXPECT_NE(text.find("Exec=\"/g/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f.sh\"\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("Path=/g/\\\\x\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Name=游戏 1\n"), std::string::npos) << text;
}

TEST_F(Shortcuts, ReplacesAnOlderShortcutAndNeverWritesThroughALink) {
  writeFile(desktop() / "Game.desktop", "old");
  writeFile(temp_ / "elsewhere.txt", "precious");
  fs::create_symlink(temp_ / "elsewhere.txt", desktop() / "Linked.desktop");
  EXPECT_EQ(createDesktopShortcut(u"/new/target", u"/new", u"Game"), 1);
  EXPECT_EQ(createDesktopShortcut(u"/new/target", u"/new", u"Linked"), 1);
  EXPECT_NE(readFile(desktop() / "Game.desktop").find("Exec=\"/new/target\""), std::string::npos);
  EXPECT_EQ(readFile(temp_ / "elsewhere.txt"), "precious");
  EXPECT_FALSE(fs::is_symlink(desktop() / "Linked.desktop"));
  EXPECT_EQ(std::distance(fs::directory_iterator(desktop()), fs::directory_iterator()), 2);
}

TEST_F(Shortcuts, FollowsTheLastDesktopEntryOfUserDirs) {
  fs::create_directories(temp_ / "My \"Desk\"");
  writeFile(temp_ / "config" / "user-dirs.dirs",
            "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\nXDG_DESKTOP_DIR=\"$HOME/unused\"\n"
            "  XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\"/\"\n");
  ScopedEnvironment config("XDG_CONFIG_HOME", (temp_ / "config").string());
  EXPECT_EQ(createDesktopShortcut(u"/t", u"/", u"Game"), 1);
  EXPECT_TRUE(fs::exists(temp_ / "My \"Desk\"" / "Game.desktop"));
  // A relative value is no desktop folder: the default one serves.
  writeFile(temp_ / "config" / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"relative/Desk\"\n");
  EXPECT_EQ(createDesktopShortcut(u"/t", u"/", u"Other"), 1);
  EXPECT_TRUE(fs::exists(desktop() / "Other.desktop"));
}

TEST_F(Shortcuts, FailsWithoutADesktopFolder) {
  fs::remove(desktop());
  EXPECT_EQ(createDesktopShortcut(u"/t", u"/", u"Game"), -1);
  EXPECT_FALSE(fs::exists(desktop()));
}

TEST_F(Shortcuts, RefusesNamesThatLeaveTheDesktopFolder) {
  fs::create_directory(temp_ / "sub");
  for (const std::u16string& name :
       {std::u16string(u"../Escaped"), std::u16string(u"sub/Game"), std::u16string(u"..\\Game"),
        std::u16string(u".."), std::u16string(u"Ga\0me", 5)}) {
    EXPECT_EQ(createDesktopShortcut(u"/t", u"/", name), -1);
  }
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(temp_.path()),
                          fs::recursive_directory_iterator()),
            2);  // Desktop and sub, both empty
}

TEST_F(Shortcuts, RefusesAPathLongerThanTheBufferAndTakesTheLongestThatFits) {
  const size_t room = 259 - (desktop().string().size() + 1 + std::string(".desktop").size());
  EXPECT_EQ(createDesktopShortcut(u"/t", u"/", std::u16string(room + 1, u'n')), -1);
  EXPECT_EQ(createDesktopShortcut(u"/t", u"/", std::u16string(room, u'n')), 1);
  EXPECT_TRUE(fs::exists(desktop() / (std::string(room, 'n') + ".desktop")));
}

TEST_F(Shortcuts, RemoveInstallationDeletesTheTreeAndTheShortcutEvenWhenTheTreeIsGone) {
  writeFile(temp_ / "games" / "Game" / "bin" / "game");
  ASSERT_EQ(createDesktopShortcut(u"/t", u"/", u"Game"), 1);
  ASSERT_EQ(createDesktopShortcut(u"/t", u"/", u"Other"), 1);
  EXPECT_EQ(removeInstallation(temp_.text("games/Game"), u"Game", u"x", u"y"), 0);
  EXPECT_FALSE(fs::exists(temp_ / "games" / "Game"));
  EXPECT_FALSE(fs::exists(desktop() / "Game.desktop"));
  EXPECT_EQ(removeInstallation(temp_.text("missing"), u"Other", u"", u""), 0);
  EXPECT_FALSE(fs::exists(desktop() / "Other.desktop"));
}

TEST_F(Shortcuts, RemoveInstallationNeverDeletesOutsideTheDesktopFolder) {
  writeFile(temp_ / "Victim.desktop", "keep");
  EXPECT_EQ(removeInstallation(temp_.text("missing"), u"../Victim", u"", u""), 0);
  EXPECT_EQ(readFile(temp_ / "Victim.desktop"), "keep");
}

}  // namespace
}  // namespace varnet
