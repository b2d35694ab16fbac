#include "platform/processes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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

// A program that writes its arguments into "ran" in its working folder.
const char kRecorder[] = "#!/bin/sh\necho \"$*\" > ran.tmp\n/bin/mv ran.tmp ran\n";

class LaunchDetached : public ::testing::Test {
 protected:
  LaunchDetached() {
    writeFile(program_, kRecorder);
    fs::permissions(program_, fs::perms::owner_all);
    fs::create_directories(work_);
  }
  std::string ran() {
    EXPECT_TRUE(waitFor([&] { return fs::exists(work_ / "ran"); }));
    std::string arguments = readFile(work_ / "ran");
    fs::remove(work_ / "ran");
    return arguments;
  }

  TempFolder temp_;
  const fs::path program_ = temp_ / "bin dir" / "recorder.sh";
  const fs::path work_ = temp_ / "work dir";
};

TEST_F(LaunchDetached, TakesARelativeProgramFromTheCurrentFolderAndABareNameFromThePath) {
  const fs::path before = fs::current_path();
  fs::current_path(temp_.path());
  const bool relative = launchDetached(u"bin dir/recorder.sh", {u"a b", u"c"}, fromPath(work_));
  fs::current_path(before);
  ASSERT_TRUE(relative);
  EXPECT_EQ(ran(), "a b c\n");
  ScopedEnvironment path("PATH", (temp_ / "bin dir").string());
  ASSERT_TRUE(launchDetached(u"recorder.sh", {u"bare"}, fromPath(work_)));
  EXPECT_EQ(ran(), "bare\n");
}

TEST_F(LaunchDetached, ReportsAProgramThatCannotStart) {
  writeFile(temp_ / "not-executable.sh", kRecorder);
  EXPECT_FALSE(launchDetached(temp_.text("missing.sh"), {}, fromPath(work_)));
  EXPECT_FALSE(launchDetached(temp_.text("not-executable.sh"), {}, fromPath(work_)));
  EXPECT_FALSE(launchDetached(fromPath(program_), {}, temp_.text("missing folder")));
  EXPECT_FALSE(launchDetached(fromPath(program_), {std::u16string(u"a\0b", 3)}, fromPath(work_)));
  EXPECT_FALSE(launchDetached(u"", {}, fromPath(work_)));
  EXPECT_FALSE(fs::exists(work_ / "ran"));
}

}  // namespace
}  // namespace varnet::platform
