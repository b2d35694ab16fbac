#pragma once

// The WebKit settings every top-level web view gets (pop-ups share their opener's).

#include <webkit2/webkit2.h>

namespace varnet::engine::webkit {

// A new settings object (the caller owns the reference) with the engine switches of the global
// command line applied, drawn without hardware acceleration unless the environment asks.
WebKitSettings* settingsFromSwitches();

}  // namespace varnet::engine::webkit
