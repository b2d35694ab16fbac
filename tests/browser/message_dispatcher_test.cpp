#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "browser/decimal_text.h"
#include "client_fixture.h"
#include "config.h"
#include "identity/ticket.h"
#include "page_script.h"
#include "platform/text.h"

namespace varnet::testing {
namespace {

namespace fs = std::filesystem;
using engine::ProcessMessage;

std::u16string seal(const std::u16string& text) {
  return fromUtf8(SealText(TicketKey(), config::kTicketKeyLength, toUtf8(text)));
}

class DispatcherTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    main_ = createBrowser(u"Varnet整合客户端", 640, 480);
    handler_->OnAfterCreated(main_);
    settle();
    recordPostedCloses([this](platform::WindowHandle w) { closes_.push_back(w); });
    bridgeFrame_ = std::make_shared<fake::FakeFrame>(std::u16string(config::kPortalBaseUrl), false);
  }

  bool send(ProcessMessage message) {
    return handler_->OnProcessMessageReceived(main_, bridgeFrame_, message);
  }
  bool download(const std::u16string& folder,
                const std::u16string& task,
                const std::u16string& mode) {
    return send(ProcessMessage("download", {folder, seal(task), mode}));
  }
  std::vector<std::string> companionLaunches() {
    std::ifstream in(root_ / "data" / "annex" / "httpcurl" / "httpcurl.exe.ran");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }

  std::shared_ptr<fake::FakeBrowser> main_;
  std::shared_ptr<fake::FakeFrame> bridgeFrame_;
  std::vector<platform::WindowHandle> closes_;
};

TEST_F(DispatcherTest, MaximiseThenRestoreReloadingThePageEachTime) {
  platform::Rect normal = serverRect(main_->host.window);
  EXPECT_TRUE(send(ProcessMessage("sysmenumsg", {1})));
  settle();
  platform::Rect big = serverRect(main_->host.window);
  EXPECT_EQ(big.left, 0);
  EXPECT_EQ(big.top, 0);
#ifdef _WIN32
  // Windows keeps the window within its largest tracking size (about the screen's), and Wine
  // with no window manager gives it its old size back: the state is what holds there.
  EXPECT_TRUE(IsZoomed(static_cast<HWND>(main_->host.window)));
#else
  EXPECT_EQ(big.width(), 2550);
  EXPECT_EQ(big.height(), 1440);
#endif
  EXPECT_EQ(main_->host.resizedCount, 1);
  EXPECT_EQ(main_->reloadCount, 1);
  EXPECT_TRUE(handler_->maximized());

  send(ProcessMessage("sysmenumsg", {1}));
  settle();
  platform::Rect back = serverRect(main_->host.window);
  EXPECT_EQ(back.left, normal.left);
  EXPECT_EQ(back.top, normal.top);
  EXPECT_EQ(back.width(), 640);
  EXPECT_EQ(main_->host.resizedCount, 1);
  EXPECT_EQ(main_->reloadCount, 2);
  EXPECT_FALSE(handler_->maximized());
}

TEST_F(DispatcherTest, CloseHidesTheWindowAtOnceAndPostsTheCloseOnceThePageRanItsScripts) {
  send(ProcessMessage("sysmenumsg", {2}));
  EXPECT_FALSE(platform::isWindowVisible(main_->host.window));
  postMarkerClose(main_->host.window);
  settleUntil([&] { return !closes_.empty(); });
  settle();
  EXPECT_EQ(closes_.size(), 1u);  // ours only
  main_->host.scriptsRan();
  settleUntil([&] { return closes_.size() == 2; });
  EXPECT_EQ(closes_, std::vector<platform::WindowHandle>(2, main_->host.window));

  // A main window that went while the page ran its scripts gets no close.
  send(ProcessMessage("sysmenumsg", {2}));
  handler_->OnBeforeClose(main_);
  main_->host.scriptsRan();
  postMarkerClose(main_->host.window);
  settleUntil([&] { return closes_.size() > 2; });
  settle();
  EXPECT_EQ(closes_.size(), 3u);  // ours only
}

TEST_F(DispatcherTest, OtherWindowCommandsAndOtherMessagesChangeNothingButAreHandled) {
  platform::Rect before = serverRect(main_->host.window);
  EXPECT_TRUE(send(ProcessMessage("sysmenumsg", {3})));
  EXPECT_TRUE(send(ProcessMessage("syscaption", {1})));
  EXPECT_TRUE(send(ProcessMessage("syscaptionmove", {5, 6})));
  EXPECT_TRUE(send(ProcessMessage("callbacldownlist", {2, std::u16string(u"a|b")})));
  EXPECT_TRUE(send(ProcessMessage("SysMenuMsg", {2})));
  settle();
  platform::Rect after = serverRect(main_->host.window);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.width(), before.width());
  EXPECT_TRUE(send(ProcessMessage("sysmenumsg")));  // no argument reads as 0: minimise
#ifdef _WIN32
  // (Under Xvfb only a window manager would minimise a GTK window, and there is none.)
  EXPECT_TRUE(IsIconic(static_cast<HWND>(main_->host.window)));
#endif
  postMarkerClose(main_->host.window);
  settleUntil([&] { return !closes_.empty(); });
  EXPECT_EQ(closes_.size(), 1u);                      // ours only
  EXPECT_TRUE(main_->host.afterSentScripts.empty());  // no close waits either
  EXPECT_EQ(main_->reloadCount, 0);
  EXPECT_TRUE(bridgeFrame_->scripts.empty());
  EXPECT_TRUE(fake::engineRecord().creations.empty());
}

TEST_F(DispatcherTest, ADefaultFolderTaskStartsAMissingCompanionAndGoesBackToTheSendingFrame) {
  installCompanion();
  download(u"", u"http://cdn.example/game.7z", u"0");
  ASSERT_EQ(bridgeFrame_->scripts.size(), 1u);
  EXPECT_TRUE(main_->mainFrame->scripts.empty());
  EXPECT_EQ(runInPage(bridgeFrame_->scripts[0]),
            "http://cdn.example/game.7z|" + (fs::current_path() / "download" / "").string() + "|");
  auto launches = ranLines(root_ / "data" / "annex" / "httpcurl" / "httpcurl.exe.ran");
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0],
            (root_ / "data" / "annex" / "httpcurl").string() + " --conf-path=httpcurl.conf");
}

TEST_F(DispatcherTest, ModesAreReadLikeWtoi) {
  EXPECT_EQ(leadingDecimal(u"0"), 0);
  EXPECT_EQ(leadingDecimal(u""), 0);
  EXPECT_EQ(leadingDecimal(u"abc"), 0);
  EXPECT_EQ(leadingDecimal(u"  \t1x"), 1);
  EXPECT_EQ(leadingDecimal(u"+2"), 2);
  EXPECT_EQ(leadingDecimal(u"-1"), -1);
  EXPECT_EQ(leadingDecimal(u" - 1"), 0);
  EXPECT_EQ(leadingDecimal(u"99999999999"), 2147483647);
  EXPECT_EQ(leadingDecimal(u"-99999999999"), -2147483647 - 1);
  EXPECT_EQ(leadingDecimal(u"\u00a01"), 0);
}

TEST_F(DispatcherTest, ModeOneOpensTheAddressInTheSystemBrowserOnly) {
  installCompanion();
  // Anything but a web address would have the shell start a program or open a file.
  download(u"/games", u"/usr/bin/xterm", u"1");
  download(u"/games", u"file:///etc/passwd", u"1");
  download(u"/games", u"http://portal.example/help?a=1", u" 1");
  auto opened = openedOnDesktop();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "http://portal.example/help?a=1");
  EXPECT_TRUE(bridgeFrame_->scripts.empty());
  EXPECT_TRUE(companionLaunches().empty());
}

TEST_F(DispatcherTest, OtherModesTellThePageWithoutTouchingTheCompanion) {
  installCompanion();
  setEnvironment("VARNET_TEST_LINGER_MS", "10000");
  download(u"/games/pkg", u"task-2", u"2");
  download(u"/games/pkg", u"task-3", u"-7");
  ASSERT_EQ(bridgeFrame_->scripts.size(), 2u);
  EXPECT_EQ(runInPage(bridgeFrame_->scripts[0]), "task-2|/games/pkg|");
  EXPECT_EQ(runInPage(bridgeFrame_->scripts[1]), "task-3|/games/pkg|");
  // A frame that is gone, or that moved on to a foreign page, hears nothing.
  bridgeFrame_->valid = false;
  download(u"/games/pkg", u"task-4", u"2");
  bridgeFrame_->valid = true;
  bridgeFrame_->url = u"http://foreign.example/";
  download(u"/games/pkg", u"task-5", u"2");
  EXPECT_EQ(bridgeFrame_->scripts.size(), 2u);
  EXPECT_EQ(runningCopies(root_ / "data" / "annex" / "httpcurl" / "httpcurl.exe"), 0);
  EXPECT_TRUE(companionLaunches().empty());
}

TEST_F(DispatcherTest, TextsReachThePageAsDataNeverAsCode) {
  const std::u16string hostile[] = {
      u"a'b",           u"x');hijacked=true;('",  u"back\\slash\\",
      u"line\nbreak\r", u"sep\u2028arator\u2029", u"</script><script>hijacked=true</script>",
      u"\"double\"",
  };
  for (const auto& text : hostile) {
    bridgeFrame_->scripts.clear();
    download(text, text, u"2");
    ASSERT_EQ(bridgeFrame_->scripts.size(), 1u);
    EXPECT_EQ(runInPage(bridgeFrame_->scripts[0]), toUtf8(text) + "|" + toUtf8(text) + "|");
  }
}

TEST_F(DispatcherTest, ADamagedTaskOpensToAnEmptyText) {
  send(ProcessMessage(
      "download", {std::u16string(u"/f"), std::u16string(u"not sealed"), std::u16string(u"2")}));
  ASSERT_EQ(bridgeFrame_->scripts.size(), 1u);
  EXPECT_EQ(runInPage(bridgeFrame_->scripts[0]), "|/f|");
}

TEST_F(DispatcherTest, OpenUrlOpensOneOwnedSecondaryWindowPerCall) {
  const std::u16string faq = std::u16string(config::kPortalBaseUrl) + u"faq.jsp";
  send(ProcessMessage("openurl", {faq}));
  send(ProcessMessage("openurl", {faq}));
  // A foreign page goes to the desktop's browser instead, never into a client window.
  send(ProcessMessage("openurl", {std::u16string(u"http://localhost:1/faq.jsp")}));
  auto& creations = fake::engineRecord().creations;
  ASSERT_EQ(creations.size(), 2u);
  for (const auto& creation : creations) {
    EXPECT_FALSE(creation.sync);
    EXPECT_EQ(creation.url, faq);
    EXPECT_EQ(creation.windowInfo.window_name, u"常见问题");
    EXPECT_EQ(creation.windowInfo.style, 0x16CF0000u);
    EXPECT_EQ(creation.windowInfo.x, 0);
    EXPECT_EQ(creation.windowInfo.y, 0);
    EXPECT_EQ(creation.windowInfo.width, 1230);
    EXPECT_EQ(creation.windowInfo.height, 1000);
    EXPECT_EQ(creation.windowInfo.parent_window, main_->host.window);
    EXPECT_EQ(creation.client, handler_);
  }
  fake::engineRecord().runPostedTasks();
  EXPECT_EQ(handler_->browsers().size(), 3u);
  EXPECT_EQ(openedOnDesktop(), std::vector<std::string>{"http://localhost:1/faq.jsp"});
}

TEST_F(DispatcherTest, TheUpdaterStartsOncePerProcessWithThePagesParameters) {
  installUpdater();
  setEnvironment("VARNET_TEST_LINGER_MS", "10000");
  send(ProcessMessage("excuteupdate", {std::u16string(u"--from 1.8 --to 1.9")}));
  send(ProcessMessage("excuteupdate", {std::u16string(u"--again")}));
  EXPECT_TRUE(handler_->updateLaunched());
  EXPECT_EQ(runningCopies(root_ / "update.exe"), 1);
  auto ran = ranLines(root_ / "update.exe.ran");
  ASSERT_EQ(ran.size(), 1u);
  EXPECT_EQ(ran[0], root_.string() + " --from 1.8 --to 1.9");
}

TEST_F(DispatcherTest, AFailedUpdaterStartStillCountsAsTheOneStart) {
  send(ProcessMessage("excuteupdate", {std::u16string(u"")}));  // no update.exe here
  EXPECT_TRUE(handler_->updateLaunched());
  installUpdater();
  setEnvironment("VARNET_TEST_LINGER_MS", "10000");
  send(ProcessMessage("excuteupdate", {std::u16string(u"")}));
  EXPECT_EQ(runningCopies(root_ / "update.exe"), 0);
  EXPECT_FALSE(fs::exists(root_ / "update.exe.ran"));
}

}  // namespace
}  // namespace varnet::testing
