#pragma once

// Lets one thread stop other threads' extraction so that nothing on disk changes any more from
// the moment stop() returns. The extracting side makes each change (a write, a new file or
// folder, a removal) inside pass(). Several extractions may pass at once (one per worker); stop()
// refuses new changes, waits for those in progress and then undoes what each open file asked.

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <utility>
#include <vector>

namespace varnet::archive {

class ExtractionGate {
 public:
  // Runs `change` unless the gate is stopped; false when it was refused. Never call stop() from
  // inside a change.
  template <class Change>
  bool pass(Change&& change) {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    // Checked under the lock, so that a refused change still sees every undo done by stop().
    if (stopped_.load())
      return false;
    std::forward<Change>(change)();
    return true;
  }

  // Refuses every change from now on, waits for the changes in progress, then runs the registered
  // undos (the removal of half-written files). Returns once all of that is done, also when
  // another thread called it first.
  void stop() {
    // Set before the exclusive lock is asked for, so that changes still coming are refused and
    // cannot keep stop() waiting.
    stopped_.store(true);
    std::unique_lock<std::shared_mutex> lock(mutex_);
    std::vector<std::pair<const void*, std::function<void()>>> undos;
    {
      std::lock_guard<std::mutex> undoLock(undoMutex_);
      undos.swap(undos_);
    }
    for (auto& entry : undos)
      entry.second();
  }

  bool stopped() const { return stopped_.load(); }

  // What stop() must undo for `owner` (one per open file); an empty undo withdraws it. Only
  // called from inside a change passed by pass().
  void setUndoWhileInside(const void* owner, std::function<void()> undo) {
    std::lock_guard<std::mutex> undoLock(undoMutex_);
    auto it = std::find_if(undos_.begin(), undos_.end(),
                           [&](const auto& entry) { return entry.first == owner; });
    if (it != undos_.end())
      undos_.erase(it);
    if (undo)
      undos_.emplace_back(owner, std::move(undo));
  }

 private:
  std::shared_mutex mutex_;  // shared by changes, exclusive for stop()
  std::atomic<bool> stopped_{false};
  std::mutex undoMutex_;  // guards undos_, which changes of several workers update
  std::vector<std::pair<const void*, std::function<void()>>> undos_;
};

}  // namespace varnet::archive
