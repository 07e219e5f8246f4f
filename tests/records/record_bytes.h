#pragma once
// Records for the record-class tests, written out byte by byte: a run of filler bytes with hex
// fields placed at 1-based positions, and a fixture with a running engine.

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "base/basic_text.h"
#include "tests/support/engine_checks.h"
#include "tests/support/temp_share.h"

namespace tervalo::testing {

struct HexField {
  int position;          // 1-based
  std::string_view hex;  // "00 2A"
};

// `length` bytes of `fill` with the fields written over them.
inline std::string RecordBytes(size_t length, std::initializer_list<HexField> fields,
                               char fill = '\0') {
  std::string record(length, fill);
  for (const auto& f : fields) {
    const std::string bytes = Hex(f.hex);
    record.replace(static_cast<size_t>(f.position - 1), bytes.size(), bytes);
  }
  return record;
}

// The bytes at positions first..last (1-based, inclusive) in hex.
inline std::string HexAt(std::string_view record, int first, int last) {
  return HexBytes(Mid(record, first, last - first + 1));
}

// An engine on a share without record files: enough for decoding and encoding.
class RecordEngineTest : public TempShareTest {
 protected:
  void SetUp() override {
    WriteBasicShare();
    StartEngine();
  }
};

}  // namespace tervalo::testing
