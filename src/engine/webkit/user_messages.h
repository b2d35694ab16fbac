#pragma once

// How process messages travel between WebKit's web process and the browser process: as WebKit
// user messages whose parameters keep each argument's position and type. Texts travel as UTF-16
// code units ("aq"), so they arrive whole: NUL characters and lone surrogates included.
//
//   bridge message, web process -> browser:  name = the message's name,
//       parameters "(tbstav)": sending frame's id, whether it is the main frame, its address, the
//       sending document's token, and the arguments as variants "i" (32-bit integer) or "aq"
//       (text)
//   script for a document, browser -> web process:  name kRunScriptMessage,
//       parameters "(ttaq)": the frame's id, the document's token and the script

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
inline constexpr char kBridgeMessageType[] = "(tbstav)";
inline constexpr char kRunScriptType[] = "(ttaq)";

// The frame a bridge message came from, and the document in it whose function sent it: answers
// go to that document only.
struct SenderFrame {
  std::uint64_t id = 0;
  bool isMain = false;
  std::u16string url;
  std::uint64_t document = 0;
};

// A new floating variant of type kBridgeMessageType.
GVariant* encodeBridgeMessage(const SenderFrame& frame, const ProcessMessage& message);

struct BridgeMessage {
  SenderFrame frame;
  ProcessMessage message;
};

// Nothing when `parameters` is not a bridge message; argument variants of another type than "i"
// or "aq" are dropped.
std::optional<BridgeMessage> decodeBridgeMessage(const char* name, GVariant* parameters);

// A new floating variant of type kRunScriptType.
GVariant* encodeRunScript(const SenderFrame& frame, const std::u16string& code);

struct RunScript {
  std::uint64_t frameId = 0;
  std::uint64_t document = 0;
  std::u16string code;
};

std::optional<RunScript> decodeRunScript(GVariant* parameters);

}  // namespace varnet::engine::webkit
