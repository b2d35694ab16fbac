#pragma once

// CEF's strings on Windows are UTF-16, like the seam's texts.

#include <string>

#include "include/internal/cef_string.h"

namespace varnet::engine::cef_adapter {

inline std::u16string fromCef(const CefString& text) {
  return text.ToString16();
}

inline CefString toCef(const std::u16string& text) {
  return CefString(text);
}

}  // namespace varnet::engine::cef_adapter
