// The companion downloader's supervision with a real child: the probe program installed as
// data\annex\httpcurl\httpcurl.exe below a temp current folder (Wine in CI).

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "companion/companion.h"
#include "platform/text.h"
#include "support/win_test_support.h"

namespace varnet {
namespace {

namespace fs = std::filesystem;

class CompanionWin : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = client_.path() / "data" / "annex" / "httpcurl";
    fs::create_directories(folder_);
    fs::copy_file(test::probeProgram(), folder_ / "httpcurl.exe");
    previous_ = fs::current_path();
    fs::current_path(client_.path());
  }
  void TearDown() override { fs::current_path(previous_); }

  static bool waitUntilRunning(bool running) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (IsCompanionRunning() != running) {
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
  }

  test::TempFolder client_;
  fs::path folder_;
  fs::path previous_;
};

TEST_F(CompanionWin, LaunchCompanion_StartsItHiddenInItsFolderWithItsConfiguration) {
  ASSERT_TRUE(LaunchCompanion());
  test::ProbeRecord record;
  ASSERT_TRUE(test::waitForProbeRecord(folder_, record));
  EXPECT_EQ(record.currentDirectory, fromPath(folder_));
  EXPECT_EQ(record.showWindow, static_cast<unsigned>(SW_HIDE));
  ASSERT_EQ(record.arguments.size(), 2u);
  EXPECT_EQ(record.arguments[0], fromPath(folder_ / "httpcurl.exe"));
  EXPECT_EQ(record.arguments[1], u"--conf-path=httpcurl.conf");
}

TEST_F(CompanionWin, IsCompanionRunning_WhileTheLaunchedCompanionRuns) {
  test::writeFile(folder_ / "stay");
  ASSERT_TRUE(LaunchCompanion());
  EXPECT_TRUE(waitUntilRunning(true));
  test::writeFile(folder_ / "stop");
  EXPECT_TRUE(waitUntilRunning(false));
}

TEST_F(CompanionWin, LaunchCompanion_FailsWhenTheCurrentFolderHasNoCompanion) {
  fs::current_path(previous_.root_path());
  EXPECT_FALSE(LaunchCompanion());
}

}  // namespace
}  // namespace varnet
