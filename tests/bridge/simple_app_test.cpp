#include "app/simple_app.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace varnet
