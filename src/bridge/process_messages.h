#pragma once

// The messages the bridge sends to the browser process: names and argument layouts.
//
//   "sysmenumsg"       0: int windowCommand (0 minimise, 1 maximise/restore, 2 close)
//   "syscaption"       0: int captionState
//   "syscaptionmove"   0: int x, 1: int y
//   "download"         0: string saveFolder, 1: string sealedTask, 2: string taskMode
//   "openurl"          0: string address
//   "callbacldownlist" 0: int listCount, 1: string listText
//   "excuteupdate"     0: string parameters of update.exe (understood by the browser process;
//                      the bridge has no function that sends it)

#include <string>
#include <vector>

#include "engine/browser.h"
#include "engine/process_message.h"

namespace varnet {

namespace message {
inline constexpr char kSysMenu[] = "sysmenumsg";
inline constexpr char kSysCaption[] = "syscaption";
inline constexpr char kSysCaptionMove[] = "syscaptionmove";
inline constexpr char kDownload[] = "download";
inline constexpr char kOpenUrl[] = "openurl";
inline constexpr char kExecuteUpdate[] = "excuteupdate";
inline constexpr char kCallbackDownloadList[] = "callbacldownlist";
}  // namespace message

// Sends `name` with `arguments`, each at its position with its type, through `frame` (the
// calling function's frame, where any answer goes), and returns without waiting.
void sendToBrowser(engine::Frame& frame,
                   const char* name,
                   std::vector<engine::ProcessMessage::Value> arguments);

}  // namespace varnet
