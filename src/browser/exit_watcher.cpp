#include "browser/exit_watcher.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "companion/companion.h"

namespace varnet {

void startExitWatcher() {
  std::thread([] {
    while (IsCompanionRunning())
      std::this_thread::sleep_for(std::chrono::seconds(1));
    std::fflush(nullptr);
    std::_Exit(0);  // at once, like TerminateProcess: no destructors race the UI thread
  }).detach();
}

}  // namespace varnet
