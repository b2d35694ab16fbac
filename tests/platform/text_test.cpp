#include "platform/text.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace varnet {
namespace {

TEST(Text, RoundTripsEveryPlaneThroughUtf8) {
  const std::u16string text = u"Varnet整合客户端 \U0001F600 a'b\\c\n";
  EXPECT_EQ(fromUtf8(toUtf8(text)), text);
  EXPECT_EQ(toUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(Text, UnpairedSurrogatesAndInvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(fromUtf8("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(fromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong "/"
  EXPECT_EQ(fromUtf8("\xE4\xB8"), u"\uFFFD\uFFFD");  // truncated
}

TEST(Text, StrictConversionRefusesInvalidUtf8WithTheConvertersMessage) {
  EXPECT_EQ(fromUtf8Strict("abc"), std::u16string(u"abc"));
  EXPECT_FALSE(fromUtf8Strict("ab\xFF"));
  EXPECT_FALSE(fromUtf8Strict("ab\xE4\xB8"));  // cut short at the end
  try {
    fromUtf8OrThrow("\xFF");
    FAIL() << "no exception";
  } catch (const std::range_error& error) {
    EXPECT_STREQ(error.what(), "bad conversion");
  }
}

TEST(Text, PathsKeepNonAsciiNames) {
  const std::u16string name = u"游戏/数据 1";
  EXPECT_EQ(fromPath(toPath(name)), name);
}

}  // namespace
}  // namespace varnet
