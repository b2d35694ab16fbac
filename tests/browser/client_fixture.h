#pragma once

// The browser client's test bench: a SimpleHandler on the fake engine, real windows, and a temp
// current folder with the programs the client may start (a fake companion and update.exe, both
// copies of marker_program). What the client hands to the desktop goes to a recording fake: an
// xdg-open first on PATH on Linux (with HOME and the XDG folders in temp), the handler of web
// addresses for this process on Windows.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "browser/simple_handler.h"
#include "engine/fake_engine.h"
#include "test_window.h"

namespace varnet::testing {

class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A browser whose native window is a real one with this title.
  std::shared_ptr<fake::FakeBrowser> createBrowser(const std::u16string& title,
                                                   int width = 400,
                                                   int height = 300);

  // Installs the fake companion (data/annex/httpcurl/httpcurl.exe) and update.exe.
  void installCompanion();
  void installUpdater();

  // Lines that a marker program wrote, waiting up to a few seconds for `atLeast` lines to
  // appear.
  std::vector<std::string> ranLines(const std::filesystem::path& file, size_t atLeast = 1);
  // What the desktop was asked to open, one line each, waiting as ranLines does.
  std::vector<std::string> openedOnDesktop(size_t atLeast = 1);

  // How many processes run `program` now (by their executable file). A launch returns once the
  // program runs, so with VARNET_TEST_LINGER_MS set a launch shows here at once.
  static int runningCopies(const std::filesystem::path& program);
  // Posts a close of our own to `window`: posted closes arrive in order, so one the client
  // posted before would arrive first.
  static void postMarkerClose(platform::WindowHandle window);
  // Sets (or, with null, removes) a variable of this process's environment, which the
  // programs it starts inherit.
  static void setEnvironment(const char* name, const char* value);

  std::filesystem::path root_;  // the temp current folder
  std::filesystem::path previousCwd_;
  std::shared_ptr<SimpleHandler> handler_;
  std::vector<platform::WindowHandle> windows_;

 private:
  // The desktop's side (client_fixture_linux.cpp, client_fixture_win.cpp).
  void fakeTheDesktop();
  void restoreTheDesktop();
};

}  // namespace varnet::testing
