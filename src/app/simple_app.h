#pragma once

// The application object of every process: the engine switches all processes run with, the
// browser-process handler, and the render-process handler that puts the bridge on the portal
// page and owns the bridge's state.

#include <memory>
#include <string>

#include "bridge/bridge_state.h"
#include "engine/app.h"

namespace varnet {

class SimpleApp : public engine::App,
                  public engine::BrowserProcessHandler,
                  public engine::RenderProcessHandler {
 public:
  // `portalBaseUrl`: the address whose pages get the bridge; empty means the compiled-in one.
  explicit SimpleApp(std::u16string portalBaseUrl = {});

  // engine::App methods:
  void OnBeforeCommandLineProcessing(const std::string& processType,
                                     engine::CommandLine& commandLine) override;
  engine::BrowserProcessHandler* GetBrowserProcessHandler() override { return this; }
  engine::RenderProcessHandler* GetRenderProcessHandler() override { return this; }

  // engine::BrowserProcessHandler methods:
  void OnContextInitialized() override;
  std::shared_ptr<engine::Client> GetDefaultClient() override;

  // engine::RenderProcessHandler methods:
  void OnBrowserCreated() override;
  // The last browser of the process gone: the unpack job is stopped and its threads have ended
  // when this returns. The engine shuts down after it, and this object outlives the engine.
  void OnBrowserDestroyed() override;
  void OnContextCreated(const std::shared_ptr<engine::Frame>& frame,
                        engine::ScriptContext& context) override;
  void OnContextReleased(const std::shared_ptr<engine::Frame>& frame) override;
  bool OnProcessMessageReceived(const std::shared_ptr<engine::Frame>& frame,
                                const engine::ProcessMessage& message) override;

  const std::u16string& portalBaseUrl() const { return bridge.trust.portalBaseUrl(); }

  BridgeState bridge;  // the render process's bridge state

 private:
  int renderBrowsers_ = 0;  // browsers whose page lives in this process
};

// The switches every process runs with, in the order they are appended.
inline constexpr const char* kEngineSwitches[] = {
    "disable-web-security",           "allow-universal-access-from-files",
    "allow-file-access-from-files",   "disable-site-isolation-trials",
    "allow-running-insecure-content",
};

// The browser client that GetDefaultClient hands out: SimpleHandler sets it while it lives.
void setDefaultClient(std::weak_ptr<engine::Client> client);

}  // namespace varnet
