// Fuzzes keyed access over arbitrary index bytes: the input is the index file itself (header
// block, nodes); its first bytes also pick the search key. Every call must end in a result or an
// engine error, never in a hang or a read outside the cursor buffer.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_share.h"
#include "tools/data_file_builder.h"

using namespace tervalo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::FuzzShare share;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto blocks = static_cast<int32_t>((size + 511) / 512);
  bytes.resize(static_cast<size_t>(blocks) * 512, '\0');
  share.Write("FUZZLK", share::ResolutionEntry("FUZZI", 0, 0, 512, 'I', blocks > 0 ? blocks - 1 : 0));
  share.Write("FUZZDB", bytes);
  auto engine = share.StartEngine();

  std::string buff;
  std::string key = bytes.size() >= 32 ? bytes.substr(16, 16) : std::string();
  int32_t rec = 0;
  try {
    engine->KFind("FUZZI", buff, key, rec);
    for (int i = 0; i < 64 && rec != 0; ++i) engine->KNext("FUZZI", buff, key, rec);
    engine->KFind("FUZZI", buff, key, rec);
    for (int i = 0; i < 64; ++i) engine->KPrev("FUZZI", buff, key, rec);
  } catch (const EngineError&) {
  }
  try {
    engine->KLast("FUZZI", buff, key, rec);
    for (int i = 0; i < 64 && rec != 0; ++i) engine->KPrev("FUZZI", buff, key, rec);
  } catch (const EngineError&) {
  }
  try {
    engine->KCount("FUZZI");
    engine->KLength("FUZZI");
  } catch (const EngineError&) {
  }
  return 0;
}
