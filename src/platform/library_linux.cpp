#include "platform/library.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/text.h"

namespace varnet::platform {

std::unique_ptr<Library> Library::load(const std::u16string& path) {
  void* handle = dlopen(toUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle)
    return nullptr;
  return std::unique_ptr<Library>(new Library(handle));
}

Library::~Library() {
  dlclose(handle_);
}

void* Library::symbol(const char* name) const {
  return dlsym(handle_, name);
}

std::u16string thisModuleFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&thisModuleFolder), &info) || !info.dli_fname)
    return {};
  std::error_code error;
  std::filesystem::path module = std::filesystem::canonical(info.dli_fname, error);
  if (error)
    return {};
  return fromPath(module.parent_path());
}

}  // namespace varnet::platform
