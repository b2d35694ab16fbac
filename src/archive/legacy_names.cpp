#include "archive/legacy_names.h"

#include "platform/text.h"

namespace varnet::archive {
namespace {

constexpr char16_t kFirstEscape = 0xEF80;  // 7-Zip's U+EF00 + b for a byte b >= 0x80
constexpr char16_t kLastEscape = 0xEFFF;

bool isEscape(char16_t c) {
  return c >= kFirstEscape && c <= kLastEscape;
}

// The name's bytes back: escapes become their byte, everything else its UTF-8 form.
std::string rawBytes(const std::u16string& delivered) {
  std::string bytes;
  size_t runStart = 0;
  auto flushRun = [&](size_t end) {
    bytes += toUtf8(std::u16string_view(delivered).substr(runStart, end - runStart));
  };
  for (size_t i = 0; i < delivered.size(); ++i) {
    if (isEscape(delivered[i])) {
      flushRun(i);
      bytes += static_cast<char>(delivered[i] - 0xEF00);
      runStart = i + 1;
    }
  }
  flushRun(delivered.size());
  return bytes;
}

}  // namespace

std::u16string decodeLegacyZipName(const std::u16string& delivered) {
  bool escaped = false;
  for (char16_t c : delivered)
    escaped = escaped || isEscape(c);
  if (!escaped)
    return delivered;  // valid UTF-8, already decoded
  if (std::optional<std::u16string> converted = fromGb18030(rawBytes(delivered)))
    return *converted;
  return delivered;
}

}  // namespace varnet::archive
