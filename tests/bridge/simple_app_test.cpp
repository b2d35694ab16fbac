#include "app/simple_app.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "archive/archive_fixtures.h"
#include "platform/text.h"

namespace varnet {
namespace {

using namespace varnet::testing;

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

int threadsOfThisProcess() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Threads:", 0) == 0)
      return std::stoi(line.substr(8));
  return -1;
}

// The engine shuts down before the render process's application object goes: by then the page
// has no unpack job left running.
TEST(SimpleApp, TheLastPageOfTheProcessGoneStopsTheUnpackJobAndEndsItsThreads) {
  TempFolder temp;
  for (int i = 0; i < 80; ++i)
    writeFile(temp.path() / "source" / ("pack" + std::to_string(i) + ".bin"),
              sampleBytes(512 << 10, i));
  ASSERT_TRUE(sevenZip(temp.path() / "pkg" / "game.zip", temp.path() / "source", "-tzip -mx=1"));
  SimpleApp app;
  app.OnBrowserCreated();
  app.OnBrowserCreated();
  const int threadsBefore = threadsOfThisProcess();
  UnpackRequest request;
  request.setupPath = fromPath(temp.path() / "games") + u"/";
  request.packageDir = fromPath(temp.path() / "pkg");
  request.setupMode = 2;
  app.bridge.install.unzip(request);
  UnpackJob& job = app.bridge.install.job();

  app.OnBrowserDestroyed();  // the other page may still poll the job
  EXPECT_TRUE(job.hasWorker());
  app.OnBrowserDestroyed();
  EXPECT_FALSE(job.hasWorker());
  ASSERT_TRUE(job.lastError());
  EXPECT_EQ(job.lastError()->kind, archive::ErrorKind::Stopped);
  EXPECT_EQ(threadsOfThisProcess(), threadsBefore);
  const auto installed = snapshot(temp.path() / "games");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(snapshot(temp.path() / "games"), installed);
}

}  // namespace
}  // namespace varnet
