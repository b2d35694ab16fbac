// The desktop's side of the test bench on Linux: HOME and the XDG folders in the temp folder, a
// recording xdg-open first on PATH, processes read from /proc.

#include <cstdlib>
#include <fstream>

#include "client_fixture.h"

namespace varnet::testing {

namespace fs = std::filesystem;

void ClientTest::fakeTheDesktop() {
  fs::create_directories(root_ / "home" / "Desktop");
  fs::create_directories(root_ / "runtime");
  setEnvironment("HOME", (root_ / "home").c_str());
  setEnvironment("XDG_CONFIG_HOME", (root_ / "home" / ".config").c_str());
  setEnvironment("XDG_DATA_HOME", (root_ / "home" / ".local" / "share").c_str());
  setEnvironment("XDG_RUNTIME_DIR", (root_ / "runtime").c_str());
  {
    std::ofstream open(root_ / "bin" / "xdg-open");
    open << "#!/bin/sh\necho \"$@\" >> '" << (root_ / "xdg-open.ran").string() << "'\n";
  }
  fs::permissions(root_ / "bin" / "xdg-open", fs::perms::owner_all);
  static const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
  setEnvironment("PATH", ((root_ / "bin").string() + ":" + path).c_str());
}

void ClientTest::restoreTheDesktop() {}

std::vector<std::string> ClientTest::openedOnDesktop(size_t atLeast) {
  return ranLines(root_ / "xdg-open.ran", atLeast);
}

void ClientTest::setEnvironment(const char* name, const char* value) {
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
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

}  // namespace varnet::testing
