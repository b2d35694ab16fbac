// varnet-cli as operators run it: a real process, text on standard input, results on standard
// output and in the exit status.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "support/child_linux.h"
#include "support/temp_folder.h"
#include "support/wait.h"

namespace varnet {
namespace {

namespace fs = std::filesystem;
using testing::Child;
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

TEST_F(Cli, MakesSealsAndOpensTicketsThroughStandardInputAndOutput) {
  const std::string text = "_S12345_MODELX100#1733650000000 游戏\n";
  Result sealed = run("ticket seal", text);
  ASSERT_EQ(sealed.status, 0);
  Result opened = run("ticket open", sealed.output);
  EXPECT_EQ(opened.status, 0);
  EXPECT_EQ(opened.output, text);  // exactly: nothing added, nothing taken away

  Result identity = run("identity");
  Result ticket = run("ticket make");
  ASSERT_EQ(ticket.status, 0);
  opened = run("ticket open", ticket.output);
  ASSERT_EQ(opened.status, 0);
  EXPECT_EQ(opened.output.substr(0, opened.output.rfind('#')) + "\n", identity.output);
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

TEST_F(Cli, LaunchesTheCompanionAndTellsWhetherItRuns) {
  EXPECT_EQ(run("companion launch").status, 1);
  const fs::path fake = temp_ / "data" / "annex" / "httpcurl" / "httpcurl.exe";
  writeFile(fake, "#!/bin/sh\n: > started\n");
  fs::permissions(fake, fs::perms::owner_all);
  EXPECT_EQ(run("companion launch").output, "launched\n");
  EXPECT_TRUE(waitFor([&] { return fs::exists(fake.parent_path() / "started"); }));

  const fs::path program = temp_ / "elsewhere" / "httpcurl.exe";
  fs::create_directories(program.parent_path());
  fs::copy_file(fs::canonical("/bin/sleep"), program);
  Child companion(program.string(), {"30"});
  EXPECT_TRUE(waitFor([&] { return run("companion status").output == "running\n"; }));
}

TEST_F(Cli, RefusesUnknownCommandsAndWrongArguments) {
  for (const char* wrong : {"", "frobnicate", "ticket", "ticket seal extra", "companion stop"})
    EXPECT_EQ(run(wrong).status, 2) << wrong;
  EXPECT_EQ(run("--help").status, 0);
}

}  // namespace
}  // namespace varnet
