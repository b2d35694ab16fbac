#include "identity/disk_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/text.h"

namespace varnet {
namespace {

using platform::IdentifyResult;
using platform::IdentifyStatus;

// Writes an ATA string into `words` words from `first` on of an IDENTIFY block: two characters
// per word, the first in the high byte, padded with blanks; the block's words are little-endian.
void putAtaString(IdentifyResult& block, int first, int words, std::string text) {
  text.resize(2 * words, ' ');
  for (int i = 0; i < words; ++i) {
    block.data[2 * (first + i)] = static_cast<uint8_t>(text[2 * i + 1]);
    block.data[2 * (first + i) + 1] = static_cast<uint8_t>(text[2 * i]);
  }
}

IdentifyResult identifyBlock(const std::string& serial, const std::string& model) {
  IdentifyResult block;
  block.status = IdentifyStatus::Ok;
  // The serial number is words 10-19, the model words 27-46; their neighbours must stay out.
  putAtaString(block, 9, 1, "W9");
  putAtaString(block, 10, 10, serial);
  putAtaString(block, 20, 3, "W20");
  putAtaString(block, 23, 4, "FIRMWARE");
  putAtaString(block, 27, 20, model);
  putAtaString(block, 47, 1, "W7");
  return block;
}

std::u16string identityOf(const IdentifyResult& block) {
  CMyDiskInfo disk;
  EXPECT_EQ(disk.Load(block), 1);
  return disk.IdentityText();
}

TEST(DiskIdentity, DropsEveryBlankAndZeroByteWhereverItStands) {
  EXPECT_EQ(identityOf(identifyBlock("    S1Z2X3Y4", "XY1000-1AB")), u"_S1Z2X3Y4_XY1000-1AB");
  EXPECT_EQ(identityOf(identifyBlock("SN 1", "XY SSD 860 500GB")), u"_SN1_XYSSD860500GB");
  EXPECT_EQ(identityOf(identifyBlock(std::string("AB\0\0CD", 6), std::string("M\0ODEL\0", 7))),
            u"_ABCD_MODEL");
  EXPECT_EQ(identityOf(identifyBlock("", "")), u"__");
}

TEST(DiskIdentity, KeepsFullLengthFieldsWhole) {
  const std::string serial = "S234567890123456789Z";                     // 20 characters
  const std::string model = "M23456789012345678901234567890123456789Z";  // 40 characters
  EXPECT_EQ(toUtf8(identityOf(identifyBlock(serial, model))), "_" + serial + "_" + model);
}

TEST(DiskIdentity, AFieldThatIsNotUtf8IsEmptyAndAUtf8OneIsDecoded) {
  EXPECT_EQ(identityOf(identifyBlock("\xFF\xFE"
                                     "ABC",
                                     "Mod\xC3\xA9le")),
            u"__Mod\u00E9le");
  EXPECT_EQ(identityOf(identifyBlock("SER", "MO\xE4\xB8")), u"_SER_");  // cut short
}

TEST(DiskIdentity, ReportsAFailedQueryAndLeavesTheFieldsAlone) {
  CMyDiskInfo disk;
  std::strcpy(disk.serialNumber, "KEPT");
  IdentifyResult failed;
  failed.status = IdentifyStatus::OpenFailed;
  EXPECT_EQ(disk.Load(failed), -1);
  failed.status = IdentifyStatus::RequestFailed;
  EXPECT_EQ(disk.Load(failed), -3);
  EXPECT_STREQ(disk.serialNumber, "KEPT");
}

TEST(WordsToText, RefusesRangesOutsideTheBlockOrLongerThan127Words) {
  std::array<uint32_t, 256> words{};
  words[0] = 0x4142;  // "AB"
  words[255] = 0x4344;
  EXPECT_EQ(WordsToText(words, 255, 255), "CD");
  EXPECT_EQ(WordsToText(words, 0, 126), "AB");
  for (auto [first, last] : {std::pair{1, 0}, {-1, 1}, {250, 256}, {0, 127}})
    EXPECT_EQ(WordsToText(words, first, last), "") << first << ".." << last;
}

TEST(DiskIdentity, OfThisMachineIsTwoUnderscoresWhenTheDiskGivesNoData) {
  CMyDiskInfo probe;
  const bool readable = probe.QueryDrive() == 1;
  CMyDiskInfo disk;
  const std::u16string identity = disk.GetIdentity();
  if (!readable) {
    EXPECT_EQ(identity, u"__");
  } else {
    ASSERT_GE(identity.size(), 2u);
    EXPECT_EQ(identity[0], u'_');
    EXPECT_EQ(identity.find(u' '), std::u16string::npos);
  }
#ifndef _WIN32
  if (std::filesystem::exists("/sys/block/vda") && !std::filesystem::exists("/sys/block/sda")) {
    EXPECT_EQ(identity, u"__");  // a virtio disk has no IDENTIFY data
  }
#endif
}

}  // namespace
}  // namespace varnet
