#include "identity/disk_info.h"

#include <cstring>

#include "platform/text.h"

namespace varnet {
namespace {

constexpr int kSerialFirst = 10, kSerialLast = 19;
constexpr int kModelFirst = 27, kModelLast = 46;
constexpr int kLongestRange = 127;

// Copies a decoded ATA string into a field, keeping its terminator. A drive that reports bytes
// that are not UTF-8 leaves the field empty: nothing else could make a text of them.
void setField(char (&field)[64], const std::string& text) {
  std::memset(field, 0, sizeof field);
  if (fromUtf8Strict(text))
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field - 1));
}

}  // namespace

std::string WordsToText(const std::array<uint32_t, 256>& words, int first, int last) {
  std::string text;
  if (first < 0 || last >= static_cast<int>(words.size()) || first > last ||
      last - first + 1 > kLongestRange)
    return text;
  for (int i = first; i <= last; ++i) {
    for (char byte :
         {static_cast<char>((words[i] >> 8) & 0xFF), static_cast<char>(words[i] & 0xFF)}) {
      if (byte != '\0' && byte != ' ')
        text += byte;
    }
  }
  return text;
}

int CMyDiskInfo::Load(const platform::IdentifyResult& answer) {
  if (answer.status == platform::IdentifyStatus::OpenFailed)
    return -1;
  if (answer.status == platform::IdentifyStatus::RequestFailed)
    return -3;
  std::array<uint32_t, 256> words{};
  for (size_t i = 0; i < words.size(); ++i)
    words[i] = answer.data[2 * i] | (uint32_t{answer.data[2 * i + 1]} << 8);
  setField(serialNumber, WordsToText(words, kSerialFirst, kSerialLast));
  setField(modelNumber, WordsToText(words, kModelFirst, kModelLast));
  return 1;
}

int CMyDiskInfo::QueryDrive() {
  return Load(platform::readFirstDiskIdentify());
}

std::u16string CMyDiskInfo::IdentityText() const {
  return u"_" + fromUtf8(serialNumber) + u"_" + fromUtf8(modelNumber);
}

std::u16string CMyDiskInfo::GetIdentity() {
  std::memset(serialNumber, 0, sizeof serialNumber);
  std::memset(modelNumber, 0, sizeof modelNumber);
  if (QueryDrive() < 0) {
    std::memset(serialNumber, 0, sizeof serialNumber);
    std::memset(modelNumber, 0, sizeof modelNumber);
  }
  return IdentityText();
}

}  // namespace varnet
