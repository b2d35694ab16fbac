#include "engine/fake_engine.h"

namespace varnet::fake {

EngineRecord& engineRecord() {
  static EngineRecord record;
  return record;
}

void resetEngineRecord() {
  engineRecord() = EngineRecord();
}

}  // namespace varnet::fake

namespace varnet::engine {

using fake::engineRecord;

int ExecuteProcess(const MainArgs&, const std::shared_ptr<App>&) {
  return -1;
}

bool Initialize(const MainArgs& args, const Settings& settings, const std::shared_ptr<App>& app) {
  auto& record = engineRecord();
  CommandLine::Global() = CommandLine(args.argc, args.argv);
  if (app)
    app->OnBeforeCommandLineProcessing("", CommandLine::Global());
  record.initialized = true;
  record.settings = settings;
  record.app = app;
  if (app && app->GetBrowserProcessHandler())
    app->GetBrowserProcessHandler()->OnContextInitialized();
  return true;
}

namespace {

std::shared_ptr<fake::FakeBrowser> create(const WindowInfo& windowInfo,
                                          const std::shared_ptr<Client>& client,
                                          const std::u16string& url,
                                          bool sync) {
  auto& record = engineRecord();
  if (!record.createSucceeds)
    return nullptr;
  auto browser = std::make_shared<fake::FakeBrowser>(fake::FakeBrowser::nextId(), url);
  record.creations.push_back({windowInfo, client, url, sync, browser});
  return browser;
}

}  // namespace

std::shared_ptr<Browser> CreateBrowserSync(const WindowInfo& windowInfo,
                                           const std::shared_ptr<Client>& client,
                                           const std::u16string& url,
                                           const BrowserSettings&) {
  auto browser = create(windowInfo, client, url, true);
  if (browser && client)
    client->OnAfterCreated(browser);
  return browser;
}

bool CreateBrowser(const WindowInfo& windowInfo,
                   const std::shared_ptr<Client>& client,
                   const std::u16string& url,
                   const BrowserSettings&) {
  auto browser = create(windowInfo, client, url, false);
  if (!browser)
    return false;
  engineRecord().postedTasks.push_back([client, browser] {
    if (client)
      client->OnAfterCreated(browser);
  });
  return true;
}

void RunMessageLoop() {
  engineRecord().runPostedTasks();
}

void QuitMessageLoop() {
  ++engineRecord().quitCount;
}

void DoMessageLoopWork() {
  ++engineRecord().workCount;
  engineRecord().runPostedTasks();
}

void Shutdown() {
  engineRecord().shutDown = true;
}

bool CurrentlyOnUIThread() {
  return engineRecord().onUIThread;
}

void PostUITask(std::function<void()> task) {
  engineRecord().postedTasks.push_back(std::move(task));
}

std::string EngineVersion() {
  return "fake engine";
}

}  // namespace varnet::engine
