#pragma once

// The machine identity: "_" + serial number + "_" + model number of the first physical disk, as
// the disk reports them in its ATA IDENTIFY DEVICE data.

#include <array>
#include <cstdint>
#include <string>

#include "platform/disk.h"

namespace varnet {

class CMyDiskInfo {
 public:
  virtual ~CMyDiskInfo() = default;

  // Queries the first disk afresh and composes the identity; "__" when it cannot be read.
  std::u16string GetIdentity();

  // Fills the fields from the first disk: 1 when filled, -1 when the drive could not be opened,
  // -3 when it did not answer the identify request.
  int QueryDrive();

  // Fills the fields from an identify answer, with QueryDrive's results.
  int Load(const platform::IdentifyResult& answer);

  // The identity text of the fields as they stand.
  std::u16string IdentityText() const;

  char modelNumber[64] = {};
  char serialNumber[64] = {};
};

// The ATA string in words first..last (at most 127 words, within the 256): each word's high byte
// then its low byte, with every zero byte and every space left out. Empty for a range outside
// the block.
std::string WordsToText(const std::array<uint32_t, 256>& words, int first, int last);

}  // namespace varnet
