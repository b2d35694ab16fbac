#pragma once

// Shared libraries loaded at run time: dlopen on Linux, LoadLibraryW on Windows.

#include <memory>
#include <string>

namespace varnet::platform {

class Library {
 public:
  // The library at `path` (a bare file name uses the system's normal search), or null when it
  // cannot be loaded.
  static std::unique_ptr<Library> load(const std::u16string& path);

  ~Library();  // unloads it
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // The exported symbol, or null.
  void* symbol(const char* name) const;

  template <class Function>
  Function function(const char* name) const {
    return reinterpret_cast<Function>(symbol(name));
  }

 private:
  explicit Library(void* handle) : handle_(handle) {}
  void* handle_;
};

// The folder of the module (program or shared library) that contains this code.
std::u16string thisModuleFolder();

}  // namespace varnet::platform
