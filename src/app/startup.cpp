#include "app/startup.h"

#include "config.h"

namespace varnet {

StartupDecision applySingleInstanceRule(bool emptyCommandLine, const StartupSteps& steps) {
  if (!emptyCommandLine)
    return StartupDecision::StartBrowserProcess;
  if (platform::WindowHandle running = steps.findVisibleInstance()) {
    steps.focusInstance(running);
    return StartupDecision::HandOverFocus;
  }
  // A hidden instance does not stop this launch; its lock only spares the companion check.
  // A lock that could not be made counts as a new one.
  if (steps.acquireLock() != platform::InstanceLock::AlreadyExists && !steps.isCompanionRunning())
    steps.launchCompanion();
  return StartupDecision::StartBrowserProcess;
}

engine::Settings browserProcessSettings(const std::u16string& cachePath) {
  engine::Settings settings;
  settings.no_sandbox = true;
  settings.multi_threaded_message_loop = false;  // the engine's UI thread is the main thread
  settings.log_severity = engine::LOGSEVERITY_DISABLE;
  settings.ignore_certificate_errors = true;
  settings.cache_path = cachePath;
  settings.root_cache_path = cachePath;
  return settings;
}

engine::WindowInfo mainWindowInfo() {
  engine::WindowInfo window;
  window.window_name = config::kMainWindowTitle;
  window.style = kMainWindowStyle;
  window.width = config::kMainWindowWidth;
  window.height = config::kMainWindowHeight;
  return window;
}

std::u16string startAddress() {
  return std::u16string(config::kPortalBaseUrl) + config::kStartPage;
}

}  // namespace varnet
