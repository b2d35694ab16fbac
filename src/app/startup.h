#pragma once

// The portable part of the browser process's start-up: the single-instance rule and the
// companion check, with the OS steps handed in so that each port (and the tests) supplies them,
// and what the engine and the main window start with.

#include <cstdint>
#include <functional>
#include <string>

#include "engine/engine.h"
#include "platform/instance.h"
#include "platform/window.h"

namespace varnet {

// Exit codes of the client's entry.
inline constexpr int kExitFocusHandedOver = 0;  // another visible instance got the focus
inline constexpr int kExitLoopEnded = 1;        // the message loop ended
inline constexpr int kExitCannotStart = 2;      // no display (Linux), or the engine did not start

// The single-instance mutex's name.
inline constexpr char16_t kInstanceLockName[] = u"korvelapp";

struct StartupSteps {
  std::function<platform::WindowHandle()> findVisibleInstance;
  std::function<void(platform::WindowHandle)> focusInstance;
  std::function<platform::InstanceLock()> acquireLock;
  std::function<bool()> isCompanionRunning;
  std::function<bool()> launchCompanion;
};

// The steps as the client takes them: the OS's instance look-up for windows of `windowClass`
// titled as the main window, the "korvelapp" lock, and the companion downloader's supervision.
StartupSteps systemStartupSteps(const std::u16string& windowClass);

enum class StartupDecision { HandOverFocus, StartBrowserProcess };

// With an empty command line (the user's launch): a visible instance gets the focus and this
// process ends; otherwise the lock is taken and, unless another process already holds it, the
// companion downloader is started when missing. Any argument skips both: the process becomes a
// browser process whatever runs already.
StartupDecision applySingleInstanceRule(bool emptyCommandLine, const StartupSteps& steps);

// WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE; the browser client
// strips the frame once the window exists.
inline constexpr std::uint32_t kMainWindowStyle = 0x16CF0000;

// The engine settings of the browser process, with the engine's cache at `cachePath` (the
// current folder followed by the port's "/cache/" or "\cache\").
engine::Settings browserProcessSettings(const std::u16string& cachePath);

// The main window as it is created, and the address it starts at.
engine::WindowInfo mainWindowInfo();
std::u16string startAddress();

}  // namespace varnet
