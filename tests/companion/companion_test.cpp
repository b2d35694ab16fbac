#include "companion/companion.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "platform/processes.h"
#include "support/child_linux.h"
#include "support/temp_folder.h"
#include "support/wait.h"

namespace varnet {
namespace {

namespace fs = std::filesystem;
using testing::Child;
using testing::readFile;
using testing::TempFolder;
using testing::waitFor;
using testing::writeFile;

// A program image of the given name: a copy of sleep, so that its executable carries the name.
fs::path sleeperNamed(const TempFolder& temp, const std::string& name) {
  const fs::path program = temp / "unrelated folder" / name;
  fs::create_directories(program.parent_path());
  fs::copy_file(fs::canonical("/bin/sleep"), program);
  return program;
}

bool anotherCompanionRuns() {
  std::optional<std::vector<std::u16string>> names = platform::runningImageNames();
  return names && std::count(names->begin(), names->end(), u"httpcurl.exe") > 0;
}

TEST(IsCompanionRunning, SeesAnyProgramNamedHttpcurlExe) {
  TempFolder temp;
  Child companion(sleeperNamed(temp, "httpcurl.exe").string(), {"30"});
  EXPECT_TRUE(waitFor([] { return IsCompanionRunning(); }));
}

TEST(IsCompanionRunning, IgnoresANameThatDiffersInLetterCase) {
  // Other tests (run in parallel) start programs of that name for a moment.
  if (!waitFor([] { return !anotherCompanionRuns(); }, std::chrono::seconds(10)))
    GTEST_SKIP() << "a program named httpcurl.exe keeps running on this machine";
  TempFolder temp;
  Child lookalike(sleeperNamed(temp, "HttpCurl.exe").string(), {"30"});
  Child longer(sleeperNamed(temp, "httpcurl.exe.old").string(), {"30"});
  ASSERT_TRUE(waitFor([] {
    std::optional<std::vector<std::u16string>> names = platform::runningImageNames();
    return names && std::count(names->begin(), names->end(), u"HttpCurl.exe") &&
           std::count(names->begin(), names->end(), u"httpcurl.exe.old");
  }));
  EXPECT_FALSE(IsCompanionRunning());
}

// Writes down how it was started (folder, arguments, pid, parent/session/terminal, standard
// streams, whether our descriptor 50 reached it), then stays (15 s at most) until "stop" exists.
const char kFakeCompanion[] =
    "#!/bin/sh\n"
    "fds=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
    "if [ -e /proc/$$/fd/50 ]; then leak=leaked; else leak=clean; fi\n"
    "{ pwd; echo \"$*\"; echo $$; cut -d' ' -f4,6,7 /proc/$$/stat; echo $fds; echo $leak; }"
    " > report.tmp\n"
    "mv report.tmp report\n"
    "n=0; while [ ! -e stop ] && [ $n -lt 300 ]; do sleep 0.05; n=$((n+1)); done\n";

class LaunchCompanion : public ::testing::Test {
 protected:
  LaunchCompanion() { fs::current_path(client_); }
  ~LaunchCompanion() override {
    fs::current_path(before_);
    writeFile(folder_ / "stop");
  }

  const fs::path before_ = fs::current_path();
  TempFolder temp_;
  const fs::path client_ = [this] {
    fs::create_directories(temp_ / "Games" / "My Client");
    return temp_ / "Games" / "My Client";
  }();
  const fs::path folder_ = client_ / "data" / "annex" / "httpcurl";
};

TEST_F(LaunchCompanion, StartsItDetachedInItsFolderWithTheConfigurationArgument) {
  writeFile(folder_ / "httpcurl.exe", kFakeCompanion);
  fs::permissions(folder_ / "httpcurl.exe", fs::perms::owner_all);
  int leak = open("/dev/null", O_RDONLY);
  ASSERT_EQ(dup2(leak, 50), 50);  // inheritable, unlike everything the client opens itself
  close(leak);
  // From a parent that ends at once: the companion must outlive it.
  pid_t parent = fork();
  if (parent == 0)
    _exit(varnet::LaunchCompanion() ? 0 : 1);
  int status = -1;
  ASSERT_EQ(waitpid(parent, &status, 0), parent);
  close(50);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  ASSERT_TRUE(waitFor([&] { return fs::exists(folder_ / "report"); }));
  std::istringstream report(readFile(folder_ / "report"));
  std::string folder, arguments, streams, leaked;
  pid_t pid = 0, parentNow = 0, session = 0;
  int terminal = -1;
  std::getline(report, folder);
  std::getline(report, arguments);
  report >> pid >> parentNow >> session >> terminal >> std::ws;
  std::getline(report, streams);
  std::getline(report, leaked);
  EXPECT_EQ(folder, folder_.string());
  EXPECT_EQ(arguments, "--conf-path=httpcurl.conf");
  EXPECT_NE(parentNow, parent);
  EXPECT_NE(parentNow, getpid());
  EXPECT_EQ(session, pid);  // a session of its own
  EXPECT_EQ(terminal, 0);   // and no terminal
  EXPECT_EQ(streams, "/dev/null /dev/null /dev/null");
  EXPECT_EQ(leaked, "clean");
  EXPECT_EQ(kill(pid, 0), 0);  // still running after its parent ended
}

TEST_F(LaunchCompanion, FailsWithoutTheProgram) {
  EXPECT_FALSE(varnet::LaunchCompanion());
}

TEST_F(LaunchCompanion, FailsWhenTheCurrentFolderDoesNotFitTheBuffer) {
  fs::path deep = client_;
  while (deep.string().size() < 260)
    deep /= "deeper-folder";
  const fs::path fake = deep / "data" / "annex" / "httpcurl" / "httpcurl.exe";
  writeFile(fake, kFakeCompanion);
  fs::permissions(fake, fs::perms::owner_all);
  fs::current_path(deep);
  EXPECT_FALSE(varnet::LaunchCompanion());
  EXPECT_FALSE(waitFor([&] { return fs::exists(fake.parent_path() / "report"); },
                       std::chrono::milliseconds(300)));
}

}  // namespace
}  // namespace varnet
