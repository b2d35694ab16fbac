#include "browser/exit_watcher.h"

#include <chrono>
#include <thread>

#include "companion/companion.h"
#include "platform/log.h"
#include "platform/processes.h"

namespace varnet {

void startExitWatcher() {
  std::thread([] {
    while (IsCompanionRunning())
      std::this_thread::sleep_for(std::chrono::seconds(1));
    log::info("companion gone: the client ends with 0");
    // At once: no destructors race the UI thread, no engine shutdown code runs.
    platform::terminateThisProcess(0);
  }).detach();
}

}  // namespace varnet
