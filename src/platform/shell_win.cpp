#include "platform/shell.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdlib>

#include "platform/wide_win.h"

namespace varnet::platform {

bool shellOpen(const std::u16string& target,
               const std::u16string& parameters,
               const std::u16string& workingDir) {
  HINSTANCE result =
      ShellExecuteW(nullptr, L"open", wide(target), parameters.empty() ? nullptr : wide(parameters),
                    workingDir.empty() ? nullptr : wide(workingDir), SW_SHOWNORMAL);
  // ShellExecuteW reports success as a value above 32.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

void powerOff() {
  std::system("shutdown /s /t 0");
}

}  // namespace varnet::platform
