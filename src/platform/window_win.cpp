#include "platform/window.h"

#include <windows.h>

#include "platform/wide_win.h"

namespace varnet::platform {
namespace {

HWND hwnd(WindowHandle window) {
  return static_cast<HWND>(window);
}

constexpr LONG kFrameStyleMask = static_cast<LONG>(0xFF30FFFF);  // drops caption, frame, menu
constexpr UINT kFrameChangedInPlace = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED;
constexpr UINT kDragMove = SWP_NOSIZE | SWP_FRAMECHANGED;
static_assert(kFrameChangedInPlace == 0x0027 && kDragMove == 0x0021, "the client's SWP flags");

}  // namespace

std::u16string windowTitle(WindowHandle window) {
  wchar_t title[300] = {};
  GetWindowTextW(hwnd(window), title, 300);
  return fromWide(title);
}

bool isWindowVisible(WindowHandle window) {
  return IsWindowVisible(hwnd(window)) != 0;
}

void removeFrame(WindowHandle window) {
  LONG exStyle = GetWindowLongW(hwnd(window), GWL_EXSTYLE);
  SetWindowLongW(hwnd(window), GWL_EXSTYLE, exStyle & ~WS_EX_DLGMODALFRAME);
  LONG style = GetWindowLongW(hwnd(window), GWL_STYLE);
  SetWindowLongW(hwnd(window), GWL_STYLE, style & kFrameStyleMask);
  SetWindowPos(hwnd(window), nullptr, 0, 0, 0, 0, kFrameChangedInPlace);
}

std::optional<Rect> windowRect(WindowHandle window) {
  RECT rect;
  if (!GetWindowRect(hwnd(window), &rect))
    return std::nullopt;
  return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

std::optional<Rect> clientRect(WindowHandle window) {
  RECT rect;
  if (!GetClientRect(hwnd(window), &rect))
    return std::nullopt;
  return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

Size primaryScreenSize() {
  return Size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

std::optional<Point> cursorPosition() {
  POINT point;
  if (!GetCursorPos(&point))
    return std::nullopt;
  return Point{point.x, point.y};
}

void placeWindow(WindowHandle window, int left, int top) {
  SetWindowPos(hwnd(window), nullptr, left, top, 0, 0, SWP_NOSIZE);
}

void dragWindowTo(WindowHandle window, int left, int top) {
  SetWindowPos(hwnd(window), HWND_TOP, left, top, 0, 0, kDragMove);
}

void moveResizeWindow(WindowHandle window, int left, int top, int width, int height) {
  MoveWindow(hwnd(window), left, top, width, height, TRUE);
}

void setRoundedRegion(WindowHandle window, int width, int height, int cornerEllipse) {
  HRGN region = CreateRoundRectRgn(0, 0, width, height, cornerEllipse, cornerEllipse);
  // The window owns the region once SetWindowRgn has taken it.
  if (region && !SetWindowRgn(hwnd(window), region, TRUE))
    DeleteObject(region);
}

void minimiseWindow(WindowHandle window) {
  ShowWindow(hwnd(window), SW_MINIMIZE);
}

void maximiseWindow(WindowHandle window) {
  ShowWindow(hwnd(window), SW_MAXIMIZE);
}

void restoreWindow(WindowHandle window) {
  ShowWindow(hwnd(window), SW_RESTORE);
}

void hideWindow(WindowHandle window) {
  ShowWindow(hwnd(window), SW_HIDE);
}

void postClose(WindowHandle window) {
  PostMessageW(hwnd(window), WM_CLOSE, 0, 0);
}

}  // namespace varnet::platform
