// The bridge end to end on the real WebKitGTK: pages served from loopback, the web extension in
// WebKit's web process, this test as the browser process (the real port's adapter with a
// recording client).

#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "config.h"
#include "engine/webkit/webkit_port.h"
#include "engine/webkit_host.h"
#include "identity/ticket.h"
#include "platform/text.h"

namespace varnet::testing {
namespace {

constexpr char kNames[] =
    R"(["cb_onsysmenu","cb_onsyscaption","cb_oncaptionmousemove","cb_download","cb_deletepath",)"
    R"("cb_maketick","cb_selectsavepath","cb_rungame","cb_unsetup","cb_getsetuppath","cb_opendir",)"
    R"("cb_shutdown","cb_openurl","cb_vercheck","cb_getversion","cb_flashcache","cb_unzip",)"
    R"("cb_stopunzip","cb_getunzipprogress","cb_callbacldownlist"])";

constexpr char kBridgeKeys[] = "Object.keys(window).filter(function(k){return /^cb_/.test(k)})";

// The page function the browser process calls with a download task; it keeps what it got.
constexpr char kTaskReceiver[] =
    "<script>window.got=[];function download_curtaskaddinf(t,f,x){got.push([t,f,x]);}</script>";

// A path as a script string literal (the test paths hold no quote or backslash).
std::string scriptText(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

class BridgeWebKit : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto& server = WebKitHost::get().server();
    server.add("/portal/login.jsp",
               std::string("<html><body>portal") + kTaskReceiver + "</body></html>");
    server.add("/portal/inner.html",
               std::string("<html><body>inner") + kTaskReceiver + "</body></html>");
    server.add("/portal/with-outside-frame.html",
               "<html><body><iframe src='/other/page.html'></iframe></body></html>");
    server.add("/portal/with-portal-frame.html",
               std::string("<html><body>") + kTaskReceiver +
                   "<iframe src='/portal/inner.html'></iframe></body></html>");
    // A foreign page in a portal page, trying every way into the portal's functions.
    server.add("/portal/attacked.html",
               std::string("<html><body>") + kTaskReceiver +
                   "<iframe src='/portal/inner.html'></iframe><iframe></iframe><iframe id='a'>"
                   "</iframe><script>frames[1].document.body.innerHTML='blank';"
                   "document.getElementById('a').src='http://localhost:{PORT}/other/attacker.html'"
                   "+location.hash</script></body></html>");
    server.add("/other/attacker.html", R"(<html><body><script>
      var d = decodeURIComponent(location.hash.slice(1)), p = parent;
      function q(x) { return "'" + d + "/" + x + "'"; }
      var tries = [
        function() { p.cb_deletepath(d + '/a'); },
        function() { p.eval('cb_deletepath(' + q('b') + ')'); },
        function() { p.Function('cb_deletepath(' + q('c') + ')')(); },
        function() { p.setTimeout(p.cb_deletepath, 0, d + '/d'); },
        function() { var s = p.document.createElement('script');
                     s.textContent = 'cb_deletepath(' + q('e') + ')'; p.document.body.appendChild(s); },
        function() { p.frames[0].cb_deletepath(d + '/f'); },
        function() { p.frames[1].eval('parent.cb_deletepath(' + q('g') + ')'); },
        function() { p.cb_download('', 'stolen', '2'); p.frames[0].cb_onsysmenu(2); },
        function() { window.ticket = p.cb_maketick(); },
      ];
      tries.forEach(function(t) { try { t(); } catch (e) {} });
      p.setTimeout(function() { p.attackOver = true; }, 0);
    </script></body></html>)");
    server.add("/portal/empty.html",
               std::string("<html><body>") + kTaskReceiver + "</body></html>");
    server.add("/portal/inner2.html",
               std::string("<html><body>inner2") + kTaskReceiver + "</body></html>");
    server.add("/other/page.html", "<html><body>other</body></html>");
    server.add(
        "/other/with-portal-frame.html",
        std::string("<html><body>") + kTaskReceiver +
            "<iframe src='http://127.0.0.1:{PORT}/portal/inner.html'></iframe></body></html>");
    server.add("/portalx/login.jsp", "<html><body>look-alike path</body></html>");
  }
  void TearDown() override {
    for (auto& browser : std::vector(client->browsers))
      WebKitHost::get().close(browser);
  }
  std::shared_ptr<engine::Browser> open(const std::string& url) {
    auto browser = WebKitHost::get().open(client, url);
    EXPECT_TRUE(browser) << url;
    return browser;
  }
  std::string url(const std::string& path) { return WebKitHost::get().server().url(path); }
  std::string eval(engine::Browser& browser, const std::string& expression) {
    return WebKitHost::evaluate(browser, expression);
  }
  // Waits until the frames of the page have loaded (their documents exist).
  void waitForFrames(engine::Browser& browser) {
    WebKitHost::waitUntil([&] {
      return eval(browser, "frames.length>0&&frames[0].document.readyState=='complete'") == "true";
    });
  }
  bool waitForMessages(std::size_t count) {
    return WebKitHost::waitUntil([&] { return client->messages.size() >= count; });
  }

  std::shared_ptr<RecordingClient> client = std::make_shared<RecordingClient>();
};

TEST_F(BridgeWebKit, PortalPageGetsExactlyTheTwentyFunctionsInTableOrder) {
  auto outside = open(url("/other/page.html"));
  std::string outsideNames = eval(*outside, "Object.getOwnPropertyNames(window)");
  auto portal = open(url("/portal/login.jsp"));
  EXPECT_EQ(eval(*portal, kBridgeKeys), kNames);
  // Nothing else is added to window: compared with a page outside the portal, the difference is
  // the twenty functions (and the test page's own two names).
  EXPECT_EQ(eval(*portal,
                 "(function(b){var s=new Set(b);return Object.getOwnPropertyNames(window)"
                 ".filter(function(k){return !s.has(k)&&k!='got'&&"
                 "k!='download_curtaskaddinf'})})(" +
                     outsideNames + ")"),
            kNames);
  EXPECT_EQ(eval(*portal, "typeof cb_getunzipprogress"), "\"function\"");
  // Writable, enumerable, deletable.
  EXPECT_EQ(eval(*portal,
                 "(function(){var d=Object.getOwnPropertyDescriptor(window,'cb_unzip');"
                 "return [d.writable,d.enumerable,d.configurable]})()"),
            "[true,true,true]");
}

TEST_F(BridgeWebKit, PagesOutsideThePortalGetNoFunctions) {
  std::string base = WebKitHost::get().portalBase();
  const std::string outside[] = {
      url("/other/page.html"),
      url("/other/page.html?next=") + base + "login.jsp",  // the portal address as a parameter
      url("/portalx/login.jsp"),                           // a path that only begins alike
      "http://localhost:" + std::to_string(WebKitHost::get().server().port()) +
          "/portal/login.jsp",  // the same server under another host name
  };
  for (const auto& address : outside) {
    auto browser = open(address);
    EXPECT_EQ(eval(*browser, kBridgeKeys), "[]") << address;
    WebKitHost::get().close(browser);
  }
}

TEST_F(BridgeWebKit, AnOutsideFrameInThePortalAndAPortalFrameUnderAnOutsideTopGetNothing) {
  auto portal = open(url("/portal/with-outside-frame.html"));
  waitForFrames(*portal);
  EXPECT_EQ(eval(*portal, kBridgeKeys), kNames);
  EXPECT_EQ(eval(*portal, "typeof frames[0].cb_getversion"), "\"undefined\"");

  // Frames the portal page makes itself have no address of the portal's.
  EXPECT_EQ(eval(*portal,
                 "(function(){var a=document.createElement('iframe');a.srcdoc='<b>x</b>';"
                 "document.body.appendChild(a);var b=document.createElement('iframe');"
                 "document.body.appendChild(b);"
                 "return [typeof frames[1].cb_getversion, typeof frames[2].cb_getversion]})()"),
            R"(["undefined","undefined"])");

  auto other = open(url("/other/with-portal-frame.html"));
  waitForFrames(*other);
  EXPECT_EQ(eval(*other, kBridgeKeys), "[]");
  EXPECT_EQ(eval(*other, "typeof frames[0].cb_getversion"), "\"undefined\"");
}

TEST_F(BridgeWebKit, EachFramesFunctionsSendThroughThatFrame) {
  auto portal = open(url("/portal/with-portal-frame.html"));
  waitForFrames(*portal);
  eval(*portal, "[frames[0].cb_onsysmenu(0), cb_onsysmenu(1)]");
  ASSERT_TRUE(waitForMessages(2));
  EXPECT_FALSE(client->messages[0].fromMainFrame);
  EXPECT_EQ(toUtf8(client->messages[0].frameUrl), url("/portal/inner.html"));
  EXPECT_TRUE(client->messages[1].fromMainFrame);
  EXPECT_EQ(toUtf8(client->messages[1].frameUrl), url("/portal/with-portal-frame.html"));
}

TEST_F(BridgeWebKit, AForeignFrameInAPortalPageReachesNoFunctionByAnyWay) {
  namespace fs = std::filesystem;
  fs::path target = fs::path(WebKitHost::get().workFolder()) / "attacked";
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g"})
    fs::create_directories(target / name);
  auto portal = open(url("/portal/attacked.html#") + target.string());
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return eval(*portal, "window.attackOver") == "true"; }));
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g"})
    EXPECT_TRUE(fs::exists(target / name)) << name;
  EXPECT_TRUE(client->messages.empty());
  EXPECT_EQ(eval(*portal, "typeof frames[2].ticket"), "\"undefined\"");
}

TEST_F(BridgeWebKit, FunctionsOfRemovedFramesDoNothingAndTheirAnswersAreDropped) {
  namespace fs = std::filesystem;
  fs::path doomed = fs::path(WebKitHost::get().workFolder()) / "kept";
  fs::create_directories(doomed);
  auto portal = open(url("/portal/empty.html"));
  constexpr int kFrames = 300;
  eval(*portal, "(function(){for(var i=0;i<" + std::to_string(kFrames) +
                    ";i++){var f=document.createElement('iframe');f.src='/portal/inner.html';"
                    "document.body.appendChild(f);}})()");
  ASSERT_TRUE(WebKitHost::waitUntil([&] {
    return eval(*portal,
                "Array.prototype.every.call(frames,function(f){return f.document.readyState=="
                "'complete'&&typeof f.cb_deletepath=='function'})&&frames.length") ==
           std::to_string(kFrames);
  }));
  // One frame asks for a task; its answer is held until the frame is gone.
  client->holdAnswers = true;
  eval(*portal, "frames[0].cb_download('', 'held', '2')");
  ASSERT_TRUE(waitForMessages(1));
  eval(*portal,
       "(function(){window.grabbed=[];for(var i=0;i<frames.length;i++)grabbed.push(["
       "frames[i].cb_deletepath,frames[i].cb_getversion,frames[i].cb_onsysmenu]);"
       "document.querySelectorAll('iframe').forEach(function(f){f.remove()})})()");
  EXPECT_EQ(eval(*portal, "frames.length"), "0");
  client->releaseAnswers();
  EXPECT_EQ(
      eval(*portal, "grabbed.map(function(g){g[0](" + scriptText(doomed) +
                        ");g[2](0);return g[1]()}).filter(function(v){return v!==undefined})"),
      "[]");
  EXPECT_TRUE(fs::exists(doomed));
  // The page's own functions still work; its answer comes after the held one, which was dropped.
  client->holdAnswers = false;
  eval(*portal, "cb_download('', 'own', '2')");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return eval(*portal, "got.length") != "0"; }));
  EXPECT_EQ(eval(*portal, "got"), R"([["own","",""]])");
  EXPECT_EQ(client->messages.size(), 2u);  // nothing from the removed frames' functions
}

TEST_F(BridgeWebKit, AnAnswerForADocumentThatWasNavigatedAwayIsDropped) {
  auto portal = open(url("/portal/with-portal-frame.html"));
  waitForFrames(*portal);
  client->holdAnswers = true;
  eval(*portal, "window.oldSend=frames[0].cb_download, frames[0].cb_download('', 'old', '2')");
  ASSERT_TRUE(waitForMessages(1));
  eval(*portal, "frames[0].location.href='/portal/inner2.html'");
  ASSERT_TRUE(WebKitHost::waitUntil([&] {
    return eval(*portal,
                "frames[0].location.pathname=='/portal/inner2.html'&&"
                "typeof frames[0].got=='object'") == "true";
  }));
  client->releaseAnswers();
  client->holdAnswers = false;
  // The old document's function no longer sends; the new document's functions work.
  eval(*portal, "[oldSend('', 'stale', '2'), frames[0].cb_download('', 'new', '2')]");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return eval(*portal, "frames[0].got.length") != "0"; }));
  EXPECT_EQ(eval(*portal, "frames[0].got"), R"([["new","",""]])");
  EXPECT_EQ(eval(*portal, "got.length"), "0");
  EXPECT_EQ(client->messages.size(), 2u);
}

TEST_F(BridgeWebKit, APageBackFromThePageCacheHasAWorkingBridge) {
  auto portal = open(url("/portal/login.jsp"));
  eval(*portal, "window.marker=1, window.kept=cb_getversion");
  int loads = client->loadsEnded;
  eval(*portal, "location.href='/portal/inner.html'");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return client->loadsEnded > loads; }));
  loads = client->loadsEnded;
  eval(*portal, "history.back()");
  ASSERT_TRUE(WebKitHost::waitUntil([&] {
    return eval(*portal, "document.body&&document.body.textContent.indexOf('portal')==0") == "true";
  }));
  ASSERT_EQ(eval(*portal, "window.marker"), "1") << "not restored from the page cache";
  std::string version = "\"" + std::string(toUtf8(config::kClientVersion)) + "\"";
  EXPECT_EQ(eval(*portal, "[cb_getversion(), kept()]"), "[" + version + "," + version + "]");
  eval(*portal, "cb_download('', 'back', '2')");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return eval(*portal, "got.length") != "0"; }));
  EXPECT_EQ(eval(*portal, "got"), R"([["back","",""]])");
}

TEST_F(BridgeWebKit, TextsCrossToTheBrowserAndBackWholeWithNulAndLoneSurrogates) {
  auto portal = open(url("/portal/login.jsp"));
  eval(*portal, "cb_download('a\\u0000b', 'x\\u0000y\\ud800z', '2')");
  ASSERT_TRUE(waitForMessages(1));
  using V = engine::ProcessMessage::Value;
  EXPECT_EQ(client->messages[0].message,
            engine::ProcessMessage("download", {V(std::u16string(u"a\0b", 3)),
                                                V(std::u16string(u"x\0y\xd800z", 5)), V(u"2")}));
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return eval(*portal, "got.length") == "1"; }));
  EXPECT_EQ(eval(*portal, "[got[0][0]==='x\\u0000y\\ud800z', got[0][1]==='a\\u0000b']"),
            "[true,true]");
}

TEST_F(BridgeWebKit, MessagesKeepEachArgumentsTypeAndPosition) {
  auto portal = open(url("/portal/login.jsp"));
  eval(*portal,
       "[cb_onsysmenu(3), cb_onsyscaption('7'), cb_oncaptionmousemove(12, -5),"
       " cb_download('', 'sealed', '0'), cb_openurl('http://example.test/a?b=c'),"
       " cb_callbacldownlist(2, 'list'), cb_onsysmenu(2.5), cb_oncaptionmousemove(),"
       " cb_download(), cb_onsysmenu(4294967295)]");
  ASSERT_TRUE(waitForMessages(10));
  using V = engine::ProcessMessage::Value;
  auto expect = [&](std::size_t i, const char* name, std::vector<V> arguments) {
    EXPECT_EQ(client->messages[i].message, engine::ProcessMessage(name, arguments)) << i;
    EXPECT_TRUE(client->messages[i].fromMainFrame);
  };
  expect(0, "sysmenumsg", {V(3)});
  expect(1, "syscaption", {V(0)});  // a text reads as integer 0
  expect(2, "syscaptionmove", {V(12), V(-5)});
  expect(3, "download", {V(u""), V(u"sealed"), V(u"0")});
  expect(4, "openurl", {V(u"http://example.test/a?b=c")});
  expect(5, "callbacldownlist", {V(2), V(u"list")});
  expect(6, "sysmenumsg", {V(0)});            // a fraction reads as 0
  expect(7, "syscaptionmove", {V(0), V(0)});  // missing arguments read as undefined
  expect(8, "download", {V(u""), V(u""), V(u"")});
  expect(9, "sysmenumsg", {V(-1)});  // an unsigned 32-bit value wraps
}

TEST_F(BridgeWebKit, CallsAnswerThroughTheirReturnValue) {
  auto portal = open(url("/portal/login.jsp"));
  EXPECT_EQ(eval(*portal, "[cb_getversion(), cb_getversion()]"), R"(["1.8","1.8"])");
  EXPECT_EQ(eval(*portal, "[typeof cb_onsysmenu(0), typeof cb_flashcache()]"),
            R"(["undefined","undefined"])");
  EXPECT_EQ(eval(*portal, "[cb_getsetuppath(), cb_getunzipprogress()]"), R"(["",0])");
  // A fresh sealed ticket of this machine on every call.
  std::string ticket = eval(*portal, "cb_maketick()");
  ASSERT_GT(ticket.size(), 2u);
  std::string sealed = eval(*portal, "cb_maketick().replace(/\\n/g,'')");
  std::string opened =
      toUtf8(OpenText(TicketKey(), config::kTicketKeyLength, sealed.substr(1, sealed.size() - 2)));
  EXPECT_EQ(opened.rfind('_', 0), 0u) << opened;
  EXPECT_NE(opened.find('#'), std::string::npos) << opened;
  // "update" once per render process, for the first version above 1.8 in single precision.
  EXPECT_EQ(eval(*portal,
                 "[cb_vercheck('1.8'), cb_vercheck('1.8000000'), cb_vercheck('abc'),"
                 " cb_vercheck(' 2.0x'), cb_vercheck('5'), cb_vercheck()]"),
            R"(["","","","update","",""])");
  // A reload keeps the render process, and with it the answer given.
  int loads = client->loadsEnded;
  portal->Reload();
  WebKitHost::waitUntil([&] { return client->loadsEnded > loads; });
  EXPECT_EQ(eval(*portal, "[cb_vercheck('9'), cb_getversion()]"), R"(["","1.8"])");
}

TEST_F(BridgeWebKit, HostileTaskTextsReachThePageAsDataInTheSendingFrame) {
  auto portal = open(url("/portal/login.jsp"));
  const char* hostile =
      R"js(["it's", "back\\slash", "line\nbreak\r", "sep\u2028par\u2029", "</script><b>x</b>",
           "'); window.hacked=1; ('", "\"quoted\"", "中文"])js";
  eval(*portal, "(" + std::string(hostile) +
                    ").forEach(function(t){cb_download('C:\\\\dl\\'s/'+t, t, '0')})");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return eval(*portal, "got.length") == "8"; }));
  EXPECT_EQ(eval(*portal, "got.map(function(g){return g[0]})"),
            eval(*portal, std::string(hostile)));
  EXPECT_EQ(eval(*portal, "got.every(function(g,i){return g[1]=='C:\\\\dl\\'s/'+g[0]&&g[2]===''})"),
            "true");
  EXPECT_EQ(eval(*portal, "typeof hacked"), "\"undefined\"");

  // From an embedded portal frame the answer goes to that frame, not to the main page.
  auto framed = open(url("/portal/with-portal-frame.html"));
  waitForFrames(*framed);
  eval(*framed, "frames[0].cb_download('', \"a'b\", '2')");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return eval(*framed, "frames[0].got.length") == "1"; }));
  EXPECT_EQ(eval(*framed, "frames[0].got[0]"), R"(["a'b","",""])");
  EXPECT_EQ(eval(*framed, "got.length"), "0");
}

// The chooser the browser process shows for cb_selectsavepath, once it is up.
GtkFileChooser* waitForFolderChooser() {
  GtkFileChooser* found = nullptr;
  WebKitHost::waitUntil([&] {
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next) {
      if (GTK_IS_FILE_CHOOSER_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data)))
        found = GTK_FILE_CHOOSER(item->data);
    }
    g_list_free(windows);
    return found != nullptr;
  });
  return found;
}

TEST_F(BridgeWebKit, SelectSavePathWaitsForTheModalChooserAndReturnsItsAnswer) {
  auto temp =
      std::filesystem::temp_directory_path() / ("bridge-chooser-" + std::to_string(getpid()));
  auto chosen = temp / "My\\Games";
  std::filesystem::create_directories(chosen);

  auto portal = open(url("/portal/login.jsp"));
  eval(*portal, "setTimeout(function(){window.picked=[cb_selectsavepath()]}, 0)");
  GtkFileChooser* chooser = waitForFolderChooser();
  ASSERT_TRUE(chooser);
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(chooser)), "选择目录");
  EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(chooser)));
  EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(chooser)), engine::webkit::windowOf(*portal));
  EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
  gtk_file_chooser_set_current_folder(chooser, chosen.c_str());
  WebKitHost::waitUntil([&] {
    char* current = gtk_file_chooser_get_filename(chooser);
    bool ready = current && chosen == current;
    g_free(current);
    return ready;
  });
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  ASSERT_TRUE(
      WebKitHost::waitUntil([&] { return eval(*portal, "typeof picked") != "\"undefined\""; }));
  // Every backslash comes back as a forward slash.
  EXPECT_EQ(eval(*portal, "picked[0]"), "\"" + (temp / "My/Games").string() + "\"");

  eval(*portal, "setTimeout(function(){window.cancelled=cb_selectsavepath()}, 0)");
  chooser = waitForFolderChooser();
  ASSERT_TRUE(chooser);
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
  ASSERT_TRUE(
      WebKitHost::waitUntil([&] { return eval(*portal, "typeof cancelled") != "\"undefined\""; }));
  EXPECT_EQ(eval(*portal, "cancelled"), "\"\"");
  std::filesystem::remove_all(temp);
}

// What the engine really keeps as its cache goes; the page's stored data stays.
TEST_F(BridgeWebKit, FlashCacheClearsTheEnginesDiskCacheButNotThePagesStoredData) {
  namespace fs = std::filesystem;
  const fs::path cache = fs::path(WebKitHost::get().workFolder()) / "cache";
  auto cached = [&] {
    std::error_code error;
    for (fs::recursive_directory_iterator it(cache / "WebKitCache", error), end;
         !error && it != end; it.increment(error)) {
      if (it->is_regular_file() && it->path().filename() != "salt")
        return true;
    }
    return false;
  };
  auto portal = open(url("/portal/login.jsp"));
  eval(*portal, "localStorage.setItem('kept','yes')");
  ASSERT_TRUE(WebKitHost::waitUntil(cached));
  EXPECT_EQ(eval(*portal, "[typeof cb_flashcache(), typeof cb_flashcache()]"),
            R"(["undefined","undefined"])");  // the second finds nothing to delete
  EXPECT_FALSE(fs::exists(cache / "WebKitCache"));
  EXPECT_TRUE(fs::exists(cache / "storage"));
  EXPECT_EQ(eval(*portal, "localStorage.getItem('kept')"), R"("yes")");
}

TEST_F(BridgeWebKit, OpenDirGoesToTheDesktopAndShutdownToThePowerOffCommand) {
  auto portal = open(url("/portal/login.jsp"));
  auto before = WebKitHost::get().fakeCalls().size();
  EXPECT_EQ(eval(*portal, "[typeof cb_opendir('/tmp/some folder'), typeof cb_shutdown()]"),
            R"(["undefined","undefined"])");
  // cb_shutdown returns once the command has finished; the shell's hand-off may come later.
  ASSERT_TRUE(
      WebKitHost::waitUntil([&] { return WebKitHost::get().fakeCalls().size() >= before + 2; }));
  auto calls = WebKitHost::get().fakeCalls();
  std::vector<std::string> added(calls.begin() + before, calls.end());
  std::sort(added.begin(), added.end());
  EXPECT_EQ(added[0].rfind("shutdown", 0), 0u) << added[0];
  EXPECT_EQ(added[1], "xdg-open /tmp/some folder");
}

TEST_F(BridgeWebKit, InstallFunctionsUnpackReportAndUninstall) {
  namespace fs = std::filesystem;
  fs::path work = WebKitHost::get().workFolder();
  fs::path source = work / "source";
  fs::path package = work / "packages" / "pkg";
  fs::path root = work / "games";
  fs::create_directories(source / "bin");
  fs::create_directories(package);
  fs::create_directories(root);
  g_file_set_contents((source / "bin" / "readme.txt").c_str(), "hello", -1, nullptr);
  std::string command = "cd " + source.string() + " && 7z a -tzip -bd -y " +
                        (package / "Game.zip").string() + " bin >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);

  auto portal = open(url("/portal/login.jsp"));
  EXPECT_EQ(eval(*portal, "cb_getsetuppath()"), "\"\"");
  EXPECT_EQ(
      eval(*portal, "cb_unzip(" + scriptText(root.string() + "/") + "," + scriptText(package) +
                        ",'VarnetTestGame','extra','bin/readme.txt',2,'')"),
      "1");
  ASSERT_TRUE(WebKitHost::waitUntil([&] {
    auto progress = eval(*portal, "cb_getunzipprogress()");
    return progress == "100" || progress == "-100";
  }));
  EXPECT_EQ(eval(*portal, "cb_getunzipprogress()"), "100");
  // Stopping after success changes nothing.
  EXPECT_EQ(eval(*portal, "[typeof cb_stopunzip(), cb_getunzipprogress()]"),
            R"(["undefined",100])");
  std::string installed = eval(*portal, "cb_getsetuppath()");
  ASSERT_GT(installed.size(), 2u);
  fs::path folder = installed.substr(1, installed.size() - 2);
  EXPECT_TRUE(fs::exists(folder / "bin" / "readme.txt")) << folder;

  EXPECT_EQ(eval(*portal, "cb_unsetup(" + scriptText(folder) + ",'VarnetTestGame')"), "0");
  EXPECT_EQ(eval(*portal, "cb_getsetuppath()"), "\"\"");
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_EQ(eval(*portal, "cb_getunzipprogress()"), "100");  // kept until the next job

  fs::create_directories(work / "doomed" / "sub");
  EXPECT_EQ(eval(*portal, "typeof cb_deletepath(" + scriptText(work / "doomed") + ")"),
            "\"undefined\"");
  EXPECT_FALSE(fs::exists(work / "doomed"));
}

TEST_F(BridgeWebKit, RunGameStartsTheProgramInItsOwnFolder) {
  namespace fs = std::filesystem;
  fs::path folder = fs::path(WebKitHost::get().workFolder()) / "game folder";
  fs::create_directories(folder);
  fs::path program = folder / "start.sh";
  fs::path out = folder / "ran-in.txt";
  std::string script = "#!/bin/sh\npwd > '" + out.string() + "'\n";
  g_file_set_contents(program.c_str(), script.c_str(), -1, nullptr);
  g_chmod(program.c_str(), 0755);
  auto portal = open(url("/portal/login.jsp"));
  // Relative to the client's current folder, which the web process shares.
  EXPECT_EQ(eval(*portal, "typeof cb_rungame('game folder/start.sh')"), "\"undefined\"");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return fs::exists(out) && fs::file_size(out) > 0; }));
  char* text = nullptr;
  g_file_get_contents(out.c_str(), &text, nullptr, nullptr);
  EXPECT_EQ(std::string(text), folder.string() + "\n");
  g_free(text);

  // A program whose folder does not exist is still handed to the shell.
  auto before = WebKitHost::get().fakeCalls().size();
  EXPECT_EQ(eval(*portal, "typeof cb_rungame('/nonexistent/folder/game.exe')"), "\"undefined\"");
  ASSERT_TRUE(WebKitHost::waitUntil([&] { return WebKitHost::get().fakeCalls().size() > before; }));
  EXPECT_EQ(WebKitHost::get().fakeCalls().back(), "xdg-open /nonexistent/folder/game.exe");
}

}  // namespace
}  // namespace varnet::testing
