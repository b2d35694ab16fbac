#include "platform/instance.h"

#include <windows.h>

#include "platform/wide_win.h"

namespace varnet::platform {

WindowHandle findVisibleInstanceWindow(const std::u16string& windowClass,
                                       const std::u16string& title) {
  HWND window = FindWindowW(wide(windowClass), wide(title));
  return window && IsWindowVisible(window) ? window : nullptr;
}

void focusInstanceWindow(WindowHandle window) {
  SwitchToThisWindow(static_cast<HWND>(window), TRUE);
  SetForegroundWindow(static_cast<HWND>(window));
}

InstanceLock acquireInstanceLock(const std::u16string& name) {
  // The handle is never closed: the mutex marks this instance for the life of the process.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, wide(name));
  if (!mutex)
    return InstanceLock::Failed;
  return GetLastError() == ERROR_ALREADY_EXISTS ? InstanceLock::AlreadyExists
                                                : InstanceLock::Created;
}

}  // namespace varnet::platform
