#include "platform/desktop.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace varnet::platform {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnvironment;
using testing::TempFolder;
using testing::writeFile;

class DesktopFolder : public ::testing::Test {
 protected:
  void writeUserDirs(const std::string& text) {
    writeFile(temp_ / ".config" / "user-dirs.dirs", text);
  }

  TempFolder temp_;
  ScopedEnvironment home_{"HOME", temp_.path().string()};
  ScopedEnvironment config_{"XDG_CONFIG_HOME", std::nullopt};
};

TEST_F(DesktopFolder, IsDesktopInTheHomeFolderWithoutUserDirs) {
  EXPECT_FALSE(desktopFolder());  // not there yet
  fs::create_directory(temp_ / "Desktop");
  EXPECT_EQ(desktopFolder(), temp_.text("Desktop"));
}

TEST_F(DesktopFolder, ReadsTheLastDesktopEntryOfUserDirsWithEscapes) {
  fs::create_directories(temp_ / "My \"Desk\"");
  fs::create_directories(temp_ / "abs");
  writeUserDirs(
      "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"
      "XDG_DESKTOP_DIR=\"$HOME/unused\"\n"
      "  XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\"/\"\n");
  EXPECT_EQ(desktopFolder(), temp_.text("My \"Desk\""));
  writeUserDirs("XDG_DESKTOP_DIR=\"" + (temp_ / "abs").string() + "\"\n");
  EXPECT_EQ(desktopFolder(), temp_.text("abs"));
}

TEST_F(DesktopFolder, FollowsXdgConfigHomeAndIgnoresRelativeValues) {
  fs::create_directories(temp_ / "Desktop");
  fs::create_directories(temp_ / "elsewhere");
  writeFile(temp_ / "cfg" / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/elsewhere\"\n");
  ScopedEnvironment config("XDG_CONFIG_HOME", (temp_ / "cfg").string());
  EXPECT_EQ(desktopFolder(), temp_.text("elsewhere"));
  writeFile(temp_ / "cfg" / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"relative/Desk\"\n");
  EXPECT_EQ(desktopFolder(), temp_.text("Desktop"));
}

TEST_F(DesktopFolder, IsNothingWhenTheNamedFolderIsAFile) {
  writeFile(temp_ / "Desktop");
  EXPECT_FALSE(desktopFolder());
}

}  // namespace
}  // namespace varnet::platform
