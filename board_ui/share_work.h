#pragma once
// Work that reads or writes the share, run the window's way: MainWindow keeps drawing while the
// share is slow to answer (see MainWindow::WithTheShare).

#include <functional>

namespace tervalo {

// Runs `work` the window's way; empty: the work runs as it is.
using ShareWork = std::function<void(const std::function<void()>& work)>;

inline void RunOnShare(const ShareWork& on_share, const std::function<void()>& work) {
  if (on_share) {
    on_share(work);
  } else {
    work();
  }
}

}  // namespace tervalo
