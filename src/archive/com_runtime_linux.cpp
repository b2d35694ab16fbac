#include "archive/com_runtime.h"

#include "archive/interfaces.h"

namespace varnet::archive {

std::optional<ComRuntime> comRuntimeFor(const platform::Library& library) {
  // 7z.so exports the allocator it uses itself (malloc behind a 32-bit byte length).
  ComRuntime runtime{};
  runtime.allocString = library.function<BSTR (*)(const OLECHAR*, unsigned)>("SysAllocStringLen");
  runtime.freeString = library.function<void (*)(BSTR)>("SysFreeString");
  runtime.clearVariant = library.function<HRESULT (*)(PROPVARIANT*)>("VariantClear");
  if (!runtime.allocString || !runtime.freeString || !runtime.clearVariant)
    return std::nullopt;
  return runtime;
}

bool hasExpectedInterfaceLayout(const platform::Library& library, const ComRuntime& runtime) {
  // Only builds that report interface type 0 have IUnknown without a virtual destructor; p7zip
  // and 7-Zip before 23 on Linux do not export GetModuleProp at all.
  auto getModuleProp = library.function<GetModulePropFunction>("GetModuleProp");
  if (!getModuleProp)
    return false;
  PROPVARIANT value{};
  value.vt = VT_EMPTY;
  bool matches = getModuleProp(0, &value) == kOk && value.vt == VT_UI4 && value.ulVal == 0;
  runtime.clearVariant(&value);
  return matches;
}

}  // namespace varnet::archive
