#pragma once

// A file that one writer creates and fills from start to end. It is created only where nothing
// of its name exists, so that it is never written through a link, and it gets its time and
// permissions through the open handle rather than by two more lookups of its path.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

namespace varnet::platform {

// 1970-01-01 in FILETIME ticks (100 ns since 1601, UTC).
inline constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;

class OutputFile {
 public:
  enum class Created { Yes, NameTaken, Failed };

  OutputFile() = default;
  ~OutputFile();  // closes what is still open, without a word
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file for writing. NameTaken: a file, folder or link of that name is there
  // already (it was left as it is).
  Created create(const std::filesystem::path& path);

  // Writes all `size` bytes, or fails.
  bool write(const void* data, size_t size);

  // Sets what is given, as well as it can: the modification time as FILETIME ticks (100 ns
  // since 1601, UTC) and the Unix permission bits. Windows knows only the owner's write bit:
  // without it the file becomes read-only.
  void setTimeAndMode(std::optional<uint64_t> modifiedTicks, std::optional<uint32_t> mode);

  // Closes the file; false when the last of its data could not be written.
  bool close();

  bool isOpen() const { return handle_ != kClosed; }
  // Why the last create, write or close failed.
  std::error_code error() const { return error_; }

 private:
  static constexpr intptr_t kClosed = -1;  // neither a descriptor nor a HANDLE
  intptr_t handle_ = kClosed;
  std::error_code error_;
};

}  // namespace varnet::platform
