#include "bridge/version_check.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace varnet {
namespace {

TEST(VersionCheck, ReadsTheLeadingNumberLikeWcstod) {
  EXPECT_EQ(leadingNumber(u"1.9"), 1.9);
  EXPECT_EQ(leadingNumber(u" \t2.0x"), 2.0);
  EXPECT_EQ(leadingNumber(u"abc"), 0.0);
  EXPECT_EQ(leadingNumber(u""), 0.0);
  EXPECT_EQ(leadingNumber(u"-3e2z"), -300.0);
  EXPECT_EQ(leadingNumber(u"+.5"), 0.5);
  EXPECT_EQ(leadingNumber(u"0x1p1"), 2.0);
  EXPECT_EQ(leadingNumber(u"1e999"), INFINITY);
  EXPECT_EQ(leadingNumber(u"1e-999"), 0.0);
  EXPECT_EQ(leadingNumber(u"2,5"), 2.0);
  EXPECT_TRUE(std::isinf(leadingNumber(u"inf")));
}

TEST(VersionCheck, IgnoresTheProcessLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  // The test command generates this locale (scripts/packages.sh).
  ASSERT_TRUE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) << "the locale de_DE.UTF-8 is missing";
  EXPECT_EQ(leadingNumber(u"1.9"), 1.9);
  EXPECT_EQ(leadingNumber(u"1,9"), 1.0);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(VersionCheck, NewerMeansAboveTheClientsVersionInSinglePrecision) {
  EXPECT_FALSE(isNewerVersion(u"1.8", u"1.8"));
  EXPECT_FALSE(isNewerVersion(u"1.80", u"1.8"));
  EXPECT_FALSE(isNewerVersion(u"1.8000000", u"1.8"));
  EXPECT_FALSE(isNewerVersion(u"1.80000001", u"1.8"));  // the same float as 1.8
  EXPECT_FALSE(isNewerVersion(u"1.7", u"1.8"));
  EXPECT_FALSE(isNewerVersion(u"abc", u"1.8"));
  EXPECT_FALSE(isNewerVersion(u"nan", u"1.8"));
  EXPECT_TRUE(isNewerVersion(u"1.81", u"1.8"));
  EXPECT_TRUE(isNewerVersion(u"2", u"1.8"));
  EXPECT_TRUE(isNewerVersion(u" 2.0x", u"1.8"));
  EXPECT_TRUE(isNewerVersion(u"1e300", u"1.8"));  // beyond float: infinity
  // A client configured with another version compares with that one.
  EXPECT_FALSE(isNewerVersion(u"2", u"2.5"));
  EXPECT_FALSE(isNewerVersion(u"2.5", u"2.5"));
  EXPECT_TRUE(isNewerVersion(u"2.51", u"2.5"));
}

}  // namespace
}  // namespace varnet
