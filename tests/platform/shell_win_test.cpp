#include "platform/shell.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text.h"
#include "support/win_test_support.h"

namespace varnet::platform {
namespace {

namespace fs = std::filesystem;

// powerOff is never called here: it would end the machine's session.

TEST(ShellWin, ShellOpen_StartsAProgramWithItsParametersInTheGivenFolder) {
  test::TempFolder folder;
  ASSERT_TRUE(shellOpen(fromPath(test::probeProgram()), u"alpha \"beta gamma\"", folder.text()));
  test::ProbeRecord record;
  ASSERT_TRUE(test::waitForProbeRecord(folder.path(), record));
  EXPECT_EQ(record.currentDirectory, folder.text());
  ASSERT_EQ(record.arguments.size(), 3u);
  EXPECT_EQ(record.arguments[1], u"alpha");
  EXPECT_EQ(record.arguments[2], u"beta gamma");
}

TEST(ShellWin, ShellOpen_FailsForAMissingTarget) {
  test::TempFolder folder;
  EXPECT_FALSE(shellOpen(folder.text() + u"\\missing.exe"));
}

}  // namespace
}  // namespace varnet::platform
