#include "host/waiting_host.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <utility>

namespace tervalo {

using namespace std::chrono_literals;

namespace {

// How long a call may take before the waiting thread is given its turn (and again after each).
constexpr auto kWaitSlice = 20ms;
// Most calls come back within a few microseconds, and the next follows at once: both threads
// look again for this long before they sleep, since waking a sleeping thread costs more than the
// call itself.
constexpr auto kSpin = 200us;

// Looks until `ready` holds or kSpin has passed; whether it held.
template <class Ready>
bool SpinUntil(Ready ready) {
  const auto until = std::chrono::steady_clock::now() + kSpin;
  while (!ready()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::yield();
  }
  return true;
}

// A file opened through a WaitingHost: its calls take the same way as the host's.
class WaitingFile : public HostFile {
 public:
  WaitingFile(WaitingHost& host, std::unique_ptr<HostFile> file) : host_(host), file_(std::move(file)) {}
  // Closing a file is a call on the share as well.
  ~WaitingFile() override { host_.Run([this] { file_.reset(); }); }

  HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
    return host_.Run([&] { return file_->ReadAt(offset, buffer, n); });
  }
  HostStatus WriteAt(int64_t offset, const char* data, size_t n) override {
    return host_.Run([&] { return file_->WriteAt(offset, data, n); });
  }
  HostResult<int64_t> Size() override {
    return host_.Run([&] { return file_->Size(); });
  }
  bool TryLock(int64_t offset, int64_t length) override {
    return host_.Run([&] { return file_->TryLock(offset, length); });
  }
  void Unlock(int64_t offset, int64_t length) override {
    host_.Run([&] { file_->Unlock(offset, length); });
  }

 private:
  WaitingHost& host_;
  std::unique_ptr<HostFile> file_;
};

}  // namespace

// The calls handed to the helper thread, which runs them in order. It outlives the host: a thread
// still in a call that never came back is left to end on its own.
struct WaitingHost::Helper {
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<std::function<void()>> calls;
  std::atomic<size_t> waiting_calls{0};  // calls.size(), for looking without the lock
  bool stopped = false;

  void Post(std::function<void()> call) {
    {
      const std::lock_guard lock(mutex);
      calls.push_back(std::move(call));
      ++waiting_calls;
    }
    posted.notify_one();
  }
  void Stop() {
    {
      const std::lock_guard lock(mutex);
      stopped = true;
    }
    posted.notify_one();
  }
  void Serve() {
    for (;;) {
      std::function<void()> call;
      SpinUntil([this] { return waiting_calls > 0; });
      {
        std::unique_lock lock(mutex);
        posted.wait(lock, [this] { return stopped || !calls.empty(); });
        if (calls.empty()) return;
        call = std::move(calls.front());
        calls.pop_front();
        --waiting_calls;
      }
      call();
    }
  }
};

WaitingHost::WaitingHost(Host& target) : HostWrapper(target), helper_(std::make_shared<Helper>()) {
  std::thread([helper = helper_] { helper->Serve(); }).detach();
}

WaitingHost::~WaitingHost() { helper_->Stop(); }


WaitingHost::Scope::Scope(WaitingHost& host, WhileWaiting while_waiting)
    : host_(host), previous_(std::move(host.while_waiting_)) {
  host_.while_waiting_ = std::move(while_waiting);
  if (host_.depth_++ == 0) host_.owner_ = std::this_thread::get_id();
}

WaitingHost::Scope::~Scope() {
  host_.while_waiting_ = std::move(previous_);
  if (--host_.depth_ == 0) host_.owner_ = std::thread::id();
}

bool WaitingHost::Waiting() const { return waiting_ > 0; }

bool WaitingHost::InScope() const { return owner_.load() == std::this_thread::get_id(); }

void WaitingHost::RunWaiting(const std::function<void()>& call) {
  // The call runs while this thread waits here, so the references it holds stay good.
  auto task = std::make_shared<std::packaged_task<void()>>(call);
  std::future<void> done = task->get_future();
  helper_->Post([task] { (*task)(); });
  if (SpinUntil([&] { return done.wait_for(0s) == std::future_status::ready; })) {
    done.get();
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  ++waiting_;
  while (done.wait_for(kWaitSlice) != std::future_status::ready) {
    if (while_waiting_) {
      while_waiting_(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start));
    }
  }
  --waiting_;
  done.get();  // what the call threw
}

std::optional<std::string> WaitingHost::MapPath(std::string_view path) {
  return Run([&] { return HostWrapper::MapPath(path); });
}
bool WaitingHost::FileExists(std::string_view path) {
  return Run([&] { return HostWrapper::FileExists(path); });
}
bool WaitingHost::DirectoryExists(std::string_view path) {
  return Run([&] { return HostWrapper::DirectoryExists(path); });
}
HostResult<std::unique_ptr<HostFile>> WaitingHost::OpenShared(std::string_view path, bool create) {
  auto file = Run([&] { return HostWrapper::OpenShared(path, create); });
  if (!file.ok()) return file;
  return std::unique_ptr<HostFile>(std::make_unique<WaitingFile>(*this, std::move(file).value()));
}
HostResult<std::vector<std::string>> WaitingHost::ReadTextLines(std::string_view path) {
  return Run([&] { return HostWrapper::ReadTextLines(path); });
}
HostResult<FileStamp> WaitingHost::StampOf(std::string_view path) {
  return Run([&] { return HostWrapper::StampOf(path); });
}
HostResult<std::string> WaitingHost::WriteNewFile(std::string_view prefix, std::string_view contents,
                                                 std::string_view replaces) {
  return Run([&] { return HostWrapper::WriteNewFile(prefix, contents, replaces); });
}
HostStatus WaitingHost::RenameFile(std::string_view from, std::string_view to) {
  return Run([&] { return HostWrapper::RenameFile(from, to); });
}
HostStatus WaitingHost::RemoveFile(std::string_view path) {
  return Run([&] { return HostWrapper::RemoveFile(path); });
}
HostResult<std::vector<DirectoryEntry>> WaitingHost::ListDirectory(std::string_view path, const NameFilter& aged) {
  return Run([&] { return HostWrapper::ListDirectory(path, aged); });
}
// A retry's pause waits like a call: the window is drawn meanwhile.
void WaitingHost::Sleep(std::chrono::milliseconds duration) {
  Run([&] { HostWrapper::Sleep(duration); });
}
uint32_t WaitingHost::ResolveHostAddress(std::string_view name) {
  return Run([&] { return HostWrapper::ResolveHostAddress(name); });
}
// The target's directory cache serves the thread that opened it: opened and closed where the
// calls of the scope run.
void WaitingHost::BeginDirectoryCache() {
  Run([&] { HostWrapper::BeginDirectoryCache(); });
}
void WaitingHost::EndDirectoryCache() {
  Run([&] { HostWrapper::EndDirectoryCache(); });
}

}  // namespace tervalo
