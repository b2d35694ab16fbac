#pragma once

// The web process's side of the folder chooser (engine::RunFolderDialog): the web process shows
// no windows, so it asks the browser process's folder-chooser service (folder_service.h) and
// waits for the answer. The web extension tells it where the service listens and which page is
// calling.

#include <cstdint>
#include <string>

namespace varnet::engine::webkit {

void setFolderServicePath(std::string path);

// The page whose bridge function is running: the chooser is modal to its window.
void setCallingPage(std::uint64_t pageId);
std::uint64_t callingPage();

}  // namespace varnet::engine::webkit
