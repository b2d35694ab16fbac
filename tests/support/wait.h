#pragma once

// Test support: waiting for something another process does.

#include <chrono>
#include <thread>

namespace varnet::testing {

// Polls `condition` every 20 ms until it holds or `limit` has passed; its last answer.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end)
      return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace varnet::testing
