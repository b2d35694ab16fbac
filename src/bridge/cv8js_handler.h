#pragma once

// The handler behind every bridge function: Execute finds the function by name in the bridge
// table, reads the page's arguments by position and answers through the call's return value.

#include <memory>
#include <string>

#include "bridge/bridge_state.h"
#include "engine/browser.h"
#include "engine/script_value.h"

namespace varnet {

class CV8JsHandler : public engine::ScriptHandler {
 public:
  CV8JsHandler(BridgeState& state, std::shared_ptr<engine::Frame> frame)
      : state(state), frame(std::move(frame)) {}

  // engine::ScriptHandler methods:
  bool Execute(const std::u16string& name,
               const engine::ScriptArguments& arguments,
               engine::ScriptResult& retval) override;

  BridgeState& state;                    // lives as long as the process
  std::shared_ptr<engine::Frame> frame;  // the frame (and document) the function was put on
};

}  // namespace varnet
