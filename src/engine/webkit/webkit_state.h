#pragma once

// What the WebKitGTK port keeps for the life of the engine: the shared web context, the UI
// thread, the open browsers. Only touched on the UI thread.

#include <webkit2/webkit2.h>

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "engine/webkit/gref.h"

namespace varnet::engine::webkit {

class WebKitBrowser;
class Download;

struct EngineState {
  GRef<WebKitWebContext> context;
  std::thread::id uiThread;
  std::shared_ptr<App> app;
  Settings settings;
  std::string folderService;
  std::vector<GMainLoop*> loops;
  // Every open browser, by id; the registry keeps them alive until their window is destroyed.
  std::map<int, std::shared_ptr<WebKitBrowser>> browsers;
  int lastId = 0;
  // Every running download; kept until it has finished.
  std::map<WebKitDownload*, std::shared_ptr<Download>> downloads;
};

EngineState& state();

// The registered browser showing `view`, or null.
std::shared_ptr<WebKitBrowser> browserOfView(WebKitWebView* view);

}  // namespace varnet::engine::webkit
