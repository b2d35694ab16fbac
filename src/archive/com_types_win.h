#pragma once

// On Windows 7z.dll speaks real COM: the SDK's types, OLE Automation BSTRs, and __stdcall
// methods (which matters on 32-bit x86).

#include <windows.h>

#include <oleauto.h>
#include <propidl.h>

#define VARNET_7Z_CALL __stdcall

namespace varnet::archive {

using ::BSTR;
using ::FILETIME;
using ::GUID;
using ::HRESULT;
using ::OLECHAR;
using ::PROPID;
using ::PROPVARIANT;
using ::VARIANT_BOOL;
using ::VARTYPE;

}  // namespace varnet::archive
