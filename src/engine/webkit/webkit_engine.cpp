// The engine entry points of the WebKitGTK port (engine.h): start-up of the shared web context
// and the web extension, browser creation, the GLib main loop as the message loop, shut-down.
//
// Engine settings: cache_path / root_cache_path become the website data manager's cache and data
// folders; ignore_certificate_errors the TLS errors policy "ignore"; log_severity and no_sandbox
// have no WebKit counterpart (WebKitGTK 4.1 writes no log of its own and runs unsandboxed unless
// asked); multi_threaded_message_loop must be off: the UI thread is the caller's.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <filesystem>

#include "config.h"
#include "engine/address.h"
#include "engine/engine.h"
#include "engine/ui_thread.h"
#include "engine/webkit/drawing_mode.h"
#include "engine/webkit/folder_service.h"
#include "engine/webkit/user_messages.h"
#include "engine/webkit/webkit_browser.h"
#include "engine/webkit/webkit_download.h"
#include "engine/webkit/webkit_port.h"
#include "engine/webkit/webkit_state.h"
#include "platform/log.h"
#include "platform/text.h"

namespace varnet::engine::webkit {

EngineState& state() {
  static EngineState s;
  return s;
}

namespace {

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

std::u16string portalBaseUrl() {
  return state().settings.portal_base_url.empty() ? std::u16string(config::kPortalBaseUrl)
                                                  : state().settings.portal_base_url;
}

void onInitializeWebExtensions(WebKitWebContext* context, gpointer) {
  VARNET_REQUIRE_UI_THREAD();
  const std::filesystem::path extensions = extensionFolder();
  log::info("web extension folder ", log::quoted(extensions.string()));
  webkit_web_context_set_web_extensions_directory(context, extensions.c_str());
  webkit_web_context_set_web_extensions_initialization_user_data(
      context, g_variant_new(kExtensionDataType, toUtf8(portalBaseUrl()).c_str(),
                             state().folderService.c_str()));
}

// WebKit starts its network process when a page's first request needs it, and that request waits
// for it. Asking it to resolve the portal's host starts it now, beside the web process of the
// main view.
void startNetworkProcess(WebKitWebContext* context) {
  if (auto portal = parseAddress(portalBaseUrl()))
    webkit_web_context_prefetch_dns(context, toUtf8(portal->host).c_str());
}

void onDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
  Download::track(download);
}

GtkWindow* ownerOfPage(std::uint64_t pageId) {
  for (auto& [id, browser] : state().browsers) {
    if (browser->view() && webkit_web_view_get_page_id(browser->view()) == pageId)
      return browser->window();
  }
  return nullptr;
}

GRef<WebKitWebsiteDataManager> dataManager(const Settings& settings) {
  GRef<WebKitWebsiteDataManager> manager;
  if (settings.cache_path.empty()) {
    manager = GRef<WebKitWebsiteDataManager>::adopt(webkit_website_data_manager_new(nullptr));
  } else {
    std::string cache = toUtf8(settings.cache_path);
    std::string data = settings.root_cache_path.empty() ? cache : toUtf8(settings.root_cache_path);
    manager = GRef<WebKitWebsiteDataManager>::adopt(webkit_website_data_manager_new(
        "base-cache-directory", cache.c_str(), "base-data-directory", data.c_str(), nullptr));
  }
  if (settings.ignore_certificate_errors)
    webkit_website_data_manager_set_tls_errors_policy(manager.get(),
                                                      WEBKIT_TLS_ERRORS_POLICY_IGNORE);
  return manager;
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
  return state().context.get();
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
  webkit::chooseDrawingMode();  // a no-op for variables already set, as by the client's entry
  if (settings.multi_threaded_message_loop || !gtk_init_check(nullptr, nullptr))
    return false;
  s.uiThread = std::this_thread::get_id();
  s.app = app;
  s.settings = settings;
  auto manager = webkit::dataManager(settings);
  s.context = webkit::GRef<WebKitWebContext>::adopt(
      webkit_web_context_new_with_website_data_manager(manager.get()));
  webkit::startNetworkProcess(s.context.get());

  s.folderService = webkit::startFolderService(webkit::ownerOfPage);
  g_signal_connect(s.context.get(), "initialize-web-extensions",
                   G_CALLBACK(webkit::onInitializeWebExtensions), nullptr);
  g_signal_connect(s.context.get(), "download-started", G_CALLBACK(webkit::onDownloadStarted),
                   nullptr);
  if (app && app->GetBrowserProcessHandler())
    app->GetBrowserProcessHandler()->OnContextInitialized();
  return true;
}

std::shared_ptr<Browser> CreateBrowserSync(const WindowInfo& windowInfo,
                                           const std::shared_ptr<Client>& client,
                                           const std::u16string& url,
                                           const BrowserSettings&) {
  if (!state().context)
    return nullptr;
  return webkit::WebKitBrowser::open(windowInfo, client, url, nullptr);
}

bool CreateBrowser(const WindowInfo& windowInfo,
                   const std::shared_ptr<Client>& client,
                   const std::u16string& url,
                   const BrowserSettings&) {
  if (!state().context)
    return false;
  PostUITask([windowInfo, client, url] {
    if (state().context)
      webkit::WebKitBrowser::open(windowInfo, client, url, nullptr);
  });
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
  s.downloads.clear();
  webkit::stopFolderService();
  s.context = {};
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
