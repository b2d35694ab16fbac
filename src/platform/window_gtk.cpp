#include "platform/window_gtk.h"
#include "platform/window.h"

#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <vector>

#include <utility>

#include "platform/text.h"

namespace varnet::platform {
namespace {

GtkWindow* gtkWindow(WindowHandle window) {
  return window && GTK_IS_WINDOW(window) ? GTK_WINDOW(window) : nullptr;
}

// Where a maximised window goes back to on restore: X11 has no placement record of its own
// when no window manager runs, so the window carries it.
constexpr char kNormalGeometry[] = "varnet-normal-geometry";

std::function<void(WindowHandle)>& postedCloseHandler() {
  static std::function<void(WindowHandle)> handler;
  return handler;
}

}  // namespace

void setPostedCloseHandler(std::function<void(WindowHandle)> handler) {
  postedCloseHandler() = std::move(handler);
}

std::u16string windowTitle(WindowHandle window) {
  GtkWindow* w = gtkWindow(window);
  const char* title = w ? gtk_window_get_title(w) : nullptr;
  std::u16string text = title ? fromUtf8(title) : std::u16string();
  // GetWindowTextW into 300 characters keeps at most 299.
  if (text.size() > 299)
    text.resize(299);
  return text;
}

bool isWindowVisible(WindowHandle window) {
  GtkWindow* w = gtkWindow(window);
  return w && gtk_widget_get_visible(GTK_WIDGET(w));
}

void removeFrame(WindowHandle window) {
  if (GtkWindow* w = gtkWindow(window))
    gtk_window_set_decorated(w, FALSE);
}

std::optional<Rect> windowRect(WindowHandle window) {
  GtkWindow* w = gtkWindow(window);
  if (!w)
    return std::nullopt;
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(w));
  if (gdk && gtk_widget_get_mapped(GTK_WIDGET(w))) {
    GdkRectangle frame;
    gdk_window_get_frame_extents(gdk, &frame);
    return Rect{frame.x, frame.y, frame.x + frame.width, frame.y + frame.height};
  }
  int x = 0, y = 0, width = 0, height = 0;
  gtk_window_get_position(w, &x, &y);
  gtk_window_get_size(w, &width, &height);
  return Rect{x, y, x + width, y + height};
}

std::optional<Rect> clientRect(WindowHandle window) {
  GtkWindow* w = gtkWindow(window);
  if (!w)
    return std::nullopt;
  int width = 0, height = 0;
  gtk_window_get_size(w, &width, &height);
  return Rect{0, 0, width, height};
}

Size primaryScreenSize() {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
  if (!monitor && display)
    monitor = gdk_display_get_monitor(display, 0);
  if (!monitor)
    return {};
  GdkRectangle area;
  gdk_monitor_get_geometry(monitor, &area);
  return {area.width, area.height};
}

std::optional<Point> cursorPosition() {
  GdkDisplay* display = gdk_display_get_default();
  GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!pointer)
    return std::nullopt;
  Point point;
  gdk_device_get_position(pointer, nullptr, &point.x, &point.y);
  return point;
}

void placeWindow(WindowHandle window, int left, int top) {
  if (GtkWindow* w = gtkWindow(window))
    gtk_window_move(w, left, top);
}

void dragWindowTo(WindowHandle window, int left, int top) {
  if (GtkWindow* w = gtkWindow(window)) {
    gtk_window_move(w, left, top);
    if (GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(w)))
      gdk_window_raise(gdk);
  }
}

void moveResizeWindow(WindowHandle window, int left, int top, int width, int height) {
  if (GtkWindow* w = gtkWindow(window)) {
    gtk_window_move(w, left, top);
    gtk_window_resize(w, width, height);
  }
}

void setRoundedRegion(WindowHandle window, int width, int height, int cornerEllipse) {
  GtkWindow* w = gtkWindow(window);
  if (!w || width <= 0 || height <= 0)
    return;
  // Paint the rounded rectangle into a 1-bit mask and let GDK turn the mask into the region,
  // the way CreateRoundRectRgn rasterises its corner ellipses.
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A1, width, height);
  cairo_t* cr = cairo_create(mask);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  const double r = cornerEllipse / 2.0;
  cairo_new_sub_path(cr);
  cairo_arc(cr, width - r, r, r, -G_PI / 2, 0);
  cairo_arc(cr, width - r, height - r, r, 0, G_PI / 2);
  cairo_arc(cr, r, height - r, r, G_PI / 2, G_PI);
  cairo_arc(cr, r, r, r, G_PI, 3 * G_PI / 2);
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_region_t* region = gdk_cairo_region_create_from_surface(mask);
  cairo_surface_destroy(mask);
  // GDK keeps a toplevel's shape to itself here, so the X server is told directly.
  gtk_widget_realize(GTK_WIDGET(w));
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(w));
  if (gdk && GDK_IS_X11_WINDOW(gdk)) {
    std::vector<XRectangle> rects(cairo_region_num_rectangles(region));
    for (size_t i = 0; i < rects.size(); ++i) {
      cairo_rectangle_int_t r;
      cairo_region_get_rectangle(region, int(i), &r);
      rects[i] = {short(r.x), short(r.y), static_cast<unsigned short>(r.width),
                  static_cast<unsigned short>(r.height)};
    }
    XShapeCombineRectangles(GDK_WINDOW_XDISPLAY(gdk), GDK_WINDOW_XID(gdk), ShapeBounding, 0, 0,
                            rects.data(), int(rects.size()), ShapeSet, YXBanded);
  }
  cairo_region_destroy(region);
}

void minimiseWindow(WindowHandle window) {
  if (GtkWindow* w = gtkWindow(window))
    gtk_window_iconify(w);
}

void maximiseWindow(WindowHandle window) {
  GtkWindow* w = gtkWindow(window);
  if (!w)
    return;
  if (!g_object_get_data(G_OBJECT(w), kNormalGeometry)) {
    if (auto rect = windowRect(window))
      g_object_set_data_full(G_OBJECT(w), kNormalGeometry, new Rect(*rect),
                             [](gpointer data) { delete static_cast<Rect*>(data); });
  }
  gtk_window_maximize(w);
}

void restoreWindow(WindowHandle window) {
  GtkWindow* w = gtkWindow(window);
  if (!w)
    return;
  gtk_window_deiconify(w);
  gtk_window_unmaximize(w);
  if (auto* normal = static_cast<Rect*>(g_object_get_data(G_OBJECT(w), kNormalGeometry))) {
    gtk_window_move(w, normal->left, normal->top);
    gtk_window_resize(w, normal->width(), normal->height());
    g_object_set_data(G_OBJECT(w), kNormalGeometry, nullptr);
  }
}

void hideWindow(WindowHandle window) {
  if (GtkWindow* w = gtkWindow(window))
    gtk_widget_hide(GTK_WIDGET(w));
}

void postClose(WindowHandle window) {
  if (!gtkWindow(window))
    return;
  // Later, from the main loop, as a posted message is; closes arrive in the order posted. A
  // reference keeps a window destroyed meanwhile a valid object until then.
  g_object_ref(window);
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        if (postedCloseHandler())
          postedCloseHandler()(data);
        g_object_unref(data);
        return G_SOURCE_REMOVE;
      },
      window, nullptr);
}

}  // namespace varnet::platform
