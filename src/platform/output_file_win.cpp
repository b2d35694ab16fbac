#include "platform/output_file.h"

#include <windows.h>

namespace varnet::platform {
namespace {

std::error_code lastError() {
  const DWORD code = GetLastError();
  if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL)
    return std::make_error_code(std::errc::no_space_on_device);
  return std::error_code(static_cast<int>(code), std::system_category());
}

HANDLE handleOf(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

OutputFile::~OutputFile() {
  if (isOpen())
    CloseHandle(handleOf(handle_));
}

OutputFile::Created OutputFile::create(const std::filesystem::path& path) {
  // CREATE_NEW fails on any name that is taken, a symbolic link or junction included. Reading the
  // attributes back is what setTimeAndMode needs beyond writing.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    error_ = lastError();
    return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ? Created::NameTaken
                                                                     : Created::Failed;
  }
  handle_ = reinterpret_cast<intptr_t>(file);
  return Created::Yes;
}

bool OutputFile::write(const void* data, size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(handleOf(handle_), next, chunk, &written, nullptr)) {
      error_ = lastError();
      return false;
    }
    if (written == 0) {
      error_ = std::make_error_code(std::errc::io_error);
      return false;
    }
    next += written;
    size -= written;
  }
  return true;
}

void OutputFile::setTimeAndMode(std::optional<uint64_t> modifiedTicks,
                                std::optional<uint32_t> mode) {
  FILE_BASIC_INFO info;
  if (!GetFileInformationByHandleEx(handleOf(handle_), FileBasicInfo, &info, sizeof info))
    return;
  if (modifiedTicks)
    info.LastWriteTime.QuadPart = static_cast<LONGLONG>(*modifiedTicks);
  if (mode && !(*mode & 0200))
    info.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  SetFileInformationByHandle(handleOf(handle_), FileBasicInfo, &info, sizeof info);
}

bool OutputFile::close() {
  if (!isOpen())
    return true;
  HANDLE file = handleOf(handle_);
  handle_ = kClosed;
  if (!CloseHandle(file)) {
    error_ = lastError();
    return false;
  }
  return true;
}

}  // namespace varnet::platform
