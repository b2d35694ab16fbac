#include "platform/processes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "platform/text.h"
#include "support/win_test_support.h"

namespace varnet::platform {
namespace {

namespace fs = std::filesystem;
using test::ProbeRecord;
using test::TempFolder;

bool isRunning(const std::u16string& imageName) {
  auto names = runningImageNames();
  return names && std::find(names->begin(), names->end(), imageName) != names->end();
}

TEST(ProcessesWin, RunningImageNames_HoldsThisProgramsFileName) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::u16string ownName = fromPath(fs::path(self).filename());

  auto names = runningImageNames();
  ASSERT_TRUE(names);
  EXPECT_NE(std::find(names->begin(), names->end(), ownName), names->end());
  for (const std::u16string& name : *names)
    EXPECT_EQ(name.find(u'\\'), std::u16string::npos) << toUtf8(name);
}

TEST(ProcessesWin, LaunchDetached_StartsAHiddenChildInItsFolderWithItsArguments) {
  TempFolder folder;
  ASSERT_TRUE(launchDetached(
      fromPath(test::probeProgram()),
      {u"--conf-path=httpcurl.conf", u"two words", u"say \"hi\"", u"C:\\end\\"}, folder.text()));
  ProbeRecord record;
  ASSERT_TRUE(test::waitForProbeRecord(folder.path(), record));
  EXPECT_EQ(record.currentDirectory, folder.text());
  EXPECT_TRUE(record.startupFlags & STARTF_USESHOWWINDOW);
  EXPECT_EQ(record.showWindow, static_cast<unsigned>(SW_HIDE));
  ASSERT_EQ(record.arguments.size(), 5u);
  EXPECT_EQ(record.arguments[1], u"--conf-path=httpcurl.conf");
  EXPECT_EQ(record.arguments[2], u"two words");
  EXPECT_EQ(record.arguments[3], u"say \"hi\"");
  EXPECT_EQ(record.arguments[4], u"C:\\end\\");
}

TEST(ProcessesWin, LaunchDetached_QuotesAProgramPathThatHoldsASpace) {
  TempFolder folder;
  fs::path spaced = folder.path() / "data annex" / "httpcurl.exe";
  fs::create_directories(spaced.parent_path());
  fs::copy_file(test::probeProgram(), spaced);

  ASSERT_TRUE(launchDetached(fromPath(spaced), {u"--conf-path=httpcurl.conf"},
                             fromPath(spaced.parent_path())));
  ProbeRecord record;
  ASSERT_TRUE(test::waitForProbeRecord(spaced.parent_path(), record));
  ASSERT_EQ(record.arguments.size(), 2u);
  EXPECT_EQ(record.arguments[0], fromPath(spaced));
  EXPECT_EQ(record.arguments[1], u"--conf-path=httpcurl.conf");
}

TEST(ProcessesWin, LaunchDetached_FailsForAMissingProgramOrFolder) {
  TempFolder folder;
  EXPECT_FALSE(launchDetached(folder.text() + u"\\missing.exe", {}, folder.text()));
  EXPECT_FALSE(launchDetached(fromPath(test::probeProgram()), {}, folder.text() + u"\\missing"));
}

TEST(ProcessesWin, RunningImageNames_SeesALaunchedChildUntilItEnds) {
  TempFolder folder;
  ASSERT_TRUE(launchDetached(fromPath(test::probeProgram()), {u"--stay"}, folder.text()));
  ProbeRecord record;
  ASSERT_TRUE(test::waitForProbeRecord(folder.path(), record));
  EXPECT_TRUE(isRunning(u"httpcurl.exe"));
  EXPECT_FALSE(isRunning(u"HttpCurl.exe"));  // names compare exactly

  test::writeFile(folder.path() / "stop");
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (isRunning(u"httpcurl.exe") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(isRunning(u"httpcurl.exe"));
}

}  // namespace
}  // namespace varnet::platform
