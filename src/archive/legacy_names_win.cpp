#include <windows.h>

#include "archive/legacy_names.h"

namespace varnet::archive {
namespace {

constexpr UINT kGb18030 = 54936;
constexpr UINT kGbk = 936;

std::optional<std::u16string> convert(UINT codePage, std::string_view bytes) {
  const int size = static_cast<int>(bytes.size());
  int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0)
    return std::nullopt;
  std::u16string text(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size,
                      reinterpret_cast<wchar_t*>(text.data()), length);
  return text;
}

}  // namespace

std::optional<std::u16string> fromGb18030(std::string_view bytes) {
  if (bytes.empty())
    return std::u16string();
  if (std::optional<std::u16string> text = convert(kGb18030, bytes))
    return text;
  // Wine 8 has no code page 54936 and reports it as an invalid parameter.
  if (GetLastError() == ERROR_INVALID_PARAMETER)
    return convert(kGbk, bytes);
  return std::nullopt;
}

}  // namespace varnet::archive
