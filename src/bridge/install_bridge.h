#pragma once

// Puts the bridge on a frame's `window` when its script context is created.

#include <memory>

#include "bridge/bridge_state.h"
#include "engine/browser.h"
#include "engine/script_value.h"

namespace varnet {

// For a frame that may have the bridge (TrustedOrigins::mayHaveBridge of its own and its top
// frame's address: a portal page in a portal page, or a listed origin's): sets the twenty
// bridge functions on the context's global object, in table order, each served by its own
// CV8JsHandler bound to `frame`. Any other frame gets nothing.
void installBridge(BridgeState& state,
                   const std::shared_ptr<engine::Frame>& frame,
                   engine::ScriptContext& context);

}  // namespace varnet
