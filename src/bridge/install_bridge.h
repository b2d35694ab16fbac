#pragma once

// Puts the bridge on a frame's `window` when its script context is created.

#include <memory>

#include "engine/browser.h"
#include "engine/script_value.h"

namespace varnet {

class SimpleApp;

// For a frame that shows a portal page (isPortalAddress with the app's base URL): sets the
// twenty bridge functions on the context's global object, in table order, each served by its own
// CV8JsHandler, and makes the frame the app's bridge frame. Any other frame: nothing changes.
void installBridge(SimpleApp& app,
                   const std::shared_ptr<engine::Frame>& frame,
                   engine::ScriptContext& context);

}  // namespace varnet
