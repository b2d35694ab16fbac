// varnet-cli unpack: runs exactly the job that the page's cb_unzip starts and prints its progress
// as the page would poll it, and on a failure the reason the page never sees. The operators'
// check of a package before they publish it.

#include <chrono>
#include <iostream>
#include <thread>

#include "command.h"
#include "install/unpack_job.h"
#include "platform/text.h"
#include "terminal.h"

namespace varnet::cli {
namespace {

// Reads "--name value" options after the two folders; false on anything else.
bool parse(const Arguments& arguments, UnpackRequest& request) {
  if (arguments.size() < 2)
    return false;
  request.setupPath = fromUtf8(arguments[0]);
  request.packageDir = fromUtf8(arguments[1]);
  request.setupMode = 2;  // a check: keep the package folder, write no shortcut
  for (size_t i = 2; i < arguments.size(); i += 2) {
    if (i + 1 >= arguments.size())
      return false;
    const std::string& name = arguments[i];
    const std::string& value = arguments[i + 1];
    if (name == "--shortcut") {
      request.shortcutName = fromUtf8(value);
    } else if (name == "--exe") {
      request.exePath = fromUtf8(value);
    } else if (name == "--password") {
      request.password = fromUtf8(value);
    } else if (name == "--mode") {
      try {
        size_t used = 0;
        request.setupMode = std::stoi(value, &used);
        if (used != value.size())
          return false;
      } catch (const std::exception&) {
        return false;
      }
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int runUnpack(const Arguments& arguments) {
  UnpackRequest request;
  if (!parse(arguments, request))
    return usageError("unpack");
  UnpackJob job;
  job.start(request);
  // On a terminal one line is redrawn in place; elsewhere (a log, a pipe) each value gets a line.
  const bool terminal = standardOutputIsTerminal();
  int32_t shown = INT32_MIN;
  for (;;) {
    const int32_t progress = job.progress();
    if (progress != shown) {
      std::cout << (terminal ? "\rprogress " : "progress ") << progress << (terminal ? "   " : "\n")
                << std::flush;
      shown = progress;
    }
    if (progress == UnpackJob::kSucceeded || progress == UnpackJob::kFailed)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (terminal)
    std::cout << "\n";
  std::cout << "setup path " << toUtf8(job.setupPath()) << std::endl;
  if (shown == UnpackJob::kSucceeded)
    return kSuccess;
  if (std::optional<archive::Error> error = job.lastError())
    std::cerr << "error: " << error->message << std::endl;
  return kFailure;
}

}  // namespace varnet::cli
