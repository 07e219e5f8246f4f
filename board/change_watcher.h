#pragma once
// The change check (CheckBoard) run beside the window, each check on a thread of its own, so that
// the window never waits for the share. A check that hangs on the share holds nothing up: the
// watcher can be cancelled or destroyed (the window closes) while it hangs; the check then ends
// on its own, whenever the share answers, and its findings go nowhere.

#include <functional>
#include <memory>
#include <mutex>

#include "board/list_watch.h"

namespace tervalo {

class Host;

class ChangeWatcher {
 public:
  // Takes a check's findings, on the check's thread.
  using Findings = std::function<void(const ListCheck& check)>;

  ChangeWatcher() = default;
  ~ChangeWatcher() { Cancel(); }
  ChangeWatcher(const ChangeWatcher&) = delete;
  ChangeWatcher& operator=(const ChangeWatcher&) = delete;

  // Checks `watched` through `host` and hands what it found to `findings`, unless the watcher is
  // cancelled first. REQUIRES: `host` outlives the check (the program's host lives as long as the
  // program).
  void Start(Host& host, WatchedBoard watched, Findings findings);
  // Drops the findings of every check started so far. Returns at once, whatever the checks wait
  // for; at most it waits for a check that is handing over its findings at that moment.
  void Cancel();

  // The checks of every watcher whose threads have not ended yet, cancelled ones included.
  static int Running();

 private:
  // Shared by the watcher and the threads of the checks started since the last Cancel.
  struct Delivery {
    std::mutex mutex;
    bool cancelled = false;
  };
  std::shared_ptr<Delivery> delivery_ = std::make_shared<Delivery>();
};

}  // namespace tervalo
