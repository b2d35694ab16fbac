#include <windows.h>

#include "platform/text.h"
#include "platform/wide_win.h"
#include "test_window.h"

namespace varnet::testing {
namespace {

constexpr wchar_t kWindowClass[] = L"VarnetTestTopLevel";

std::function<void(platform::WindowHandle)>& closeRecorder() {
  static std::function<void(platform::WindowHandle)> record;
  return record;
}

HWND hwnd(platform::WindowHandle window) {
  return static_cast<HWND>(window);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The window belongs to the test: a close is recorded, never carried out.
  if (message == WM_CLOSE) {
    if (closeRecorder())
      closeRecorder()(window);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool registerWindowClass() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassExW(&windowClass) != 0;
}

}  // namespace

bool windowSystemAvailable() {
  static const bool available = registerWindowClass() && GetSystemMetrics(SM_CXSCREEN) > 0;
  return available;
}

// The outer size is the given one, as with the engine's windows, which are created from the
// client's description with the frame included.
platform::WindowHandle openWindow(const std::u16string& title,
                                  int width,
                                  int height,
                                  int x,
                                  int y) {
  HWND window =
      CreateWindowExW(0, kWindowClass, platform::wide(title), WS_OVERLAPPEDWINDOW, x, y, width,
                      height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  settle();
  return window;
}

void closeWindow(platform::WindowHandle window) {
  DestroyWindow(hwnd(window));
  settle();
}

void recordPostedCloses(std::function<void(platform::WindowHandle)> record) {
  closeRecorder() = std::move(record);
}

void settle() {
  for (int i = 0; i < 10; ++i) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  }
}

// A frame takes room from the client area; without one the client area is the whole window.
bool isDecorated(platform::WindowHandle window) {
  RECT outer, client;
  GetWindowRect(hwnd(window), &outer);
  GetClientRect(hwnd(window), &client);
  return client.right != outer.right - outer.left || client.bottom != outer.bottom - outer.top;
}

bool isShaped(platform::WindowHandle window) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  const int kind = GetWindowRgn(hwnd(window), region);
  DeleteObject(region);
  return kind == COMPLEXREGION;
}

platform::Rect serverRect(platform::WindowHandle window) {
  RECT rect{};
  GetWindowRect(hwnd(window), &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace varnet::testing
