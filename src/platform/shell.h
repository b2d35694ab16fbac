#pragma once

// Handing things to the desktop shell, and powering the machine off.

#include <string>

namespace varnet::platform {

// The shell's "open" verb. Documents, folders and addresses go to the desktop's default handler
// (ShellExecuteW on Windows, xdg-open on Linux); a program is started directly, detached, with
// `parameters` and in `workingDir` (empty: the current directory). True when it was handed on.
bool shellOpen(const std::u16string& target,
               const std::u16string& parameters = {},
               const std::u16string& workingDir = {});

// Runs the system's power-off command through the C library's command processor and returns
// when it has finished ("shutdown /s /t 0" on Windows, "shutdown -P now" on Linux).
void powerOff();

}  // namespace varnet::platform
