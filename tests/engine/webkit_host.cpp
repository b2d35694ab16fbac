#include "engine/webkit_host.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include <glib/gstdio.h>

#include "app/simple_app.h"
#include "engine/js_string.h"
#include "engine/webkit/webkit_port.h"
#include "platform/text.h"

namespace varnet::testing {

PageServer::PageServer() : server_(soup_server_new(nullptr, nullptr)) {
  soup_server_add_handler(server_, nullptr, &PageServer::handle, this, nullptr);
  GError* error = nullptr;
  soup_server_listen_local(server_, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error);
  if (error) {
    g_error("page server: %s", error->message);
  }
  GSList* uris = soup_server_get_uris(server_);
  if (uris)
    port_ = g_uri_get_port(static_cast<GUri*>(uris->data));
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
}

PageServer::~PageServer() {
  g_object_unref(server_);
}

void PageServer::add(const std::string& path, std::string html, std::string contentType) {
  const std::string marker = "{PORT}";
  for (auto at = html.find(marker); at != std::string::npos; at = html.find(marker, at))
    html.replace(at, marker.size(), std::to_string(port_));
  pages_[path] = {std::move(html), std::move(contentType)};
}

void PageServer::redirect(const std::string& path, std::string location) {
  add(path, std::move(location));
  pages_[path].status = 302;
}

std::string PageServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void PageServer::handle(SoupServer*,
                        SoupServerMessage* message,
                        const char* path,
                        GHashTable*,
                        gpointer self) {
  auto& pages = static_cast<PageServer*>(self)->pages_;
  static_cast<PageServer*>(self)->requests_.push_back(path);
  auto found = pages.find(path);
  if (found == pages.end()) {
    soup_server_message_set_status(message, 404, nullptr);
    return;
  }
  if (found->second.status == 302) {
    soup_server_message_set_redirect(message, 302, found->second.body.c_str());
    return;
  }
  soup_server_message_set_status(message, 200, nullptr);
  std::string type = found->second.contentType;
  if (type == "text/html")
    type += "; charset=utf-8";
  soup_server_message_set_response(message, type.c_str(), SOUP_MEMORY_COPY,
                                   found->second.body.data(), found->second.body.size());
}

void RecordingClient::OnAfterCreated(const std::shared_ptr<engine::Browser>& browser) {
  browsers.push_back(browser);
}

void RecordingClient::OnBeforeClose(const std::shared_ptr<engine::Browser>& browser) {
  ++closed;
  for (auto it = browsers.begin(); it != browsers.end(); ++it) {
    if ((*it)->IsSame(*browser)) {
      browsers.erase(it);
      break;
    }
  }
}

bool RecordingClient::OnProcessMessageReceived(const std::shared_ptr<engine::Browser>& browser,
                                               const std::shared_ptr<engine::Frame>& frame,
                                               const engine::ProcessMessage& message) {
  messages.push_back({browser->GetIdentifier(), frame->IsMain(), frame->GetURL(), message});
  if (message.GetName() == "download") {
    std::u16string answer = u"download_curtaskaddinf(" +
                            engine::javascriptStringLiteral(message.GetString(1)) + u"," +
                            engine::javascriptStringLiteral(message.GetString(0)) + u",'')";
    heldAnswers.emplace_back(frame, std::move(answer));
    if (!holdAnswers)
      releaseAnswers();
  }
  return true;
}

void RecordingClient::releaseAnswers() {
  for (auto& [frame, answer] : std::exchange(heldAnswers, {}))
    frame->ExecuteJavaScript(answer);
}

std::vector<std::string> WebKitHost::fakeCalls() const {
  std::vector<std::string> lines;
  char* text = nullptr;
  std::string log = std::filesystem::path(work_).parent_path() / "calls.log";
  if (g_file_get_contents(log.c_str(), &text, nullptr, nullptr)) {
    char** split = g_strsplit(text, "\n", -1);
    for (char** line = split; *line; ++line) {
      if (**line)
        lines.emplace_back(*line);
    }
    g_strfreev(split);
    g_free(text);
  }
  return lines;
}

WebKitHost& WebKitHost::get() {
  static WebKitHost* host = new WebKitHost();  // lives as long as the process
  return *host;
}

WebKitHost::WebKitHost() {
  // Nothing of the tests reaches the real home: the engine's and GTK's settings, caches and
  // data go to a temporary home, and GSettings keeps its changes in memory.
  char* home = g_dir_make_tmp("varnet-home-XXXXXX", nullptr);
  std::string h = home;
  g_free(home);
  for (const char* sub : {"/config", "/data", "/cache", "/runtime"})
    g_mkdir_with_parents((h + sub).c_str(), 0700);
  g_setenv("HOME", h.c_str(), TRUE);
  g_setenv("XDG_CONFIG_HOME", (h + "/config").c_str(), TRUE);
  g_setenv("XDG_DATA_HOME", (h + "/data").c_str(), TRUE);
  g_setenv("XDG_CACHE_HOME", (h + "/cache").c_str(), TRUE);
  g_setenv("XDG_RUNTIME_DIR", (h + "/runtime").c_str(), TRUE);
  g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
  g_setenv("MESA_SHADER_CACHE_DISABLE", "true", TRUE);  // the web process may outlive the home
  // The irreversible and the user's desktop are replaced by programs that only log.
  work_ = h + "/work";
  std::string bin = h + "/bin";
  g_mkdir_with_parents(work_.c_str(), 0700);
  g_mkdir_with_parents(bin.c_str(), 0700);
  for (const char* name : {"shutdown", "xdg-open"}) {
    std::string script = "#!/bin/sh\necho \"$(basename \"$0\") $*\" >> \"" + h + "/calls.log\"\n";
    std::string path = bin + "/" + name;
    g_file_set_contents(path.c_str(), script.c_str(), -1, nullptr);
    g_chmod(path.c_str(), 0755);
  }
  g_setenv("PATH", (bin + ":" + g_getenv("PATH")).c_str(), TRUE);
  if (g_chdir(work_.c_str()) != 0)
    g_error("cannot enter %s", work_.c_str());
  static struct RemoveAtExit {
    std::string folder;
    ~RemoveAtExit() {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    }
  } temporaryHome{h};
  engine::Settings settings;
  settings.portal_base_url = fromUtf8(portalBase());
  // The engine's cache and data in the working folder's "cache", as the client has them.
  settings.cache_path = settings.root_cache_path = fromUtf8(work_ + "/cache/");
  static char program[] = "varnet-test-host";
  static char* argv[] = {program, nullptr};
  engine::MainArgs args{1, argv, nullptr};
  // Without the engine no case can run: say why and end with a failure, as the client does.
  if (!engine::Initialize(args, settings, std::make_shared<SimpleApp>(settings.portal_base_url))) {
    const char* display = g_getenv("DISPLAY");
    std::fprintf(stderr, "the engine did not start: cannot open the display %s\n",
                 display ? display : "(DISPLAY is not set)");
    std::exit(2);
  }
}

std::shared_ptr<engine::Browser> WebKitHost::open(const std::shared_ptr<RecordingClient>& client,
                                                  const std::string& url) {
  engine::WindowInfo info;
  info.window_name = u"test";
  info.style = engine::WS_VISIBLE_STYLE;
  info.width = 800;
  info.height = 600;
  int loaded = client->loadsEnded;
  auto browser = engine::CreateBrowserSync(info, client, fromUtf8(url), {});
  if (browser)
    waitUntil([&] { return client->loadsEnded > loaded; });
  return browser;
}

void WebKitHost::close(const std::shared_ptr<engine::Browser>& browser) {
  if (!browser)
    return;
  bool gone = false;
  GtkWindow* window = engine::webkit::windowOf(*browser);
  if (!window)
    return;
  g_signal_connect_swapped(window, "destroy", G_CALLBACK(+[](bool* flag) { *flag = true; }), &gone);
  browser->GetHost().CloseBrowser(true);
  waitUntil([&] { return gone; });
}

bool WebKitHost::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    g_main_context_iteration(nullptr, FALSE);
    g_usleep(200);
  }
  return true;
}

std::string WebKitHost::evaluate(engine::Browser& browser, const std::string& expression) {
  struct Result {
    bool done = false;
    std::string json;
  } result;
  std::string code = "(function(){try{return JSON.stringify(" + expression +
                     ");}catch(e){return '<exception: '+e+'>';}})()";
  webkit_web_view_evaluate_javascript(
      engine::webkit::webViewOf(browser), code.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* view, GAsyncResult* async, gpointer data) {
        auto* r = static_cast<Result*>(data);
        GError* error = nullptr;
        JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), async, &error);
        if (value) {
          if (jsc_value_is_string(value)) {
            char* text = jsc_value_to_string(value);
            r->json = text;
            g_free(text);
          } else {
            r->json = "undefined";
          }
          g_object_unref(value);
        } else {
          r->json = std::string("<error: ") + (error ? error->message : "?") + ">";
          g_clear_error(&error);
        }
        r->done = true;
      },
      &result);
  waitUntil([&] { return result.done; });
  return result.json;
}

}  // namespace varnet::testing
