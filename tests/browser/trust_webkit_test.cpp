// The trust boundary end to end: the real SimpleHandler as the client of the real WebKitGTK port,
// hostile pages on loopback. Foreign means another origin: the second server's port, or
// "localhost" for the portal's own server. The desktop's browser is a fake xdg-open that logs.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "browser/simple_handler.h"
#include "config.h"
#include "engine/webkit/webkit_port.h"
#include "engine/webkit_host.h"
#include "platform/text.h"

namespace varnet::testing {
namespace {

// SimpleHandler, with the downloads it was asked about.
class ObservedHandler : public SimpleHandler {
 public:
  using SimpleHandler::SimpleHandler;
  void OnBeforeDownload(const std::shared_ptr<engine::Browser>& browser,
                        engine::DownloadItem& item,
                        const std::u16string& suggestedName,
                        const std::shared_ptr<engine::BeforeDownloadCallback>& callback) override {
    SimpleHandler::OnBeforeDownload(browser, item, suggestedName, callback);
    downloads.push_back(toUtf8(item.GetURL()));
  }
  bool OnBeforePopup(const std::shared_ptr<engine::Browser>& browser,
                     const std::shared_ptr<engine::Frame>& frame,
                     const std::u16string& targetUrl) override {
    popups.push_back(toUtf8(targetUrl));
    return SimpleHandler::OnBeforePopup(browser, frame, targetUrl);
  }
  std::vector<std::string> downloads;
  std::vector<std::string> popups;
};

constexpr char kEvil[] = "<html><body>EVIL<script>top.evilRan=1</script></body></html>";

class TrustWebKit : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto& host = WebKitHost::get();
    auto& portal = host.server();
    foreign_ = new PageServer();
    const std::string away = foreign_->url("");
    const std::string otherHost = "http://localhost:" + std::to_string(portal.port());
    for (const char* path : {"/evil/page.html", "/evil/after-redirect.html"}) {
      foreign_->add(path, kEvil);
      portal.add(path, kEvil);
    }
    foreign_->redirect("/evil/redirect-in", portal.url("/portal/t-inner.html"));
    foreign_->add("/evil/update.bin", "MZ", "application/octet-stream");
    portal.redirect("/portal/t-redirect-out", away + "/evil/after-redirect.html");
    portal.redirect("/portal/t-redirect-download", away + "/evil/update.bin");
    portal.add("/portal/t-inner.html", "<html><body>inner</body></html>");
    portal.add("/portal/files/update.bin", "MZ", "application/octet-stream");
    portal.add("/portal/t-blank.html", "<html><body>blank</body></html>");
    portal.add("/portal/t-frames.html",
               "<html><body>"
               "<iframe src='" +
                   away +
                   "/evil/page.html'></iframe>"
                   "<iframe src='" +
                   otherHost +
                   "/evil/page.html'></iframe>"
                   "<iframe src='/portal/t-redirect-out'></iframe>"
                   "<iframe src='" +
                   away +
                   "/evil/redirect-in'></iframe>"
                   "<iframe srcdoc='<p>made here</p>'></iframe>"
                   "<iframe src='data:text/html,<p>data here</p>'></iframe>"
                   "<iframe src='/portal/t-inner.html'></iframe>"
                   "</body></html>");
    // One link over the whole page, so that a click anywhere follows it.
    portal.add("/portal/t-nav-script.html", "<html><body><script>location.href='" + away +
                                                "/evil/page.html?script'</script>"
                                                "</body></html>");
    portal.add("/portal/t-nav-meta.html", "<html><head><meta http-equiv=refresh content='0;url=" +
                                              away + "/evil/page.html?meta'></head></html>");
    portal.add("/portal/t-link.html",
               "<html><body style='margin:0'><a href='" + away +
                   "/evil/page.html?click' "
                   "style='display:block;width:100%;height:600px'>go</a></body></html>");
    portal.add("/portal/t-opener.html",
               "<html><body style='margin:0'><button id=b "
               "onclick='window.w=window.open(location.search.slice(1))' "
               "style='display:block;width:100%;height:600px'>open</button></body></html>");
    handler_ = new std::shared_ptr<ObservedHandler>(
        std::make_shared<ObservedHandler>(TrustedOrigins(fromUtf8(host.portalBase()), {})));
    // The main window stays for the whole run: closing it would start the client's exit.
    engine::WindowInfo info;
    info.window_name = config::kMainWindowTitle;
    info.style = engine::WS_VISIBLE_STYLE;
    info.width = 800;
    info.height = 600;
    main_ = new std::shared_ptr<engine::Browser>(engine::CreateBrowserSync(
        info, *handler_, fromUtf8(portal.url("/portal/t-blank.html")), {}));
  }

  void TearDown() override {
    auto browsers = handler().browsers();
    for (auto& browser : browsers) {
      if (!browser->IsSame(main()))
        WebKitHost::get().close(browser);
    }
  }

  static ObservedHandler& handler() { return **handler_; }
  static engine::Browser& main() { return **main_; }
  static std::string portalUrl(const std::string& path) {
    return WebKitHost::get().server().url(path);
  }
  static std::string eval(engine::Browser& browser, const std::string& expression) {
    return WebKitHost::evaluate(browser, expression);
  }

  // Loads `path` of the portal in the main window and waits for it and its frames.
  void show(const std::string& path, const std::string& query = "") {
    webkit_web_view_load_uri(engine::webkit::webViewOf(main()), portalUrl(path + query).c_str());
    ASSERT_TRUE(WebKitHost::waitUntil([&] {
      return eval(main(), "location.pathname+location.search=='" + path + query +
                              "'&&document.readyState=='complete'&&Array.prototype.every.call("
                              "document.querySelectorAll('iframe'),function(f){try{return "
                              "f.contentDocument.readyState=='complete'}catch(e){return true}})") ==
             "true";
    }));
  }

  // A left click in the view, delivered as the display would (a user gesture for the page).
  static void click(engine::Browser& browser) {
    GtkWidget* view = GTK_WIDGET(engine::webkit::webViewOf(browser));
    for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
      GdkEvent* event = gdk_event_new(type);
      event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(view)));
      event->button.button = 1;
      event->button.x = event->button.y = 100;
      event->button.time = GDK_CURRENT_TIME;
      gdk_event_set_device(
          event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
      gtk_main_do_event(event);
      gdk_event_free(event);
    }
  }

  // The addresses the fake xdg-open was handed, from the `from`th on.
  static std::vector<std::string> handedToDesktop(std::size_t from = 0) {
    std::vector<std::string> handed;
    for (const auto& line : WebKitHost::get().fakeCalls()) {
      if (line.rfind("xdg-open ", 0) == 0)
        handed.push_back(line.substr(9));
    }
    return std::vector<std::string>(handed.begin() + std::min(from, handed.size()), handed.end());
  }

  static bool askedFor(const std::vector<std::string>& requests, const std::string& path) {
    return std::find(requests.begin(), requests.end(), path) != requests.end();
  }

  static PageServer* foreign_;
  static std::shared_ptr<ObservedHandler>* handler_;
  static std::shared_ptr<engine::Browser>* main_;
};

PageServer* TrustWebKit::foreign_ = nullptr;
std::shared_ptr<ObservedHandler>* TrustWebKit::handler_ = nullptr;
std::shared_ptr<engine::Browser>* TrustWebKit::main_ = nullptr;

TEST_F(TrustWebKit, ForeignFramesStayEmptyEitherWayOfARedirectFramesThePageMakesLoad) {
  const std::size_t handed = handedToDesktop().size();
  show("/portal/t-frames.html");
  EXPECT_EQ(eval(main(),
                 "Array.prototype.map.call(frames,function(f){return "
                 "f.document.body?f.document.body.textContent:''})"),
            R"(["","","","","made here","data here","inner"])");
  EXPECT_EQ(eval(main(), "typeof evilRan"), R"("undefined")");
  // No foreign document was even asked for, nor the portal's own through a foreign hop.
  EXPECT_TRUE(foreign_->requests().empty());
  const auto& portalRequests = WebKitHost::get().server().requests();
  EXPECT_FALSE(askedFor(portalRequests, "/evil/page.html"));
  EXPECT_TRUE(askedFor(portalRequests, "/portal/t-redirect-out"));
  EXPECT_TRUE(handedToDesktop(handed).empty());  // frames never go to the desktop
}

// Navigations the page starts on its own (script, a meta refresh, a server redirect) get nowhere;
// the user's click on a foreign link goes to the desktop's browser. Each attempt has its own
// address, and the click comes last: had an earlier one been handed on, it would come first.
TEST_F(TrustWebKit, AForeignMainFrameNavigationGoesToTheDesktopOnlyWhenTheUserStartedIt) {
  const std::size_t handed = handedToDesktop().size();
  show("/portal/t-nav-script.html");
  show("/portal/t-nav-meta.html");
  webkit_web_view_load_uri(engine::webkit::webViewOf(main()),
                           portalUrl("/portal/t-redirect-out").c_str());
  show("/portal/t-link.html");
  click(main());
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return !handedToDesktop(handed).empty(); }));
  EXPECT_EQ(handedToDesktop(handed),
            std::vector<std::string>{foreign_->url("/evil/page.html?click")});
  EXPECT_EQ(eval(main(), "location.pathname"), R"("/portal/t-link.html")");
  EXPECT_TRUE(foreign_->requests().empty());
}

TEST_F(TrustWebKit, PopUpsOpenWithTheirOpenerOnlyForThePortalForeignOnesGoToTheDesktop) {
  const std::size_t handed = handedToDesktop().size();
  const std::string away = foreign_->url("/evil/page.html?popup");
  show("/portal/t-opener.html", "?" + away);
  click(main());
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return eval(main(), "'w' in window") == "true"; }));
  EXPECT_EQ(eval(main(), "window.w"), "null");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return !handedToDesktop(handed).empty(); }));
  EXPECT_EQ(handedToDesktop(handed), std::vector<std::string>{away});
  EXPECT_EQ(handler().browsers().size(), 1u);

  show("/portal/t-opener.html", "?/portal/t-inner.html");
  click(main());
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return handler().browsers().size() == 2; }));
  auto popup = handler().browsers()[1];
  ASSERT_TRUE(WebKitHost::waitUntil(
      [&] { return eval(*popup, "document.body&&document.body.textContent") == R"("inner")"; }));
  EXPECT_EQ(eval(*popup, "window.opener===null"), "false");
  // The pop-up is a client view like the main one: a foreign document never loads in it.
  eval(main(), "w.location.href='/portal/t-redirect-out'");
  EXPECT_TRUE(WebKitHost::waitUntil(
      [&] { return askedFor(WebKitHost::get().server().requests(), "/portal/t-redirect-out"); }));
  EXPECT_EQ(eval(*popup, "document.body.textContent"), R"("inner")");
  EXPECT_TRUE(foreign_->requests().empty());
}

TEST_F(TrustWebKit, OnlyTheMainWindowsTrustedDownloadIsKeptOthersAreCancelledAndNothingRuns) {
  namespace fs = std::filesystem;
  const fs::path package = fs::path(WebKitHost::get().workFolder()) / "download" / "update.exe";
  // A portal download redirected to a foreign address never starts.
  show("/portal/t-blank.html");
  eval(main(), "location.href='/portal/t-redirect-download'");
  // A portal download from another window than the main one is refused.
  show("/portal/t-opener.html", "?/portal/t-inner.html");
  click(main());
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return handler().browsers().size() == 2; }));
  auto popup = handler().browsers()[1];
  ASSERT_TRUE(WebKitHost::waitUntil(
      [&] { return eval(*popup, "document.body&&document.body.textContent") == R"("inner")"; }));
  eval(*popup, "location.href='/portal/files/update.bin'");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return !handler().downloads.empty(); }));
  EXPECT_EQ(handler().downloads, std::vector<std::string>{portalUrl("/portal/files/update.bin")});
  EXPECT_FALSE(fs::exists(package));
  EXPECT_TRUE(foreign_->requests().empty());
  // The client stays open.
  EXPECT_EQ(handler().browsers().size(), 2u);
  EXPECT_EQ(eval(main(), "location.pathname"), R"("/portal/t-opener.html")");
}

}  // namespace
}  // namespace varnet::testing
