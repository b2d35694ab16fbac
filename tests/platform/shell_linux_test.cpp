#include "platform/shell.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"
#include "support/wait.h"

namespace varnet::platform {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::ScopedEnvironment;
using testing::TempFolder;
using testing::waitFor;
using testing::writeFile;

// Fakes of xdg-open and shutdown that write down their arguments (and folder) in the temp
// folder. PATH holds nothing else, so the real commands can never be reached.
class Shell : public ::testing::Test {
 protected:
  Shell() {
    for (const char* name : {"xdg-open", "shutdown"}) {
      const fs::path fake = temp_ / "bin" / name;
      writeFile(fake, "#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" > \"" + (temp_ / name).string() +
                          ".tmp\"\n/bin/mv \"" + (temp_ / name).string() + ".tmp\" \"" +
                          (temp_ / name).string() + "\"\n");
      fs::permissions(fake, fs::perms::owner_all);
    }
  }
  std::string record(const std::string& name) {
    EXPECT_TRUE(waitFor([&] { return fs::exists(temp_ / name); }));
    return readFile(temp_ / name);
  }

  TempFolder temp_;
  ScopedEnvironment path_{"PATH", (temp_ / "bin").string()};
};

TEST_F(Shell, HandsAddressesFoldersAndDocumentsToTheDefaultHandler) {
  const std::string here = fs::current_path().string();
  EXPECT_TRUE(shellOpen(u"http://127.0.0.1:1/a b?c=1"));
  EXPECT_EQ(record("xdg-open"), here + "\nhttp://127.0.0.1:1/a b?c=1\n");
  fs::remove(temp_ / "xdg-open");
  writeFile(temp_ / "notes.txt");
  EXPECT_TRUE(shellOpen(temp_.text("notes.txt"), u"ignored", temp_.text()));
  EXPECT_EQ(record("xdg-open"), here + "\n" + (temp_ / "notes.txt").string() + "\n");
}

TEST_F(Shell, StartsAProgramDirectlyWithItsParametersInItsWorkingFolder) {
  const fs::path program = temp_ / "game dir" / "game";
  writeFile(program,
            "#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" > \"" + (temp_ / "game").string() + "\"\n");
  fs::permissions(program, fs::perms::owner_all);
  ASSERT_TRUE(shellOpen(fromPath(program), u"-a \"b c\" d\\\"e  f\\\\g", temp_.text("game dir")));
  EXPECT_EQ(record("game"), (temp_ / "game dir").string() + "\n-a\nb c\nd\"e\nf\\\\g\n");
  EXPECT_FALSE(fs::exists(temp_ / "xdg-open"));
}

TEST_F(Shell, PowerOffRunsTheShutdownCommandAndWaitsForIt) {
  ASSERT_TRUE(fs::exists(temp_ / "bin" / "shutdown"));
  powerOff();
  EXPECT_TRUE(fs::exists(temp_ / "shutdown"));  // already done on return
  EXPECT_EQ(readFile(temp_ / "shutdown"), fs::current_path().string() + "\n-P\nnow\n");
}

}  // namespace
}  // namespace varnet::platform
