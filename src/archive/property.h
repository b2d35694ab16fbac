#pragma once

// A PROPVARIANT filled by 7-Zip and cleared with the library's own function.

#include <optional>
#include <string>

#include "archive/com_object.h"
#include "archive/com_runtime.h"

namespace varnet::archive {

class Property {
 public:
  explicit Property(const ComRuntime& runtime) : runtime_(runtime) { value_.vt = VT_EMPTY; }
  ~Property() { runtime_.clearVariant(&value_); }
  Property(const Property&) = delete;
  Property& operator=(const Property&) = delete;

  // Empty, ready for 7-Zip to fill.
  PROPVARIANT* out() {
    runtime_.clearVariant(&value_);
    value_.vt = VT_EMPTY;
    return &value_;
  }

  std::optional<uint64_t> number() const {
    switch (value_.vt) {
      case VT_UI1:
        return value_.bVal;
      case VT_UI2:
        return value_.uiVal;
      case VT_UI4:
        return value_.ulVal;
      case VT_UI8:
        return value_.uhVal.QuadPart;
      case VT_I8:
        return value_.hVal.QuadPart < 0 ? 0 : uint64_t(value_.hVal.QuadPart);
      default:
        return std::nullopt;
    }
  }
  // FILETIME: 100-ns ticks since 1601-01-01 UTC.
  std::optional<uint64_t> fileTime() const {
    if (value_.vt != VT_FILETIME)
      return std::nullopt;
    return (uint64_t(value_.filetime.dwHighDateTime) << 32) | value_.filetime.dwLowDateTime;
  }
  bool flag() const { return value_.vt == VT_BOOL && value_.boolVal != 0; }
  std::u16string text() const {
    return value_.vt == VT_BSTR ? fromOleText(value_.bstrVal) : std::u16string();
  }

 private:
  const ComRuntime& runtime_;
  PROPVARIANT value_{};
};

}  // namespace varnet::archive
