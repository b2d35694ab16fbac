#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/log.h"
#include "support/temp_folder.h"

namespace varnet {
namespace {

// Two threads in each of three processes append at once, as the unpack worker, the page's
// script thread and the other process do: no line is lost, split or overwritten.
TEST(LogLinux, AppendsFromThreadsOfSeveralProcessesKeepEveryLineWhole) {
  testing::TempFolder folder;
  constexpr int kProcesses = 3, kThreads = 2, kLines = 400;
  log::open(folder.text(), log::Run::New, "browser");
  auto writeLines = [](int process) {
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread)
      threads.emplace_back([process, thread] {
        for (int line = 0; line < kLines; ++line)
          log::info("p", process, " t", thread, " n", line, " ", std::string(300, 'a' + line % 26));
      });
    for (std::thread& thread : threads)
      thread.join();
  };
  std::vector<pid_t> children;
  for (int process = 1; process < kProcesses; ++process) {
    pid_t child = fork();
    if (child == 0) {
      log::open(folder.text(), log::Run::Continue, "render");
      writeLines(process);
      _exit(0);
    }
    children.push_back(child);
  }
  writeLines(0);
  for (pid_t child : children) {
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
  }
  log::close();

  std::map<std::string, int> seen;
  std::istringstream in(testing::readFile(folder / "log/varnet.log"));
  for (std::string line; std::getline(in, line);) {
    const auto at = line.find(" info p");
    ASSERT_NE(at, std::string::npos) << line;
    std::istringstream fields(line.substr(at + 6));
    std::string process, thread, number, text;
    fields >> process >> thread >> number >> text;
    const int n = std::stoi(number.substr(1));
    EXPECT_EQ(text, std::string(300, 'a' + n % 26)) << line;
    ++seen[process + thread + number];
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kProcesses * kThreads * kLines));
  for (const auto& [key, count] : seen)
    EXPECT_EQ(count, 1) << key;
}

}  // namespace
}  // namespace varnet
