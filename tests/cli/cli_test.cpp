// varnet-cli as operators run it: a real process, text on standard input, results on standard
// output and in the exit status.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

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

struct Result {
  int status = -1;
  std::string output;  // standard output only
};

class Cli : public ::testing::Test {
 protected:
  // Runs varnet-cli with `arguments` in `folder` (default: the temp folder), `input` on its
  // standard input.
  Result run(const std::string& arguments,
             const std::string& input = "",
             const fs::path& folder = {}) {
    writeFile(temp_ / "input", input);
    const std::string command = "cd '" + (folder.empty() ? temp_.path() : folder).string() +
                                "' && '" VARNET_CLI "' " + arguments + " < '" +
                                (temp_ / "input").string() + "' 2>/dev/null";
    Result result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
      return result;
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      result.output.append(buffer, got);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
  }

  TempFolder temp_;
};

TEST_F(Cli, SealsAndOpensStandardInputExactly) {
  const std::string text = "_S12345_MODELX100#1733650000000 游戏\n";
  Result sealed = run("ticket seal", text);
  ASSERT_EQ(sealed.status, 0);
  EXPECT_EQ(sealed.output.back(), '\n');
  Result opened = run("ticket open", sealed.output);
  EXPECT_EQ(opened.status, 0);
  EXPECT_EQ(opened.output, text);
  EXPECT_EQ(run("ticket seal", "").output.size(), 25u);  // one padding block: 24 + line feed
}

TEST_F(Cli, PrintsTheLibrarysMessageAndFailsForATextThatDoesNotOpen) {
  Result empty = run("ticket open", "");
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.output,
            "StreamTransformationFilter: ciphertext length is not a multiple of block size\n");
  Result wrongKey = run("ticket open", "ez3oFuU3neuUZgwmPSs26A==\n");  // "abc" under another key
  EXPECT_EQ(wrongKey.status, 1);
  EXPECT_EQ(wrongKey.output, "StreamTransformationFilter: invalid PKCS #7 block padding found\n");
}

TEST_F(Cli, MakesATicketOfThisMachinesIdentityAndTheTime) {
  using namespace std::chrono;
  const auto now = [] {
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  };
  Result identity = run("identity");
  ASSERT_EQ(identity.status, 0);
  ASSERT_EQ(identity.output.back(), '\n');
  const long long before = now();
  Result ticket = run("ticket make");
  const long long after = now();
  ASSERT_EQ(ticket.status, 0);
  Result opened = run("ticket open", ticket.output);
  ASSERT_EQ(opened.status, 0);
  const size_t mark = opened.output.rfind('#');
  ASSERT_NE(mark, std::string::npos);
  EXPECT_EQ(opened.output.substr(0, mark) + "\n", identity.output);
  const long long time = std::stoll(opened.output.substr(mark + 1));
  EXPECT_GE(time, before);
  EXPECT_LE(time, after);
}

TEST_F(Cli, TellsWhetherTheCompanionRuns) {
  const fs::path program = temp_ / "elsewhere" / "httpcurl.exe";
  fs::create_directories(program.parent_path());
  fs::copy_file(fs::canonical("/bin/sleep"), program);
  Child companion(program.string(), {"30"});
  Result status;
  EXPECT_TRUE(waitFor([&] { return (status = run("companion status")).status == 0; }));
  EXPECT_EQ(status.output, "running\n");
}

TEST_F(Cli, LaunchesTheCompanionBelowTheCurrentFolder) {
  Result missing = run("companion launch");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.output, "not launched\n");

  const fs::path fake = temp_ / "data" / "annex" / "httpcurl" / "httpcurl.exe";
  writeFile(fake, "#!/bin/sh\necho \"$PWD $*\" > started.tmp\n/bin/mv started.tmp started\n");
  fs::permissions(fake, fs::perms::owner_all);
  Result launched = run("companion launch");
  EXPECT_EQ(launched.status, 0);
  EXPECT_EQ(launched.output, "launched\n");
  ASSERT_TRUE(waitFor([&] { return fs::exists(fake.parent_path() / "started"); }));
  EXPECT_EQ(readFile(fake.parent_path() / "started"),
            fake.parent_path().string() + " --conf-path=httpcurl.conf\n");
}

TEST_F(Cli, RefusesUnknownCommandsAndWrongArguments) {
  EXPECT_EQ(run("").status, 2);
  EXPECT_EQ(run("frobnicate").status, 2);
  EXPECT_EQ(run("ticket").status, 2);
  EXPECT_EQ(run("ticket seal extra").status, 2);
  EXPECT_EQ(run("companion stop").status, 2);
  Result help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("varnet-cli ticket open"), std::string::npos);
}

}  // namespace
}  // namespace varnet
