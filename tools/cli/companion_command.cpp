// varnet-cli companion status | launch: the companion downloader, as the client sees it. Run it
// from the client's folder: the companion is looked for below the current directory.

#include <iostream>

#include "command.h"
#include "companion/companion.h"

namespace varnet::cli {

int runCompanion(const Arguments& arguments) {
  const std::string action = arguments.size() == 1 ? arguments[0] : "";
  if (action == "status") {
    const bool running = IsCompanionRunning();
    std::cout << (running ? "running" : "not running") << "\n";
    return running ? kSuccess : kFailure;
  }
  if (action == "launch") {
    const bool launched = LaunchCompanion();
    std::cout << (launched ? "launched" : "not launched") << "\n";
    return launched ? kSuccess : kFailure;
  }
  return usageError("companion");
}

}  // namespace varnet::cli
