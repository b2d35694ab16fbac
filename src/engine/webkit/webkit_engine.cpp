// The browser-process side of the WebKitGTK port: engine.h on GTK windows holding WebKit web
// views, with the client's callbacks fed from WebKit's signals.
//
// The engine switches of the command line become WebKit settings where WebKit has one:
//   --disable-web-security              -> WebKitSettings disable-web-security
//   --allow-universal-access-from-files -> allow-universal-access-from-file-urls
//   --allow-file-access-from-files      -> allow-file-access-from-file-urls
//   --allow-running-insecure-content    -> no WebKitGTK setting; WebKit blocks only active mixed
//                                          content, and web security off lifts origin checks
//   --disable-site-isolation-trials     -> nothing to do: WebKitGTK has no site isolation
// Engine settings: cache_path / root_cache_path become the website data manager's cache and data
// folders; ignore_certificate_errors the TLS errors policy "ignore"; log_severity and no_sandbox
// have no WebKit counterpart (WebKitGTK 4.1 writes no log of its own and runs unsandboxed unless
// asked); multi_threaded_message_loop must be off: the UI thread is the caller's.

#include <gtk/gtk.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "config.h"
#include "engine/engine.h"
#include "engine/webkit/folder_service.h"
#include "engine/webkit/user_messages.h"
#include "engine/webkit/webkit_port.h"
#include "platform/text.h"

namespace varnet::engine::webkit {

namespace {

class WebKitBrowser;

struct EngineState {
  WebKitWebContext* context = nullptr;
  std::thread::id uiThread;
  std::shared_ptr<App> app;
  Settings settings;
  std::string folderService;
  std::vector<GMainLoop*> loops;
  // Every open browser, by id; the registry keeps them alive until their window is destroyed.
  std::map<int, std::shared_ptr<WebKitBrowser>> browsers;
  int lastId = 0;
};

EngineState& state() {
  static EngineState s;
  return s;
}

void runScriptInView(WebKitWebView* view, const std::u16string& code) {
  std::string utf8 = toUtf8(code);
  webkit_web_view_evaluate_javascript(view, utf8.c_str(), static_cast<gssize>(utf8.size()), nullptr,
                                      nullptr, nullptr, nullptr, nullptr);
}

class WebKitBrowser : public Browser,
                      public BrowserHost,
                      public std::enable_shared_from_this<WebKitBrowser> {
 public:
  WebKitBrowser(int id, std::shared_ptr<Client> client) : id_(id), client_(std::move(client)) {}

  // Builds the window and its view; `related` is the opener's view for a pop-up.
  void create(const WindowInfo& info, const std::u16string& url, WebKitWebView* related);

  // Browser methods:
  int GetIdentifier() const override { return id_; }
  std::shared_ptr<Frame> GetMainFrame() override { return mainFrame_; }
  void Reload() override {
    if (view_)
      webkit_web_view_reload(view_);
  }
  BrowserHost& GetHost() override { return *this; }

  // BrowserHost methods:
  platform::WindowHandle GetWindowHandle() const override { return window_; }
  void CloseBrowser(bool force) override {
    if (!view_)
      return;
    if (force)
      closeNow();
    else
      webkit_web_view_try_close(view_);  // the page may refuse; "close" follows otherwise
  }
  void WasResized() override {
    if (view_)
      gtk_widget_queue_resize(GTK_WIDGET(view_));
  }

  WebKitWebView* view() const { return view_; }
  GtkWindow* window() const { return window_; }
  const std::shared_ptr<Client>& client() const { return client_; }

  // Script for a frame that sent a message: the main frame directly, others through the web
  // extension, which knows them by id.
  void runScriptInFrame(const SenderFrame& frame, const std::u16string& code) {
    if (!view_)
      return;
    if (frame.isMain) {
      runScriptInView(view_, code);
      return;
    }
    GVariant* parameters =
        g_variant_new("(ts)", static_cast<guint64>(frame.id), toUtf8(code).c_str());
    webkit_web_view_send_message_to_page(
        view_, webkit_user_message_new(kRunScriptMessage, parameters), nullptr, nullptr, nullptr);
  }

 private:
  class MainFrame;
  void closeNow();
  void connectSignals();

  static void onTitle(WebKitWebView*, GParamSpec*, WebKitBrowser*);
  static void onLoadChanged(WebKitWebView*, WebKitLoadEvent, WebKitBrowser*);
  static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, char*, GError*, WebKitBrowser*);
  static GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction*, WebKitBrowser*);
  static void onReadyToShow(WebKitWebView*, WebKitBrowser*);
  static gboolean onDecidePolicy(WebKitWebView*,
                                 WebKitPolicyDecision*,
                                 WebKitPolicyDecisionType,
                                 WebKitBrowser*);
  static gboolean onContextMenu(WebKitWebView*,
                                WebKitContextMenu*,
                                GdkEvent*,
                                WebKitHitTestResult*,
                                WebKitBrowser*);
  static gboolean onUserMessage(WebKitWebView*, WebKitUserMessage*, WebKitBrowser*);
  static void onClose(WebKitWebView*, WebKitBrowser*);
  static gboolean onDelete(GtkWidget*, GdkEvent*, WebKitBrowser*);
  static void onDestroy(GtkWidget*, WebKitBrowser*);

  int id_;
  std::shared_ptr<Client> client_;
  GtkWindow* window_ = nullptr;
  WebKitWebView* view_ = nullptr;
  std::shared_ptr<Frame> mainFrame_;
  bool closing_ = false;
};

class WebKitBrowser::MainFrame : public Frame {
 public:
  explicit MainFrame(WebKitBrowser* browser) : browser_(browser) {}
  bool IsMain() const override { return true; }
  std::u16string GetURL() const override {
    const char* uri = browser_->view_ ? webkit_web_view_get_uri(browser_->view_) : nullptr;
    return uri ? fromUtf8(uri) : std::u16string();
  }
  void ExecuteJavaScript(const std::u16string& code) override {
    if (browser_->view_)
      runScriptInView(browser_->view_, code);
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

WebKitSettings* settingsFromSwitches() {
  const CommandLine& line = CommandLine::Global();
  WebKitSettings* settings = webkit_settings_new();
  if (line.HasSwitch("disable-web-security"))
    webkit_settings_set_disable_web_security(settings, TRUE);
  if (line.HasSwitch("allow-universal-access-from-files"))
    webkit_settings_set_allow_universal_access_from_file_urls(settings, TRUE);
  if (line.HasSwitch("allow-file-access-from-files"))
    webkit_settings_set_allow_file_access_from_file_urls(settings, TRUE);
  return settings;
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
    WebKitSettings* settings = settingsFromSwitches();
    view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", state().context,
                                         "settings", settings, nullptr));
    g_object_unref(settings);
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
  const char* title = webkit_web_view_get_title(view);
  if (self->client_)
    self->client_->OnTitleChange(self->shared_from_this(), title ? fromUtf8(title) : u"");
}

void WebKitBrowser::onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, WebKitBrowser* self) {
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

GtkWidget* WebKitBrowser::onCreate(WebKitWebView* view,
                                   WebKitNavigationAction* action,
                                   WebKitBrowser* self) {
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* target = request ? webkit_uri_request_get_uri(request) : nullptr;
  if (self->client_ && self->client_->OnBeforePopup(self->shared_from_this(), self->mainFrame_,
                                                    fromUtf8(target ? target : "")))
    return nullptr;
  auto popup = std::make_shared<WebKitBrowser>(++state().lastId, self->client_);
  state().browsers[popup->GetIdentifier()] = popup;
  WindowInfo info;
  info.width = 800;
  info.height = 600;
  popup->create(info, {}, view);  // WebKit loads the target itself; shown on ready-to-show
  if (popup->client_)
    popup->client_->OnAfterCreated(popup);
  return GTK_WIDGET(popup->view_);
}

void WebKitBrowser::onReadyToShow(WebKitWebView* view, WebKitBrowser* self) {
  GdkRectangle geometry = {};
  webkit_window_properties_get_geometry(webkit_web_view_get_window_properties(view), &geometry);
  if (geometry.width > 0 && geometry.height > 0)
    gtk_window_resize(self->window_, geometry.width, geometry.height);
  gtk_widget_show_all(GTK_WIDGET(self->window_));
}

// As in CEF, a response the engine cannot show, or one that asks to be saved, becomes a
// download (WebKit would otherwise drop it).
gboolean WebKitBrowser::onDecidePolicy(WebKitWebView*,
                                       WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type,
                                       WebKitBrowser*) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
    return FALSE;
  auto* responseDecision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
  WebKitURIResponse* response = webkit_response_policy_decision_get_response(responseDecision);
  bool attachment = false;
  if (SoupMessageHeaders* headers =
          response ? webkit_uri_response_get_http_headers(response) : nullptr) {
    char* disposition = nullptr;
    if (soup_message_headers_get_content_disposition(headers, &disposition, nullptr)) {
      attachment = g_ascii_strcasecmp(disposition, "attachment") == 0;
      g_free(disposition);
    }
  }
  if (!attachment && webkit_response_policy_decision_is_mime_type_supported(responseDecision))
    return FALSE;
  webkit_policy_decision_download(decision);
  return TRUE;
}

class ContextMenuInfo : public ContextMenuParams {
 public:
  explicit ContextMenuInfo(WebKitHitTestResult* hit) {
    guint context = hit ? webkit_hit_test_result_get_context(hit) : 0;
    if (context & WEBKIT_HIT_TEST_RESULT_CONTEXT_DOCUMENT)
      flags_ |= CM_TYPEFLAG_PAGE;
    if (context & WEBKIT_HIT_TEST_RESULT_CONTEXT_LINK)
      flags_ |= CM_TYPEFLAG_LINK;
    if (context & (WEBKIT_HIT_TEST_RESULT_CONTEXT_IMAGE | WEBKIT_HIT_TEST_RESULT_CONTEXT_MEDIA))
      flags_ |= CM_TYPEFLAG_MEDIA;
    if (context & WEBKIT_HIT_TEST_RESULT_CONTEXT_SELECTION)
      flags_ |= CM_TYPEFLAG_SELECTION;
    if (context & WEBKIT_HIT_TEST_RESULT_CONTEXT_EDITABLE)
      flags_ |= CM_TYPEFLAG_EDITABLE;
  }
  int GetTypeFlags() const override { return flags_; }

 private:
  int flags_ = CM_TYPEFLAG_NONE;
};

class ContextMenuModel : public MenuModel {
 public:
  explicit ContextMenuModel(WebKitContextMenu* menu) : menu_(menu) {}
  int GetCount() const override { return static_cast<int>(webkit_context_menu_get_n_items(menu_)); }
  void Clear() override { webkit_context_menu_remove_all(menu_); }

 private:
  WebKitContextMenu* menu_;
};

gboolean WebKitBrowser::onContextMenu(WebKitWebView*,
                                      WebKitContextMenu* menu,
                                      GdkEvent*,
                                      WebKitHitTestResult* hit,
                                      WebKitBrowser* self) {
  if (!self->client_)
    return FALSE;
  ContextMenuInfo params(hit);
  ContextMenuModel model(menu);
  self->client_->OnBeforeContextMenu(self->shared_from_this(), self->mainFrame_, params, model);
  return model.GetCount() == 0;  // an emptied menu is not shown at all
}

gboolean WebKitBrowser::onUserMessage(WebKitWebView*,
                                      WebKitUserMessage* message,
                                      WebKitBrowser* self) {
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
  self->closeNow();
}

gboolean WebKitBrowser::onDelete(GtkWidget*, GdkEvent*, WebKitBrowser* self) {
  self->CloseBrowser(false);
  return TRUE;  // the window goes once the page and the client agree
}

void WebKitBrowser::onDestroy(GtkWidget*, WebKitBrowser* self) {
  auto keep = self->shared_from_this();
  self->view_ = nullptr;
  self->window_ = nullptr;
  if (self->client_)
    self->client_->OnBeforeClose(keep);
  state().browsers.erase(self->id_);
}

WebKitBrowser* browserOfView(WebKitWebView* view) {
  for (auto& [id, browser] : state().browsers) {
    if (browser->view() == view)
      return browser.get();
  }
  return nullptr;
}

// An engine download: its numbers as the client reads them.
class Download : public DownloadItem, public BeforeDownloadCallback, public DownloadItemCallback {
 public:
  Download(WebKitDownload* download, std::weak_ptr<WebKitBrowser> browser)
      : download_(download), browser_(std::move(browser)) {}

  // DownloadItem methods:
  bool IsComplete() const override { return complete_; }
  bool IsCanceled() const override { return canceled_; }
  std::int64_t GetReceivedBytes() const override {
    return static_cast<std::int64_t>(webkit_download_get_received_data_length(download_));
  }
  std::int64_t GetTotalBytes() const override {
    WebKitURIResponse* response = webkit_download_get_response(download_);
    guint64 length = response ? webkit_uri_response_get_content_length(response) : 0;
    return length ? static_cast<std::int64_t>(length) : -1;
  }
  std::int64_t GetCurrentSpeed() const override {
    double seconds = webkit_download_get_elapsed_time(download_);
    return seconds > 0 ? static_cast<std::int64_t>(GetReceivedBytes() / seconds) : 0;
  }
  std::u16string GetFullPath() const override {
    const char* uri = webkit_download_get_destination(download_);
    if (!uri)
      return {};
    char* path = g_filename_from_uri(uri, nullptr, nullptr);
    std::u16string full = path ? fromUtf8(path) : fromUtf8(uri);
    g_free(path);
    return full;
  }

  std::u16string GetURL() const override {
    WebKitURIResponse* response = webkit_download_get_response(download_);
    const char* uri = response ? webkit_uri_response_get_uri(response) : nullptr;
    if (!uri) {
      WebKitURIRequest* request = webkit_download_get_request(download_);
      uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    }
    return uri ? fromUtf8(uri) : std::u16string();
  }

  // BeforeDownloadCallback method: WebKitGTK 4.1 takes the destination as a file URI.
  void Continue(const std::u16string& path, bool /*showDialog*/) override {
    std::string absolute = std::filesystem::absolute(toPath(path)).string();
    if (char* uri = g_filename_to_uri(absolute.c_str(), nullptr, nullptr)) {
      webkit_download_set_destination(download_, uri);
      g_free(uri);
      continued_ = true;
    }
  }

  // DownloadItemCallback methods: WebKit cannot pause a download.
  void Cancel() override { webkit_download_cancel(download_); }
  void Pause() override {}
  void Resume() override {}

  static void start(WebKitDownload* download) {
    WebKitWebView* view = webkit_download_get_web_view(download);
    WebKitBrowser* browser = view ? browserOfView(view) : nullptr;
    if (!browser || !browser->client()) {
      return;
    }
    // Held until it has finished; the signal closures own the tracker.
    g_object_ref(download);
    auto* tracked = new std::shared_ptr<Download>(
        std::make_shared<Download>(download, browser->weak_from_this()));
    g_signal_connect(download, "decide-destination", G_CALLBACK(onDecideDestination), tracked);
    g_signal_connect(download, "received-data", G_CALLBACK(onReceivedData), tracked);
    g_signal_connect(download, "failed", G_CALLBACK(onFailed), tracked);
    g_signal_connect_data(
        download, "finished", G_CALLBACK(onFinished), tracked,
        [](gpointer p, GClosure*) { delete static_cast<std::shared_ptr<Download>*>(p); },
        GConnectFlags(0));
  }

 private:
  void update() {
    auto browser = browser_.lock();
    if (!browser || !browser->client())
      return;
    auto self = std::shared_ptr<DownloadItemCallback>(browser, this);  // aliasing: no ownership
    browser->client()->OnDownloadUpdated(browser, *this, self);
  }

  static gboolean onDecideDestination(WebKitDownload*,
                                      char* suggested,
                                      std::shared_ptr<Download>* self) {
    auto browser = (*self)->browser_.lock();
    if (browser && browser->client()) {
      std::shared_ptr<BeforeDownloadCallback> callback = *self;
      browser->client()->OnBeforeDownload(browser, **self, fromUtf8(suggested ? suggested : ""),
                                          callback);
    }
    if (!(*self)->continued_)
      webkit_download_cancel((*self)->download_);  // no target: the download does not start
    return TRUE;
  }
  static void onReceivedData(WebKitDownload*, guint64, std::shared_ptr<Download>* self) {
    (*self)->update();
  }
  static void onFailed(WebKitDownload*, GError* error, std::shared_ptr<Download>* self) {
    if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER))
      (*self)->canceled_ = true;
    (*self)->failed_ = true;
  }
  static void onFinished(WebKitDownload*, std::shared_ptr<Download>* self) {
    // "finished" also follows a failure; only a download that got through is complete.
    if (!(*self)->failed_)
      (*self)->complete_ = true;
    (*self)->update();
    g_idle_add(
        [](gpointer download) -> gboolean {
          g_object_unref(download);
          return G_SOURCE_REMOVE;
        },
        (*self)->download_);
  }

  WebKitDownload* download_;
  std::weak_ptr<WebKitBrowser> browser_;
  bool continued_ = false;
  bool complete_ = false;
  bool canceled_ = false;
  bool failed_ = false;
};

std::filesystem::path extensionFolder() {
  std::error_code error;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    auto beside = exe.parent_path() / "webext";
    if (std::filesystem::exists(beside / "varnet-webext.so", error))
      return beside;
  }
  return VARNET_WEBEXT_BUILD_DIR;
}

void onInitializeWebExtensions(WebKitWebContext* context, gpointer) {
  webkit_web_context_set_web_extensions_directory(context, extensionFolder().c_str());
  std::u16string base = state().settings.portal_base_url.empty()
                            ? std::u16string(config::kPortalBaseUrl)
                            : state().settings.portal_base_url;
  webkit_web_context_set_web_extensions_initialization_user_data(
      context,
      g_variant_new(kExtensionDataType, toUtf8(base).c_str(), state().folderService.c_str()));
}

GtkWindow* ownerOfPage(std::uint64_t pageId) {
  for (auto& [id, browser] : state().browsers) {
    if (browser->view() && webkit_web_view_get_page_id(browser->view()) == pageId)
      return browser->window();
  }
  return nullptr;
}

std::shared_ptr<WebKitBrowser> createBrowser(const WindowInfo& info,
                                             const std::shared_ptr<Client>& client,
                                             const std::u16string& url) {
  if (!state().context)
    return nullptr;
  auto browser = std::make_shared<WebKitBrowser>(++state().lastId, client);
  state().browsers[browser->GetIdentifier()] = browser;
  browser->create(info, url, nullptr);
  if (client)
    client->OnAfterCreated(browser);
  return browser;
}

}  // namespace

WebKitWebView* webViewOf(Browser& browser) {
  auto found = state().browsers.find(browser.GetIdentifier());
  return found == state().browsers.end() ? nullptr : found->second->view();
}

GtkWindow* windowOf(Browser& browser) {
  auto found = state().browsers.find(browser.GetIdentifier());
  return found == state().browsers.end() ? nullptr : found->second->window();
}

WebKitWebContext* webContext() {
  return state().context;
}

}  // namespace varnet::engine::webkit

namespace varnet::engine {

using webkit::state;

int ExecuteProcess(const MainArgs&, const std::shared_ptr<App>&) {
  return -1;  // WebKit's sub-processes are its own programs
}

bool Initialize(const MainArgs& args, const Settings& settings, const std::shared_ptr<App>& app) {
  auto& s = state();
  if (s.context)
    return true;
  CommandLine::Global() = CommandLine(args.argc, args.argv);
  if (app)
    app->OnBeforeCommandLineProcessing("", CommandLine::Global());
  if (settings.multi_threaded_message_loop || !gtk_init_check(nullptr, nullptr))
    return false;
  s.uiThread = std::this_thread::get_id();
  s.app = app;
  s.settings = settings;

  WebKitWebsiteDataManager* manager;
  if (settings.cache_path.empty()) {
    manager = webkit_website_data_manager_new(nullptr);
  } else {
    std::string cache = toUtf8(settings.cache_path);
    std::string data = settings.root_cache_path.empty() ? cache : toUtf8(settings.root_cache_path);
    manager = webkit_website_data_manager_new("base-cache-directory", cache.c_str(),
                                              "base-data-directory", data.c_str(), nullptr);
  }
  if (settings.ignore_certificate_errors)
    webkit_website_data_manager_set_tls_errors_policy(manager, WEBKIT_TLS_ERRORS_POLICY_IGNORE);
  s.context = webkit_web_context_new_with_website_data_manager(manager);
  g_object_unref(manager);

  s.folderService = webkit::startFolderService(webkit::ownerOfPage);
  g_signal_connect(s.context, "initialize-web-extensions",
                   G_CALLBACK(webkit::onInitializeWebExtensions), nullptr);
  g_signal_connect(s.context, "download-started",
                   G_CALLBACK(+[](WebKitWebContext*, WebKitDownload* download, gpointer) {
                     webkit::Download::start(download);
                   }),
                   nullptr);
  if (app && app->GetBrowserProcessHandler())
    app->GetBrowserProcessHandler()->OnContextInitialized();
  return true;
}

std::shared_ptr<Browser> CreateBrowserSync(const WindowInfo& windowInfo,
                                           const std::shared_ptr<Client>& client,
                                           const std::u16string& url,
                                           const BrowserSettings&) {
  return webkit::createBrowser(windowInfo, client, url);
}

bool CreateBrowser(const WindowInfo& windowInfo,
                   const std::shared_ptr<Client>& client,
                   const std::u16string& url,
                   const BrowserSettings&) {
  if (!state().context)
    return false;
  PostUITask([windowInfo, client, url] { webkit::createBrowser(windowInfo, client, url); });
  return true;
}

void RunMessageLoop() {
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  state().loops.push_back(loop);
  g_main_loop_run(loop);
  state().loops.pop_back();
  g_main_loop_unref(loop);
}

void QuitMessageLoop() {
  if (!state().loops.empty())
    g_main_loop_quit(state().loops.back());
}

void DoMessageLoopWork() {
  g_main_context_iteration(nullptr, FALSE);
}

void Shutdown() {
  auto& s = state();
  // Windows still open are closed without asking.
  auto remaining = s.browsers;
  for (auto& [id, browser] : remaining) {
    if (GtkWindow* window = browser->window())
      gtk_widget_destroy(GTK_WIDGET(window));
  }
  webkit::stopFolderService();
  if (s.context) {
    g_object_unref(s.context);
    s.context = nullptr;
  }
  s.app.reset();
}

bool CurrentlyOnUIThread() {
  return std::this_thread::get_id() == state().uiThread;
}

void PostUITask(std::function<void()> task) {
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(task)),
      [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

}  // namespace varnet::engine
