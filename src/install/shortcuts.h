#pragma once

// Game shortcuts on the user's desktop, and removing an installation with its shortcut.

#include <string>

namespace varnet {

// Writes (or replaces) the desktop shortcut `name` that starts `target` in `workingDir`.
// 1 on success, -1 on failure: no desktop folder, a name that would leave it, a shortcut path
// that does not fit the shell's 260-character buffer, or the shell refusing the link. On
// Windows COM must be initialised on the calling thread.
int createDesktopShortcut(const std::u16string& target,
                          const std::u16string& workingDir,
                          const std::u16string& name);

// Deletes the install folder tree and then the desktop shortcut `name`, whatever became of the
// tree. The last two arguments come from the page and are not used. Always 0.
int removeInstallation(const std::u16string& folder,
                       const std::u16string& name,
                       const std::u16string& third,
                       const std::u16string& fourth);

}  // namespace varnet
