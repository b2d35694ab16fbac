#pragma once

// Lets one thread stop another thread's extraction so that nothing on disk changes any more from
// the moment stop() returns. The extracting side makes each change (a write, a new file or
// folder, a removal) inside pass(), which stop() waits for and then refuses.

#include <atomic>
#include <functional>
#include <mutex>
#include <utility>

namespace varnet::archive {

class ExtractionGate {
 public:
  // Runs `change` unless the gate is stopped; false when it was refused.
  template <class Change>
  bool pass(Change&& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_.load(std::memory_order_relaxed))
      return false;
    std::forward<Change>(change)();
    return true;
  }

  // Runs the registered undo (the removal of a half-written file), then refuses every change.
  void stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_.load(std::memory_order_relaxed))
      return;
    if (undo_)
      undo_();
    undo_ = nullptr;
    stopped_.store(true);
  }

  bool stopped() const { return stopped_.load(); }

  // What stop() must undo first. Only called from inside a change passed by pass().
  void setUndoWhileInside(std::function<void()> undo) { undo_ = std::move(undo); }

 private:
  std::mutex mutex_;
  std::atomic<bool> stopped_{false};
  std::function<void()> undo_;
};

}  // namespace varnet::archive
