#include "app/startup.h"

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

}  // namespace varnet
