#include "browser/exit_watcher.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "companion/companion.h"
#include "platform/log.h"

namespace varnet {

void startExitWatcher() {
  std::thread([] {
    while (IsCompanionRunning())
      std::this_thread::sleep_for(std::chrono::seconds(1));
    log::info("companion gone: the client ends with 0");
    std::fflush(nullptr);
    std::_Exit(0);  // at once, like TerminateProcess: no destructors race the UI thread
  }).detach();
}

}  // namespace varnet
