#include "archive/com_runtime.h"

#include "archive/interfaces.h"

namespace varnet::archive {
namespace {

// OLE Automation's functions are __stdcall on 32-bit x86; these adapt them to ComRuntime.
BSTR allocString(const OLECHAR* text, unsigned length) {
  return SysAllocStringLen(text, length);
}
void freeString(BSTR text) {
  SysFreeString(text);
}
HRESULT clearVariant(PROPVARIANT* value) {
  return PropVariantClear(value);
}

}  // namespace

std::optional<ComRuntime> comRuntimeFor(const platform::Library&) {
  return ComRuntime{&allocString, &freeString, &clearVariant};
}

bool hasExpectedInterfaceLayout(const platform::Library& library, const ComRuntime& runtime) {
  // Windows builds never had a virtual destructor in IUnknown; versions before 23 lack
  // GetModuleProp and are fine.
  auto getModuleProp = library.function<GetModulePropFunction>("GetModuleProp");
  if (!getModuleProp)
    return true;
  PROPVARIANT value{};
  value.vt = VT_EMPTY;
  bool matches = getModuleProp(0, &value) != kOk || value.vt != VT_UI4 || value.ulVal == 0;
  runtime.clearVariant(&value);
  return matches;
}

}  // namespace varnet::archive
