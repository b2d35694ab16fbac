#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnet {
namespace {

using platform::InstanceLock;

// Records which OS steps the rule took, in order.
struct Machine {
  platform::WindowHandle visibleWindow = nullptr;
  InstanceLock lock = InstanceLock::Created;
  bool companionRunning = false;
  std::vector<std::string> calls;

  StartupSteps steps() {
    return {
        [this] {
          calls.push_back("find");
          return visibleWindow;
        },
        [this](platform::WindowHandle window) {
          calls.push_back(window == visibleWindow ? "focus" : "focus-other");
        },
        [this] {
          calls.push_back("lock");
          return lock;
        },
        [this] {
          calls.push_back("companion?");
          return companionRunning;
        },
        [this] {
          calls.push_back("launch");
          return true;
        },
    };
  }
};

int someWindow;

TEST(SingleInstanceRule, AVisibleInstanceGetsTheFocusAndNothingElseHappens) {
  Machine machine;
  machine.visibleWindow = &someWindow;
  EXPECT_EQ(applySingleInstanceRule(true, machine.steps()), StartupDecision::HandOverFocus);
  EXPECT_EQ(machine.calls, (std::vector<std::string>{"find", "focus"}));
}

TEST(SingleInstanceRule, AFirstLaunchTakesTheLockAndStartsAMissingCompanion) {
  Machine machine;
  EXPECT_EQ(applySingleInstanceRule(true, machine.steps()), StartupDecision::StartBrowserProcess);
  EXPECT_EQ(machine.calls, (std::vector<std::string>{"find", "lock", "companion?", "launch"}));

  Machine running;
  running.companionRunning = true;
  applySingleInstanceRule(true, running.steps());
  EXPECT_EQ(running.calls, (std::vector<std::string>{"find", "lock", "companion?"}));
}

TEST(SingleInstanceRule, AHiddenInstanceLetsTheLaunchGoOnWithoutTheCompanionCheck) {
  Machine machine;
  machine.lock = InstanceLock::AlreadyExists;
  EXPECT_EQ(applySingleInstanceRule(true, machine.steps()), StartupDecision::StartBrowserProcess);
  EXPECT_EQ(machine.calls, (std::vector<std::string>{"find", "lock"}));
}

TEST(SingleInstanceRule, ALockThatCannotBeMadeCountsAsANewOne) {
  Machine machine;
  machine.lock = InstanceLock::Failed;
  applySingleInstanceRule(true, machine.steps());
  EXPECT_EQ(machine.calls, (std::vector<std::string>{"find", "lock", "companion?", "launch"}));
}

TEST(SingleInstanceRule, AnyArgumentSkipsTheRuleAndTheCompanionCheck) {
  Machine machine;
  machine.visibleWindow = &someWindow;
  EXPECT_EQ(applySingleInstanceRule(false, machine.steps()), StartupDecision::StartBrowserProcess);
  EXPECT_TRUE(machine.calls.empty());
}

}  // namespace
}  // namespace varnet
