// The Win32 window operations, the single-instance look-up and the message loop with the caption
// drag, on real windows (Wine under Xvfb in CI). The windows are made from the main window's
// description; the engine is not needed for any of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/message_loop_win.h"
#include "config.h"
#include "platform/instance.h"
#include "platform/text.h"
#include "platform/window.h"

namespace varnet {
namespace {

constexpr DWORD kMainWindowStyle = 0x16CF0000;
constexpr wchar_t kEngineWindowClass[] = L"CefBrowserWindow";
constexpr wchar_t kPageWindowClass[] = L"VarnetTestPage";

const wchar_t* mainTitle() {
  return reinterpret_cast<const wchar_t*>(config::kMainWindowTitle);
}

// What the page window does with the messages the loop dispatches to it.
std::function<void(UINT)> pageReceived;

LRESULT CALLBACK pageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (pageReceived &&
      (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP || message == WM_MOUSEMOVE))
    pageReceived(message);
  return DefWindowProcW(window, message, wParam, lParam);
}

void registerClasses() {
  static bool registered = false;
  if (registered)
    return;
  WNDCLASSEXW main{};
  main.cbSize = sizeof(main);
  main.lpfnWndProc = DefWindowProcW;
  main.hInstance = GetModuleHandleW(nullptr);
  main.lpszClassName = kEngineWindowClass;
  RegisterClassExW(&main);
  WNDCLASSEXW page = main;
  page.lpfnWndProc = pageProcedure;
  page.lpszClassName = kPageWindowClass;
  RegisterClassExW(&page);
  registered = true;
}

// The main window as the engine creates it from the client's description, with a page window
// inside it that receives the mouse input, as the engine's child windows do.
class WindowWin : public ::testing::Test {
 protected:
  void SetUp() override {
    registerClasses();
    main_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kEngineWindowClass, mainTitle(), kMainWindowStyle,
                            0, 0, config::kMainWindowWidth, config::kMainWindowHeight, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(main_);
    RECT client;
    GetClientRect(main_, &client);
    page_ = CreateWindowExW(0, kPageWindowClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                            client.bottom, main_, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(page_);
  }

  void TearDown() override {
    pageReceived = nullptr;
    if (IsWindow(main_))
      DestroyWindow(main_);
    // Leave nothing queued for the next test's loop.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  // Runs the client's loop over this window until the main window's close is posted.
  LoopEnd runLoop(int* engineWork = nullptr, bool* closed = nullptr) {
    MessageLoopHooks hooks;
    hooks.mainWindow = [this] { return main_; };
    hooks.closeRequested = [closed] {
      if (closed)
        *closed = true;
    };
    hooks.engineWork = [engineWork] {
      if (engineWork)
        ++*engineWork;
    };
    return runMessageLoop(hooks);
  }

  static LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

  platform::Rect rect() const { return platform::windowRect(main_).value_or(platform::Rect{}); }

  HWND main_ = nullptr;
  HWND page_ = nullptr;
};

TEST_F(WindowWin, RemoveFrame_LeavesExactlyTheStyleBitsWithoutFrameAndModalFrame) {
  platform::removeFrame(main_);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(main_, GWL_STYLE)), kMainWindowStyle & 0xFF30FFFF);
  EXPECT_EQ(GetWindowLongW(main_, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
  // Without the frame the page fills the whole window.
  platform::Rect window = rect();
  platform::Rect client = platform::clientRect(main_).value_or(platform::Rect{});
  EXPECT_EQ(client.width(), window.width());
  EXPECT_EQ(client.height(), window.height());
}

TEST_F(WindowWin, PlaceWindow_CentresTheWindowOnThePrimaryScreen) {
  platform::removeFrame(main_);
  platform::Size screen = platform::primaryScreenSize();
  ASSERT_GT(screen.width, 0);
  platform::Rect before = rect();
  platform::placeWindow(main_, (screen.width - before.width()) / 2,
                        (screen.height - before.height()) / 2);
  platform::Rect after = rect();
  EXPECT_EQ(after.width(), config::kMainWindowWidth);
  EXPECT_EQ(after.height(), config::kMainWindowHeight);
  EXPECT_LE(std::abs(after.left + after.right - screen.width), 1);
  EXPECT_LE(std::abs(after.top + after.bottom - screen.height), 1);
}

TEST_F(WindowWin, SetRoundedRegion_CutsTheCornersAndKeepsTheRest) {
  const int width = config::kMainWindowWidth;
  const int height = config::kMainWindowHeight;
  platform::setRoundedRegion(main_, width, height, 10);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetWindowRgn(main_, region), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(region, 0, 0));
  EXPECT_FALSE(PtInRegion(region, width - 1, height - 1));
  EXPECT_TRUE(PtInRegion(region, 5, 5));
  EXPECT_TRUE(PtInRegion(region, width / 2, 0));
  EXPECT_TRUE(PtInRegion(region, 0, height / 2));
  EXPECT_FALSE(PtInRegion(region, width, height / 2));
  DeleteObject(region);
}

TEST_F(WindowWin, ShowCommands_MinimiseMaximiseRestoreAndHide) {
  platform::removeFrame(main_);
  platform::placeWindow(main_, 40, 30);
  platform::minimiseWindow(main_);
  EXPECT_TRUE(IsIconic(main_));
  platform::restoreWindow(main_);
  EXPECT_FALSE(IsIconic(main_));
  platform::maximiseWindow(main_);
  EXPECT_TRUE(IsZoomed(main_));
  platform::restoreWindow(main_);
  EXPECT_FALSE(IsZoomed(main_));
  EXPECT_EQ(rect().left, 40);
  EXPECT_EQ(rect().top, 30);
  EXPECT_TRUE(platform::isWindowVisible(main_));
  platform::hideWindow(main_);
  EXPECT_FALSE(platform::isWindowVisible(main_));
}

TEST_F(WindowWin, MoveResizeWindow_GivesTheWindowThatRectangle) {
  platform::removeFrame(main_);
  platform::moveResizeWindow(main_, 0, 0, 2550, 1440);
  platform::Rect moved = rect();
  EXPECT_EQ(moved.left, 0);
  EXPECT_EQ(moved.top, 0);
  // The system keeps a window without a caption or pop-up style within its largest tracking size
  // (a little more than the screen), on Windows as under Wine.
  EXPECT_EQ(moved.width(), std::min(2550, GetSystemMetrics(SM_CXMAXTRACK)));
  EXPECT_EQ(moved.height(), std::min(1440, GetSystemMetrics(SM_CYMAXTRACK)));
}

TEST_F(WindowWin, WindowTitle_IsTheNativeTitle) {
  EXPECT_EQ(platform::windowTitle(main_), config::kMainWindowTitle);
}

TEST_F(WindowWin, PostedClose_EndsTheLoopAfterClosingTheBrowsersAndDestroysTheWindow) {
  int engineWork = 0;
  bool closed = false;
  PostMessageW(page_, WM_NULL, 0, 0);
  platform::postClose(main_);
  EXPECT_EQ(runLoop(&engineWork, &closed), LoopEnd::MainWindowClosed);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(IsWindow(main_));
  EXPECT_GE(engineWork, 1);  // after the page's message; none for the close
}

TEST_F(WindowWin, PostedQuit_EndsTheLoopWithoutClosing) {
  bool closed = false;
  PostQuitMessage(0);
  EXPECT_EQ(runLoop(nullptr, &closed), LoopEnd::Quit);
  EXPECT_FALSE(closed);
  EXPECT_TRUE(IsWindow(main_));
}

// Presses at `pressY` in the page, moves the cursor by (30, 20) with the button held as
// `buttonHeld` says, and returns how far the main window went.
platform::Point dragBy(HWND main, HWND page, int pressY, bool buttonHeld) {
  platform::removeFrame(main);
  platform::placeWindow(main, 100, 100);
  SetCursorPos(400, 300);
  RECT start;
  GetWindowRect(main, &start);
  pageReceived = [=](UINT message) {
    if (message == WM_LBUTTONDOWN) {
      SetCursorPos(430, 320);
      PostMessageW(page, WM_MOUSEMOVE, buttonHeld ? MK_LBUTTON : 0, MAKELPARAM(40, pressY + 20));
    } else if (message == WM_MOUSEMOVE) {
      PostMessageW(page, WM_LBUTTONUP, 0, MAKELPARAM(40, pressY + 20));
    } else if (message == WM_LBUTTONUP) {
      PostMessageW(main, WM_CLOSE, 0, 0);
    }
  };
  PostMessageW(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, pressY));
  MessageLoopHooks hooks;
  RECT end = start;
  hooks.mainWindow = [main] { return main; };
  hooks.closeRequested = [&] { GetWindowRect(main, &end); };
  runMessageLoop(hooks);
  return platform::Point{end.left - start.left, end.top - start.top};
}

TEST_F(WindowWin, CaptionDrag_APressAtY99MovesTheWindowWithTheCursor) {
  platform::Point moved = dragBy(main_, page_, 99, true);
  EXPECT_EQ(moved.x, 30);
  EXPECT_EQ(moved.y, 20);
}

TEST_F(WindowWin, CaptionDrag_APressAtY100DoesNotDrag) {
  platform::Point moved = dragBy(main_, page_, 100, true);
  EXPECT_EQ(moved.x, 0);
  EXPECT_EQ(moved.y, 0);
}

TEST_F(WindowWin, CaptionDrag_MovingWithoutTheButtonMovesNothing) {
  platform::Point moved = dragBy(main_, page_, 10, false);
  EXPECT_EQ(moved.x, 0);
  EXPECT_EQ(moved.y, 0);
}

TEST_F(WindowWin, CaptionDrag_ThePageStillReceivesEveryMouseMessage) {
  int received = 0;
  platform::removeFrame(main_);
  pageReceived = [&](UINT message) {
    ++received;
    if (message == WM_LBUTTONUP)
      PostMessageW(main_, WM_CLOSE, 0, 0);
  };
  PostMessageW(page_, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 10));
  PostMessageW(page_, WM_MOUSEMOVE, MK_LBUTTON, at(12, 12));
  PostMessageW(page_, WM_LBUTTONUP, 0, at(12, 12));
  runLoop();
  EXPECT_EQ(received, 3);
}

TEST_F(WindowWin, FindVisibleInstanceWindow_FindsTheVisibleMainWindowByClassAndTitle) {
  platform::WindowHandle found =
      platform::findVisibleInstanceWindow(u"CefBrowserWindow", config::kMainWindowTitle);
  EXPECT_EQ(found, main_);
  EXPECT_FALSE(platform::findVisibleInstanceWindow(u"CefBrowserWindow", u"Another title"));
  EXPECT_FALSE(platform::findVisibleInstanceWindow(u"OtherClass", config::kMainWindowTitle));
}

TEST_F(WindowWin, FindVisibleInstanceWindow_IgnoresAHiddenMainWindow) {
  platform::hideWindow(main_);
  EXPECT_FALSE(platform::findVisibleInstanceWindow(u"CefBrowserWindow", config::kMainWindowTitle));
}

TEST(InstanceWin, AcquireInstanceLock_TellsTheFirstHolderFromLaterOnes) {
  // A name of this run's own, so that runs sharing one system do not meet.
  std::u16string name = u"varnet-test-lock-" + fromUtf8(std::to_string(GetCurrentProcessId()));
  EXPECT_EQ(platform::acquireInstanceLock(name), platform::InstanceLock::Created);
  EXPECT_EQ(platform::acquireInstanceLock(name), platform::InstanceLock::AlreadyExists);
  // A name the system refuses (a backslash outside a namespace prefix).
  EXPECT_EQ(platform::acquireInstanceLock(u"no\\such\\namespace"), platform::InstanceLock::Failed);
}

}  // namespace
}  // namespace varnet
