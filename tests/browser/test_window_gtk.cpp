#include "test_window.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdlib>

#include "platform/text.h"
#include "platform/window_gtk.h"

namespace varnet::testing {

bool windowSystemAvailable() {
  static const bool available = std::getenv("DISPLAY") && gtk_init_check(nullptr, nullptr);
  return available;
}

platform::WindowHandle openWindow(const std::u16string& title,
                                  int width,
                                  int height,
                                  int x,
                                  int y) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), toUtf8(title).c_str());
  gtk_window_set_default_size(GTK_WINDOW(window), width, height);
  gtk_window_move(GTK_WINDOW(window), x, y);
  gtk_widget_show(window);
  settle();
  return window;
}

void closeWindow(platform::WindowHandle window) {
  gtk_widget_destroy(GTK_WIDGET(window));
  settle();
}

void recordPostedCloses(std::function<void(platform::WindowHandle)> record) {
  platform::setPostedCloseHandler(std::move(record));
}

void settle() {
  for (int i = 0; i < 10; ++i) {
    while (gtk_events_pending())
      gtk_main_iteration();
    gdk_display_sync(gdk_display_get_default());
    g_usleep(5000);
  }
}

static Window xid(platform::WindowHandle window) {
  return gdk_x11_window_get_xid(gtk_widget_get_window(GTK_WIDGET(window)));
}

static Display* display() {
  return GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
}

bool isDecorated(platform::WindowHandle window) {
  return gtk_window_get_decorated(GTK_WINDOW(window));
}

bool isShaped(platform::WindowHandle window) {
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(display(), xid(window), ShapeBounding, &count, &ordering);
  if (rects)
    XFree(rects);
  return count > 1;
}

platform::Rect serverRect(platform::WindowHandle window) {
  Window child;
  int x = 0, y = 0;
  XTranslateCoordinates(display(), xid(window), DefaultRootWindow(display()), 0, 0, &x, &y, &child);
  XWindowAttributes attributes;
  XGetWindowAttributes(display(), xid(window), &attributes);
  return {x, y, x + attributes.width, y + attributes.height};
}

}  // namespace varnet::testing
