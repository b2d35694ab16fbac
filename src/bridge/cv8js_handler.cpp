#include "bridge/cv8js_handler.h"

#include "bridge/bridge_functions.h"

namespace varnet {

bool CV8JsHandler::Execute(const std::u16string& name,
                           const engine::ScriptArguments& arguments,
                           engine::ScriptResult& retval) {
  const BridgeFunction* function = findBridgeFunction(name);
  if (!function)
    return false;
  // A function kept after its frame was removed or moved on to another document does nothing:
  // whoever calls it is not the page it was given to.
  if (!frame || !frame->IsValid())
    return true;
  retval = function->run(BridgeCall{state, *frame, arguments});
  return true;
}

}  // namespace varnet
