#pragma once

// The single-instance rule: finding the visible main window of an instance that already runs,
// and the named lock that tells a first launch from a later one.

#include <string>

#include "platform/window.h"

namespace varnet::platform {

// A visible top-level window of another process whose window class is `windowClass` and whose
// title is exactly `title`, by FindWindowW + IsWindowVisible on Windows and by the X11 WM_CLASS
// and _NET_WM_NAME / WM_NAME of mapped top-level windows on Linux. Null when there is none or
// the look-up fails.
WindowHandle findVisibleInstanceWindow(const std::u16string& windowClass,
                                       const std::u16string& title);

// Brings the window found above to the front and gives it the keyboard focus
// (SwitchToThisWindow + SetForegroundWindow on Windows; raise and activate on X11). The handle is
// released afterwards: it is only good for this one call.
void focusInstanceWindow(WindowHandle window);

enum class InstanceLock { Created, AlreadyExists, Failed };

// Takes the named lock "name" for the life of the process and tells whether it is new, was
// already held by another process, or could not be made: CreateMutexW + ERROR_ALREADY_EXISTS on
// Windows; an flock on "<runtime folder>/<name>.lock" on Linux, in $XDG_RUNTIME_DIR or else a
// per-user folder under /tmp. The lock is never released before the process ends.
InstanceLock acquireInstanceLock(const std::u16string& name);

}  // namespace varnet::platform
