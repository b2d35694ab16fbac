// The client program itself, started as a child process in a temp folder (its current folder)
// under Wine, with the stand-in libcef beside it (tests/cef): the stand-in records what the
// client asks of the engine and plays the engine's side of the start-up and of one browser's
// life. No companion lies in the temp folder, so the start-up's companion launch finds nothing to
// start.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "config.h"
#include "platform/text.h"
#include "support/win_test_support.h"

namespace varnet {
namespace {

namespace fs = std::filesystem;

// libcef_standin.c's exit code of a process started with --type=renderer.
constexpr DWORD kStandinRendererExitCode = 7;

// The stand-in's record: "name value" lines in the order they were written.
struct Record {
  std::vector<std::pair<std::string, std::string>> lines;

  std::vector<std::string> values(const std::string& name) const {
    std::vector<std::string> found;
    for (const auto& [key, value] : lines)
      if (key == name)
        found.push_back(value);
    return found;
  }
  std::string operator[](const std::string& name) const {
    auto found = values(name);
    return found.empty() ? "<not recorded>" : found.front();
  }
  // The engine calls and the browser's life, in order.
  std::vector<std::string> steps() const {
    static const std::vector<std::string> kSteps = {
        "execute_process", "initialize",   "context_initialized", "create_browser_sync",
        "close_browser",   "before_close", "quit_message_loop",   "shutdown"};
    std::vector<std::string> found;
    for (const auto& line : lines)
      if (std::find(kSteps.begin(), kSteps.end(), line.first) != kSteps.end())
        found.push_back(line.first);
    return found;
  }
};

struct ClientRun {
  DWORD exitCode = STILL_ACTIVE;
  Record record;
};

class ClientProgram : public ::testing::Test {
 protected:
  // Starts the client with `arguments` and the stand-in's `settings` (environment variables) in
  // the temp folder and waits for its end. A client still running after the deadline fails the
  // test and is ended (it is this test's own child).
  ClientRun run(const std::wstring& arguments,
                const std::vector<std::pair<std::wstring, std::wstring>>& settings = {}) {
    const fs::path recordFile = folder_.path() / "record.txt";
    fs::remove(recordFile);
    std::vector<std::pair<std::wstring, std::wstring>> environment = {
        {L"VARNET_STANDIN_RECORD", recordFile.wstring()},
        {L"VARNET_STANDIN_MUTEX", reinterpret_cast<const wchar_t*>(kInstanceLockName)},
        {L"VARNET_STANDIN_INITIALIZE", L""},
        {L"VARNET_STANDIN_END", L""}};
    for (const auto& setting : settings)
      for (auto& variable : environment)
        if (variable.first == setting.first)
          variable.second = setting.second;
    for (const auto& [name, value] : environment)
      SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());

    std::wstring commandLine = L"\"" + test::hostPath(VARNET_CLIENT_PROGRAM).wstring() + L"\"";
    if (!arguments.empty())
      commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ClientRun result;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder_.path().wstring().c_str(), &startup, &process)) {
      ADD_FAILURE() << "the client did not start: error " << GetLastError();
      return result;
    }
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &result.exitCode);
    } else {
      ADD_FAILURE() << "the client was still running after 20 s";
      TerminateProcess(process.hProcess, 255);
      WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::ifstream in(recordFile, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      auto space = line.find(' ');
      result.record.lines.emplace_back(line.substr(0, space), line.substr(space + 1));
    }
    return result;
  }

  std::string inFolder(const std::u16string& name) const { return toUtf8(folder_.text() + name); }

  test::TempFolder folder_;
};

const std::vector<std::string> kSwitches = {
    "--disable-web-security", "--allow-universal-access-from-files",
    "--allow-file-access-from-files", "--disable-site-isolation-trials",
    "--allow-running-insecure-content"};

TEST_F(ClientProgram, TheUsersLaunchStartsTheEngineShowsThePortalAndEndsWithOneAfterAPostedClose) {
  ClientRun client = run(L"");
  EXPECT_EQ(client.exitCode, static_cast<DWORD>(kExitLoopEnded));
  const Record& record = client.record;
  // The posted WM_CLOSE closes the browser with force; the engine shuts down only once the
  // browser has closed.
  EXPECT_EQ(record.steps(),
            (std::vector<std::string>{"execute_process", "initialize", "context_initialized",
                                      "create_browser_sync", "close_browser", "quit_message_loop",
                                      "before_close", "quit_message_loop", "shutdown"}));
  EXPECT_EQ(record["close_browser"], "1");
  EXPECT_EQ(record["mutex_held"], "1");

  EXPECT_EQ(record["no_sandbox"], "1");
  EXPECT_EQ(record["multi_threaded_message_loop"], "0");
  EXPECT_EQ(record["external_message_pump"], "0");
  EXPECT_EQ(record["log_severity"], "99");
  EXPECT_EQ(record["ignore_certificate_errors"], "1");
  EXPECT_EQ(record["cache_path"], inFolder(u"\\cache\\"));
  EXPECT_EQ(record["root_cache_path"], inFolder(u"\\cache\\"));
  EXPECT_EQ(record.values("switch"), kSwitches);

  EXPECT_EQ(record["window_name"], toUtf8(config::kMainWindowTitle));
  EXPECT_EQ(record["style"], std::to_string(0x16CF0000));
  EXPECT_EQ(record["x"], "0");
  EXPECT_EQ(record["y"], "0");
  EXPECT_EQ(record["width"], std::to_string(config::kMainWindowWidth));
  EXPECT_EQ(record["height"], std::to_string(config::kMainWindowHeight));
  EXPECT_EQ(record["parent_window"], "0");
  EXPECT_EQ(record["window_created"], "1");
  EXPECT_EQ(record["url"], toUtf8(std::u16string(config::kPortalBaseUrl) + u"login.jsp"));
}

TEST_F(ClientProgram, AQuitMessageClosesTheOpenBrowserBeforeTheEngineShutsDown) {
  ClientRun client = run(L"", {{L"VARNET_STANDIN_END", L"quit"}});
  EXPECT_EQ(client.exitCode, static_cast<DWORD>(kExitLoopEnded));
  EXPECT_EQ(client.record.steps(),
            (std::vector<std::string>{"execute_process", "initialize", "context_initialized",
                                      "create_browser_sync", "close_browser", "before_close",
                                      "quit_message_loop", "shutdown"}));
}

TEST_F(ClientProgram, ARenderProcessRunsInsideTheEngineWithTheSameSwitchesAndLeavesWithItsCode) {
  ClientRun client = run(L"--type=renderer");
  EXPECT_EQ(client.exitCode, kStandinRendererExitCode);
  EXPECT_EQ(client.record.steps(), (std::vector<std::string>{"execute_process"}));
  EXPECT_EQ(client.record.values("switch"), kSwitches);
}

TEST_F(ClientProgram, AFailedEngineStartEndsTheProcessWithAnErrorAndReleasesTheLock) {
  ClientRun client = run(L"", {{L"VARNET_STANDIN_INITIALIZE", L"fail"}});
  EXPECT_EQ(client.exitCode, static_cast<DWORD>(kExitCannotStart));
  EXPECT_EQ(client.record.steps(), (std::vector<std::string>{"execute_process", "initialize"}));
  EXPECT_EQ(client.record["initialize"], "failed");
  EXPECT_EQ(client.record["mutex_held"], "1");

  // Held while the client ran, gone with it: the next launch is a first one again.
  HANDLE lock = CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(kInstanceLockName));
  ASSERT_TRUE(lock);
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(lock);
}

}  // namespace
}  // namespace varnet
