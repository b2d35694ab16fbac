#pragma once

// How process messages travel between WebKit's web process and the browser process: as WebKit
// user messages whose parameters keep each argument's position and type.
//
//   bridge message, web process -> browser:  name = the message's name,
//       parameters "(tbsav)": sending frame's id, whether it is the main frame, its address, and
//       the arguments as variants "i" (32-bit integer) or "s" (UTF-8 text)
//   script for a frame, browser -> web process:  name kRunScriptMessage,
//       parameters "(ts)": the frame's id and the script

#include <glib.h>

#include <cstdint>
#include <optional>
#include <string>

#include "engine/process_message.h"

namespace varnet::engine::webkit {

// What the browser process passes to the web extension at its start ("(ss)"): the portal base
// URL and the address of the browser process's folder-chooser service.
inline constexpr char kExtensionDataType[] = "(ss)";

inline constexpr char kRunScriptMessage[] = "varnet.run-script";
inline constexpr char kBridgeMessageType[] = "(tbsav)";

struct SenderFrame {
  std::uint64_t id = 0;
  bool isMain = false;
  std::u16string url;
};

// A new floating variant of type kBridgeMessageType.
GVariant* encodeBridgeMessage(const SenderFrame& frame, const ProcessMessage& message);

struct BridgeMessage {
  SenderFrame frame;
  ProcessMessage message;
};

// Nothing when `parameters` is not a bridge message; argument variants of another type than "i"
// or "s" are dropped.
std::optional<BridgeMessage> decodeBridgeMessage(const char* name, GVariant* parameters);

}  // namespace varnet::engine::webkit
