#include "engine/command_line.h"

#include <gtest/gtest.h>

namespace varnet::engine {
namespace {

TEST(CommandLine, ReadsSwitchesWithOneOrTwoDashesAndValues) {
  const char* argv[] = {"client", "--enable-chrome-runtime", "-use-views", "--lang=zh-CN", "page"};
  CommandLine line(5, argv);
  EXPECT_EQ(line.GetProgram(), "client");
  EXPECT_TRUE(line.HasSwitch("enable-chrome-runtime"));
  EXPECT_TRUE(line.HasSwitch("use-views"));
  EXPECT_TRUE(line.HasSwitch("lang"));
  EXPECT_EQ(line.GetSwitchValue("lang"), "zh-CN");
  EXPECT_FALSE(line.HasSwitch("page"));
  EXPECT_FALSE(line.HasSwitch("enable-chrome"));
  EXPECT_FALSE(line.HasSwitch(""));
}

TEST(CommandLine, AppendSwitchKeepsEverythingElseInOrder) {
  const char* argv[] = {"client", "--a", "x"};
  CommandLine line(3, argv);
  line.AppendSwitch("disable-web-security");
  line.AppendSwitchWithValue("k", "v");
  std::vector<std::string> expected = {"--a", "x", "--disable-web-security", "--k=v"};
  EXPECT_EQ(line.GetArguments(), expected);
  EXPECT_TRUE(line.HasSwitch("disable-web-security"));
}

}  // namespace
}  // namespace varnet::engine
