#pragma once

// Running processes and detached launches.

#include <optional>
#include <string>
#include <vector>

namespace varnet::platform {

// The executable file name (no folder) of every running process, or nothing when the process
// list cannot be read.
std::optional<std::vector<std::u16string>> runningImageNames();

// Starts `program` with `arguments`, hidden, detached from this process (new console on Windows,
// own session without a terminal on Linux), in `workingDir`. True when the process was created.
// The Windows command line quotes the program path when it contains a space.
bool launchDetached(const std::u16string& program,
                    const std::vector<std::u16string>& arguments,
                    const std::u16string& workingDir);

// Ends this process at once with `exitCode`: no destructors, no exit handlers, no library
// shutdown code (TerminateProcess(GetCurrentProcess(), ...) on Windows, _exit on Linux).
// Buffered standard output is flushed first.
void terminateThisProcess(int exitCode);

}  // namespace varnet::platform
