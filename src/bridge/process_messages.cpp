#include "bridge/process_messages.h"

namespace varnet {

void sendToBrowser(engine::Frame& frame,
                   const char* name,
                   std::vector<engine::ProcessMessage::Value> arguments) {
  frame.SendProcessMessage(engine::ProcessMessage(name, std::move(arguments)));
}

}  // namespace varnet
