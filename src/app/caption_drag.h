#pragma once

// Dragging the frameless main window by the top of its page: the message loop feeds every
// left-button press, release and mouse move of the page's windows into this state machine and
// moves the main window wherever it says. Free of any window system, so that the Win32 loop
// (WM_LBUTTONDOWN / WM_LBUTTONUP / WM_MOUSEMOVE) and the GTK event hook share it.

#include <optional>

#include "platform/window.h"

namespace varnet {

class CaptionDrag {
 public:
  // Presses whose y in the page is below this start a drag.
  static constexpr int kCaptionHeight = 100;

  // A left-button press at `pageY` (client coordinates of the window the event is addressed
  // to, read as an unsigned 16-bit value as in lParam's high word) while the cursor is at
  // `cursor` and the main window occupies `windowRect` (both screen coordinates).
  void press(int pageY, platform::Point cursor, std::optional<platform::Rect> windowRect);

  void release();

  // A mouse move: while a drag runs and the left button is held, the main window's new top-left
  // corner (the rectangle at the press moved by the cursor's travel since the press).
  std::optional<platform::Point> move(bool leftButtonHeld, platform::Point cursor) const;

  bool dragging() const { return dragging_; }

 private:
  bool dragging_ = false;
  platform::Point startCursor_;
  platform::Rect startRect_;
};

}  // namespace varnet
