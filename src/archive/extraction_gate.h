#pragma once

// Lets one thread stop other threads' extraction so that nothing on disk changes any more from
// the moment stop() returns. The extracting side makes each change (a write, a new file or
// folder, a removal) inside pass(). Several extractions may pass at once (one per worker); stop()
// waits for the changes in progress, holds back new ones, runs what each open file registered as
// its undo (the removal of a half-written file), and only then refuses every change.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace varnet::archive {

class ExtractionGate {
 public:
  // Runs `change` unless the gate is stopped; false when it was refused. While a stop is under
  // way it waits: refused before the undos ran, a worker could let go of a half-written file that
  // the stop still has to remove. Never call stop() from inside a change.
  template <class Change>
  bool pass(Change&& change) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return !stopping_ || stopped_.load(); });
      if (stopping_)
        return false;
      ++active_;
    }
    Leave leave{*this};
    std::forward<Change>(change)();
    return true;
  }

  // Returns once no change is in progress, every registered undo has run and every later change
  // is refused; also when another thread called it first.
  void stop() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopping_) {
      changed_.wait(lock, [&] { return stopped_.load(); });
      return;
    }
    stopping_ = true;
    changed_.wait(lock, [&] { return active_ == 0; });
    std::vector<std::pair<const void*, std::function<void()>>> undos;
    undos.swap(undos_);
    lock.unlock();  // an undo withdraws itself through setUndoWhileInside
    for (auto& entry : undos)
      entry.second();
    lock.lock();
    stopped_.store(true);
    changed_.notify_all();
  }

  // True once stop() has done its work.
  bool stopped() const { return stopped_.load(); }

  // What stop() must undo for `owner` (one per open file); an empty undo withdraws it. Only
  // called from inside a change passed by pass(), or by an undo.
  void setUndoWhileInside(const void* owner, std::function<void()> undo) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(undos_.begin(), undos_.end(),
                           [&](const auto& entry) { return entry.first == owner; });
    if (it != undos_.end())
      undos_.erase(it);
    if (undo)
      undos_.emplace_back(owner, std::move(undo));
  }

 private:
  struct Leave {
    ExtractionGate& gate;
    ~Leave() {
      std::lock_guard<std::mutex> lock(gate.mutex_);
      if (--gate.active_ == 0 && gate.stopping_)
        gate.changed_.notify_all();
    }
  };

  std::mutex mutex_;  // guards every field below; never held while a change or an undo runs
  std::condition_variable changed_;
  int active_ = 0;         // changes in progress
  bool stopping_ = false;  // set when stop() begins
  std::atomic<bool> stopped_{false};  // set when stop() has done its work
  std::vector<std::pair<const void*, std::function<void()>>> undos_;
};

}  // namespace varnet::archive
