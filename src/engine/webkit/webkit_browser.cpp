// The browser and its frames: window and view creation, the main frame and message senders as
// the client sees them, load and title events, the close sequence, the wait for sent scripts.

#include "engine/webkit/webkit_browser.h"

#include <memory>
#include <utility>

#include "engine/ui_thread.h"
#include "engine/webkit/gref.h"
#include "engine/webkit/webkit_settings.h"
#include "engine/webkit/webkit_state.h"
#include "platform/log.h"
#include "platform/text.h"

namespace varnet::engine::webkit {

namespace {

// The main frame as the client sees it: whatever the view shows now.
class MainFrame : public Frame {
 public:
  explicit MainFrame(WebKitBrowser* browser) : browser_(browser) {}
  bool IsMain() const override { return true; }
  std::u16string GetURL() const override {
    const char* uri = browser_->view() ? webkit_web_view_get_uri(browser_->view()) : nullptr;
    return uri ? fromUtf8(uri) : std::u16string();
  }
  void ExecuteJavaScript(const std::u16string& code) override {
    if (browser_->view())
      runScriptInView(browser_->view(), code);
  }
  void SendProcessMessage(const ProcessMessage&) override {}  // render process only

 private:
  WebKitBrowser* browser_;  // owns this frame
};

// The frame a message came from, as the browser process knows it.
class SenderFrameProxy : public Frame {
 public:
  SenderFrameProxy(std::weak_ptr<WebKitBrowser> browser, SenderFrame frame)
      : browser_(std::move(browser)), frame_(std::move(frame)) {}
  bool IsMain() const override { return frame_.isMain; }
  std::u16string GetURL() const override { return frame_.url; }
  void ExecuteJavaScript(const std::u16string& code) override {
    if (auto browser = browser_.lock())
      browser->runScriptInFrame(frame_, code);
  }
  void SendProcessMessage(const ProcessMessage&) override {}  // render process only

 private:
  std::weak_ptr<WebKitBrowser> browser_;
  SenderFrame frame_;
};

// How long the web process may take to run what it was sent before the client goes on without
// its answer: a page busy in a script, or a web process that hangs, must not keep a close waiting.
constexpr guint kSentScriptsLimitMs = 2000;

// One wait for the web process's answer. Whichever comes first, the answer or the time limit, runs
// `done`; the answer's callback owns the wait and removes the limit's source if it is still due.
struct SentScriptsWait {
  std::function<void()> done;
  guint limit = 0;

  void finish() {
    if (auto run = std::exchange(done, nullptr))
      run();
  }
  static gboolean onLimit(gpointer data) {
    auto* wait = static_cast<SentScriptsWait*>(data);
    wait->limit = 0;
    log::warning("the page did not run its scripts within ", kSentScriptsLimitMs,
                 " ms: going on without it");
    wait->finish();
    return G_SOURCE_REMOVE;
  }
  static void onAnswer(GObject* view, GAsyncResult* result, gpointer data) {
    std::unique_ptr<SentScriptsWait> wait(static_cast<SentScriptsWait*>(data));
    // A value or an error (the web process is gone): either way nothing sent before is pending.
    if (JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr))
      g_object_unref(value);
    if (wait->limit)
      g_source_remove(wait->limit);
    wait->finish();
  }
};

}  // namespace

void runScriptInView(WebKitWebView* view, const std::u16string& code) {
  std::string utf8 = toUtf8(code);
  webkit_web_view_evaluate_javascript(view, utf8.c_str(), static_cast<gssize>(utf8.size()), nullptr,
                                      nullptr, nullptr, nullptr, nullptr);
}

std::shared_ptr<WebKitBrowser> WebKitBrowser::open(const WindowInfo& info,
                                                   const std::shared_ptr<Client>& client,
                                                   const std::u16string& url,
                                                   WebKitWebView* related) {
  VARNET_REQUIRE_UI_THREAD();
  auto browser = std::make_shared<WebKitBrowser>(++state().lastId, client);
  state().browsers[browser->GetIdentifier()] = browser;
  browser->create(info, url, related);
  if (client)
    client->OnAfterCreated(browser);
  return browser;
}

void WebKitBrowser::create(const WindowInfo& info,
                           const std::u16string& url,
                           WebKitWebView* related) {
  mainFrame_ = std::make_shared<MainFrame>(this);
  window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  gtk_window_set_title(window_, toUtf8(info.window_name).c_str());
  if (info.width > 0 && info.height > 0)
    gtk_window_set_default_size(window_, info.width, info.height);
  gtk_window_move(window_, info.x, info.y);
  if (info.parent_window)
    gtk_window_set_transient_for(window_, GTK_WINDOW(info.parent_window));

  if (related) {
    view_ = WEBKIT_WEB_VIEW(webkit_web_view_new_with_related_view(related));
  } else {
    auto settings = GRef<WebKitSettings>::adopt(settingsFromSwitches());
    view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", state().context.get(),
                                         "settings", settings.get(), nullptr));
  }
  gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
  connectSignals();
  if (!url.empty())
    webkit_web_view_load_uri(view_, toUtf8(url).c_str());
  if (info.style & WS_VISIBLE_STYLE)
    gtk_widget_show_all(GTK_WIDGET(window_));
}

void WebKitBrowser::connectSignals() {
  g_signal_connect(view_, "notify::title", G_CALLBACK(onTitle), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(onLoadFailed), this);
  g_signal_connect(view_, "create", G_CALLBACK(onCreate), this);
  g_signal_connect(view_, "ready-to-show", G_CALLBACK(onReadyToShow), this);
  g_signal_connect(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
  g_signal_connect(view_, "context-menu", G_CALLBACK(onContextMenu), this);
  g_signal_connect(view_, "user-message-received", G_CALLBACK(onUserMessage), this);
  g_signal_connect(view_, "close", G_CALLBACK(onClose), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);
  g_signal_connect(window_, "destroy", G_CALLBACK(onDestroy), this);
}

void WebKitBrowser::Reload() {
  if (view_)
    webkit_web_view_reload(view_);
}

void WebKitBrowser::CloseBrowser(bool force) {
  VARNET_REQUIRE_UI_THREAD();
  if (!view_)
    return;
  if (force)
    closeNow();
  else
    webkit_web_view_try_close(view_);  // the page may refuse; "close" follows otherwise
}

void WebKitBrowser::WasResized() {
  if (view_)
    gtk_widget_queue_resize(GTK_WIDGET(view_));
}

// The web process takes the view's scripts and the web extension's messages in the order they
// were sent and runs each to its end before the next: its answer to an empty script comes once
// every script sent before has run.
void WebKitBrowser::RunAfterSentScripts(std::function<void()> done) {
  VARNET_REQUIRE_UI_THREAD();
  if (!view_) {
    done();
    return;
  }
  auto* wait = new SentScriptsWait{std::move(done)};
  wait->limit = g_timeout_add(kSentScriptsLimitMs, &SentScriptsWait::onLimit, wait);
  webkit_web_view_evaluate_javascript(view_, "void 0", -1, nullptr, nullptr, nullptr,
                                      &SentScriptsWait::onAnswer, wait);
}

void WebKitBrowser::runScriptInFrame(const SenderFrame& frame, const std::u16string& code) {
  VARNET_REQUIRE_UI_THREAD();
  if (!view_)
    return;
  // Even for the main frame: the web extension runs it only while the sending document still
  // shows in that frame (an answer never reaches the document that came after it).
  webkit_web_view_send_message_to_page(
      view_, webkit_user_message_new(kRunScriptMessage, encodeRunScript(frame, code)), nullptr,
      nullptr, nullptr);
}

void WebKitBrowser::closeNow() {
  if (closing_ || !window_)
    return;
  closing_ = true;
  auto self = shared_from_this();
  if (client_ && client_->DoClose(self)) {
    closing_ = false;  // the client keeps the window
    return;
  }
  gtk_widget_destroy(GTK_WIDGET(window_));
}

void WebKitBrowser::onTitle(WebKitWebView* view, GParamSpec*, WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  const char* title = webkit_web_view_get_title(view);
  if (self->client_)
    self->client_->OnTitleChange(self->shared_from_this(), title ? fromUtf8(title) : u"");
}

void WebKitBrowser::onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  if (!self->client_)
    return;
  auto browser = self->shared_from_this();
  if (event == WEBKIT_LOAD_STARTED) {
    self->client_->OnLoadingStateChange(browser, true, webkit_web_view_can_go_back(view),
                                        webkit_web_view_can_go_forward(view));
    self->client_->OnLoadStart(browser, self->mainFrame_);
  } else if (event == WEBKIT_LOAD_FINISHED) {
    int status = 0;
    if (WebKitWebResource* resource = webkit_web_view_get_main_resource(view)) {
      if (WebKitURIResponse* response = webkit_web_resource_get_response(resource))
        status = static_cast<int>(webkit_uri_response_get_status_code(response));
    }
    self->client_->OnLoadEnd(browser, self->mainFrame_, status);
    self->client_->OnLoadingStateChange(browser, false, webkit_web_view_can_go_back(view),
                                        webkit_web_view_can_go_forward(view));
  }
}

gboolean WebKitBrowser::onLoadFailed(WebKitWebView*,
                                     WebKitLoadEvent,
                                     char* uri,
                                     GError* error,
                                     WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  if (!self->client_)
    return FALSE;
  // A cancelled load, and one that became a download, are what CEF calls an aborted load.
  bool aborted = g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
                 g_error_matches(error, WEBKIT_POLICY_ERROR,
                                 WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE);
  self->client_->OnLoadError(
      self->shared_from_this(), self->mainFrame_, aborted ? ERR_ABORTED : ERR_FAILED,
      fromUtf8(error && error->message ? error->message : ""), fromUtf8(uri ? uri : ""));
  // The client shows its own error page in the frame; the engine adds none on top of it.
  return !aborted;
}

gboolean WebKitBrowser::onUserMessage(WebKitWebView*,
                                      WebKitUserMessage* message,
                                      WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  auto decoded = decodeBridgeMessage(webkit_user_message_get_name(message),
                                     webkit_user_message_get_parameters(message));
  if (!decoded)
    return FALSE;
  if (self->client_) {
    auto frame = std::make_shared<SenderFrameProxy>(self->weak_from_this(), decoded->frame);
    self->client_->OnProcessMessageReceived(self->shared_from_this(), frame, decoded->message);
  }
  return TRUE;
}

void WebKitBrowser::onClose(WebKitWebView*, WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  self->closeNow();
}

gboolean WebKitBrowser::onDelete(GtkWidget*, GdkEvent*, WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  self->CloseBrowser(false);
  return TRUE;  // the window goes once the page and the client agree
}

void WebKitBrowser::onDestroy(GtkWidget*, WebKitBrowser* self) {
  VARNET_REQUIRE_UI_THREAD();
  auto keep = self->shared_from_this();
  self->view_ = nullptr;
  self->window_ = nullptr;
  if (self->client_)
    self->client_->OnBeforeClose(keep);
  state().browsers.erase(self->id_);
}

std::shared_ptr<WebKitBrowser> browserOfView(WebKitWebView* view) {
  for (auto& [id, browser] : state().browsers) {
    if (browser->view() == view)
      return browser;
  }
  return nullptr;
}

}  // namespace varnet::engine::webkit
