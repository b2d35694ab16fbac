#include "client_fixture.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/window_gtk.h"

namespace varnet::testing {

namespace fs = std::filesystem;

void ClientTest::SetUp() {
  if (!windowSystemAvailable())
    GTEST_SKIP() << "no display";
  fake::resetEngineRecord();
  previousCwd_ = fs::current_path();
  root_ =
      fs::temp_directory_path() / ("varnet-client-" + std::to_string(getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(root_);
  fs::create_directories(root_ / "home" / "Desktop");
  fs::create_directories(root_ / "bin");
  fs::create_directories(root_ / "runtime");
  fs::current_path(root_);
  setenv("HOME", (root_ / "home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root_ / "home" / ".config").c_str(), 1);
  setenv("XDG_DATA_HOME", (root_ / "home" / ".local" / "share").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (root_ / "runtime").c_str(), 1);
  {
    std::ofstream open(root_ / "bin" / "xdg-open");
    open << "#!/bin/sh\necho \"$@\" >> '" << (root_ / "xdg-open.ran").string() << "'\n";
  }
  fs::permissions(root_ / "bin" / "xdg-open", fs::perms::owner_all);
  static const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
  setenv("PATH", ((root_ / "bin").string() + ":" + path).c_str(), 1);
  unsetenv("VARNET_TEST_LINGER_MS");
  handler_ = std::make_shared<SimpleHandler>();
}

void ClientTest::TearDown() {
  platform::setPostedCloseHandler(nullptr);
  handler_.reset();
  for (auto window : windows_)
    closeWindow(window);
  windows_.clear();
  if (!previousCwd_.empty())
    fs::current_path(previousCwd_);
  if (!root_.empty())
    fs::remove_all(root_);
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

int ClientTest::runningCopies(const fs::path& program) {
  int count = 0;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    std::error_code ignored;
    if (fs::equivalent(fs::read_symlink(entry.path() / "exe", ignored), program, ignored))
      ++count;
  }
  return count;
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
