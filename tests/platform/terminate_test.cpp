#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/processes.h"

namespace varnet::platform {
namespace {

// The exit watcher's way out: the exit code arrives, and nothing of the process's own shutdown
// runs (on Windows, ExitProcess would run the engine library's detach code, which can hang).
TEST(TerminateThisProcess, EndsWithTheCodeAndRunsNoExitHandlers) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atexit([] { std::fputs("exit handler ran\n", stderr); });
        std::fputs("before\n", stderr);
        terminateThisProcess(7);
        std::fputs("returned\n", stderr);
        std::exit(3);
      },
      ::testing::ExitedWithCode(7),
      ::testing::AllOf(::testing::HasSubstr("before"),
                       ::testing::Not(::testing::HasSubstr("exit handler ran")),
                       ::testing::Not(::testing::HasSubstr("returned"))));
}

}  // namespace
}  // namespace varnet::platform
