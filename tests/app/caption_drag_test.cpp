#include "app/caption_drag.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

using platform::Point;
using platform::Rect;

const Rect kWindow{96, 54, 96 + 1728, 54 + 972};

TEST(CaptionDrag, PressAtY99StartsADragAndY100DoesNot) {
  CaptionDrag drag;
  drag.press(100, {500, 200}, kWindow);
  EXPECT_FALSE(drag.dragging());
  EXPECT_FALSE(drag.move(true, {600, 300}));

  drag.press(99, {500, 153}, kWindow);
  EXPECT_TRUE(drag.dragging());
}

TEST(CaptionDrag, MovesTheWindowByTheCursorsTravelSinceThePress) {
  CaptionDrag drag;
  drag.press(10, {500, 64}, kWindow);
  auto first = drag.move(true, {530, 44});
  ASSERT_TRUE(first);
  EXPECT_EQ(first->x, 126);
  EXPECT_EQ(first->y, 34);
  // Every move is measured from the press, not from the previous move.
  auto second = drag.move(true, {400, 100});
  ASSERT_TRUE(second);
  EXPECT_EQ(second->x, -4);
  EXPECT_EQ(second->y, 90);
}

TEST(CaptionDrag, MovingWithoutTheLeftButtonMovesNothingEvenWhileDragging) {
  CaptionDrag drag;
  drag.press(0, {500, 54}, kWindow);
  EXPECT_FALSE(drag.move(false, {600, 100}));
  EXPECT_TRUE(drag.dragging());
  EXPECT_TRUE(drag.move(true, {600, 100}));
}

TEST(CaptionDrag, ReleaseEndsTheDragUntilTheNextPress) {
  CaptionDrag drag;
  drag.press(50, {500, 104}, kWindow);
  drag.release();
  EXPECT_FALSE(drag.move(true, {510, 110}));
  drag.press(50, {0, 0}, Rect{10, 20, 30, 40});
  auto moved = drag.move(true, {5, 5});
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->x, 15);
  EXPECT_EQ(moved->y, 25);
}

TEST(CaptionDrag, YIsReadAsAnUnsigned16BitValue) {
  CaptionDrag drag;
  drag.press(-1, {0, 0}, kWindow);  // 0xFFFF, far below the caption
  EXPECT_FALSE(drag.dragging());
  drag.press(65536 + 5, {0, 0}, kWindow);  // high bits beyond the word are not there
  EXPECT_TRUE(drag.dragging());
}

TEST(CaptionDrag, AFailedRectangleReadCountsAsAnEmptyRectangle) {
  CaptionDrag drag;
  drag.press(1, {100, 100}, std::nullopt);
  auto moved = drag.move(true, {110, 90});
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->x, 10);
  EXPECT_EQ(moved->y, -10);
}

}  // namespace
}  // namespace varnet
