#include "archive/legacy_names.h"

#include <iconv.h>

#include <optional>

#include "platform/text.h"

namespace varnet::archive {
namespace {

// The name's bytes back: in the C locale 7z.so turns byte b into U+00b; in a UTF-8 locale it
// decodes valid UTF-8 and turns each other byte b into U+EF00 + b.
std::string rawBytes(const std::u16string& delivered) {
  std::string bytes;
  for (size_t i = 0; i < delivered.size(); ++i) {
    char16_t c = delivered[i];
    if (c < 0x100)
      bytes += static_cast<char>(c);
    else if (c >= 0xEF80 && c <= 0xEFFF)
      bytes += static_cast<char>(c - 0xEF00);
    else
      bytes += toUtf8(std::u16string_view(&delivered[i], 1));
  }
  return bytes;
}

std::optional<std::string> fromGb18030(const std::string& bytes) {
  iconv_t converter = iconv_open("UTF-8", "GB18030");
  if (converter == reinterpret_cast<iconv_t>(-1))
    return std::nullopt;
  std::string out(bytes.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* outPointer = out.data();
  size_t outLeft = out.size();
  size_t result = iconv(converter, &in, &inLeft, &outPointer, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1) || inLeft != 0)
    return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::u16string decodeLegacyZipName(const std::u16string& delivered) {
  std::string bytes = rawBytes(delivered);
  if (std::optional<std::u16string> utf8 = fromUtf8Strict(bytes))
    return *utf8;
  if (std::optional<std::string> converted = fromGb18030(bytes))
    return fromUtf8(*converted);
  return delivered;
}

}  // namespace varnet::archive
