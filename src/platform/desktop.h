#pragma once

// The user's desktop folder and the shortcuts on it: IShellLinkW ".lnk" files on Windows,
// freedesktop ".desktop" launchers on Linux.

#include <optional>
#include <string>

namespace varnet::platform {

// The current user's desktop folder, without a closing separator.
std::optional<std::u16string> desktopFolder();

// The shortcut file for `name` in `desktop`: "<desktop>\<name>.lnk" on Windows,
// "<desktop>/<name>.desktop" on Linux.
std::u16string shortcutFilePath(const std::u16string& desktop, const std::u16string& name);

// Writes (or replaces) a shortcut that starts `target` in `workingDir`. On Windows COM must be
// initialised on the calling thread (initialiseComOnThisThread).
bool writeShortcut(const std::u16string& shortcutFile,
                   const std::u16string& target,
                   const std::u16string& workingDir);

// CoInitialize on Windows (never uninitialised, as the callers expect); nothing on Linux.
void initialiseComOnThisThread();

}  // namespace varnet::platform
