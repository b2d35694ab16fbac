#include <windows.h>

#include "platform/log.h"
#include "platform/wide_win.h"

namespace varnet::log::detail {

// With FILE_APPEND_DATA alone the system writes at the end of the file in one step, whichever
// process appends at the same time (the C runtime's append mode seeks first and can overwrite).
AppendResult appendToFile(const std::u16string& path,
                          std::string_view bytes,
                          std::uintmax_t sizeLimit) {
  HANDLE file = CreateFileW(platform::wide(path), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return AppendResult::Failed;
  LARGE_INTEGER size{};
  AppendResult result = AppendResult::Written;
  DWORD written = 0;
  if (!GetFileSizeEx(file, &size)) {
    result = AppendResult::Failed;
  } else if (static_cast<std::uintmax_t>(size.QuadPart) >= sizeLimit) {
    result = AppendResult::Full;
  } else if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
             written != bytes.size()) {
    result = AppendResult::Failed;
  }
  CloseHandle(file);
  return result;
}

unsigned long processId() {
  return GetCurrentProcessId();
}

}  // namespace varnet::log::detail
