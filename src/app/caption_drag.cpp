#include "app/caption_drag.h"

#include <cstdint>

namespace varnet {

void CaptionDrag::press(int pageY,
                        platform::Point cursor,
                        std::optional<platform::Rect> windowRect) {
  if (static_cast<uint16_t>(pageY) >= kCaptionHeight)
    return;
  startCursor_ = cursor;
  // GetWindowRect failing leaves a zero rectangle, as the Win32 loop would have it.
  startRect_ = windowRect.value_or(platform::Rect{});
  dragging_ = true;
}

void CaptionDrag::release() {
  dragging_ = false;
}

std::optional<platform::Point> CaptionDrag::move(bool leftButtonHeld,
                                                 platform::Point cursor) const {
  if (!dragging_ || !leftButtonHeld)
    return std::nullopt;
  return platform::Point{startRect_.left + (cursor.x - startCursor_.x),
                         startRect_.top + (cursor.y - startCursor_.y)};
}

}  // namespace varnet
