#pragma once

// The browser process's Win32 message loop: every message of the thread passes here, drives the
// caption drag of the frameless main window, is dispatched, and is followed by one unit of
// engine work. A WM_CLOSE posted to the main window ends the loop.

#include <windows.h>

#include <functional>

namespace varnet {

struct MessageLoopHooks {
  // The main window as the browser client knows it; null until it has been created.
  std::function<HWND()> mainWindow;
  // A WM_CLOSE for the main window arrived: close every browser and stop the engine's loop.
  // The loop destroys the window afterwards.
  std::function<void()> closeRequested;
  // One unit of engine work after each dispatched message (cef_do_message_loop_work).
  std::function<void()> engineWork;
};

enum class LoopEnd { Quit, MainWindowClosed };

// Runs until GetMessageW returns 0 (WM_QUIT) or a posted WM_CLOSE for the main window.
LoopEnd runMessageLoop(const MessageLoopHooks& hooks);

// Dispatches the thread's messages and does engine work until `done` answers true.
void pumpUntil(const std::function<bool()>& done, const std::function<void()>& engineWork);

}  // namespace varnet
