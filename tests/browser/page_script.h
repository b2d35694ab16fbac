#pragma once

// A real script engine for what the client sends a page: JavaScriptCore on Linux, the system's
// JScript on Windows.

#include <string>

namespace varnet::testing {

// Runs `script` in a fresh context whose download_curtaskaddinf records its arguments; returns
// them joined by "|", "hijacked" when the script set the global `hijacked`, or "error: ..." when
// the script does not run.
std::string runInPage(const std::u16string& script);

}  // namespace varnet::testing
