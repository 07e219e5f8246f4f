// Board start-up without a window on a large company: 10,000 open jobs, 99 mechanics with 20
// scheduled jobs each. Measures start-up (mechanics, settings, schedule files, RefreshBoard) and
// the Update action, and counts the read and write calls that reach the host.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <filesystem>
#include <map>

#include "bench/counting_host.h"
#include "board/frm_tervalo.h"
#include "environment/host.h"
#include "environment/shared_instances.h"
#include "tools/company_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

constexpr int kMechanics = 99;
constexpr int kScheduledEach = 20;
constexpr int kJobs = 10000;

struct LargeCompany {
  fs::path base;
  CountingHost host;
  int32_t records = 0;

  LargeCompany() : base(fs::temp_directory_path() / "tervalo-board-bench") {
    fs::remove_all(base);
    share::ShareBuilder share(base / "unc", "SRV", "CO1");
    share::CompanyBuilder company(share);
    share::BoardFile0 file0;
    file0.priority_names = {"Normal", "Rush", "Warranty", "Fleet", "Rental", "Dealer", "Internal", "Hold"};
    file0.substatus_names = {"Diagnosing", "Parts Order", "On Bench", "Testing", "Call Cust"};
    company.SetFile0(file0);
    for (int m = 1; m <= kMechanics; ++m) company.AddMechanic({m, "MECHANIC " + std::to_string(m)});
    std::map<int32_t, std::vector<std::string>> schedules;
    for (int i = 0; i < kJobs; ++i) {
      const int32_t job_number = i + 1;
      share::InvoiceRecord r;
      r.reference = 3000000 + i;
      r.date_in = 21000 + i % 60;
      r.priority = 1 + i % 8;
      r.status = "O12345 "[i % 7];
      r.description1 = "HARLAN MOWER";
      r.description2 = "HR217 WONT START";
      if (i < kMechanics * kScheduledEach) {
        r.mechanic = 1 + i / kScheduledEach;
        schedules[r.mechanic].push_back(company.ScheduleLine(r, job_number));
      }
      company.AddJob({job_number, {r}});
    }
    records = kJobs;
    company.Write(base / "tmp", host.computer_name);
    for (const auto& [mechanic, lines] : schedules) company.WriteSchedule(mechanic, lines);
    ::setenv("TERVALO_UNC_ROOT", (base / "unc").c_str(), 1);
    ::setenv("TMPDIR", (base / "tmp").c_str(), 1);
  }
  ~LargeCompany() { fs::remove_all(base); }
};

LargeCompany& Company() {
  static LargeCompany company;
  return company;
}

void ReportCounts(benchmark::State& state, const CountingHost::Counts& before,
                  const CountingHost::Counts& after, int64_t iterations) {
  const double n = static_cast<double>(iterations);
  state.counters["reads"] = static_cast<double>(after.all.reads - before.all.reads) / n;
  state.counters["writes"] = static_cast<double>(after.all.writes - before.all.writes) / n;
  state.counters["invol_reads"] = static_cast<double>(after.invol.reads - before.invol.reads) / n;
  state.counters["file0_reads"] = static_cast<double>(after.file0.reads - before.file0.reads) / n;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_BoardStartUp(benchmark::State& state) {
  LargeCompany& company = Company();
  ScopedHost scoped(company.host);
  const auto before = company.host.counts;
  int64_t rows = 0;
  for (auto _ : state) {
    frmTervalo form;
    if (!form.Form_Load()) state.SkipWithError("start-up failed");
    rows = form.board().g.Rows();
    state.PauseTiming();
    ResetSharedInstances();
    state.ResumeTiming();
  }
  ReportCounts(state, before, company.host.counts, state.iterations());
  state.counters["unassigned_rows"] = static_cast<double>(rows);
  state.counters["invol_reads_per_job"] =
      state.counters["invol_reads"] / static_cast<double>(kJobs);
}
BENCHMARK(BM_BoardStartUp)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_BoardUpdate(benchmark::State& state) {
  LargeCompany& company = Company();
  ScopedHost scoped(company.host);
  frmTervalo form;
  if (!form.Form_Load()) {
    state.SkipWithError("start-up failed");
    return;
  }
  const auto before = company.host.counts;
  for (auto _ : state) form.btnUpdate_Click();
  ReportCounts(state, before, company.host.counts, state.iterations());
  ResetSharedInstances();
}
BENCHMARK(BM_BoardUpdate)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace tervalo

BENCHMARK_MAIN();
