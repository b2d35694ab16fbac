#include "platform/disk.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace varnet::platform {
namespace {

// Wine opens \\.\PHYSICALDRIVE0 but has no SMART requests, and a process without administrator
// rights cannot open the drive at all: either way the answer is a failure with no data.
TEST(DiskWin, ReadFirstDiskIdentify_FailsCleanlyWhereTheDriveGivesNoIdentifyData) {
  IdentifyResult first = readFirstDiskIdentify();
  EXPECT_NE(first.status, IdentifyStatus::Ok);
  EXPECT_TRUE(std::all_of(first.data.begin(), first.data.end(), [](uint8_t b) { return b == 0; }));

  // The device was closed after the failed request: it opens again, with the same answer.
  IdentifyResult second = readFirstDiskIdentify();
  EXPECT_EQ(second.status, first.status);
}

}  // namespace
}  // namespace varnet::platform
