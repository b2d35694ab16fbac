#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "browser/error_page.h"
#include "client_fixture.h"
#include "companion/companion.h"
#include "config.h"
#include "engine/js_string.h"
#include "platform/text.h"

namespace varnet::testing {
namespace {

constexpr char16_t kMainTitle[] = u"Varnet整合客户端";

using MainWindowTest = ClientTest;

TEST_F(MainWindowTest, TheFirstExactlyTitledWindowBecomesTheFramelessCentredRoundedMainWindow) {
  auto shorter = createBrowser(u"Varnet整合客户");
  auto longer = createBrowser(u"Varnet整合客户端 2");
  auto main = createBrowser(kMainTitle, 1728, 972);
  auto second = createBrowser(kMainTitle, 500, 400);
  for (auto& browser : {shorter, longer, main, second})
    handler_->OnAfterCreated(browser);
  settle();

  ASSERT_EQ(handler_->browsers().size(), 4u);
  EXPECT_EQ(handler_->browsers()[0], shorter);
  EXPECT_EQ(handler_->browsers()[3], second);
  EXPECT_EQ(handler_->mainWindow(), main->host.window);

  platform::Size screen = platform::primaryScreenSize();
  platform::Rect rect = serverRect(main->host.window);
  EXPECT_EQ(rect.left, (screen.width - 1728) / 2);
  EXPECT_EQ(rect.top, (screen.height - 972) / 2);
  EXPECT_EQ(rect.width(), 1728);
  EXPECT_FALSE(isDecorated(main->host.window));
  EXPECT_TRUE(isShaped(main->host.window));

  // Everything else keeps its frame, place and shape.
  for (auto& other : {shorter, longer, second}) {
    EXPECT_TRUE(isDecorated(other->host.window));
    EXPECT_FALSE(isShaped(other->host.window));
    EXPECT_EQ(serverRect(other->host.window).left, 10);
  }
}

TEST_F(MainWindowTest, ADeveloperToolsWindowIsListedButLeftAlone) {
  auto tools = createBrowser(u"DevTools");
  handler_->OnAfterCreated(tools);
  EXPECT_EQ(handler_->browsers().size(), 1u);
  EXPECT_EQ(handler_->mainWindow(), nullptr);
  EXPECT_TRUE(isDecorated(tools->host.window));
}

TEST_F(MainWindowTest, PageTitlesNeverReachTheNativeWindow) {
  auto main = createBrowser(kMainTitle);
  handler_->OnAfterCreated(main);
  handler_->OnTitleChange(main, u"Welcome to the portal");
  EXPECT_EQ(platform::windowTitle(main->host.window), kMainTitle);
}

using TrustBoundaryTest = ClientTest;

// The verdicts themselves are tested with the trust rules; here, what the client does with them.
TEST_F(TrustBoundaryTest, ForeignWebAddressesGoToTheDesktopsBrowserAndNothingElseLoads) {
  auto main = createBrowser(kMainTitle);
  handler_->OnAfterCreated(main);
  const std::u16string portal = std::u16string(config::kPortalBaseUrl) + u"pop.jsp";
  EXPECT_FALSE(handler_->OnBeforePopup(main, main->mainFrame, portal));
  EXPECT_FALSE(handler_->OnBeforePopup(main, main->mainFrame, u""));
  EXPECT_FALSE(handler_->OnBeforeBrowse(main, {portal, FrameKind::Sub}));
  EXPECT_FALSE(handler_->OnBeforeBrowse(main, {u"about:srcdoc", FrameKind::Sub}));

  EXPECT_TRUE(handler_->OnBeforePopup(main, main->mainFrame, u"http://evil.test/pop"));
  EXPECT_TRUE(handler_->OnOpenURLFromTab(main, u"http://evil.test/tab"));
  EXPECT_TRUE(handler_->OnBeforeBrowse(main, {u"http://evil.test/main", FrameKind::Main}));
  EXPECT_TRUE(handler_->OnBeforeBrowse(main, {u"http://evil.test/frame", FrameKind::Sub, true}));
  EXPECT_TRUE(handler_->OnBeforePopup(main, main->mainFrame, u"file:///bin/sh"));
  EXPECT_TRUE(handler_->OnBeforeBrowse(main, {u"file:///bin/sh", FrameKind::Main}));
  EXPECT_TRUE(handler_->OnBeforePopup(main, main->mainFrame, u"http://evil.test/last"));
  // Each address goes to a desktop process of its own, so they arrive in any order; a refused
  // one handed on would come in their midst.
  std::vector<std::string> opened = openedOnDesktop(4);
  std::sort(opened.begin(), opened.end());
  EXPECT_EQ(opened, (std::vector<std::string>{"http://evil.test/last", "http://evil.test/main",
                                              "http://evil.test/pop", "http://evil.test/tab"}));
}

using LifetimeTest = ClientTest;

TEST_F(LifetimeTest, CloseBrowsersClosesEveryListedBrowserInOrder) {
  auto a = createBrowser(kMainTitle);
  auto b = createBrowser(u"常见问题");
  handler_->OnAfterCreated(a);
  handler_->OnAfterCreated(b);
  handler_->CloseBrowsers(true);
  EXPECT_EQ(a->host.closeCalls, std::vector<bool>{true});
  EXPECT_EQ(b->host.closeCalls, std::vector<bool>{true});
}

TEST_F(LifetimeTest, CloseBrowsersFromAnotherThreadHopsToTheUIThread) {
  auto a = createBrowser(u"other");
  handler_->OnAfterCreated(a);
  fake::engineRecord().onUIThread = false;
  handler_->CloseBrowsers(false);
  EXPECT_TRUE(a->host.closeCalls.empty());
  fake::engineRecord().onUIThread = true;
  fake::engineRecord().runPostedTasks();
  EXPECT_EQ(a->host.closeCalls, std::vector<bool>{false});
}

TEST_F(LifetimeTest, AnEngineCallbackOffTheUIThreadStopsTheProcess) {
  auto a = createBrowser(u"other");
  EXPECT_DEATH(
      {
        fake::engineRecord().onUIThread = false;
        handler_->OnAfterCreated(a);
      },
      "must run on the UI thread");
}

TEST_F(LifetimeTest, TheLoopQuitsWhenTheLastBrowserHasClosed) {
  auto a = createBrowser(u"one");
  auto b = createBrowser(u"two");
  handler_->OnAfterCreated(a);
  handler_->OnAfterCreated(b);
  // The engine may hand over another object for the same browser.
  auto sameAsA = std::make_shared<fake::FakeBrowser>(a->id);
  handler_->OnBeforeClose(sameAsA);
  ASSERT_EQ(handler_->browsers().size(), 1u);
  EXPECT_EQ(handler_->browsers()[0], b);
  EXPECT_EQ(fake::engineRecord().quitCount, 0);
  handler_->OnBeforeClose(b);
  EXPECT_TRUE(handler_->browsers().empty());
  EXPECT_EQ(fake::engineRecord().quitCount, 1);
}

TEST_F(LifetimeTest, ClosingASecondaryWindowNeitherTellsThePageNorWatches) {
  auto main = createBrowser(kMainTitle);
  auto faq = createBrowser(u"常见问题");
  handler_->OnAfterCreated(main);
  handler_->OnAfterCreated(faq);
  EXPECT_FALSE(handler_->DoClose(faq));
  EXPECT_TRUE(faq->mainFrame->scripts.empty());
  EXPECT_TRUE(main->mainFrame->scripts.empty());
  EXPECT_FALSE(handler_->exitWatcherStarted());
}

// The exit watcher ends the process, so these run in a child (a death test) that would end
// with 3 after 30 seconds on its own.
TEST_F(LifetimeTest, ClosingTheMainWindowTellsThePageAndEndsWithZeroOnceTheCompanionHasGone) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  installCompanion();
  setEnvironment("VARNET_TEST_LINGER_MS", "2500");
  auto main = createBrowser(kMainTitle);
  handler_->OnAfterCreated(main);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EXIT(
      {
        if (!LaunchCompanion())
          std::exit(4);
        EXPECT_FALSE(handler_->DoClose(main));
        // The companion still runs: what the page was told can be reported.
        for (const auto& script : main->mainFrame->scripts)
          fprintf(stderr, "script: %s\n", toUtf8(script).c_str());
        fflush(stderr);
        std::this_thread::sleep_for(std::chrono::seconds(30));
        std::exit(3);
      },
      ::testing::ExitedWithCode(0), "script: web_rpc_shutdown\\(\\);");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2400));
}

TEST_F(LifetimeTest, WithNoCompanionTheWatcherEndsTheProcessAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto main = createBrowser(kMainTitle);
  handler_->OnAfterCreated(main);
  EXPECT_EXIT(
      {
        handler_->DoClose(main);
        std::this_thread::sleep_for(std::chrono::seconds(30));
        std::exit(3);
      },
      ::testing::ExitedWithCode(0), "");
}

using ContextMenuTest = ClientTest;

TEST_F(ContextMenuTest, PageAndFrameMenusAreEmptiedAndEditableFieldsKeepTheirs) {
  auto main = createBrowser(kMainTitle);
  for (int flags : {int(engine::CM_TYPEFLAG_PAGE), int(engine::CM_TYPEFLAG_FRAME),
                    engine::CM_TYPEFLAG_PAGE | engine::CM_TYPEFLAG_SELECTION,
                    engine::CM_TYPEFLAG_PAGE | engine::CM_TYPEFLAG_EDITABLE}) {
    fake::FakeMenuModel model(5);
    handler_->OnBeforeContextMenu(main, main->mainFrame, fake::FakeContextMenuParams(flags), model);
    EXPECT_EQ(model.count, 0) << flags;
  }
  for (int flags :
       {engine::CM_TYPEFLAG_EDITABLE, engine::CM_TYPEFLAG_LINK, engine::CM_TYPEFLAG_NONE}) {
    fake::FakeMenuModel model(5);
    handler_->OnBeforeContextMenu(main, main->mainFrame, fake::FakeContextMenuParams(flags), model);
    EXPECT_EQ(model.count, 5) << flags;
  }
  fake::FakeMenuModel empty(0);
  handler_->OnBeforeContextMenu(main, main->mainFrame,
                                fake::FakeContextMenuParams(engine::CM_TYPEFLAG_PAGE), empty);
  EXPECT_EQ(empty.clearCount, 0);
}

using LoadErrorTest = ClientTest;

TEST_F(LoadErrorTest, AFailedLoadShowsTheErrorPageInTheFailingFrameAndAnAbortedOneNothing) {
  auto main = createBrowser(kMainTitle);
  auto frame = std::make_shared<fake::FakeFrame>(u"http://127.0.0.1/x", false);
  handler_->OnLoadError(main, frame, -105, u"<b>name</b> not resolved",
                        u"http://bad.example/?a=1&b=\"2\"");
  EXPECT_EQ(frame->scripts.size(), 1u);  // the page itself: the end-to-end test reads it back
  handler_->OnLoadError(main, main->mainFrame, engine::ERR_ABORTED, u"aborted", u"http://x/");
  EXPECT_TRUE(main->mainFrame->scripts.empty());
}

TEST(ErrorPage, IsComposedInOrderWithTheAddressAndTextEscaped) {
  EXPECT_EQ(composeErrorPage(u"http://h/p?q=<script>&r='1'", u"Bad \"gateway\" & more", -2),
            u"<html><body bgcolor=\"white\"><h2>Failed to load URL "
            u"http://h/p?q=&lt;script&gt;&amp;r=&#39;1&#39; with error Bad &quot;gateway&quot; "
            u"&amp; more (-2).</h2></body></html>");
  EXPECT_EQ(composeErrorPage(u"http://a/", u"x", 0),
            u"<html><body bgcolor=\"white\"><h2>Failed to load URL http://a/ with error x "
            u"(0).</h2></body></html>");
}

}  // namespace
}  // namespace varnet::testing
