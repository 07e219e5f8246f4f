// The board without a window on a large company over a simulated file server: start-up,
// Refresh, Update with nothing moved and Update after ten jobs moved between two mechanics, each
// with 0 and 0.5 ms added to every call on the share. Reports the calls on the share by kind,
// INVOL's reads and the peak memory of start-up.
//
// The company: --jobs=N (default 10000), --pages=N INVOL records per job (3), --catalogued=F share
// of catalogued units (0.3); or TERVALO_BENCH_JOBS, TERVALO_BENCH_PAGES, TERVALO_BENCH_CATALOGUED.
// 99 mechanics with 20 scheduled jobs each.

#include <benchmark/benchmark.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_host.h"
#include "board/frm_tervalo.h"
#include "environment/shared_instances.h"
#include "host/counting_host.h"
#include "host/host.h"
#include "tools/share_builders/large_company.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

share::LargeCompanyOptions g_options;

struct LargeCompany {
  fs::path base = fs::temp_directory_path() / "tervalo-board-bench";
  BenchHost machine;  // its share meter counts every call on the share
  CountingHost host{machine};
  int32_t records = 0;

  LargeCompany() {
    host.CountApart("INVDB");
    // Built in a child process, so that the builder's memory never counts as the board's.
    const pid_t child = ::fork();
    if (child == 0) {
      share::BuildLargeCompany(base, machine.computer_name, g_options);
      std::_Exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "board_load_bench: could not build the company\n");
      std::exit(1);
    }
    records = g_options.jobs * g_options.pages;
    ::setenv("TERVALO_UNC_ROOT", (base / "unc").c_str(), 1);
    ::setenv("TMPDIR", (base / "tmp").c_str(), 1);
  }
  ~LargeCompany() { fs::remove_all(base); }
};

LargeCompany& Company() {
  static LargeCompany company;
  return company;
}

// A value in KiB from /proc/self/status ("VmHWM": the peak resident memory since the last
// ResetPeakMemory).
double MemoryKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::atof(line.c_str() + std::strlen(field) + 1);
  }
  return 0;
}
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// What one case costs: calls on the share by kind per iteration, and INVOL's reads.
class CallReport {
 public:
  explicit CallReport(LargeCompany& company)
      : company_(company), calls_(company.machine.share_meter().counts()), invol_(company.host.of("INVDB")) {}

  void Report(benchmark::State& state) const {
    const double n = static_cast<double>(state.iterations());
    const ShareCallCounts& now = company_.machine.share_meter().counts();
    state.counters["calls"] = static_cast<double>(now.Total() - calls_.Total()) / n;
    state.counters["reads"] = static_cast<double>(now.reads - calls_.reads) / n;
    state.counters["writes"] = static_cast<double>(now.writes - calls_.writes) / n;
    state.counters["lookups"] = static_cast<double>(now.lookups - calls_.lookups) / n;
    state.counters["open_close"] =
        static_cast<double>(now.opens + now.closes - calls_.opens - calls_.closes) / n;
    state.counters["others"] = static_cast<double>(now.others - calls_.others) / n;
    state.counters["invol_reads"] = static_cast<double>(company_.host.of("INVDB").reads - invol_.reads) / n;
  }

 private:
  LargeCompany& company_;
  ShareCallCounts calls_;
  IoCounts invol_;
};

// Each case runs with the latency of state.range(0) microseconds per call on the share.
class SimulatedShare {
 public:
  explicit SimulatedShare(benchmark::State& state) : company_(Company()), scoped_(company_.host) {
    meter().SetLatency(std::chrono::microseconds(state.range(0)));
  }
  ~SimulatedShare() {
    meter().SetLatency(std::chrono::nanoseconds(0));
    ResetSharedInstances();
  }
  LargeCompany& company() { return company_; }
  ShareMeter& meter() { return company_.machine.share_meter(); }

 private:
  LargeCompany& company_;
  ScopedHost scoped_;
};

void BM_StartUp(benchmark::State& state) {
  SimulatedShare share(state);
  ResetSharedInstances();
  const CallReport report(share.company());
  ResetPeakMemory();
  int64_t rows = 0;
  for (auto _ : state) {
    frmTervalo form;
    if (!form.Form_Load()) state.SkipWithError("start-up failed");
    rows = form.board().g.Rows();
    state.PauseTiming();
    ResetSharedInstances();
    state.ResumeTiming();
  }
  report.Report(state);
  state.counters["unassigned_rows"] = static_cast<double>(rows);
  state.counters["records"] = static_cast<double>(Company().records);
  // The company is built in another process, so the peak is the board's (and the program's).
  state.counters["peak_rss_MiB"] = MemoryKiB("VmHWM:") / 1024.0;
}

// Runs an action on a loaded board; `prepare` runs untimed before each action.
template <typename Prepare, typename Action>
void RunOnLoadedBoard(benchmark::State& state, Prepare prepare, Action action) {
  SimulatedShare share(state);
  ResetSharedInstances();
  frmTervalo form;
  {
    const std::chrono::nanoseconds latency = share.meter().latency();
    share.meter().SetLatency(std::chrono::nanoseconds(0));
    if (!form.Form_Load()) {
      state.SkipWithError("start-up failed");
      return;
    }
    share.meter().SetLatency(latency);
  }
  CallReport report(share.company());
  for (auto _ : state) {
    state.PauseTiming();
    prepare(form);
    state.ResumeTiming();
    action(form);
  }
  report.Report(state);
}

void NoPreparation(frmTervalo&) {}

void BM_Refresh(benchmark::State& state) {
  RunOnLoadedBoard(state, NoPreparation, [](frmTervalo& form) { form.btnRefresh_Click(); });
}

void BM_UpdateUnchanged(benchmark::State& state) {
  RunOnLoadedBoard(state, NoPreparation, [](frmTervalo& form) { form.btnUpdate_Click(); });
}

// Moves the first ten jobs of one of the first two mechanics to the end of the other's list,
// back and forth, so that every Update has ten moved jobs to save.
void MoveTenJobs(frmTervalo& form) {
  BoardState& board = form.board();
  GridModel& from = board.Mg(0).Rows() >= board.Mg(1).Rows() ? board.Mg(0) : board.Mg(1);
  GridModel& to = &from == &board.Mg(0) ? board.Mg(1) : board.Mg(0);
  for (int moved = 0; moved < 10 && from.Rows() > 0; ++moved) {
    to.AddItem(from.TextMatrix(0, 0));
    from.RemoveItem(0);
  }
}

void BM_UpdateAfterTenMoves(benchmark::State& state) {
  RunOnLoadedBoard(state, MoveTenJobs, [](frmTervalo& form) { form.btnUpdate_Click(); });
}

// Without latency the cases repeat for a steady time; with it, one run shows the round trips.
void Register(const char* name, void (*fn)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name, fn)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(1.0);
  benchmark::RegisterBenchmark(name, fn)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(1);
}

// Takes --name=value from the command line, else the environment variable, else the default.
template <typename T>
void Setting(int& argc, char** argv, const char* name, const char* variable, T& value) {
  const std::string flag = std::string("--") + name + "=";
  const char* text = std::getenv(variable);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], flag.c_str(), flag.size()) != 0) continue;
    text = argv[i] + flag.size();
    for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
    --argc;
    break;
  }
  if (text != nullptr && *text != '\0') value = static_cast<T>(std::atof(text));
}

}  // namespace
}  // namespace tervalo

int main(int argc, char** argv) {
  using tervalo::g_options;
  tervalo::Setting(argc, argv, "jobs", "TERVALO_BENCH_JOBS", g_options.jobs);
  tervalo::Setting(argc, argv, "pages", "TERVALO_BENCH_PAGES", g_options.pages);
  tervalo::Setting(argc, argv, "catalogued", "TERVALO_BENCH_CATALOGUED", g_options.catalogued);
  // Sleeps of half a millisecond end close to their time instead of up to 50 µs late.
  ::prctl(PR_SET_TIMERSLACK, 1UL);
  tervalo::Register("BM_StartUp", tervalo::BM_StartUp);
  tervalo::Register("BM_Refresh", tervalo::BM_Refresh);
  tervalo::Register("BM_UpdateUnchanged", tervalo::BM_UpdateUnchanged);
  tervalo::Register("BM_UpdateAfterTenMoves", tervalo::BM_UpdateAfterTenMoves);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
