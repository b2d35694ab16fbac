// Software drawing, chosen with figures (bench/startup, bench/frames): a launcher page gains no
// smoothness from WebKit's GL compositing, while every GL display a process opens maps the GL
// driver: Mesa's, with LLVM, is about 45 MiB of pages in each process that opens one.
//   WEBKIT_DISABLE_COMPOSITING_MODE=1    no compositing, as the hardware-acceleration policy
//                                        NEVER: the web process ~100 MiB lighter
//   WEBKIT_DISABLE_DMABUF_RENDERER=1     the UI process does not open a GL display to look for
//                                        DMA-BUF support, which only composited pages use
//   GDK_GL=disable                       GTK does not open GLX to pick its window visuals
//   WEBKIT_WEB_RENDER_DEVICE_FILE        the render node named here, so that the UI process does
//                                        not open a GL display to ask for one
// Together the UI process loads no GL driver. The web process still does: WebKitGTK 2.50.6 opens
// its GL display when it creates a page, its page settings reading accelerated compositing as on
// whatever the client chose (README, Benchmarks).

#include "engine/webkit/drawing_mode.h"

#include <glib.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace varnet::engine::webkit {

namespace {

// The first DRM render node, as WebKit would pick it. Without one WebKit finds none either;
// the usual first name, absent then, tells the web process the same.
std::string firstRenderNode() {
  std::string first;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
    std::string path = entry.path().string();
    if (entry.path().filename().string().rfind("renderD", 0) == 0 &&
        (first.empty() || path < first))
      first = path;
  }
  return first.empty() ? "/dev/dri/renderD128" : first;
}

}  // namespace

bool drawsInSoftware() {
  const char* compositing = g_getenv("WEBKIT_DISABLE_COMPOSITING_MODE");
  return !compositing || std::strcmp(compositing, "0") != 0;
}

void chooseDrawingMode() {
  if (!drawsInSoftware())
    return;
  g_setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", FALSE);
  g_setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", FALSE);
  g_setenv("GDK_GL", "disable", FALSE);
  g_setenv("WEBKIT_WEB_RENDER_DEVICE_FILE", firstRenderNode().c_str(), FALSE);
}

}  // namespace varnet::engine::webkit
