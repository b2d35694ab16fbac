#pragma once

// A browser-process host for end-to-end tests and benchmarks of the WebKitGTK port: the real
// engine (this process is the browser process, WebKit's web process loads the real web
// extension), a loopback HTTP server for the test pages, and a client that records what the
// engine tells it. Needs a display (Xvfb).

#include <libsoup/soup.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/client.h"
#include "engine/engine.h"

namespace varnet::testing {

// Serves fixed pages on 127.0.0.1 at a free port, as text/html whatever the extension (.jsp
// too). "{PORT}" in a page is replaced by the server's port.
class PageServer {
 public:
  PageServer();
  ~PageServer();
  void add(const std::string& path, std::string html, std::string contentType = "text/html");
  // Answers `path` with a 302 to `location` ("{PORT}" replaced as in pages).
  void redirect(const std::string& path, std::string location);
  // The paths asked for so far, in order.
  const std::vector<std::string>& requests() const { return requests_; }
  int port() const { return port_; }
  std::string url(const std::string& path) const;

 private:
  static void handle(SoupServer*, SoupServerMessage*, const char*, GHashTable*, gpointer);
  SoupServer* server_;
  int port_ = 0;
  struct Page {
    std::string body;
    std::string contentType;
    int status = 200;
  };
  std::map<std::string, Page> pages_;
  std::vector<std::string> requests_;
};

struct ReceivedMessage {
  int browserId;
  bool fromMainFrame;
  std::u16string frameUrl;
  engine::ProcessMessage message;
};

// Records the browsers and the process messages; answers "download" like the browser-side
// dispatcher does for a task it hands to the page: download_curtaskaddinf(task, folder, '') in
// the sending frame, the texts as escaped string literals. While `holdAnswers` is set, answers
// wait for releaseAnswers().
class RecordingClient : public engine::Client {
 public:
  void OnAfterCreated(const std::shared_ptr<engine::Browser>& browser) override;
  void OnBeforeClose(const std::shared_ptr<engine::Browser>& browser) override;
  void OnLoadEnd(const std::shared_ptr<engine::Browser>&,
                 const std::shared_ptr<engine::Frame>&,
                 int) override {
    ++loadsEnded;
  }
  bool OnProcessMessageReceived(const std::shared_ptr<engine::Browser>& browser,
                                const std::shared_ptr<engine::Frame>& frame,
                                const engine::ProcessMessage& message) override;

  void releaseAnswers();

  std::vector<std::shared_ptr<engine::Browser>> browsers;
  std::vector<ReceivedMessage> messages;
  bool holdAnswers = false;
  std::vector<std::pair<std::shared_ptr<engine::Frame>, std::u16string>> heldAnswers;
  int loadsEnded = 0;
  int closed = 0;
};

// The engine, started once per process with the page server's portal base URL
// http://127.0.0.1:PORT/portal/.
class WebKitHost {
 public:
  static WebKitHost& get();

  PageServer& server() { return server_; }
  std::string portalBase() const { return server_.url("/portal/"); }

  // Opens a browser at `url` and waits until its page has loaded.
  std::shared_ptr<engine::Browser> open(const std::shared_ptr<RecordingClient>& client,
                                        const std::string& url);
  void close(const std::shared_ptr<engine::Browser>& browser);

  // Runs the main loop until `done` holds or `timeout` passes; false on timeout.
  static bool waitUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20));

  // The process's working folder (a temporary one; the web process shares it) and the lines the
  // fake programs first on PATH ("shutdown", "xdg-open") logged, each "name arg arg...".
  const std::string& workFolder() const { return work_; }
  std::vector<std::string> fakeCalls() const;

  // Evaluates `expression` in the browser's main frame and returns JSON.stringify of its value
  // ("<exception: ...>" when it threw).
  static std::string evaluate(engine::Browser& browser, const std::string& expression);

 private:
  WebKitHost();
  PageServer server_;
  std::string work_;
};

}  // namespace varnet::testing
