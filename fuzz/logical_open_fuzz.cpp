// Fuzzes LogicalOpen over arbitrary resolution-file bytes, then reads through whatever it opens.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_share.h"

using namespace tervalo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::FuzzShare share;
  static const bool data_written = [] {
    share.Write("FUZZDB", std::string(8 * 512, 'd'));
    return true;
  }();
  (void)data_written;
  share.Write("FUZZLK", std::string(reinterpret_cast<const char*>(data), size));
  auto engine = share.StartEngine();
  for (const char* name : {"FUZZL", "FUZZI"}) {
    try {
      const auto file = engine->LogicalOpen(name);
      if (!file) continue;
      file->ActiveCount();
      file->HighUsedRecord();
      if (file->RecordLength > 0 && file->RecordLength < 4096 && file->LastRecord >= 1) {
        engine->LreadFile(file, 1);
        engine->LreadFile(file, file->LastRecord);
      }
    } catch (const EngineError&) {
    }
  }
  return 0;
}
