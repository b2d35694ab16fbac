// varnet-cli unpack as an operator runs it: a real process, the polled progress on standard
// output, the outcome in the exit status.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "../archive/archive_fixtures.h"

namespace varnet {
namespace {

using namespace varnet::testing;

struct Result {
  int status = -1;
  std::vector<int> progress;
  std::string output;
};

// Runs "varnet-cli unpack ARGUMENTS", inside `wrapper` when given ("%s" stands for the command).
Result unpack(const std::string& arguments, const std::string& wrapper = "%s") {
  Result result;
  std::string command = "'" VARNET_CLI "' unpack " + arguments;
  std::string line = wrapper;
  line.replace(line.find("%s"), 2, command);
  FILE* pipe = popen((line + " 2>&1").c_str(), "r");
  char buffer[4096];
  while (size_t count = fread(buffer, 1, sizeof buffer, pipe))
    result.output.append(buffer, count);
  result.status = WEXITSTATUS(pclose(pipe));
  std::istringstream lines(result.output);
  std::string word;
  int value;
  while (lines >> word)
    if (word == "progress" && lines >> value)
      result.progress.push_back(value);
  return result;
}

TEST(UnpackCommand, GoodPackage_Prints0To100AndExits0KeepingThePackage) {
  TempFolder temp;
  writeFile(temp / "src/data.bin", sampleBytes(4 << 20, 7));
  ASSERT_TRUE(sevenZip(temp / "pkg/game.7z", temp / "src", "-t7z -mx=1 -pcheck -mhe=on"));
  Result result = unpack(quoted(temp.path()) + "/ " + quoted(temp / "pkg") + " --password check");
  EXPECT_EQ(result.status, 0) << result.output;
  ASSERT_FALSE(result.progress.empty());
  EXPECT_EQ(result.progress.front(), 0);
  EXPECT_EQ(result.progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(result.progress.begin(), result.progress.end()));
  EXPECT_NE(result.output.find("setup path " + (temp / "game").string()), std::string::npos);
  EXPECT_EQ(readFile(temp / "game/data.bin"), readFile(temp / "src/data.bin"));
  EXPECT_TRUE(fs::exists(temp / "pkg/game.7z"));  // the default mode only checks
}

TEST(UnpackCommand, FailedPackages_PrintMinus100AndTheirReasonAndExit1) {
  TempFolder temp;
  writeFile(temp / "src/data.bin", sampleBytes(4096, 7));
  ASSERT_TRUE(sevenZip(temp / "locked/game.zip", temp / "src", "-tzip -mem=AES256 -pright"));
  writeFile(temp / "broken/game.zip", "not an archive");
  fs::create_directories(temp / "empty");
  for (auto [package, reason] : {std::pair{"locked", "error: wrong password for game.zip\n"},
                                 {"broken", "error: game.zip is not a zip archive\n"},
                                 {"empty", "error: no archive (.zip, .rar or .7z) in "}}) {
    SCOPED_TRACE(package);
    Result result =
        unpack(quoted(temp.path()) + "/ " + quoted(temp / package) + " --password wrong");
    EXPECT_EQ(result.status, 1);
    ASSERT_FALSE(result.progress.empty());
    EXPECT_EQ(result.progress.back(), -100);
    EXPECT_NE(result.output.find(reason), std::string::npos) << result.output;
  }
}

TEST(UnpackCommand, OnATerminal_OneProgressLineIsRedrawnInPlace) {
  TempFolder temp;
  writeFile(temp / "src/data.bin", sampleBytes(8 << 20, 7));
  ASSERT_TRUE(sevenZip(temp / "pkg/game.zip", temp / "src", "-tzip -mx=1"));
  // script(1) gives the command a pseudo-terminal.
  Result result =
      unpack(quoted(temp.path()) + "/ " + quoted(temp / "pkg"), "script -qec \"%s\" /dev/null");
  EXPECT_EQ(result.status, 0) << result.output;
  std::string progress = result.output.substr(0, result.output.find("setup path"));
  EXPECT_EQ(std::count(progress.begin(), progress.end(), '\n'), 1) << progress;
  EXPECT_EQ(progress.rfind("\rprogress 0 ", 0), 0u) << progress;
  EXPECT_NE(progress.find("\rprogress 100 "), std::string::npos) << progress;
}

TEST(UnpackCommand, FullDisk_IsNamedAsTheReason) {
  // A 1 MiB file system of its own, mounted in a private namespace.
  if (!run("unshare -rm true"))
    GTEST_SKIP() << "no user and mount namespaces here";
  TempFolder temp;
  writeFile(temp / "src/data.bin", sampleBytes(4 << 20, 7));
  ASSERT_TRUE(sevenZip(temp / "pkg/game.zip", temp / "src", "-tzip -mx=1"));
  fs::create_directories(temp / "small");
  Result result = unpack(quoted(temp / "small") + "/ " + quoted(temp / "pkg"),
                         "unshare -rm sh -c \"mount -t tmpfs -o size=1m tmpfs " +
                             quoted(temp / "small") + " && exec %s\"");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("error: disk full: cannot write "), std::string::npos)
      << result.output;
}

TEST(UnpackCommand, BadArguments_ExitWithUsageError) {
  EXPECT_EQ(unpack("").status, 2);
  EXPECT_EQ(unpack("root pkg --mode x").status, 2);
  EXPECT_EQ(unpack("root pkg --shortcut").status, 2);
  EXPECT_EQ(unpack("root pkg --colour red").status, 2);
}

}  // namespace
}  // namespace varnet
