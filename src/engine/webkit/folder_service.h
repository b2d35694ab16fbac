#pragma once

// The browser process's side of the render process's folder chooser: a local socket service
// that shows a modal GTK folder chooser for each request and answers with the chosen folder.

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <string>

namespace varnet::engine::webkit {

// Starts the service on a fresh socket in a private temporary folder and returns its path (empty
// when it could not start). `ownerOf` names the window of a web page, by page id, that the
// chooser is modal to (null: none).
std::string startFolderService(std::function<GtkWindow*(std::uint64_t pageId)> ownerOf);
void stopFolderService();

// The modal folder chooser the service shows.
GtkWidget* newFolderChooser(const std::string& title, GtkWindow* owner);

}  // namespace varnet::engine::webkit
