#include "app/simple_app.h"

#include "bridge/install_bridge.h"
#include "config.h"
#include "platform/log.h"

namespace varnet {

namespace {

std::weak_ptr<engine::Client>& defaultClient() {
  static std::weak_ptr<engine::Client> client;
  return client;
}

}  // namespace

SimpleApp::SimpleApp(std::u16string portalBaseUrl)
    : bridge(portalBaseUrl.empty() ? std::u16string(config::kPortalBaseUrl)
                                   : std::move(portalBaseUrl)) {}

void SimpleApp::OnBeforeCommandLineProcessing(const std::string& /*processType*/,
                                              engine::CommandLine& commandLine) {
  // The same five switches in every process, appended after whatever the line already holds.
  for (const char* name : kEngineSwitches)
    commandLine.AppendSwitch(name);
}

void SimpleApp::OnContextInitialized() {
  // The main browser is created by the start-up sequence. The views framework is never used, so
  // the answer to "use-views" changes nothing.
  (void)engine::CommandLine::Global().HasSwitch("use-views");
}

std::shared_ptr<engine::Client> SimpleApp::GetDefaultClient() {
  return defaultClient().lock();
}

void SimpleApp::OnBrowserCreated() {
  ++renderBrowsers_;
}

void SimpleApp::OnBrowserDestroyed() {
  // Another browser's page may still use the bridge (and its job) in this process.
  if (renderBrowsers_ == 0 || --renderBrowsers_ > 0)
    return;
  bridge.install.job().stopAndWait();
  log::info("last page of the render process gone: the unpack job has ended");
}

void SimpleApp::OnContextCreated(const std::shared_ptr<engine::Frame>& frame,
                                 engine::ScriptContext& context) {
  installBridge(bridge, frame, context);
}

void SimpleApp::OnContextReleased(const std::shared_ptr<engine::Frame>& /*frame*/) {
  // Nothing: a released context's functions are stopped by their frame (Frame::IsValid).
}

bool SimpleApp::OnProcessMessageReceived(const std::shared_ptr<engine::Frame>& /*frame*/,
                                         const engine::ProcessMessage& /*message*/) {
  // The browser process sends nothing to the render process; anything that comes is ignored.
  return true;
}

void setDefaultClient(std::weak_ptr<engine::Client> client) {
  defaultClient() = std::move(client);
}

}  // namespace varnet
