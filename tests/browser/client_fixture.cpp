#include "client_fixture.h"

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/window.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace varnet::testing {

namespace fs = std::filesystem;

void ClientTest::SetUp() {
#ifndef _WIN32
  if (!std::getenv("DISPLAY"))
    GTEST_SKIP() << "no display";
#endif
  // A display that is set but refuses us is a failure, never a quiet skip.
  ASSERT_TRUE(windowSystemAvailable()) << "cannot open the window system";
  fake::resetEngineRecord();
  previousCwd_ = fs::current_path();
  root_ =
      fs::temp_directory_path() / ("varnet-client-" + std::to_string(getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(root_);
  fs::create_directories(root_ / "bin");
  fs::current_path(root_);
  fakeTheDesktop();
  setEnvironment("VARNET_TEST_LINGER_MS", nullptr);
  handler_ = std::make_shared<SimpleHandler>();
}

void ClientTest::TearDown() {
  recordPostedCloses(nullptr);
  handler_.reset();
  for (auto window : windows_)
    closeWindow(window);
  windows_.clear();
  if (root_.empty())
    return;
  restoreTheDesktop();
  fs::current_path(previousCwd_);
  // A program the test started may still hold its file for a moment (Windows).
  for (int attempt = 0; attempt < 50; ++attempt) {
    std::error_code error;
    fs::remove_all(root_, error);
    if (!error)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

std::shared_ptr<fake::FakeBrowser> ClientTest::createBrowser(const std::u16string& title,
                                                             int width,
                                                             int height) {
  auto browser = std::make_shared<fake::FakeBrowser>();
  browser->host.window = openWindow(title, width, height);
  windows_.push_back(browser->host.window);
  return browser;
}

void ClientTest::installCompanion() {
  fs::create_directories(root_ / "data" / "annex" / "httpcurl");
  fs::copy_file(VARNET_MARKER_PROGRAM, root_ / "data" / "annex" / "httpcurl" / "httpcurl.exe");
}

void ClientTest::installUpdater() {
  fs::copy_file(VARNET_MARKER_PROGRAM, root_ / "update.exe");
}

void ClientTest::postMarkerClose(platform::WindowHandle window) {
  platform::postClose(window);
}

std::vector<std::string> ClientTest::ranLines(const fs::path& file, size_t atLeast) {
  std::vector<std::string> lines;
  for (int i = 0; i < 300; ++i) {
    lines.clear();
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    if (lines.size() >= atLeast)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return lines;
}

}  // namespace varnet::testing
