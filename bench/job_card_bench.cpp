// Opening a job card on the demo company: the three-page job with a ship-to account, a customer
// address and a serial number under warranty (job 101), and a one-page job whose account is on
// the mailing list only (job 143). Counts the reads that reach the host per card.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "bench/bench_host.h"
#include "board/job_card.h"
#include "environment/catalog_config.h"
#include "environment/shared_instances.h"
#include "host/counting_host.h"
#include "tools/share_builders/demo_company.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

struct Demo {
  fs::path base = fs::temp_directory_path() / "tervalo-card-bench";
  BenchHost machine;
  CountingHost host{machine};

  Demo() {
    fs::remove_all(base);
    const share::DemoLocation where = share::BuildDemoCompany(base, machine.computer_name);
    ::setenv("TERVALO_UNC_ROOT", where.unc_root.c_str(), 1);
    ::setenv("TMPDIR", where.temp_dir.c_str(), 1);
  }
  ~Demo() { fs::remove_all(base); }
};

Demo& TheDemo() {
  static Demo demo;
  return demo;
}

std::string RowText(int job_number) {
  char text[64];
  std::snprintf(text, sizeof text, "Ref: 0          Job: %4d\n", job_number);
  return text;
}

void BM_OpenJobCard(benchmark::State& state) {
  Demo& demo = TheDemo();
  ScopedHost scoped(demo.host);
  ResetSharedInstances();
  LoadCatalogConfig();
  const std::string text = RowText(static_cast<int>(state.range(0)));
  const auto before = demo.host.all().reads;
  for (auto _ : state) {
    const CardOutcome outcome = ShowJob(*gEngine, text, false);
    if (!outcome.card) state.SkipWithError(outcome.message.c_str());
    benchmark::DoNotOptimize(outcome);
  }
  state.counters["reads_per_card"] = static_cast<double>(demo.host.all().reads - before) /
                                     static_cast<double>(state.iterations());
  ResetSharedInstances();
}
BENCHMARK(BM_OpenJobCard)->Arg(101)->Arg(143)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tervalo

BENCHMARK_MAIN();
