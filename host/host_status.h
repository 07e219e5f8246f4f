#pragma once
// How every host call that can fail answers: a HostStatus is success, or the system's error
// number together with the path the call was about; a HostResult<T> is a value or such a failure.
// One style for all calls, so that callers read a failure one way and a test host fails any call
// the same way.

#include <concepts>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace tervalo {

class [[nodiscard]] HostStatus {
 public:
  // Success.
  HostStatus() = default;
  // A failure. REQUIRES: error is the system's error number (errno), not 0.
  HostStatus(int error, std::string_view path) : error_(error), path_(path) {}

  bool ok() const { return error_ == 0; }
  // The system's error number; 0 on success.
  int error() const { return error_; }
  // The path (as the caller gave it) of the file or directory the failure concerns.
  const std::string& path() const { return path_; }
  // The system's text for the error, e.g. "No space left on device"; empty on success.
  std::string Reason() const { return ok() ? std::string() : std::string(std::strerror(error_)); }
  // "path: reason", for a message to the user; empty on success.
  std::string Message() const { return ok() ? std::string() : path_ + ": " + Reason(); }

 private:
  int error_ = 0;
  std::string path_;
};

template <typename T>
class [[nodiscard]] HostResult {
 public:
  // A value: success.
  template <typename U = T>
    requires std::constructible_from<T, U&&> && (!std::same_as<std::remove_cvref_t<U>, HostStatus>) &&
             (!std::same_as<std::remove_cvref_t<U>, HostResult>)
  HostResult(U&& value) : value_(std::in_place, std::forward<U>(value)) {}
  // A failure. REQUIRES: !failure.ok()
  HostResult(HostStatus failure) : status_(std::move(failure)) {}

  bool ok() const { return status_.ok(); }
  // Success, or why there is no value.
  const HostStatus& status() const { return status_; }

  // The value. REQUIRES: ok()
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

  // The value, or other when the call failed.
  T value_or(T other) const& { return ok() ? *value_ : std::move(other); }
  T value_or(T other) && { return ok() ? std::move(*value_) : std::move(other); }

 private:
  HostStatus status_;
  std::optional<T> value_;
};

}  // namespace tervalo
