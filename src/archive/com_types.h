#pragma once

// The COM vocabulary of the 7-Zip library's interface: HRESULT, GUID, BSTR, PROPVARIANT and the
// calling convention. Windows takes the SDK's own types; Linux has 7-Zip's layout (see
// com_types_linux.h).

#ifdef _WIN32
#include "archive/com_types_win.h"
#else
#include "archive/com_types_linux.h"
#endif

#include <cstdint>
#include <cstring>

namespace varnet::archive {

constexpr HRESULT kOk = 0;
constexpr HRESULT kFalse = 1;  // a success code: "not this format" from Open
constexpr HRESULT kNotImplemented = static_cast<HRESULT>(0x80004001);
constexpr HRESULT kNoInterface = static_cast<HRESULT>(0x80004002);
constexpr HRESULT kAbort = static_cast<HRESULT>(0x80004004);
constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005);
constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT kInvalidArgument = static_cast<HRESULT>(0x80070057);
constexpr HRESULT kNegativeSeek = static_cast<HRESULT>(0x80070083);

inline bool failed(HRESULT result) {
  return result < 0;
}

inline bool sameGuid(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

}  // namespace varnet::archive
