#include "app/simple_app.h"

#include <gtest/gtest.h>

#include "engine/fake_engine.h"

namespace varnet {
namespace {

TEST(SimpleApp, AppendsTheFiveSwitchesInOrderInEveryProcessKeepingTheRest) {
  for (const char* processType : {"", "renderer", "gpu-process"}) {
    const char* argv[] = {"client", "--type=x", "--lang=zh"};
    engine::CommandLine line(3, argv);
    SimpleApp().OnBeforeCommandLineProcessing(processType, line);
    std::vector<std::string> expected = {"--type=x",
                                         "--lang=zh",
                                         "--disable-web-security",
                                         "--allow-universal-access-from-files",
                                         "--allow-file-access-from-files",
                                         "--disable-site-isolation-trials",
                                         "--allow-running-insecure-content"};
    EXPECT_EQ(line.GetArguments(), expected) << processType;
  }
}

TEST(SimpleApp, PlaysBothProcessRolesAndHandsOutTheRegisteredClient) {
  SimpleApp app;
  EXPECT_EQ(app.GetBrowserProcessHandler(), &app);
  EXPECT_EQ(app.GetRenderProcessHandler(), &app);
  EXPECT_EQ(app.portalBaseUrl(), u"" VARNET_TEST_PORTAL_BASE_URL);
  EXPECT_EQ(app.GetDefaultClient(), nullptr);
  auto client = std::make_shared<engine::Client>();
  setDefaultClient(client);
  EXPECT_EQ(app.GetDefaultClient(), client);
  client.reset();
  EXPECT_EQ(app.GetDefaultClient(), nullptr);
}

TEST(SimpleApp, UseViewsChangesNothing) {
  const char* argv[] = {"client", "--use-views"};
  fake::resetEngineRecord();
  auto app = std::make_shared<SimpleApp>();
  engine::Initialize({2, const_cast<char**>(argv), nullptr}, {}, app);
  EXPECT_TRUE(fake::engineRecord().creations.empty());
  EXPECT_TRUE(fake::engineRecord().postedTasks.empty());
}

// The answer is fixed by the first call for the life of the process.
TEST(SimpleApp, ChromeRuntimeRequestedIsDecidedOnce) {
  const char* with[] = {"client", "--enable-chrome-runtime"};
  engine::CommandLine::Global() = engine::CommandLine(2, with);
  EXPECT_TRUE(ChromeRuntimeRequested());
  engine::CommandLine::Global() = engine::CommandLine();
  EXPECT_TRUE(ChromeRuntimeRequested());
}

}  // namespace
}  // namespace varnet
