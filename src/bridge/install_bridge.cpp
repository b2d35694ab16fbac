#include "bridge/install_bridge.h"

#include "bridge/bridge_functions.h"
#include "bridge/cv8js_handler.h"

namespace varnet {

void installBridge(BridgeState& state,
                   const std::shared_ptr<engine::Frame>& frame,
                   engine::ScriptContext& context) {
  // A portal page framed by a foreign one gets nothing: the foreign top could script it.
  if (!frame || !state.trust.mayHaveBridge(frame->GetURL(), context.GetTopFrameURL()))
    return;
  for (const BridgeFunction& function : kBridgeFunctions)
    context.SetGlobalFunction(function.name, std::make_shared<CV8JsHandler>(state, frame));
}

}  // namespace varnet
