#include "app/startup.h"
#include "companion/companion.h"
#include "config.h"
#include "platform/instance.h"

namespace varnet {

StartupSteps systemStartupSteps(const std::u16string& windowClass) {
  return {
      [windowClass] {
        return platform::findVisibleInstanceWindow(windowClass, config::kMainWindowTitle);
      },
      platform::focusInstanceWindow,
      [] { return platform::acquireInstanceLock(kInstanceLockName); },
      IsCompanionRunning,
      LaunchCompanion,
  };
}

}  // namespace varnet
