// The board without a window over a simulated file server, on two companies: start-up, Refresh,
// Update with nothing moved and Update after ten jobs moved between two mechanics, printing a
// mechanic's work sheet and opening a job card, each with 0 and 0.5 ms added to every call on
// the share. Reports the calls on the share by kind, INVOL's reads and the bytes they read, and
// the peak memory of start-up.
//
// "large": --jobs=N jobs (default 10000) in job-number order, each of --pages=N consecutive INVOL
// records chained as requests (3), --catalogued=F share of catalogued units (0.3); 99 mechanics
// with 20 scheduled jobs each. Or TERVALO_BENCH_JOBS, TERVALO_BENCH_PAGES, TERVALO_BENCH_CATALOGUED.
// "scattered": a company whose INVOL grew as a shop's does (tools/share_builders/
// scattered_company.h): --scattered_jobs=N jobs (8000) whose pages and request chains lie spread
// across the file between freed records, 60 mechanics; or TERVALO_BENCH_SCATTERED_JOBS.

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
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_host.h"
#include "board/frm_tervalo.h"
#include "board/job_card.h"
#include "environment/shared_instances.h"
#include "host/counting_host.h"
#include "host/host.h"
#include "host/waiting_host.h"
#include "tools/share_builders/large_company.h"
#include "tools/share_builders/scattered_company.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

share::LargeCompanyOptions g_large;
share::ScatteredCompanyOptions g_scattered;

// The machine's host with its meters, shared by both companies.
struct Machine {
  BenchHost machine;  // its share meter counts every call on the share
  CountingHost counting{machine};
  ByteCountingHost host{counting, "INVDB"};
  Machine() { counting.CountApart("INVDB"); }
  ShareMeter& meter() { return machine.share_meter(); }
};

Machine& TheMachine() {
  static Machine machine;
  return machine;
}

struct Company {
  fs::path base;
  int32_t records = 0;  // INVOL records written

  // Built in a child process, so that the builder's memory never counts as the board's.
  Company(const std::string& name, const std::function<int32_t(const fs::path&, const std::string&)>& build)
      : base(fs::temp_directory_path() / ("tervalo-board-bench-" + name)) {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) std::exit(1);
    const pid_t child = ::fork();
    if (child == 0) {
      const int32_t written = build(base, TheMachine().machine.computer_name);
      if (::write(pipe_ends[1], &written, sizeof written) != sizeof written) std::_Exit(1);
      std::_Exit(0);
    }
    ::close(pipe_ends[1]);
    int status = 0;
    if (child < 0 || ::read(pipe_ends[0], &records, sizeof records) != sizeof records ||
        ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "board_load_bench: could not build the %s company\n", name.c_str());
      std::exit(1);
    }
    ::close(pipe_ends[0]);
  }
  ~Company() { fs::remove_all(base); }

  // Points the program at this company.
  void Use() const {
    ::setenv("TERVALO_UNC_ROOT", (base / "unc").c_str(), 1);
    ::setenv("TMPDIR", (base / "tmp").c_str(), 1);
  }
};

Company& LargeCompany() {
  static Company company("large", [](const fs::path& base, const std::string& computer) {
    return share::BuildLargeCompany(base, computer, g_large);
  });
  return company;
}

Company& ScatteredCompany() {
  static Company company("scattered", [](const fs::path& base, const std::string& computer) {
    return share::BuildScatteredCompany(base, computer, g_scattered).records;
  });
  return company;
}

using CompanyOf = Company& (*)();

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
  CallReport()
      : calls_(TheMachine().meter().counts()),
        invol_(TheMachine().counting.of("INVDB")),
        invol_bytes_(TheMachine().host.bytes_read()) {}

  void Report(benchmark::State& state) const {
    const double n = static_cast<double>(state.iterations());
    const ShareCallCounts& now = TheMachine().meter().counts();
    state.counters["calls"] = static_cast<double>(now.Total() - calls_.Total()) / n;
    state.counters["reads"] = static_cast<double>(now.reads - calls_.reads) / n;
    state.counters["writes"] = static_cast<double>(now.writes - calls_.writes) / n;
    state.counters["lookups"] = static_cast<double>(now.lookups - calls_.lookups) / n;
    state.counters["open_close"] =
        static_cast<double>(now.opens + now.closes - calls_.opens - calls_.closes) / n;
    state.counters["others"] = static_cast<double>(now.others - calls_.others) / n;
    state.counters["invol_reads"] = static_cast<double>(TheMachine().counting.of("INVDB").reads - invol_.reads) / n;
    state.counters["invol_MB"] = static_cast<double>(TheMachine().host.bytes_read() - invol_bytes_) / n / 1e6;
  }

 private:
  ShareCallCounts calls_;
  IoCounts invol_;
  int64_t invol_bytes_;
};

// Each case runs on one company with the latency of state.range(0) microseconds per call on the
// share. `host`: the host the board reads the share through (it passes the calls on to the
// machine's).
class SimulatedShare {
 public:
  SimulatedShare(benchmark::State& state, Company& company, Host& host = TheMachine().host)
      : company_(company), scoped_(host) {
    company_.Use();
    ResetSharedInstances();
    TheMachine().meter().SetLatency(std::chrono::microseconds(state.range(0)));
  }
  ~SimulatedShare() {
    TheMachine().meter().SetLatency(std::chrono::nanoseconds(0));
    ResetSharedInstances();
  }
  Company& company() { return company_; }

 private:
  Company& company_;
  ScopedHost scoped_;
};

void StartUp(benchmark::State& state, CompanyOf company_of) {
  SimulatedShare share(state, company_of());
  const CallReport report;
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
  state.counters["records"] = static_cast<double>(share.company().records);
  // The companies are built in other processes, so the peak is the board's (and the program's).
  state.counters["peak_rss_MiB"] = MemoryKiB("VmHWM:") / 1024.0;
}

// The mechanic grid with the most rows: the list a user would print.
int LongestList(const frmTervalo& form) {
  int longest = 0;
  for (int n = 0; n < form.board().mechanics.MechanicCount; ++n) {
    if (form.board().mg[static_cast<size_t>(n)]->Rows() > form.board().mg[static_cast<size_t>(longest)]->Rows()) longest = n;
  }
  return longest;
}

using Action = std::function<void(frmTervalo&)>;

// Runs an action on a loaded board; `prepare` runs untimed before each action. With `waiting`,
// the board reads through it and each action's calls go to its helper thread, as the window's do.
void RunOnLoadedBoard(benchmark::State& state, CompanyOf company_of, const Action& prepare, const Action& action,
                      WaitingHost* waiting = nullptr) {
  SimulatedShare share(state, company_of(), waiting != nullptr ? static_cast<Host&>(*waiting) : TheMachine().host);
  frmTervalo form;
  {
    const std::chrono::nanoseconds latency = TheMachine().meter().latency();
    TheMachine().meter().SetLatency(std::chrono::nanoseconds(0));
    if (!form.Form_Load()) {
      state.SkipWithError("start-up failed");
      return;
    }
    TheMachine().meter().SetLatency(latency);
  }
  CallReport report;
  for (auto _ : state) {
    state.PauseTiming();
    if (prepare) prepare(form);
    state.ResumeTiming();
    if (waiting != nullptr) {
      const WaitingHost::Scope scope(*waiting, [](std::chrono::milliseconds) {});
      action(form);
    } else {
      action(form);
    }
  }
  report.Report(state);
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

void Refresh(benchmark::State& state, CompanyOf company) {
  RunOnLoadedBoard(state, company, nullptr, [](frmTervalo& form) { form.btnRefresh_Click(); });
}

// Refresh as the window runs it: every call on the share handed to a helper thread, so that the
// window could draw while the share is slow. The difference to Refresh is what that costs.
void RefreshFromTheWindow(benchmark::State& state, CompanyOf company) {
  WaitingHost waiting(TheMachine().host);
  RunOnLoadedBoard(state, company, nullptr, [](frmTervalo& form) { form.btnRefresh_Click(); }, &waiting);
}

void UpdateUnchanged(benchmark::State& state, CompanyOf company) {
  RunOnLoadedBoard(state, company, nullptr, [](frmTervalo& form) { form.btnUpdate_Click(); });
}

void UpdateAfterTenMoves(benchmark::State& state, CompanyOf company) {
  RunOnLoadedBoard(state, company, MoveTenJobs, [](frmTervalo& form) { form.btnUpdate_Click(); });
}

// The 80-column work sheet of the longest list.
void Print(benchmark::State& state, CompanyOf company) {
  RunOnLoadedBoard(state, company, nullptr, [](frmTervalo& form) { form.PrintList(LongestList(form), kSheet80Columns); });
}

// The card of the first job of the longest list.
void Card(benchmark::State& state, CompanyOf company) {
  RunOnLoadedBoard(state, company, nullptr, [](frmTervalo& form) {
    const GridModel& grid = *form.board().mg[static_cast<size_t>(LongestList(form))];
    if (grid.Rows() == 0) return;
    benchmark::DoNotOptimize(ShowJob(form.Engine(), grid.TextMatrix(0, 0), form.board().settings.TallRows));
  });
}

// Without latency the cases repeat for a steady time; with it, one run shows the round trips.
void Register(const std::string& name, void (*fn)(benchmark::State&, CompanyOf)) {
  for (const auto& [company, company_of] : {std::pair<const char*, CompanyOf>{"large", LargeCompany},
                                            std::pair<const char*, CompanyOf>{"scattered", ScatteredCompany}}) {
    const std::string full = std::string(company) + "/" + name;
    const CompanyOf of = company_of;
    auto run = [fn, of](benchmark::State& state) { fn(state, of); };
    benchmark::RegisterBenchmark(full.c_str(), run)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(1.0);
    benchmark::RegisterBenchmark(full.c_str(), run)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(1);
  }
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
  using tervalo::g_large;
  using tervalo::g_scattered;
  tervalo::Setting(argc, argv, "jobs", "TERVALO_BENCH_JOBS", g_large.jobs);
  tervalo::Setting(argc, argv, "pages", "TERVALO_BENCH_PAGES", g_large.pages);
  tervalo::Setting(argc, argv, "catalogued", "TERVALO_BENCH_CATALOGUED", g_large.catalogued);
  tervalo::Setting(argc, argv, "scattered_jobs", "TERVALO_BENCH_SCATTERED_JOBS", g_scattered.jobs);
  // Sleeps of half a millisecond end close to their time instead of up to 50 µs late.
  ::prctl(PR_SET_TIMERSLACK, 1UL);
  tervalo::Register("StartUp", tervalo::StartUp);
  tervalo::Register("Refresh", tervalo::Refresh);
  tervalo::Register("RefreshFromTheWindow", tervalo::RefreshFromTheWindow);
  // Printing and the card come before the moves, which change the lists on the share.
  tervalo::Register("Print", tervalo::Print);
  tervalo::Register("Card", tervalo::Card);
  tervalo::Register("UpdateUnchanged", tervalo::UpdateUnchanged);
  tervalo::Register("UpdateAfterTenMoves", tervalo::UpdateAfterTenMoves);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
