#include "platform/current_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text.h"

namespace varnet::platform {
namespace {

constexpr char16_t kSep = static_cast<char16_t>(std::filesystem::path::preferred_separator);

TEST(CurrentFolder, PathsUnderItTakeTheOSsSeparatorAndOneOnlyAfterARoot) {
  const std::u16string sep(1, kSep);
  EXPECT_EQ(inFolder(u"top" + sep + u"client", u"data/annex/x.exe"),
            u"top" + sep + u"client" + sep + u"data" + sep + u"annex" + sep + u"x.exe");
  EXPECT_EQ(inFolder(sep, u"cache/"), sep + u"cache" + sep);
  EXPECT_EQ(inFolder(u"", u"cache/"), u"");
  EXPECT_EQ(inCurrentFolder(u"download/"),
            fromPath(std::filesystem::current_path() / "download") + sep);
}

}  // namespace
}  // namespace varnet::platform
