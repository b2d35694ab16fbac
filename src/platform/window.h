#pragma once

// Native top-level windows of this process: the operations the browser client and the message
// loop apply to the main window. Each one is one Win32 call (or a short fixed sequence) on
// Windows; the GTK port does the same to a GtkWindow through GTK and X11. Failures are ignored
// by every caller, so the operations return nothing unless a value is read.

#include <optional>
#include <string>

namespace varnet::platform {

// HWND on Windows, GtkWindow* on Linux.
using WindowHandle = void*;

struct Point {
  int x = 0;
  int y = 0;
};

// Screen coordinates for window rectangles, client coordinates (left = top = 0) for client
// rectangles; right and bottom are exclusive, as in a Win32 RECT.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

struct Size {
  int width = 0;
  int height = 0;
};

// GetWindowTextW (300-character buffer): the native title, not the page's.
std::u16string windowTitle(WindowHandle window);

// IsWindowVisible.
bool isWindowVisible(WindowHandle window);

// Strips the frame: extended style without WS_EX_DLGMODALFRAME, style AND 0xFF30FFFF, then
// SetWindowPos(SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED). GTK: undecorated.
void removeFrame(WindowHandle window);

// GetWindowRect and GetClientRect.
std::optional<Rect> windowRect(WindowHandle window);
std::optional<Rect> clientRect(WindowHandle window);

// GetSystemMetrics(SM_CXSCREEN / SM_CYSCREEN): the primary screen.
Size primaryScreenSize();

// GetCursorPos: the cursor in screen coordinates.
std::optional<Point> cursorPosition();

// SetWindowPos(window, null, left, top, 0, 0, SWP_NOSIZE): places without resizing.
void placeWindow(WindowHandle window, int left, int top);

// SetWindowPos(window, HWND_TOP, left, top, 0, 0, SWP_NOSIZE | SWP_FRAMECHANGED): the caption
// drag's move.
void dragWindowTo(WindowHandle window, int left, int top);

// MoveWindow(window, left, top, width, height, repaint = TRUE).
void moveResizeWindow(WindowHandle window, int left, int top, int width, int height);

// CreateRoundRectRgn(0, 0, width, height, corner, corner) given to the window with
// SetWindowRgn(redraw = TRUE): everything outside the rounded rectangle is cut away. GTK: the
// X11 shape of the window.
void setRoundedRegion(WindowHandle window, int width, int height, int cornerEllipse);

// ShowWindow with SW_MINIMIZE (6), SW_MAXIMIZE (3), SW_RESTORE (9) and SW_HIDE (0). Restoring
// brings back the position and size the window had before it was maximised.
void minimiseWindow(WindowHandle window);
void maximiseWindow(WindowHandle window);
void restoreWindow(WindowHandle window);
void hideWindow(WindowHandle window);

// PostMessageW(window, WM_CLOSE, 0, 0): the message loop, not the window, handles it later.
void postClose(WindowHandle window);

}  // namespace varnet::platform
