#include "app/message_loop_win.h"

#include <windowsx.h>

#include "app/caption_drag.h"
#include "platform/window.h"

namespace varnet {
namespace {

platform::Point cursor() {
  return platform::cursorPosition().value_or(platform::Point{});
}

// Feeds the page's mouse messages into the drag. The message itself is left alone: the page
// still receives every one of them.
void applyCaptionDrag(CaptionDrag& drag, const MSG& message, HWND mainWindow) {
  switch (message.message) {
    case WM_LBUTTONDOWN:
      drag.press(HIWORD(message.lParam), cursor(), platform::windowRect(mainWindow));
      break;
    case WM_LBUTTONUP:
      drag.release();
      break;
    case WM_MOUSEMOVE:
      if (auto to = drag.move((message.wParam & MK_LBUTTON) != 0, cursor()))
        platform::dragWindowTo(mainWindow, to->x, to->y);
      break;
    default:
      break;
  }
}

}  // namespace

LoopEnd runMessageLoop(const MessageLoopHooks& hooks) {
  CaptionDrag drag;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    HWND mainWindow = hooks.mainWindow ? hooks.mainWindow() : nullptr;
    if (mainWindow && message.hwnd == mainWindow && message.message == WM_CLOSE) {
      if (hooks.closeRequested)
        hooks.closeRequested();
      DestroyWindow(mainWindow);
      return LoopEnd::MainWindowClosed;
    }
    // The drag looks only at the window the message is addressed to: any other window of the
    // thread (the engine's page windows, a secondary window's page) drags the main window.
    if (mainWindow && message.hwnd != mainWindow)
      applyCaptionDrag(drag, message, mainWindow);
    if (!TranslateAcceleratorW(message.hwnd, nullptr, &message)) {
      DispatchMessageW(&message);
      TranslateMessage(&message);
      if (hooks.engineWork)
        hooks.engineWork();
    }
  }
  return LoopEnd::Quit;
}

void pumpUntil(const std::function<bool()>& done, const std::function<void()>& engineWork) {
  MSG message;
  while (!done()) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (engineWork)
      engineWork();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

}  // namespace varnet
