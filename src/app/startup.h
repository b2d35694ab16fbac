#pragma once

// The portable decisions of the browser process's start-up: the single-instance rule and the
// companion check, with the OS steps handed in so that each port (and the tests) supplies them.

#include <functional>

#include "platform/instance.h"
#include "platform/window.h"

namespace varnet {

// Exit codes of the client's entry.
inline constexpr int kExitFocusHandedOver = 0;  // another visible instance got the focus
inline constexpr int kExitLoopEnded = 1;        // the message loop ended

// The single-instance mutex's name.
inline constexpr char16_t kInstanceLockName[] = u"korvelapp";

struct StartupSteps {
  std::function<platform::WindowHandle()> findVisibleInstance;
  std::function<void(platform::WindowHandle)> focusInstance;
  std::function<platform::InstanceLock()> acquireLock;
  std::function<bool()> isCompanionRunning;
  std::function<bool()> launchCompanion;
};

enum class StartupDecision { HandOverFocus, StartBrowserProcess };

// With an empty command line (the user's launch): a visible instance gets the focus and this
// process ends; otherwise the lock is taken and, unless another process already holds it, the
// companion downloader is started when missing. Any argument skips both: the process becomes a
// browser process whatever runs already.
StartupDecision applySingleInstanceRule(bool emptyCommandLine, const StartupSteps& steps);

}  // namespace varnet
