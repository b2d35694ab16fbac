#pragma once

// Real native windows for the browser client's tests (GTK on Linux, Win32 on Windows), and a
// way to let the window system catch up.

#include <functional>
#include <string>

#include "platform/window.h"

namespace varnet::testing {

// False when there is no display to open windows on.
bool windowSystemAvailable();

// A shown top-level window with this title and size at (x, y).
platform::WindowHandle openWindow(const std::u16string& title,
                                  int width,
                                  int height,
                                  int x = 10,
                                  int y = 10);
void closeWindow(platform::WindowHandle window);

// Hands every close posted to one of this process's windows (platform::postClose) to `record`
// when the event loop delivers it, where the client's message loop would take it; the window
// stays open. Null stops recording.
void recordPostedCloses(std::function<void(platform::WindowHandle)> record);

// Processes pending window-system events for a moment.
void settle();
// Processes events until `done` holds or a few seconds have passed (posted closes come later).
template <typename Done>
void settleUntil(Done done) {
  for (int i = 0; i < 100 && !done(); ++i)
    settle();
}

// Whether the window carries a frame (decorations) and has a non-rectangular shape.
bool isDecorated(platform::WindowHandle window);
bool isShaped(platform::WindowHandle window);

// Geometry as the window system has it.
platform::Rect serverRect(platform::WindowHandle window);

}  // namespace varnet::testing
