// The client's entry on Linux: the single-instance rule and the companion check, the engine
// with its settings, the main window at the portal's start page, and the GLib main loop in the
// role of the Win32 message loop (posted closes, the caption drag).

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/caption_drag.h"
#include "app/simple_app.h"
#include "app/startup.h"
#include "app/support_log.h"
#include "browser/simple_handler.h"
#include "companion/companion.h"
#include "config.h"
#include "engine/engine.h"
#include "engine/webkit/drawing_mode.h"
#include "platform/current_folder.h"
#include "platform/desktop.h"
#include "platform/instance.h"
#include "platform/log.h"
#include "platform/text.h"
#include "platform/window_gtk.h"

namespace varnet {
namespace {

// The main window's X11 class (WM_CLASS), the key of the single-instance look-up with its title.
constexpr char kWindowClass[] = "varnet-client";

struct Loop {
  std::shared_ptr<SimpleHandler> handler;
  CaptionDrag drag;
};

// Every event passes here before GTK dispatches it, as every message passes the Win32 loop:
// left-button presses, releases and moves drive the caption drag, and the page still gets them.
void onEvent(GdkEvent* event, gpointer data) {
  auto* loop = static_cast<Loop*>(data);
  platform::WindowHandle main = loop->handler ? loop->handler->mainWindow() : nullptr;
  if (main) {
    switch (event->type) {
      case GDK_BUTTON_PRESS:
        if (event->button.button == 1)
          loop->drag.press(
              static_cast<int>(event->button.y),
              {static_cast<int>(event->button.x_root), static_cast<int>(event->button.y_root)},
              platform::windowRect(main));
        break;
      case GDK_BUTTON_RELEASE:
        if (event->button.button == 1)
          loop->drag.release();
        break;
      case GDK_MOTION_NOTIFY:
        if (auto to = loop->drag.move(
                event->motion.state & GDK_BUTTON1_MASK,
                {static_cast<int>(event->motion.x_root), static_cast<int>(event->motion.y_root)}))
          platform::dragWindowTo(main, to->x, to->y);
        break;
      default:
        break;
    }
  }
  gtk_main_do_event(event);
}

// A close posted to the main window (the close path, browser/close_path.cpp): the handler
// closes every browser and quits the loop, then the window goes if closing left it.
void onPostedClose(Loop& loop, platform::WindowHandle window) {
  if (!loop.handler || window != loop.handler->mainWindow())
    return;
  GtkWidget* main = GTK_WIDGET(window);
  g_object_add_weak_pointer(G_OBJECT(main), reinterpret_cast<gpointer*>(&main));
  loop.handler->onPostedClose();
  if (main) {
    g_object_remove_weak_pointer(G_OBJECT(main), reinterpret_cast<gpointer*>(&main));
    gtk_widget_destroy(main);
  }
}

int run(int argc, char** argv) {
  platform::initialiseComOnThisThread();
  // The class every window of this process carries, whatever the program file is called.
  g_set_prgname(kWindowClass);
  // GTK reads its part of the drawing mode when it opens the display.
  engine::webkit::chooseDrawingMode();
  // Without a display no window can ever be shown: say so and end before the instance lock is
  // taken and the companion started, which a client nobody can see would otherwise hold.
  if (!gtk_init_check(nullptr, nullptr)) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "%s: cannot open the display %s\n", kWindowClass,
                 display && *display ? display : "(DISPLAY is not set)");
    return kExitCannotStart;
  }
  const bool emptyCommandLine = argc <= 1;
  if (applySingleInstanceRule(emptyCommandLine, systemStartupSteps(fromUtf8(kWindowClass))) ==
      StartupDecision::HandOverFocus)
    return kExitFocusHandedOver;

  engine::MainArgs args{argc, argv, nullptr};
  auto app = std::make_shared<SimpleApp>();
  if (int code = engine::ExecuteProcess(args, app); code >= 0)
    return code;

  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i)
    arguments.push_back(fromUtf8(argv[i]));
  startBrowserProcessLog(platform::currentFolder(), arguments);
  if (!engine::Initialize(args, browserProcessSettings(platform::inCurrentFolder(u"cache/")),
                          app)) {
    std::fprintf(stderr, "%s: the browser engine did not start\n", kWindowClass);
    return kExitCannotStart;
  }

  Loop loop;
  loop.handler = std::make_shared<SimpleHandler>();
  setDefaultClient(loop.handler);
  gdk_event_handler_set(onEvent, &loop, nullptr);
  platform::setPostedCloseHandler(
      [&loop](platform::WindowHandle window) { onPostedClose(loop, window); });

  engine::CreateBrowserSync(mainWindowInfo(), loop.handler, startAddress(),
                            engine::BrowserSettings{});

  engine::RunMessageLoop();

  // As the Win32 loop, which a close by the engine does not end, the loop keeps running (the
  // window's destruction still has to reach the X server) until the exit watcher ends it.
  while (loop.handler->waitsForExitWatcher())
    engine::RunMessageLoop();
  platform::setPostedCloseHandler(nullptr);
  engine::Shutdown();
  loop.handler.reset();
  log::info("message loop ended: the client ends with ", kExitLoopEnded);
  return kExitLoopEnded;
}

}  // namespace
}  // namespace varnet

int main(int argc, char** argv) {
  return varnet::run(argc, argv);
}
