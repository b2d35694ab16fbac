#pragma once

// The BSTR and PROPVARIANT functions shared with the 7-Zip library. Strings cross the interface
// in both directions (7-Zip frees the password we hand it), so both sides must use one allocator:
// on Linux 7z.so's own exports, on Windows OLE Automation.

#include <optional>

#include "archive/com_types.h"
#include "platform/library.h"

namespace varnet::archive {

struct ComRuntime {
  BSTR (*allocString)(const OLECHAR* text, unsigned length);
  void (*freeString)(BSTR text);
  HRESULT (*clearVariant)(PROPVARIANT* value);
};

// The functions that `library` itself uses, or nothing when it does not provide them.
std::optional<ComRuntime> comRuntimeFor(const platform::Library& library);

// Whether the library's interfaces have the layout of interfaces.h (IUnknown without a virtual
// destructor). A library with the older layout would crash at its first call, so it is refused.
bool hasExpectedInterfaceLayout(const platform::Library& library, const ComRuntime& runtime);

}  // namespace varnet::archive
