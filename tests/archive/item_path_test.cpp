#include "archive/item_path.h"

#include <gtest/gtest.h>

namespace varnet::archive {
namespace {

TEST(SafeItemPath, KeepsOrdinaryPathsAndDropsDotAndEmptyNames) {
  EXPECT_EQ(safeItemPath(u"bin/game.exe"), std::filesystem::path("bin") / "game.exe");
  EXPECT_EQ(safeItemPath(u"bin\\game.exe"), std::filesystem::path("bin") / "game.exe");
  EXPECT_EQ(safeItemPath(u"bin\uF05Cgame.exe"), std::filesystem::path("bin") / "game.exe");
  EXPECT_EQ(safeItemPath(u"./a/./b//c"), std::filesystem::path("a") / "b" / "c");
  EXPECT_EQ(safeItemPath(u"...hidden/x..y"), std::filesystem::path("...hidden") / "x..y");
}

TEST(SafeItemPath, RefusesEverythingThatCouldLeaveTheFolder) {
  for (std::u16string_view raw :
       {u"../x",      u"a/../../x", u"a/..",     u"/abs",    u"\\abs", u"\\\\server\\share\\x",
        u"C:/x",      u"c:x",       u"sub/C:/x", u"sub/d:x", u"..\\x", u"..\uF05C..\uF05Cx",
        u"\uF05Cabs", u"a/.. /x",   u"a/. ./x",  u"a/.../x", u"",      u".",
        u"./",        u"//"})
    EXPECT_FALSE(safeItemPath(raw).has_value()) << std::string(raw.begin(), raw.end());
}

TEST(SafeItemPath, RefusesWindowsDeviceNamesWithAnyExtensionButNotLookalikes) {
  for (std::u16string_view raw : {u"CON", u"data/nul.txt", u"Aux", u"com1.log", u"LPT9", u"prn .x"})
    EXPECT_FALSE(safeItemPath(raw).has_value()) << std::string(raw.begin(), raw.end());
  for (std::u16string_view raw : {u"console.txt", u"com0", u"COM10", u"nullable/x", u"lpt"})
    EXPECT_TRUE(safeItemPath(raw).has_value()) << std::string(raw.begin(), raw.end());
}

TEST(IsInside, ComparesWholeNames) {
  EXPECT_TRUE(isInside("/games/x", "/games/x"));
  EXPECT_TRUE(isInside("/games/x/a/b", "/games/x"));
  EXPECT_FALSE(isInside("/games/xy", "/games/x"));
  EXPECT_FALSE(isInside("/games", "/games/x"));
}

}  // namespace
}  // namespace varnet::archive
