#pragma once

// The bridge functions on the portal page's `window`: one table, in installation order, that
// installBridge and CV8JsHandler::Execute both read.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "bridge/bridge_state.h"
#include "engine/browser.h"
#include "engine/script_value.h"

namespace varnet {

// One call of a bridge function.
struct BridgeCall {
  BridgeState& state;
  engine::Frame& frame;  // the calling function's frame: its messages go through it
  const engine::ScriptArguments& arguments;

  // The engine's readings of argument `index`; one the page did not pass reads like undefined.
  std::int32_t intArgument(std::size_t index) const;
  std::u16string textArgument(std::size_t index) const;
};

struct BridgeFunction {
  const char16_t* name;
  engine::ScriptResult (*run)(const BridgeCall& call);
};

extern const std::array<BridgeFunction, 20> kBridgeFunctions;

// The entry named exactly `name` (letter case included), or null.
const BridgeFunction* findBridgeFunction(std::u16string_view name);

}  // namespace varnet
