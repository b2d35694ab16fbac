#include "platform/instance.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace varnet::platform {
namespace {

// X11 window ids travel inside the opaque handle.
WindowHandle toHandle(Window window) {
  return reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(window));
}
Window fromHandle(WindowHandle handle) {
  return static_cast<Window>(reinterpret_cast<uintptr_t>(handle));
}

struct DisplayConnection {
  Display* display = XOpenDisplay(nullptr);
  ~DisplayConnection() {
    if (display)
      XCloseDisplay(display);
  }
};

std::optional<std::vector<unsigned char>> property(Display* display,
                                                   Window window,
                                                   Atom name,
                                                   Atom type,
                                                   int* format = nullptr) {
  Atom actualType = None;
  int actualFormat = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, name, 0, 4096, False, type, &actualType, &actualFormat,
                         &count, &remaining, &data) != Success ||
      actualType == None) {
    if (data)
      XFree(data);
    return std::nullopt;
  }
  size_t bytes = count * (actualFormat == 32 ? sizeof(long) : actualFormat / 8);
  std::vector<unsigned char> value(data, data + bytes);
  XFree(data);
  if (format)
    *format = actualFormat;
  return value;
}

std::u16string windowTitle(Display* display, Window window) {
  Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  if (auto name = property(display, window, netName, utf8))
    return fromUtf8(std::string(name->begin(), name->end()));
  XTextProperty text;
  std::u16string title;
  if (XGetWMName(display, window, &text) && text.value) {
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display, &text, &list, &count) >= Success && count > 0)
      title = fromUtf8(list[0]);
    if (list)
      XFreeStringList(list);
    XFree(text.value);
  }
  return title;
}

bool hasClass(Display* display, Window window, const std::string& windowClass) {
  XClassHint hint{};
  if (!XGetClassHint(display, window, &hint))
    return false;
  bool match = (hint.res_name && windowClass == hint.res_name) ||
               (hint.res_class && windowClass == hint.res_class);
  XFree(hint.res_name);
  XFree(hint.res_class);
  return match;
}

// Visible as IsWindowVisible sees it: shown, even when minimised. With a window manager the
// ICCCM WM_STATE says so (Normal 1 or Iconic 3); without one, the map state does.
bool isShown(Display* display, Window window) {
  Atom wmState = XInternAtom(display, "WM_STATE", False);
  int format = 0;
  if (auto state = property(display, window, wmState, wmState, &format);
      state && format == 32 && state->size() >= sizeof(long)) {
    long value = 0;
    std::memcpy(&value, state->data(), sizeof value);
    return value == NormalState || value == IconicState;
  }
  XWindowAttributes attributes;
  return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// Top-level client windows: the root's children, and one level below them for window managers
// that reparent clients into frames.
Window findWindow(Display* display,
                  Window parent,
                  int depth,
                  const std::string& windowClass,
                  const std::u16string& title) {
  Window root = 0, ignored = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &root, &ignored, &children, &count))
    return 0;
  Window found = 0;
  for (unsigned int i = count; i-- > 0 && !found;) {  // topmost first
    Window child = children[i];
    if (hasClass(display, child, windowClass) && windowTitle(display, child) == title &&
        isShown(display, child))
      found = child;
    else if (depth > 0)
      found = findWindow(display, child, depth - 1, windowClass, title);
  }
  if (children)
    XFree(children);
  return found;
}

std::string runtimeFolder() {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg)
    return xdg;
  std::string folder = "/tmp/varnet-" + std::to_string(getuid());
  mkdir(folder.c_str(), 0700);
  return folder;
}

}  // namespace

WindowHandle findVisibleInstanceWindow(const std::u16string& windowClass,
                                       const std::u16string& title) {
  DisplayConnection connection;
  if (!connection.display)
    return nullptr;
  // A window that dies while being looked at must not end this process.
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  Window found = findWindow(connection.display, DefaultRootWindow(connection.display), 1,
                            toUtf8(windowClass), title);
  XSync(connection.display, False);
  XSetErrorHandler(previous);
  return found ? toHandle(found) : nullptr;
}

void focusInstanceWindow(WindowHandle handle) {
  DisplayConnection connection;
  Display* display = connection.display;
  if (!display || !handle)
    return;
  XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  Window window = fromHandle(handle);
  Window root = DefaultRootWindow(display);
  XMapRaised(display, window);
  // A window manager takes the focus request as _NET_ACTIVE_WINDOW (source 2: a pager-like
  // request, which managers honour); without one the focus is set directly.
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 2;
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XSync(display, False);
  XSetInputFocus(display, window, RevertToParent, CurrentTime);
  XSync(display, False);
  XSetErrorHandler(previous);
}

InstanceLock acquireInstanceLock(const std::u16string& name) {
  std::string path = runtimeFolder() + "/" + toUtf8(name) + ".lock";
  // Close-on-exec: games and the companion started by the client must not keep the lock alive.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0)
    return InstanceLock::Failed;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0)
    return InstanceLock::Created;  // fd stays open: the lock lives as long as the process
  int error = errno;
  close(fd);
  return error == EWOULDBLOCK ? InstanceLock::AlreadyExists : InstanceLock::Failed;
}

}  // namespace varnet::platform
