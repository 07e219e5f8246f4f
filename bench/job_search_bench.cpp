// What finding a job costs per keystroke on a loaded board: the search of the whole board for the
// text typed so far (every row of the unassigned grid and of every mechanic's list), on the large
// company of board_load_bench (--jobs=N jobs, default 10000; 99 mechanics with 20 jobs each).
// The window runs this search on every keystroke; it must stay well under 50 ms.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/bench_host.h"
#include "board/frm_tervalo.h"
#include "board/job_search.h"
#include "environment/shared_instances.h"
#include "host/host.h"
#include "tools/share_builders/large_company.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

share::LargeCompanyOptions g_large;

// The large company, built once, and the board loaded from it without a window.
struct LoadedBoard {
  BenchHost host;
  ScopedHost scoped{host};
  fs::path base = fs::temp_directory_path() / "tervalo-job-search-bench";
  frmTervalo form;
  ExtraJobText customers;

  LoadedBoard() {
    share::BuildLargeCompany(base, host.computer_name, g_large);
    ::setenv("TERVALO_UNC_ROOT", (base / "unc").c_str(), 1);
    ::setenv("TMPDIR", (base / "tmp").c_str(), 1);
    ResetSharedInstances();
    if (!form.Form_Load()) std::abort();
    // Customers known for every job, as after the tips of every job were read.
    for (int32_t job = 1; job <= g_large.jobs; ++job) customers[job] = std::to_string(5000 + job % 700) + " CUSTOMER";
  }
  ~LoadedBoard() {
    ResetSharedInstances();
    fs::remove_all(base);
  }
  int Rows() const {
    int rows = form.board().g.Rows();
    for (const auto& grid : form.board().mg) rows += grid->Rows();
    return rows;
  }
};

LoadedBoard& Board() {
  static LoadedBoard board;
  return board;
}

// Each keystroke of a word typed letter by letter searches the board again.
void Keystroke(benchmark::State& state, const std::string& text, bool with_customers) {
  LoadedBoard& board = Board();
  size_t hits = 0;
  for (auto _ : state) {
    const BoardSearch found = SearchBoard(board.form.board(), JobQuery(text), with_customers ? &board.customers : nullptr);
    hits = found.hits.size();
    benchmark::DoNotOptimize(found);
  }
  state.counters["rows"] = board.Rows();
  state.counters["hits"] = static_cast<double>(hits);
}

void OpenJobCounts(benchmark::State& state) {
  LoadedBoard& board = Board();
  int total = 0;
  for (auto _ : state) {
    total = OpenJobCount(board.form.board().g);
    for (const auto& grid : board.form.board().mg) total += OpenJobCount(*grid);
    benchmark::DoNotOptimize(total);
  }
  state.counters["open_jobs"] = total;
}

}  // namespace
}  // namespace tervalo

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--jobs=", 0) == 0) tervalo::g_large.jobs = std::atoi(arg.c_str() + 7);
  }
  using tervalo::Keystroke;
  // A word typed letter by letter, a number, a text found nowhere, two words; with and without the
  // customers the tips have read.
  for (const char* text : {"h", "ha", "har", "harlan", "4711", "zzzz", "rush open"}) {
    benchmark::RegisterBenchmark((std::string("Keystroke/\"") + text + "\"").c_str(),
                                 [text](benchmark::State& s) { Keystroke(s, text, false); })
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("Keystroke/\"customer\"/with_customers",
                               [](benchmark::State& s) { Keystroke(s, "customer", true); })
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("OpenJobCounts", tervalo::OpenJobCounts)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
