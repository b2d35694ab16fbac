#include "bridge/install_bridge.h"

#include "app/simple_app.h"
#include "bridge/bridge_functions.h"
#include "bridge/cv8js_handler.h"
#include "engine/address.h"

namespace varnet {

void installBridge(SimpleApp& app,
                   const std::shared_ptr<engine::Frame>& frame,
                   engine::ScriptContext& context) {
  if (!frame || !isPortalAddress(frame->GetURL(), app.portalBaseUrl()))
    return;
  for (const char16_t* name : kBridgeFunctionNames)
    context.SetGlobalFunction(name, std::make_shared<CV8JsHandler>(&app));
  app.bridgeFrame = frame;
}

}  // namespace varnet
