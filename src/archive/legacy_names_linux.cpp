#include <iconv.h>

#include "archive/legacy_names.h"
#include "platform/text.h"

namespace varnet::archive {

std::optional<std::u16string> fromGb18030(std::string_view bytes) {
  iconv_t converter = iconv_open("UTF-8", "GB18030");
  if (converter == reinterpret_cast<iconv_t>(-1))
    return std::nullopt;
  std::string in(bytes);
  std::string out(bytes.size() * 4 + 4, '\0');
  char* inPointer = in.data();
  size_t inLeft = in.size();
  char* outPointer = out.data();
  size_t outLeft = out.size();
  size_t result = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1) || inLeft != 0)
    return std::nullopt;
  out.resize(out.size() - outLeft);
  return fromUtf8(out);
}

}  // namespace varnet::archive
