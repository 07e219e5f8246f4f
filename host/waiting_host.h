#pragma once

// A host that keeps a thread free while the share is slow to answer. While a thread holds a
// WaitingHost::Scope, every call it makes on the share (through the host or a file the host
// opened) runs on a helper thread of the host's own, and the calling thread runs the scope's
// `while_waiting` every 20 ms until the call comes back: the window's thread goes on drawing the
// window and telling the user how long the server has not answered. Calls from other threads and
// calls outside a scope run directly on the calling thread, as through any other host.
//
// The calls of one scope keep their order: there is one helper thread, which runs one call at a
// time. A call that never comes back keeps its caller waiting; nothing is given up half-way.
// The files it opened go through it to the end: close them before the host ends.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>

#include "host/host.h"

namespace tervalo {

class WaitingHost : public HostWrapper {
 public:
  // `waited`: how long the call has been waiting so far.
  using WhileWaiting = std::function<void(std::chrono::milliseconds waited)>;

  explicit WaitingHost(Host& target);
  ~WaitingHost() override;
  WaitingHost(const WaitingHost&) = delete;
  WaitingHost& operator=(const WaitingHost&) = delete;

  // Hands the calls of the thread that opens it to the helper thread until it closes. Scopes of
  // one thread nest; the innermost `while_waiting` is the one called. One thread at a time holds
  // scopes (the window's).
  class Scope {
   public:
    Scope(WaitingHost& host, WhileWaiting while_waiting);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    WaitingHost& host_;
    WhileWaiting previous_;
  };

  // Whether a call of the scope's thread is waiting for the share now.
  bool Waiting() const;

  std::optional<std::string> MapPath(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  bool DirectoryExists(std::string_view path) override;
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override;
  HostResult<std::vector<std::string>> ReadTextLines(std::string_view path) override;
  HostResult<FileStamp> StampOf(std::string_view path) override;
  HostResult<std::string> WriteNewFile(std::string_view prefix, std::string_view contents,
                                       std::string_view replaces) override;
  HostStatus RenameFile(std::string_view from, std::string_view to) override;
  HostStatus RemoveFile(std::string_view path) override;
  HostResult<std::vector<DirectoryEntry>> ListDirectory(std::string_view path, const NameFilter& aged) override;
  void Sleep(std::chrono::milliseconds duration) override;
  uint32_t ResolveHostAddress(std::string_view name) override;
  void BeginDirectoryCache() override;
  void EndDirectoryCache() override;

  // Runs `call` on the helper thread when the calling thread holds the scope, else directly.
  template <class Call>
  auto Run(Call&& call) -> decltype(call()) {
    using Result = decltype(call());
    if (!InScope()) return call();
    if constexpr (std::is_void_v<Result>) {
      RunWaiting([&] { call(); });
    } else {
      std::optional<Result> result;
      RunWaiting([&] { result.emplace(call()); });
      return std::move(*result);
    }
  }

 private:
  struct Helper;
  bool InScope() const;
  void RunWaiting(const std::function<void()>& call);

  std::shared_ptr<Helper> helper_;
  std::atomic<std::thread::id> owner_{};  // the thread whose calls go to the helper; none outside a scope
  WhileWaiting while_waiting_;
  int depth_ = 0;                  // changed by the scope's thread only
  std::atomic<int> waiting_{0};       // calls of the scope's thread waiting now (nested waits count)
};

}  // namespace tervalo
