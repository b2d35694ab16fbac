#pragma once

// The support log's start in the browser process (the log itself: platform/log.h; render
// processes open it with log::Run::Continue).

#include <string>
#include <vector>

namespace varnet {

// The browser process: a new run of the log in `clientFolder`, opened with what support asks
// first: the client's version, the engine and its version, the portal address and the arguments
// the process was started with.
void startBrowserProcessLog(const std::u16string& clientFolder,
                            const std::vector<std::u16string>& arguments);

}  // namespace varnet
