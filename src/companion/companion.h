#pragma once

// The companion downloader: a separate program in data/annex/httpcurl/ below the current
// directory that the portal page talks to. The client only keeps it running.

namespace varnet {

// True when any process whose executable file name is exactly "httpcurl.exe" (letter case
// included) runs on the machine, wherever it was started from.
bool IsCompanionRunning();

// Starts <current directory>/data/annex/httpcurl/httpcurl.exe --conf-path=httpcurl.conf hidden
// and detached, in its own folder. True when the process was created; false also when the
// current directory does not fit the shell's 260-character buffer.
bool LaunchCompanion();

}  // namespace varnet
