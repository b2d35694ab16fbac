#pragma once

// GTK-only companion of window.h: the counterpart of the Win32 message queue for posted closes.
// postClose() queues the close on the GLib main loop, which hands it to the handler that the
// message loop installed, the way GetMessageW hands a posted WM_CLOSE to the Win32 loop.

#include <functional>

#include "platform/window.h"

namespace varnet::platform {

void setPostedCloseHandler(std::function<void(WindowHandle)> handler);

}  // namespace varnet::platform
