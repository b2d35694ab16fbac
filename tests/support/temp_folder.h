#pragma once

// Test support: a fresh folder under the system's temp folder, removed with everything in it
// at the end of the test, and environment variables set for one test.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <system_error>

#include "platform/text.h"

namespace varnet::testing {

class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "varnet-test") {
    std::random_device random;
    for (;;) {
      path_ = std::filesystem::temp_directory_path() /
              (prefix + "-" + std::to_string(random()) + std::to_string(random()));
      if (std::filesystem::create_directory(path_))
        break;
    }
  }
  ~TempFolder() {
    std::error_code error;
    // Give back what a test took away, so that everything can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      if (!it->is_symlink())
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    }
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // `name` is UTF-8 (a narrow name on Windows would be read in the ANSI code page).
  std::filesystem::path operator/(const std::string& name) const {
    return path_ / std::filesystem::u8path(name);
  }
  // The folder as the client takes paths: UTF-16 text.
  std::u16string text() const { return fromPath(path_); }
  std::u16string text(const std::string& name) const { return fromPath(*this / name); }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& file, const std::string& content = "x") {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << content;
}

inline std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets (or, with nothing, unsets) an environment variable for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name))
      old_ = old;
    set(value);
  }
  ~ScopedEnvironment() { set(old_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void set(const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv_s(name_.c_str(), value ? value->c_str() : "");
#else
    if (value)
      setenv(name_.c_str(), value->c_str(), 1);
    else
      unsetenv(name_.c_str());
#endif
  }
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace varnet::testing
