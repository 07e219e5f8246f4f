// Fuzzes keyed access over arbitrary index bytes. The input is the index file itself (header
// block, nodes). Header bytes that the engine never reads steer the run: bytes 17-32 give the
// search key, byte 15 lowers the file's last block below what the input holds, and bytes 33-64
// are a program of calls (KFind, KNext, KPrev, KLast, KCount, KLength) run on one cursor.
// Every call must end in a result or an engine error, never in a hang, a read outside the
// cursor buffer or undefined behaviour.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_share.h"
#include "tools/share_builders/data_file_builder.h"

using namespace tervalo;

namespace {

constexpr size_t kKeyAt = 16;
constexpr size_t kKeySize = 16;
constexpr size_t kLowerLastBlockAt = 14;
constexpr size_t kProgramAt = 32;
constexpr size_t kProgramSize = 32;

uint8_t ByteAt(const std::string& bytes, size_t at) {
  return at < bytes.size() ? static_cast<uint8_t>(bytes[at]) : 0;
}

void RunCall(cBusinessBasic& engine, uint8_t op, std::string& buff, std::string& key, int32_t& rec,
             const std::string& search_key) {
  switch (op % 8) {
    case 0:
      key = search_key;
      engine.KFind("FUZZI", buff, key, rec);
      break;
    case 1:
    case 2:
      engine.KNext("FUZZI", buff, key, rec);
      break;
    case 3:
    case 4:
      engine.KPrev("FUZZI", buff, key, rec);
      break;
    case 5:
      engine.KLast("FUZZI", buff, key, rec);
      break;
    case 6:
      engine.KCount("FUZZI");
      break;
    default:
      engine.KLength("FUZZI");
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::FuzzShare share;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto blocks = static_cast<int32_t>((size + 511) / 512);
  const int32_t last_block = (blocks > 0 ? blocks - 1 : 0) - ByteAt(bytes, kLowerLastBlockAt) % 4;
  share.Write("FUZZLK", share::ResolutionEntry("FUZZI", 0, 0, 512, 'I', last_block));
  share.Write("FUZZDB", bytes);
  auto engine = share.StartEngine();

  const std::string search_key = bytes.substr(std::min(bytes.size(), kKeyAt), kKeySize);
  std::string buff;
  std::string key;
  int32_t rec = 0;
  // Without a program the input still gets a find, a walk both ways and a count.
  const uint8_t default_program[] = {0, 1, 1, 1, 3, 3, 3, 3, 5, 3, 1, 6};
  const bool has_program = bytes.size() >= kProgramAt + kProgramSize;
  const size_t calls = has_program ? kProgramSize : sizeof default_program;
  for (size_t i = 0; i < calls; ++i) {
    const uint8_t op = has_program ? ByteAt(bytes, kProgramAt + i) : default_program[i];
    try {
      RunCall(*engine, op, buff, key, rec, search_key);
    } catch (const EngineError&) {
    }
  }
  return 0;
}
