#include "bridge/process_messages.h"

#include "app/simple_app.h"

namespace varnet {

void sendToBrowser(SimpleApp& app,
                   const char* name,
                   std::vector<engine::ProcessMessage::Value> arguments) {
  if (!app.bridgeFrame)
    return;
  app.bridgeFrame->SendProcessMessage(engine::ProcessMessage(name, std::move(arguments)));
}

}  // namespace varnet
