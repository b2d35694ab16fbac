#pragma once

// The application object's engine roles (CefApp, CefBrowserProcessHandler,
// CefRenderProcessHandler). One object per process plays them; the engine holds it for the life
// of the process.

#include <memory>
#include <string>

#include "engine/client.h"
#include "engine/command_line.h"
#include "engine/process_message.h"
#include "engine/script_value.h"

namespace varnet::engine {

class BrowserProcessHandler {
 public:
  virtual ~BrowserProcessHandler() = default;
  // The engine is ready on the UI thread.
  virtual void OnContextInitialized() {}
  // The client for browsers that the engine creates without one.
  virtual std::shared_ptr<Client> GetDefaultClient() { return nullptr; }
};

class RenderProcessHandler {
 public:
  virtual ~RenderProcessHandler() = default;
  // A browser's page now lives in this process / is gone from it (each browser once, on the
  // page's script thread, while the engine still runs).
  virtual void OnBrowserCreated() {}
  virtual void OnBrowserDestroyed() {}
  // A frame's script context (its `window`) was created anew: on every navigation and reload of
  // the frame, before the page's own script runs.
  virtual void OnContextCreated(const std::shared_ptr<Frame>& /*frame*/,
                                ScriptContext& /*context*/) {}
  virtual void OnContextReleased(const std::shared_ptr<Frame>& /*frame*/) {}
  // Returns true when handled.
  virtual bool OnProcessMessageReceived(const std::shared_ptr<Frame>& /*frame*/,
                                        const ProcessMessage& /*message*/) {
    return false;
  }
};

class App {
 public:
  virtual ~App() = default;
  // Every process, before the engine reads its switches. `processType` is empty in the browser
  // process.
  virtual void OnBeforeCommandLineProcessing(const std::string& /*processType*/,
                                             CommandLine& /*commandLine*/) {}
  virtual BrowserProcessHandler* GetBrowserProcessHandler() { return nullptr; }
  virtual RenderProcessHandler* GetRenderProcessHandler() { return nullptr; }
};

}  // namespace varnet::engine
