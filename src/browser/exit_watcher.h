#pragma once

// Ends the process once the companion downloader has gone.

namespace varnet {

// Starts a thread that asks IsCompanionRunning at once and then once a second while the answer
// is yes, and ends the process with exit code 0 as soon as it is no. Nothing stops it.
void startExitWatcher();

}  // namespace varnet
