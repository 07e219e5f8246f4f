#pragma once
// Small helpers shared by the engine's tests: bytes written out in hex, and the failure an
// action raises as one comparable text.

#include <functional>
#include <string>
#include <string_view>

#include "base/engine_error.h"

namespace tervalo::testing {

// Bytes from hex digits; blanks between them are ignored ("00 0C FF").
inline std::string Hex(std::string_view hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size();) {
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    i += 2;
  }
  return out;
}

// "number source: description" of the EngineError the action raises, or "no error".
inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EngineError& e) {
    return std::to_string(e.number()) + " " + e.source() + ": " + e.description();
  }
  return "no error";
}

}  // namespace tervalo::testing
