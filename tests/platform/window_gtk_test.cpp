#include "platform/window.h"

#include <gtest/gtest.h>  // before X11, whose macros (None) clash with it
#include "platform/window_gtk.h"

#include <X11/Xatom.h>
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdlib>

namespace varnet::platform {
namespace {

// Real GTK windows on the test's X server (Xvfb, no window manager).
class GtkWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!getenv("DISPLAY"))
      GTEST_SKIP() << "no display";
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr))
        << "cannot open the display " << getenv("DISPLAY");
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), "Varnet整合客户端");
    gtk_window_set_default_size(GTK_WINDOW(window_), 400, 300);
    gtk_widget_show(window_);
    settle();
  }
  void TearDown() override {
    if (window_)
      gtk_widget_destroy(window_);
    setPostedCloseHandler(nullptr);
  }
  static void settle() {
    for (int i = 0; i < 20; ++i) {
      while (gtk_events_pending())
        gtk_main_iteration();
      gdk_display_sync(gdk_display_get_default());
      g_usleep(5000);
    }
  }
  Display* display() const { return GDK_DISPLAY_XDISPLAY(gdk_display_get_default()); }
  Window xid() const { return gdk_x11_window_get_xid(gtk_widget_get_window(window_)); }
  // Geometry as the X server has it, not as GTK remembers it.
  Rect serverRect() const {
    Window child;
    int x = 0, y = 0;
    XTranslateCoordinates(display(), xid(), DefaultRootWindow(display()), 0, 0, &x, &y, &child);
    XWindowAttributes attributes;
    XGetWindowAttributes(display(), xid(), &attributes);
    return {x, y, x + attributes.width, y + attributes.height};
  }

  GtkWidget* window_ = nullptr;
};

TEST_F(GtkWindowTest, ReadsTheNativeTitleAndVisibility) {
  EXPECT_EQ(windowTitle(window_), u"Varnet整合客户端");
  EXPECT_TRUE(isWindowVisible(window_));
  hideWindow(window_);
  settle();
  EXPECT_FALSE(isWindowVisible(window_));
  XWindowAttributes attributes;
  XGetWindowAttributes(display(), xid(), &attributes);
  EXPECT_NE(attributes.map_state, IsViewable);
}

TEST_F(GtkWindowTest, RemovingTheFrameAsksForNoDecorations) {
  removeFrame(window_);
  settle();
  Atom hints = XInternAtom(display(), "_MOTIF_WM_HINTS", False);
  Atom type;
  int format;
  unsigned long count, remaining;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(display(), xid(), hints, 0, 5, False, AnyPropertyType, &type,
                               &format, &count, &remaining, &data),
            Success);
  ASSERT_EQ(count, 5u);
  long* values = reinterpret_cast<long*>(data);
  EXPECT_TRUE(values[0] & 2);  // MWM_HINTS_DECORATIONS
  EXPECT_EQ(values[2], 0);     // none of them
  XFree(data);
}

TEST_F(GtkWindowTest, PlacesAndReadsTheWindowRectangleInScreenCoordinates) {
  placeWindow(window_, 96, 54);
  settle();
  EXPECT_EQ(serverRect().left, 96);
  EXPECT_EQ(serverRect().top, 54);
  auto rect = windowRect(window_);
  ASSERT_TRUE(rect);
  EXPECT_EQ(rect->left, 96);
  EXPECT_EQ(rect->top, 54);
  EXPECT_EQ(rect->width(), 400);
  EXPECT_EQ(rect->height(), 300);
  auto client = clientRect(window_);
  ASSERT_TRUE(client);
  EXPECT_EQ(client->left, 0);
  EXPECT_EQ(client->right, 400);
  EXPECT_EQ(client->bottom, 300);

  dragWindowTo(window_, -20, 500);
  settle();
  EXPECT_EQ(serverRect().left, -20);
  EXPECT_EQ(serverRect().top, 500);
}

TEST_F(GtkWindowTest, ScreenSizeIsThePrimaryMonitors) {
  Size screen = primaryScreenSize();
  EXPECT_EQ(screen.width, DisplayWidth(display(), DefaultScreen(display())));
  EXPECT_EQ(screen.height, DisplayHeight(display(), DefaultScreen(display())));
}

TEST_F(GtkWindowTest, MaximiseThenMoveResizeThenRestoreComesBackToTheNormalPlace) {
  placeWindow(window_, 30, 40);
  settle();
  maximiseWindow(window_);
  moveResizeWindow(window_, 0, 0, 2550, 1440);
  settle();
  Rect big = serverRect();
  EXPECT_EQ(big.left, 0);
  EXPECT_EQ(big.top, 0);
  EXPECT_EQ(big.width(), 2550);
  EXPECT_EQ(big.height(), 1440);

  restoreWindow(window_);
  settle();
  Rect normal = serverRect();
  EXPECT_EQ(normal.left, 30);
  EXPECT_EQ(normal.top, 40);
  EXPECT_EQ(normal.width(), 400);
  EXPECT_EQ(normal.height(), 300);
}

TEST_F(GtkWindowTest, TheRoundedRegionCutsTheCornersAndKeepsTheEdges) {
  setRoundedRegion(window_, 400, 300, 10);
  settle();
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(display(), xid(), ShapeBounding, &count, &ordering);
  ASSERT_GT(count, 1);
  auto inside = [&](int x, int y) {
    for (int i = 0; i < count; ++i)
      if (x >= rects[i].x && x < rects[i].x + rects[i].width && y >= rects[i].y &&
          y < rects[i].y + rects[i].height)
        return true;
    return false;
  };
  for (auto [x, y] : {std::pair{0, 0}, {399, 0}, {0, 299}, {399, 299}, {1, 0}, {0, 1}})
    EXPECT_FALSE(inside(x, y)) << x << "," << y;
  for (auto [x, y] :
       {std::pair{5, 0}, {200, 0}, {0, 150}, {399, 150}, {200, 299}, {5, 5}, {394, 294}})
    EXPECT_TRUE(inside(x, y)) << x << "," << y;
  XFree(rects);
}

TEST_F(GtkWindowTest, APostedCloseReachesTheLoopsHandlerLaterNotAtOnce) {
  WindowHandle closed = nullptr;
  setPostedCloseHandler([&](WindowHandle window) { closed = window; });
  postClose(window_);
  EXPECT_EQ(closed, nullptr);
  settle();
  for (int i = 0; i < 100 && !closed; ++i)
    settle();
  EXPECT_EQ(closed, window_);
  EXPECT_TRUE(isWindowVisible(window_));  // the window itself does nothing with it
}

}  // namespace
}  // namespace varnet::platform
