#include "platform/processes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/child_linux.h"
#include "support/temp_folder.h"
#include "support/wait.h"

namespace varnet::platform {
namespace {

namespace fs = std::filesystem;
using testing::Child;
using testing::readFile;
using testing::ScopedEnvironment;
using testing::TempFolder;
using testing::waitFor;
using testing::writeFile;

bool isRunning(const std::u16string& image) {
  std::optional<std::vector<std::u16string>> names = runningImageNames();
  return names && std::find(names->begin(), names->end(), image) != names->end();
}

TEST(RunningImageNames, GivesTheExecutablesFileNameAlsoAfterItWasDeleted) {
  TempFolder temp;
  const fs::path program = temp / "varnet-image-test";
  fs::copy_file(fs::canonical("/bin/sleep"), program);
  Child sleeper(program.string(), {"30"});
  EXPECT_TRUE(waitFor([] { return isRunning(u"varnet-image-test"); }));
  fs::remove(program);
  EXPECT_TRUE(isRunning(u"varnet-image-test"));
  EXPECT_TRUE(isRunning(fromPath(fs::canonical("/proc/self/exe").filename())));
}

// A program that writes down how it was started into "report" in its working folder, then
// waits (15 s at most) for the test's "go" and answers "alive".
const char kReporter[] =
    "#!/bin/sh\n"
    "fds=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
    "if [ -e /proc/$$/fd/50 ]; then leak=leaked; else leak=clean; fi\n"
    "{ pwd; echo \"$#:$*\"; echo $$; cut -d' ' -f4,6,7 /proc/$$/stat; echo $fds; echo $leak; }"
    " > report.tmp\n"
    "mv report.tmp report\n"
    "n=0; while [ ! -e go ] && [ $n -lt 300 ]; do sleep 0.05; n=$((n+1)); done\n"
    "echo alive > alive\n";

class LaunchDetached : public ::testing::Test {
 protected:
  LaunchDetached() {
    writeFile(program_, kReporter);
    fs::permissions(program_, fs::perms::owner_all);
    fs::create_directories(work_);
  }
  ~LaunchDetached() override { writeFile(work_ / "go"); }  // lets a waiting reporter end
  std::vector<std::string> report() {
    EXPECT_TRUE(waitFor([&] { return fs::exists(work_ / "report"); }));
    std::istringstream lines(readFile(work_ / "report"));
    std::vector<std::string> result;
    for (std::string line; std::getline(lines, line);)
      result.push_back(line);
    return result;
  }

  TempFolder temp_;
  const fs::path program_ = temp_ / "bin dir" / "reporter.sh";
  const fs::path work_ = temp_ / "work dir";
};

TEST_F(LaunchDetached, StartsInTheWorkingFolderInItsOwnSessionWithoutOurDescriptors) {
  int leak = open("/dev/null", O_RDONLY);
  ASSERT_EQ(dup2(leak, 50), 50);  // inheritable, unlike everything the client opens itself
  close(leak);
  // Launched from a child that ends at once: the program must outlive it.
  pid_t launcher = fork();
  if (launcher == 0)
    _exit(launchDetached(fromPath(program_), {u"a b", u"--x=1"}, fromPath(work_)) ? 0 : 1);
  int status = -1;
  ASSERT_EQ(waitpid(launcher, &status, 0), launcher);
  close(50);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::vector<std::string> lines = report();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], work_.string());
  EXPECT_EQ(lines[1], "2:a b --x=1");
  const pid_t pid = std::stoi(lines[2]);
  std::istringstream stat(lines[3]);
  pid_t parent = 0, session = 0;
  int terminal = -1;
  stat >> parent >> session >> terminal;
  EXPECT_NE(parent, launcher);
  EXPECT_NE(parent, getpid());
  EXPECT_EQ(session, pid);  // a session leader
  EXPECT_EQ(terminal, 0);   // with no controlling terminal
  EXPECT_EQ(lines[4], "/dev/null /dev/null /dev/null");
  EXPECT_EQ(lines[5], "clean");

  writeFile(work_ / "go");
  EXPECT_TRUE(waitFor([&] { return fs::exists(work_ / "alive"); }));
}

TEST_F(LaunchDetached, TakesARelativeProgramFromTheCurrentFolderAndABareNameFromThePath) {
  const fs::path before = fs::current_path();
  fs::current_path(temp_.path());
  const bool relative = launchDetached(u"bin dir/reporter.sh", {u"relative"}, fromPath(work_));
  fs::current_path(before);
  ASSERT_TRUE(relative);
  EXPECT_EQ(report().at(1), "1:relative");
  writeFile(work_ / "go");
  ASSERT_TRUE(waitFor([&] { return fs::exists(work_ / "alive"); }));

  fs::remove(work_ / "report");
  fs::remove(work_ / "go");
  ScopedEnvironment path("PATH", (temp_ / "bin dir").string() + ":/usr/bin:/bin");
  ASSERT_TRUE(launchDetached(u"reporter.sh", {u"bare"}, fromPath(work_)));
  EXPECT_EQ(report().at(1), "1:bare");
}

TEST_F(LaunchDetached, ReportsAProgramThatCannotStart) {
  writeFile(temp_ / "not-executable.sh", kReporter);
  fs::permissions(temp_ / "not-executable.sh", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(launchDetached(temp_.text("missing.sh"), {}, fromPath(work_)));
  EXPECT_FALSE(launchDetached(temp_.text("not-executable.sh"), {}, fromPath(work_)));
  EXPECT_FALSE(launchDetached(fromPath(program_), {}, temp_.text("missing folder")));
  EXPECT_FALSE(launchDetached(fromPath(program_), {std::u16string(u"a\0b", 3)}, fromPath(work_)));
  EXPECT_FALSE(launchDetached(u"", {}, fromPath(work_)));
  EXPECT_FALSE(fs::exists(work_ / "report"));
}

}  // namespace
}  // namespace varnet::platform
