// Fuzzes the decoding of IDENTIFY blocks: whatever a drive answers, the fields stay terminated,
// hold no blank or zero byte, are UTF-8 and fit the ATA lengths, and the identity has the
// shape "_" serial "_" model.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "identity/disk_info.h"
#include "platform/text.h"

namespace {

bool wellFormed(const char (&field)[64], size_t longest) {
  const size_t length = strnlen(field, sizeof field);
  return length <= longest && !std::memchr(field, ' ', length) &&
         varnet::fromUtf8Strict(std::string_view(field, length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  varnet::platform::IdentifyResult answer;
  answer.status = varnet::platform::IdentifyStatus::Ok;
  std::memcpy(answer.data.data(), data, std::min(size, answer.data.size()));
  varnet::CMyDiskInfo disk;
  if (disk.Load(answer) != 1 || !wellFormed(disk.serialNumber, 20) ||
      !wellFormed(disk.modelNumber, 40))
    __builtin_trap();
  const std::u16string identity = disk.IdentityText();
  if (identity.empty() || identity[0] != u'_' ||
      identity !=
          u"_" + varnet::fromUtf8(disk.serialNumber) + u"_" + varnet::fromUtf8(disk.modelNumber))
    __builtin_trap();
  return 0;
}
