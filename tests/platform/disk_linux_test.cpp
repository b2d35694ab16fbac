#include "platform/disk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace varnet::platform {
namespace {

// A virtio disk carries no ATA IDENTIFY data, whatever is asked of it.
TEST(ReadFirstDiskIdentify, GivesNoDataForAVirtioFirstDisk) {
  namespace fs = std::filesystem;
  bool virtioOnly = fs::exists("/sys/block/vda");
  for (const char* other : {"/sys/block/sda", "/sys/block/hda", "/sys/block/nvme0n1"})
    virtioOnly = virtioOnly && !fs::exists(other);
  if (!virtioOnly)
    GTEST_SKIP() << "the first disk here is not a virtio disk";
  IdentifyResult result = readFirstDiskIdentify();
  EXPECT_NE(result.status, IdentifyStatus::Ok);
  EXPECT_TRUE(std::all_of(result.data.begin(), result.data.end(), [](uint8_t b) { return !b; }));
}

}  // namespace
}  // namespace varnet::platform
