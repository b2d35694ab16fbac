#pragma once

// The system's modal folder chooser, asked for from the render process (cb_selectsavepath).

#include <string>

namespace varnet::engine {

// Shows a folder chooser titled `title` over the browser's window and returns once the user has
// answered: the chosen folder's file-system path, or empty text when cancelled. Windows: the
// shell's browse-for-folder dialog in the render process. Linux: the web process cannot show
// windows, so the browser process shows a GTK folder chooser and the call waits for its answer.
std::u16string RunFolderDialog(const std::u16string& title);

}  // namespace varnet::engine
