#pragma once
// The one failure type of the data engine and of every layer that reports through it: a number,
// the routine that raised it (source) and a fixed description text. Callers that expect a failure
// catch it and go on.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tervalo {

class EngineError : public std::runtime_error {
 public:
  EngineError(int32_t number, std::string source, std::string description)
      : std::runtime_error(description),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)) {}

  int32_t number() const { return number_; }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

// A failure as the user is told it: "<description>", an empty line, "Error <number> in <source>".
inline std::string EngineErrorText(const EngineError& error) {
  return error.description() + "\n\nError " + std::to_string(error.number()) + " in " + error.source();
}

// Numbers of the general runtime errors the engine shares with the system's own programs.
inline constexpr int32_t kErrInvalidArgument = 5;
inline constexpr int32_t kErrOverflow = 6;
inline constexpr int32_t kErrSubscript = 9;
inline constexpr int32_t kErrDivisionByZero = 11;
inline constexpr int32_t kErrTypeMismatch = 13;
inline constexpr int32_t kErrDuplicateKey = 457;
inline constexpr int32_t kErrObjectNotSet = 91;

// Numbers of the engine's own errors.
inline constexpr int32_t kErrUndefined = -10;
inline constexpr int32_t kErrFieldOutside = 31;
inline constexpr int32_t kErrDataLength = 36;
inline constexpr int32_t kErrNoLock = 57;
inline constexpr int32_t kErrIllegalRecord = 81;
inline constexpr int32_t kErrUnknownOpcode = 100;

inline constexpr const char* kInvalidArgumentText = "Invalid procedure call or argument";
inline constexpr const char* kOverflowText = "Overflow";
inline constexpr const char* kDivisionByZeroText = "Division by zero";

}  // namespace tervalo
