#include "platform/log.h"

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace varnet {
namespace {

using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

std::vector<std::string> linesOf(const std::filesystem::path& file) {
  std::vector<std::string> lines;
  std::istringstream in(readFile(file));
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

std::string utcDate() {
  std::time_t now = std::time(nullptr);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", std::gmtime(&now));
  return text;
}

struct LogTest : ::testing::Test {
  ~LogTest() override { log::close(); }
  TempFolder folder;
  std::filesystem::path file = folder / "log/varnet.log";
  std::filesystem::path previous = folder / "log/varnet.1.log";
};

TEST_F(LogTest, NewRunKeepsOnlyTheLastRunAndWritesTheLinesLoggedBeforeItOpened) {
  writeFile(file, "last run\n");
  writeFile(previous, "run before\n");
  const std::string before = utcDate();
  log::info("companion launched: ", true);

  log::open(folder.text(), log::Run::New, "browser");
  EXPECT_EQ(readFile(previous), "last run\n");
  log::close();
  log::open(folder.text(), log::Run::Continue, "render");
  log::warning("unzip failed, code ", -100);

  const std::vector<std::string> lines = linesOf(file);
  ASSERT_EQ(lines.size(), 2u) << readFile(file);
  std::smatch match;
  const std::regex format(R"((\d{4}-\d\d-\d\d)T\d\d:\d\d:\d\d\.\d{3}Z (\w+)\[(\d+)\] (.*))");
  ASSERT_TRUE(std::regex_match(lines[0], match, format)) << lines[0];
  EXPECT_TRUE(match[1] == before || match[1] == utcDate()) << match[1];
  EXPECT_EQ(match[2], "browser");
  EXPECT_EQ(match[4], "info companion launched: true");
  ASSERT_TRUE(std::regex_match(lines[1], match, format)) << lines[1];
  EXPECT_EQ(match[2], "render");
  EXPECT_EQ(match[4], "warning unzip failed, code -100");
  EXPECT_EQ(readFile(previous), "last run\n");
}

TEST_F(LogTest, HostileTextStaysOnItsOwnLineAndAddressesLoseTheirQuery) {
  log::open(folder.text(), log::Run::New, "render");
  log::info("deletepath ", u"a\nfake line\r\x1b", " ", log::quoted(u"游戏\"x\\y\t"), " ",
            log::address(u"http://portal/login.jsp?ticket=SECRET#x"));
  const std::vector<std::string> lines = linesOf(file);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(
                R"(info deletepath a\nfake line\r\x1b "游戏\"x\\y\t" "http://portal/login.jsp")"),
            std::string::npos)
      << lines[0];
}

TEST_F(LogTest, ARunStopsAtTheSizeLimitWithOneLastLine) {
  log::open(folder.text(), log::Run::New, "browser", 1000);
  for (int i = 0; i < 100; ++i)
    log::info("line ", i, " ", std::string(40, 'x'));
  const std::vector<std::string> lines = linesOf(file);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_LT(lines.size(), 20u);
  EXPECT_NE(lines.back().find("log size limit reached"), std::string::npos) << lines.back();
  EXPECT_EQ(readFile(file).find("limit reached"), readFile(file).rfind("limit reached"));
  EXPECT_LT(std::filesystem::file_size(file), 1000u + 2 * lines.front().size() + 2);
  // The next run starts afresh.
  log::open(folder.text(), log::Run::New, "browser", 1000);
  log::info("next run");
  EXPECT_EQ(linesOf(file).size(), 1u);
}

}  // namespace
}  // namespace varnet
