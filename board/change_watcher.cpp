#include "board/change_watcher.h"

#include <atomic>
#include <thread>
#include <utility>

namespace tervalo {
namespace {

std::atomic<int> running_checks{0};

}  // namespace

void ChangeWatcher::Start(Host& host, WatchedBoard watched, Findings findings) {
  running_checks.fetch_add(1);
  // Detached: nothing ever waits for a check. The thread owns what it reads and the findings'
  // receiver; the delivery tells it whether anyone still listens.
  std::thread([&host, watched = std::move(watched), findings = std::move(findings), delivery = delivery_] {
    const ListCheck check = CheckBoard(host, watched);
    {
      const std::lock_guard lock(delivery->mutex);
      if (!delivery->cancelled) findings(check);
    }
    running_checks.fetch_sub(1);
  }).detach();
}

void ChangeWatcher::Cancel() {
  {
    const std::lock_guard lock(delivery_->mutex);
    delivery_->cancelled = true;
  }
  delivery_ = std::make_shared<Delivery>();
}

int ChangeWatcher::Running() { return running_checks.load(); }

}  // namespace tervalo
