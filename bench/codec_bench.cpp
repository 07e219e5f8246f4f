// Field codec: Pack and Unpack of every width on a record already in memory (with a count of heap
// allocations per call), and Crm/Ucm of a 30-character text.

#include <benchmark/benchmark.h>

#include <string>

#include "engine/business_basic.h"
#include "engine/system.h"
#include "host/host.h"

#include "bench/allocation_counter.h"

using tervalo::bench::g_allocations;

namespace tervalo {
namespace {

constexpr const char* kOpcodes[] = {"B", "C", "D", "I", "J", "K", "L"};
constexpr int32_t kRecordLength = 256;
constexpr int32_t kPosition = 141;

// An engine without tables: the codec needs none.
class CodecEngine {
 public:
  CodecEngine() : engine_(system_, CurrentHost()) {}
  cBusinessBasic& operator*() { return engine_; }

 private:
  static cSystem UnreachableServer() {
    cSystem system;
    system.mUNCDrive = "NO-SUCH-SERVER-FOR-CODEC-BENCH";
    return system;
  }
  cSystem system_ = UnreachableServer();
  cBusinessBasic engine_;
};

void ReportAllocations(benchmark::State& state, size_t before) {
  state.counters["allocs_per_call"] = benchmark::Counter(
      static_cast<double>(g_allocations - before), benchmark::Counter::kAvgIterations);
}

void BM_Pack(benchmark::State& state) {
  CodecEngine engine;
  const std::string_view opcode = kOpcodes[state.range(0)];
  state.SetLabel(std::string(opcode));
  std::string record(kRecordLength, ' ');
  int32_t value = 0x12345678;
  const size_t before = g_allocations;
  for (auto _ : state) {
    (*engine).Pack(opcode, record, value++, kPosition);
    benchmark::DoNotOptimize(record.data());
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_Pack)->DenseRange(0, 6);

// The overload that upper-cases the caller's opcode variable.
void BM_PackOpcodeVariable(benchmark::State& state) {
  CodecEngine engine;
  std::string opcode = "l";
  std::string record(kRecordLength, ' ');
  int32_t value = 0x12345678;
  const size_t before = g_allocations;
  for (auto _ : state) {
    (*engine).Pack(opcode, record, value++, kPosition);
    benchmark::DoNotOptimize(record.data());
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_PackOpcodeVariable);

void BM_Unpack(benchmark::State& state) {
  CodecEngine engine;
  const std::string_view opcode = kOpcodes[state.range(0)];
  state.SetLabel(std::string(opcode));
  std::string record(kRecordLength, '\0');
  for (int32_t i = 0; i < kRecordLength; ++i) record[static_cast<size_t>(i)] = static_cast<char>(i * 37);
  int32_t position = kPosition;
  const size_t before = g_allocations;
  for (auto _ : state) {
    benchmark::DoNotOptimize((*engine).Unpack(opcode, record, position));
    benchmark::DoNotOptimize(position);
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_Unpack)->DenseRange(0, 6);

void BM_UnpackOpcodeVariable(benchmark::State& state) {
  CodecEngine engine;
  std::string opcode = "k";
  std::string record(kRecordLength, '\x80');
  const size_t before = g_allocations;
  for (auto _ : state) {
    benchmark::DoNotOptimize((*engine).Unpack(opcode, record, kPosition));
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_UnpackOpcodeVariable);

constexpr char kText[] = "MOWER DECK 48IN. 12/A,BLADE 3 ";  // 30 characters of the alphabet
constexpr int64_t kTextLength = sizeof(kText) - 1;

// Throughput in characters of text (30 per call), for both directions.
void BM_Crm(benchmark::State& state) {
  CodecEngine engine;
  std::string source = kText;
  const size_t before = g_allocations;
  for (auto _ : state) benchmark::DoNotOptimize((*engine).Crm(source));
  state.SetBytesProcessed(state.iterations() * kTextLength);
  ReportAllocations(state, before);  // the result string
}
BENCHMARK(BM_Crm);

void BM_Ucm(benchmark::State& state) {
  CodecEngine engine;
  std::string text = kText;
  std::string source = (*engine).Crm(text);
  const size_t before = g_allocations;
  for (auto _ : state) benchmark::DoNotOptimize((*engine).Ucm(source));
  state.SetBytesProcessed(state.iterations() * kTextLength);
  ReportAllocations(state, before);
}
BENCHMARK(BM_Ucm);

}  // namespace
}  // namespace tervalo

BENCHMARK_MAIN();
