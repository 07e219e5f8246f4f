#pragma once
// A gate for the calls of a test share that stops answering: while it is closed every call that
// comes to it waits until the test opens it. A wait lasts a minute at most and then opens the gate,
// so that a fault fails the test instead of hanging it.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tervalo::testing {

class CallGate {
 public:
  explicit CallGate(bool closed = false) : closed_(closed) {}

  void Close() {
    const std::lock_guard lock(mutex_);
    closed_ = true;
  }
  void Open() {
    {
      const std::lock_guard lock(mutex_);
      closed_ = false;
    }
    opened_.notify_all();
  }
  // Called by each call of the share: waits while the gate is closed.
  void Pass() {
    std::unique_lock lock(mutex_);
    ++arrived_;
    ++waiting_;
    opened_.wait_for(lock, std::chrono::minutes(1), [this] { return !closed_; });
    closed_ = false;
    --waiting_;
  }
  // The calls that came to the gate so far, and those waiting at it now.
  int arrived() {
    const std::lock_guard lock(mutex_);
    return arrived_;
  }
  int waiting() {
    const std::lock_guard lock(mutex_);
    return waiting_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool closed_;
  int arrived_ = 0;
  int waiting_ = 0;
};

}  // namespace tervalo::testing
