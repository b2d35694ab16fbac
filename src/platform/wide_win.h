#pragma once

// The seam's UTF-16 texts are Windows' wide strings: on Windows both are 16-bit code units, so
// they cross to the Win32 calls without conversion.

#include <string>

namespace varnet::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide strings are UTF-16");

inline const wchar_t* wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::wstring toWide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

inline std::u16string fromWide(const wchar_t* text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

}  // namespace varnet::platform
