// The WebKitGTK port's browser-process adapter on the real engine: what the client hears of
// browsers, pop-ups, closing, titles, load errors and engine downloads, and the switches applied
// as WebKit settings.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/webkit/webkit_port.h"
#include "engine/webkit_host.h"
#include "platform/text.h"

namespace varnet::testing {
namespace {

namespace fs = std::filesystem;

class AdapterClient : public RecordingClient {
 public:
  bool DoClose(const std::shared_ptr<engine::Browser>& browser) override {
    events.push_back("close " + std::to_string(browser->GetIdentifier()));
    return false;
  }
  void OnBeforeClose(const std::shared_ptr<engine::Browser>& browser) override {
    events.push_back("before-close " + std::to_string(browser->GetIdentifier()));
    RecordingClient::OnBeforeClose(browser);
  }
  void OnTitleChange(const std::shared_ptr<engine::Browser>&,
                     const std::u16string& title) override {
    titles.push_back(toUtf8(title));
  }
  void OnLoadError(const std::shared_ptr<engine::Browser>&,
                   const std::shared_ptr<engine::Frame>&,
                   int errorCode,
                   const std::u16string&,
                   const std::u16string& failedUrl) override {
    errors.push_back({errorCode, toUtf8(failedUrl)});
  }
  void OnBeforeDownload(const std::shared_ptr<engine::Browser>&,
                        engine::DownloadItem& item,
                        const std::u16string& suggestedName,
                        const std::shared_ptr<engine::BeforeDownloadCallback>& callback) override {
    suggested = toUtf8(suggestedName);
    downloadUrl = toUtf8(item.GetURL());
    if (!target.empty())
      callback->Continue(fromUtf8(target), false);
  }
  void OnDownloadUpdated(const std::shared_ptr<engine::Browser>&,
                         engine::DownloadItem& item,
                         const std::shared_ptr<engine::DownloadItemCallback>&) override {
    ++updates;
    lastReceived = item.GetReceivedBytes();
    lastTotal = item.GetTotalBytes();
    if (item.IsComplete()) {
      completed = true;
      completedPath = toUtf8(item.GetFullPath());
    }
  }

  void OnBeforeContextMenu(const std::shared_ptr<engine::Browser>&,
                           const std::shared_ptr<engine::Frame>&,
                           const engine::ContextMenuParams& params,
                           engine::MenuModel& model) override {
    menuFlags.push_back(params.GetTypeFlags());
    menuItems.push_back(model.GetCount());
    model.Clear();
  }

  std::vector<int> menuFlags, menuItems;
  std::vector<std::string> events;
  std::vector<std::string> titles;
  std::vector<std::pair<int, std::string>> errors;
  std::string target, suggested, downloadUrl, completedPath;
  int updates = 0;
  std::int64_t lastReceived = 0, lastTotal = 0;
  bool completed = false;
};

class WebKitAdapter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto& server = WebKitHost::get().server();
    server.add("/portal/titled.html", "<html><head><title>Page title</title></head></html>");
    server.add("/portal/opener.html", "<html><body>opener</body></html>");
    server.add("/portal/update.bin", std::string(100000, 'u'), "application/octet-stream");
  }
  void TearDown() override {
    for (auto& browser : std::vector(client->browsers))
      WebKitHost::get().close(browser);
  }
  std::string url(const std::string& path) { return WebKitHost::get().server().url(path); }

  std::shared_ptr<AdapterClient> client = std::make_shared<AdapterClient>();
};

TEST_F(WebKitAdapter, SyncCreationReportsTheBrowserWithItsNativeWindowBeforeReturning) {
  auto browser = WebKitHost::get().open(client, url("/portal/titled.html"));
  ASSERT_TRUE(browser);
  ASSERT_EQ(client->browsers.size(), 1u);
  EXPECT_TRUE(client->browsers[0]->IsSame(*browser));
  auto* window = static_cast<GtkWindow*>(browser->GetHost().GetWindowHandle());
  ASSERT_TRUE(window);
  EXPECT_STREQ(gtk_window_get_title(window), "test");  // the page title is not applied
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return !client->titles.empty(); }));
  EXPECT_EQ(client->titles.back(), "Page title");
  EXPECT_EQ(toUtf8(browser->GetMainFrame()->GetURL()), url("/portal/titled.html"));
  EXPECT_TRUE(browser->GetMainFrame()->IsMain());
}

TEST_F(WebKitAdapter, AsyncCreationAndPopUpsReachTheClientsOnAfterCreated) {
  engine::WindowInfo info;
  info.window_name = u"secondary";
  info.style = engine::WS_VISIBLE_STYLE;
  info.width = 300;
  info.height = 200;
  ASSERT_TRUE(engine::CreateBrowser(info, client, fromUtf8(url("/portal/opener.html")), {}));
  EXPECT_TRUE(client->browsers.empty());  // later, on the UI thread
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return client->loadsEnded == 1; }));
  ASSERT_EQ(client->browsers.size(), 1u);
  auto opener = client->browsers[0];
  EXPECT_STREQ(gtk_window_get_title(engine::webkit::windowOf(*opener)), "secondary");

  WebKitHost::evaluate(*opener, "window.open('/portal/titled.html') && 1");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return client->browsers.size() == 2; }));
}

TEST_F(WebKitAdapter, ClosingAsksTheClientThenReportsBeforeClose) {
  auto browser = WebKitHost::get().open(client, url("/portal/opener.html"));
  std::string id = std::to_string(browser->GetIdentifier());
  browser->GetHost().CloseBrowser(false);  // the page has no say in it here
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return client->browsers.empty(); }));
  std::vector<std::string> expected = {"close " + id, "before-close " + id};
  EXPECT_EQ(client->events, expected);
  EXPECT_EQ(engine::webkit::windowOf(*browser), nullptr);
  browser->GetMainFrame()->ExecuteJavaScript(u"1");  // harmless once closed
  browser->Reload();
}

// The close waits for this: a page told flashprogress(-1,-1,-1) must hear it before it goes,
// however long its scripts take, unless it hangs.
TEST_F(WebKitAdapter, AfterSentScriptsRunsOnceTheyHaveRunOrThePageTakesTooLong) {
  auto& server = WebKitHost::get().server();
  auto browser = WebKitHost::get().open(client, url("/portal/opener.html"));
  // Busy for half a second, then asks the server for a page and waits for the answer.
  browser->GetMainFrame()->ExecuteJavaScript(
      u"{ const until = Date.now() + 500; while (Date.now() < until) {}"
      u"  const r = new XMLHttpRequest(); r.open('GET', '/portal/slow', false); r.send(); }");
  bool done = false, askedBefore = false;
  browser->GetHost().RunAfterSentScripts([&] {
    done = true;
    const auto& asked = server.requests();
    askedBefore = std::count(asked.begin(), asked.end(), "/portal/slow") > 0;
  });
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return done; }));
  EXPECT_TRUE(askedBefore);

  // A page busy for 4 s: the client goes on before it is done.
  done = false;
  browser->GetMainFrame()->ExecuteJavaScript(
      u"{ const until = Date.now() + 4000; while (Date.now() < until) {} }");
  browser->GetHost().RunAfterSentScripts([&] { done = true; });
  EXPECT_TRUE(WebKitHost::waitUntil([&] { return done; }, std::chrono::milliseconds(3500)));
}

TEST_F(WebKitAdapter, ALoadErrorNamesTheFailedAddress) {
  // A port nobody listens on: taken, then released.
  GSocket* probe =
      g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, nullptr);
  GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
  GSocketAddress* any = g_inet_socket_address_new(loopback, 0);
  ASSERT_TRUE(g_socket_bind(probe, any, FALSE, nullptr));
  GSocketAddress* bound = g_socket_get_local_address(probe, nullptr);
  int port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
  g_object_unref(bound);
  g_object_unref(any);
  g_object_unref(loopback);
  g_socket_close(probe, nullptr);
  g_object_unref(probe);
  std::string missing = "http://127.0.0.1:" + std::to_string(port) + "/nothing.jsp";
  auto browser = WebKitHost::get().open(client, url("/portal/opener.html"));
  WebKitHost::evaluate(*browser, "location.href='" + missing + "'");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return !client->errors.empty(); }));
  EXPECT_EQ(client->errors[0].second, missing);
  EXPECT_NE(client->errors[0].first, engine::ERR_NONE);
  EXPECT_NE(client->errors[0].first, engine::ERR_ABORTED);
}

TEST_F(WebKitAdapter, EngineDownloadsGoWhereTheClientSaysAndReportCompletion) {
  fs::path target = fs::path(WebKitHost::get().workFolder()) / "download" / "update.exe";
  fs::create_directories(target.parent_path());
  client->target = target.string();
  auto browser = WebKitHost::get().open(client, url("/portal/opener.html"));
  WebKitHost::evaluate(*browser, "location.href='/portal/update.bin'");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return client->completed; }));
  EXPECT_EQ(client->suggested, "update.bin");
  EXPECT_EQ(client->downloadUrl, url("/portal/update.bin"));
  EXPECT_EQ(client->completedPath, target.string());
  EXPECT_EQ(client->lastReceived, 100000);
  EXPECT_EQ(client->lastTotal, 100000);
  EXPECT_GE(client->updates, 1);
  EXPECT_EQ(fs::file_size(target), 100000u);
}

TEST_F(WebKitAdapter, TheEngineSwitchesTurnWebSecurityOff) {
  // A page of 127.0.0.1 reads a page of localhost (another origin, no CORS headers): possible
  // only with web security off, as "--disable-web-security" asks.
  auto browser = WebKitHost::get().open(client, url("/portal/opener.html"));
  std::string other = "http://localhost:" + std::to_string(WebKitHost::get().server().port()) +
                      "/portal/titled.html";
  EXPECT_EQ(WebKitHost::evaluate(*browser, "(function(){var x=new XMLHttpRequest();x.open('GET','" +
                                               other +
                                               "',false);x.send();return x.responseText.indexOf("
                                               "'Page title')>0})()"),
            "true");
}

TEST_F(WebKitAdapter, ARightClickOnThePageAsksTheClientAboutTheMenu) {
  auto browser = WebKitHost::get().open(client, url("/portal/opener.html"));
  // A right button press delivered to the view in this process (not through the display's
  // pointer, which other tests share).
  WebKitHost::waitUntil([] { return false; }, std::chrono::milliseconds(300));
  GtkWidget* view = GTK_WIDGET(engine::webkit::webViewOf(*browser));
  GdkEvent* press = gdk_event_new(GDK_BUTTON_PRESS);
  press->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(view)));
  press->button.button = 3;
  press->button.x = press->button.y = 100;
  press->button.time = GDK_CURRENT_TIME;
  gdk_event_set_device(
      press, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
  gtk_main_do_event(press);
  gdk_event_free(press);
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return !client->menuFlags.empty(); }));
  EXPECT_TRUE(client->menuFlags[0] & engine::CM_TYPEFLAG_PAGE);
  EXPECT_FALSE(client->menuFlags[0] & engine::CM_TYPEFLAG_EDITABLE);
  EXPECT_GT(client->menuItems[0], 0);  // the engine's own items, before the client cleared them
  // The emptied menu is not shown: no pop-up menu window appears.
  WebKitHost::waitUntil([] { return false; }, std::chrono::milliseconds(300));
  GList* windows = gtk_window_list_toplevels();
  bool menuShown = false;
  for (GList* item = windows; item; item = item->next) {
    if (gtk_window_get_window_type(GTK_WINDOW(item->data)) == GTK_WINDOW_POPUP &&
        gtk_widget_get_visible(GTK_WIDGET(item->data)))
      menuShown = true;
  }
  g_list_free(windows);
  EXPECT_FALSE(menuShown);
}

}  // namespace
}  // namespace varnet::testing
