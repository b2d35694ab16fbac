#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "client_fixture.h"
#include "config.h"
#include "platform/text.h"

namespace varnet::testing {
namespace {

namespace fs = std::filesystem;

class DownloadTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    main_ = createBrowser(u"Varnet整合客户端");
    faq_ = createBrowser(u"常见问题");
    handler_->OnAfterCreated(main_);
    handler_->OnAfterCreated(faq_);
    recordPostedCloses([this](platform::WindowHandle w) { closes_.push_back(w); });
    portalItem_.url = std::u16string(config::kPortalBaseUrl) + u"files/client-1.9.bin";
  }

  fs::path package() const { return root_ / "download" / "update.exe"; }

  std::shared_ptr<fake::FakeBrowser> main_, faq_;
  fake::FakeDownloadItem portalItem_;
  std::vector<platform::WindowHandle> closes_;
};

TEST_F(DownloadTest, APortalDownloadReplacesTheOldPackageInACreatedDownloadFolder) {
  auto callback = std::make_shared<fake::FakeBeforeDownloadCallback>();
  handler_->OnBeforeDownload(main_, portalItem_, u"game.zip", callback);
  ASSERT_EQ(callback->continued.size(), 1u);
  EXPECT_EQ(callback->continued[0].first, fromPath(fs::current_path() / "download" / "update.exe"));
  EXPECT_FALSE(callback->continued[0].second);  // no save dialog
  EXPECT_TRUE(fs::is_directory(root_ / "download"));

  std::ofstream(package()) << "old";
  handler_->OnBeforeDownload(main_, portalItem_, u"update.exe", callback);
  EXPECT_EQ(callback->continued.size(), 2u);
  EXPECT_FALSE(fs::exists(package()));
}

TEST_F(DownloadTest, ProgressGoesToTheFirstBrowsersMainFrameWithFull64BitNumbers) {
  portalItem_.received = 1048576;
  portalItem_.total = 3000000000;
  portalItem_.speed = 262144;
  handler_->OnDownloadUpdated(main_, portalItem_,
                              std::make_shared<fake::FakeDownloadItemCallback>());
  portalItem_.received = 2999999999;
  portalItem_.total = -1;
  portalItem_.speed = -9223372036854775807LL - 1;
  handler_->OnDownloadUpdated(main_, portalItem_, nullptr);
  // A cancelled download keeps its numbers.
  portalItem_.canceled = true;
  portalItem_.received = 10;
  portalItem_.total = 20;
  portalItem_.speed = 0;
  handler_->OnDownloadUpdated(main_, portalItem_, nullptr);
  EXPECT_EQ(main_->mainFrame->scripts,
            (std::vector<std::u16string>{u"flashprogress(1048576,3000000000,262144)",
                                         u"flashprogress(2999999999,-1,-9223372036854775808)",
                                         u"flashprogress(10,20,0)"}));
  EXPECT_TRUE(faq_->mainFrame->scripts.empty());
  EXPECT_TRUE(closes_.empty());
}

TEST_F(DownloadTest, OnCompletionThePageHearsMinusOnesThenThePackageRunsThenTheClientCloses) {
  fs::create_directories(root_ / "download");
  fs::copy_file(VARNET_MARKER_PROGRAM, package());
  fs::permissions(package(), fs::perms::owner_read | fs::perms::owner_write);  // as downloaded
  portalItem_.complete = true;
  portalItem_.fullPath = fromPath(package());
  handler_->OnDownloadUpdated(main_, portalItem_, nullptr);
  handler_->OnDownloadUpdated(main_, portalItem_, nullptr);  // the engine says it again

  EXPECT_EQ(main_->mainFrame->scripts, std::vector<std::u16string>{u"flashprogress(-1,-1,-1)"});
  // Started from its own folder.
  auto ran = ranLines(root_ / "download" / "update.exe.ran");
  ASSERT_EQ(ran.size(), 1u);
  EXPECT_EQ(ran[0], (root_ / "download").string());
  // The close is posted once the page has run the script.
  postMarkerClose(main_->host.window);
  settleUntil([&] { return !closes_.empty(); });
  settle();
  EXPECT_EQ(closes_.size(), 1u);  // ours only
  main_->host.scriptsRan();
  settleUntil([&] { return closes_.size() == 2; });
  EXPECT_EQ(closes_, std::vector<platform::WindowHandle>(2, main_->host.window));
}

// Only a download from trusted addresses all the way, started in the main window, is the package.
TEST_F(DownloadTest, AnyOtherDownloadIsRefusedAndNeverRun) {
  const std::u16string portal = portalItem_.url;
  struct Case {
    std::u16string url, originalUrl;
    std::shared_ptr<fake::FakeBrowser> browser;
  } cases[] = {
      {u"http://evil.example/update.exe", u"", main_},
      {u"http://127.0.0.1.evil.example/update.exe", u"", main_},
      {u"http://evil.example/?u=http://127.0.0.1/", u"", main_},
      {u"file:///bin/sh", u"", main_},
      {u"", u"", main_},
      {portal, u"http://evil.example/redirect", main_},  // a foreign address sent it there
      {portal, u"", faq_},                               // another window's document started it
  };
  for (const auto& c : cases) {
    fake::FakeDownloadItem item;
    item.url = c.url;
    item.originalUrl = c.originalUrl;
    auto before = std::make_shared<fake::FakeBeforeDownloadCallback>();
    handler_->OnBeforeDownload(c.browser, item, u"update.exe", before);
    EXPECT_TRUE(before->continued.empty()) << toUtf8(c.url);

    // One that runs anyway is stopped; one that has ended is left alone.
    auto running = std::make_shared<fake::FakeDownloadItemCallback>();
    handler_->OnDownloadUpdated(c.browser, item, running);
    EXPECT_EQ(running->cancelCount, 1);
    item.complete = true;
    item.fullPath = fromPath(package());
    handler_->OnDownloadUpdated(c.browser, item, running);
    item.complete = false;
    item.canceled = true;
    handler_->OnDownloadUpdated(c.browser, item, running);
    EXPECT_EQ(running->cancelCount, 1);
  }
  postMarkerClose(main_->host.window);
  settleUntil([&] { return !closes_.empty(); });
  EXPECT_TRUE(main_->mainFrame->scripts.empty());
  EXPECT_TRUE(main_->host.afterSentScripts.empty());  // no close waits either
  EXPECT_EQ(closes_.size(), 1u);                      // ours only
  EXPECT_FALSE(fs::exists(root_ / "download"));
}

TEST_F(DownloadTest, WithNoBrowserLeftThePackageStillRunsAndNothingIsScripted) {
  handler_->OnBeforeClose(main_);
  handler_->OnBeforeClose(faq_);
  fs::create_directories(root_ / "download");
  fs::copy_file(VARNET_MARKER_PROGRAM, package());
  portalItem_.complete = true;
  portalItem_.fullPath = fromPath(package());
  handler_->OnDownloadUpdated(main_, portalItem_, nullptr);
  EXPECT_TRUE(main_->mainFrame->scripts.empty());
  EXPECT_EQ(ranLines(root_ / "download" / "update.exe.ran").size(), 1u);
}

}  // namespace
}  // namespace varnet::testing
