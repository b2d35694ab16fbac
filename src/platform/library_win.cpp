#include "platform/library.h"

#include <windows.h>

#include <filesystem>

#include "platform/text.h"

namespace varnet::platform {

std::unique_ptr<Library> Library::load(const std::u16string& path) {
  std::wstring name(path.begin(), path.end());
  HMODULE handle = LoadLibraryW(name.c_str());
  if (!handle)
    return nullptr;
  return std::unique_ptr<Library>(new Library(handle));
}

Library::~Library() {
  FreeLibrary(static_cast<HMODULE>(handle_));
}

void* Library::symbol(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::u16string thisModuleFolder() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&thisModuleFolder), &module))
    return {};
  std::wstring buffer(32768, L'\0');
  DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size())
    return {};
  buffer.resize(length);
  return fromPath(std::filesystem::path(buffer).parent_path());
}

}  // namespace varnet::platform
