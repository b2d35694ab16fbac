#pragma once

// A small fake of the engine seam for unit tests of the engine-neutral code: frames, browsers
// and script contexts that record what the code under test did with them, and (in
// fake_engine.cpp) the engine functions of engine/engine.h recording browser creation and UI
// tasks. Link varnet_fake_engine instead of a real port.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/app.h"
#include "engine/browser.h"
#include "engine/client.h"
#include "engine/context_menu.h"
#include "engine/download.h"
#include "engine/engine.h"
#include "engine/script_value.h"

namespace varnet::fake {

class FakeFrame : public engine::Frame {
 public:
  explicit FakeFrame(std::u16string url = {}, bool isMain = true)
      : url(std::move(url)), isMain(isMain) {}

  bool IsMain() const override { return isMain; }
  std::u16string GetURL() const override { return url; }
  void ExecuteJavaScript(const std::u16string& code) override { scripts.push_back(code); }
  void SendProcessMessage(const engine::ProcessMessage& message) override {
    sent.push_back(message);
  }
  bool IsValid() const override { return valid; }

  std::u16string url;
  bool isMain;
  bool valid = true;                         // false: removed, or moved on to another document
  std::vector<std::u16string> scripts;       // ExecuteJavaScript, in order
  std::vector<engine::ProcessMessage> sent;  // SendProcessMessage, in order
};

class FakeBrowserHost : public engine::BrowserHost {
 public:
  platform::WindowHandle GetWindowHandle() const override { return window; }
  void CloseBrowser(bool force) override { closeCalls.push_back(force); }
  void WasResized() override { ++resizedCount; }
  void RunAfterSentScripts(std::function<void()> done) override {
    afterSentScripts.push_back(std::move(done));
  }
  // The page has run what it was sent: the waiting callbacks run, in order.
  void scriptsRan() {
    for (auto& done : std::exchange(afterSentScripts, {}))
      done();
  }

  platform::WindowHandle window = nullptr;
  std::vector<bool> closeCalls;                         // the force argument of each CloseBrowser
  std::vector<std::function<void()>> afterSentScripts;  // RunAfterSentScripts, not yet run
  int resizedCount = 0;
};

class FakeBrowser : public engine::Browser {
 public:
  explicit FakeBrowser(int id = nextId(), std::u16string url = {})
      : id(id), mainFrame(std::make_shared<FakeFrame>(std::move(url), true)) {}

  int GetIdentifier() const override { return id; }
  std::shared_ptr<engine::Frame> GetMainFrame() override { return mainFrame; }
  void Reload() override { ++reloadCount; }
  engine::BrowserHost& GetHost() override { return host; }

  static int nextId() {
    static int last = 0;
    return ++last;
  }

  int id;
  std::shared_ptr<FakeFrame> mainFrame;  // may be reset to simulate a browser without one
  FakeBrowserHost host;
  int reloadCount = 0;
};

// The global object of a fake script context: the functions set on it, in order, and a way to
// call them as the page would.
class FakeScriptContext : public engine::ScriptContext {
 public:
  explicit FakeScriptContext(std::u16string topFrameUrl = {})
      : topFrameUrl(std::move(topFrameUrl)) {}

  void SetGlobalFunction(const std::u16string& name,
                         std::shared_ptr<engine::ScriptHandler> handler) override {
    names.push_back(name);
    functions[name] = std::move(handler);
  }
  std::u16string GetTopFrameURL() const override { return topFrameUrl; }

  // Calls `name` like the page: through its handler, with the engine's reading of `arguments`.
  engine::ScriptResult call(const std::u16string& name, engine::ScriptArguments arguments = {}) {
    engine::ScriptResult result;
    functions.at(name)->Execute(name, arguments, result);
    return result;
  }

  std::u16string topFrameUrl;
  std::vector<std::u16string> names;
  std::map<std::u16string, std::shared_ptr<engine::ScriptHandler>> functions;
};

class FakeContextMenuParams : public engine::ContextMenuParams {
 public:
  explicit FakeContextMenuParams(int flags) : flags(flags) {}
  int GetTypeFlags() const override { return flags; }
  int flags;
};

class FakeMenuModel : public engine::MenuModel {
 public:
  explicit FakeMenuModel(int count) : count(count) {}
  int GetCount() const override { return count; }
  void Clear() override {
    count = 0;
    ++clearCount;
  }
  int count;
  int clearCount = 0;
};

class FakeDownloadItem : public engine::DownloadItem {
 public:
  bool IsComplete() const override { return complete; }
  bool IsCanceled() const override { return canceled; }
  std::int64_t GetReceivedBytes() const override { return received; }
  std::int64_t GetTotalBytes() const override { return total; }
  std::int64_t GetCurrentSpeed() const override { return speed; }
  std::u16string GetFullPath() const override { return fullPath; }
  std::u16string GetURL() const override { return url; }
  std::u16string GetOriginalUrl() const override { return originalUrl.empty() ? url : originalUrl; }

  bool complete = false;
  bool canceled = false;
  std::int64_t received = 0;
  std::int64_t total = -1;
  std::int64_t speed = 0;
  std::u16string fullPath;
  std::u16string url;
  std::u16string originalUrl;  // empty: the same as url
};

class FakeBeforeDownloadCallback : public engine::BeforeDownloadCallback {
 public:
  void Continue(const std::u16string& path, bool showDialog) override {
    continued.push_back({path, showDialog});
  }
  std::vector<std::pair<std::u16string, bool>> continued;
};

class FakeDownloadItemCallback : public engine::DownloadItemCallback {
 public:
  void Cancel() override { ++cancelCount; }
  void Pause() override { ++pauseCount; }
  void Resume() override { ++resumeCount; }
  int cancelCount = 0, pauseCount = 0, resumeCount = 0;
};

// What the fake engine functions (engine/engine.h) were asked to do. Reset between tests.
struct EngineRecord {
  struct Creation {
    engine::WindowInfo windowInfo;
    std::shared_ptr<engine::Client> client;
    std::u16string url;
    bool sync;
    std::shared_ptr<FakeBrowser> browser;  // the browser handed to the client's OnAfterCreated
  };

  bool initialized = false;
  engine::Settings settings;
  std::shared_ptr<engine::App> app;
  std::vector<Creation> creations;
  std::vector<std::function<void()>> postedTasks;  // PostUITask, not yet run
  int quitCount = 0;
  int workCount = 0;
  bool shutDown = false;
  bool onUIThread = true;  // what CurrentlyOnUIThread answers
  bool createSucceeds = true;

  // Runs the posted tasks (and any they post) in order.
  void runPostedTasks() {
    while (!postedTasks.empty()) {
      auto task = std::move(postedTasks.front());
      postedTasks.erase(postedTasks.begin());
      task();
    }
  }
};

// The fake engine's record; engine::Initialize etc. write into it.
EngineRecord& engineRecord();
void resetEngineRecord();

}  // namespace varnet::fake
