#include "tools/share_builders/scattered_company.h"

#include <map>
#include <random>
#include <utility>
#include <vector>

#include "tools/share_builders/company_builder.h"

namespace tervalo::share {
namespace {

constexpr int32_t kHighestJobNumber = 10086;  // the job index ends there
constexpr int32_t kModels = 400;
constexpr size_t kJobsInProgress = 400;  // jobs that are still getting pages at any time

// Draws from one fixed generator: std::mt19937's sequence is the same everywhere, and only its
// raw numbers are used, so a seed writes the same company on every machine.
class Draw {
 public:
  explicit Draw(uint32_t seed) : engine_(seed) {}
  // 0 .. n-1.
  int32_t Below(int32_t n) { return static_cast<int32_t>(engine_() % static_cast<uint32_t>(n)); }
  bool Chance(double p) { return engine_() % 100000 < static_cast<uint32_t>(p * 100000.0); }
  // An index into weights, each as likely as its weight.
  int32_t Weighted(const std::vector<int32_t>& weights) {
    int32_t total = 0;
    for (const int32_t w : weights) total += w;
    int32_t at = Below(total);
    for (size_t i = 0; i < weights.size(); ++i) {
      if (at < weights[i]) return static_cast<int32_t>(i);
      at -= weights[i];
    }
    return static_cast<int32_t>(weights.size()) - 1;
  }

 private:
  std::mt19937 engine_;
};

const char* const kUnits[] = {"HARLAN MOWER",   "BRISK TRIMMER", "ORWELL BLOWER", "KESTREL SAW",
                              "DUNMORE TILLER", "VANCE EDGER",   "PELL SPLITTER", "TALLIS PUMP"};
const char* const kComplaints[] = {"WONT START",       "RUNS ROUGH",        "NEEDS TUNE UP",
                                   "BLADE BENT",       "LEAKS OIL",         "PULL CORD BROKEN",
                                   "SMOKES AT IDLE",   "NO POWER UPHILL",   "CHAIN SLIPS",
                                   "ANNUAL SERVICE"};
const char* const kRemarks[] = {"CUSTOMER WANTS BLADES SHARPENED", "CALL BEFORE ORDERING PARTS",
                                "SAME FAULT AS LAST SPRING", "WARRANTY CLAIM PENDING",
                                "PICK UP SATURDAY"};

std::string ModelName(int32_t model) { return "MODEL " + std::to_string(1000 + model); }
int32_t BrandOf(int32_t model) { return 1 + model % 40; }
bool Listed(int32_t model) { return model % 10 != 9; }  // one model in ten is missing

// A job as it is written over time: its fields (the same on every page), its plan of requests
// and pages, and how far it got.
struct Job {
  int32_t number = 0;
  InvoiceRecord fields;
  std::vector<int32_t> pages_per_request;
  std::vector<bool> remark_before;  // a remark record before the request's first page
  size_t request = 0;               // the request being written (0-based)
  int32_t pages_written = 0;        // pages of that request written
  bool remark_written = false;
  int32_t chain = 0;        // records of the chain so far
  int32_t last_record = 0;  // the chain's newest record: the job's index record
  InvoiceRecord last;       // and its fields
  bool Done() const { return request >= pages_per_request.size(); }
};

InvoiceRecord JobFields(Draw& draw, int32_t number, int32_t opened, const ScatteredCompanyOptions& options) {
  InvoiceRecord r;
  r.kind = draw.Chance(0.07) ? 81 : 80;
  r.reference = 100000 + number * 3 + draw.Below(3);
  r.date_in = 20800 + opened / 25;  // some 25 jobs come in a day
  r.priority = 1 + draw.Weighted({55, 15, 6, 6, 5, 5, 4, 4});
  r.status = "BCO12345 "[draw.Weighted({9, 8, 40, 8, 8, 7, 6, 6, 8})];
  r.hold = draw.Chance(0.02) ? 1 : 0;
  if (draw.Chance(options.catalogued)) {
    const int32_t model = draw.Below(kModels);
    r.part_list = true;
    r.brand = BrandOf(model);
    r.model = ModelName(model);
    r.key_tail = "A0" + std::to_string(model % 3);
  } else {
    r.description1 = kUnits[draw.Below(8)];
    r.description2 = kComplaints[draw.Below(10)];
  }
  if (draw.Chance(0.4)) r.serial1 = "SN" + std::to_string(700000 + number);
  if (r.hold == 0 && draw.Chance(0.12)) r.mechanic = 1 + draw.Below(options.mechanics);
  return r;
}

void PlanPages(Draw& draw, Job& job) {
  const int32_t requests = 1 + draw.Weighted({85, 11, 3, 1});
  for (int32_t q = 0; q < requests; ++q) {
    job.pages_per_request.push_back(1 + draw.Weighted({82, 14, 3, 1}));
    job.remark_before.push_back(q > 0 && draw.Chance(0.5));
  }
}

// Writes the job's next record: a remark before a new request, or the next page. Each links to
// the record before it in the chain and becomes the job's index record.
void WriteNext(Draw& draw, CompanyBuilder& company, Job& job) {
  InvoiceRecord record;
  const auto request = static_cast<int32_t>(job.request + 1);
  if (job.pages_written == 0 && job.remark_before[job.request] && !job.remark_written) {
    record.remark = kRemarks[draw.Below(5)];
    record.request = request - 1;  // it closes the request before and labels the new one
    job.remark_written = true;
  } else {
    record = job.fields;
    record.request = request;
    record.job_number = job.number;
    if (++job.pages_written == job.pages_per_request[job.request]) {
      ++job.request;
      job.pages_written = 0;
      job.remark_written = false;
    }
  }
  record.link = job.last_record;
  record.page = ++job.chain;
  job.last_record = company.AddRecord(record);
  if (record.remark.empty()) job.last = record;
}

}  // namespace

ScatteredCompany BuildScatteredCompany(const std::filesystem::path& base, const std::string& computer_name,
                                       const ScatteredCompanyOptions& options) {
  std::filesystem::remove_all(base);
  ShareBuilder share(base / "unc", "SRV", "CO1");
  CompanyBuilder company(share);
  company.SetFile0(ShopFile0());
  for (int32_t m = 1; m <= options.mechanics; ++m) company.AddMechanic({m, "TECH " + std::to_string(m)});
  // Mechanics who left: in the file, not on the board.
  for (int32_t m = 1; m <= 8; ++m) company.AddMechanic({options.mechanics + m, "FORMER " + std::to_string(m), 5000});
  for (int32_t model = 0; model < kModels; ++model) {
    if (Listed(model)) company.AddPart({BrandOf(model), ModelName(model), "A0" + std::to_string(model % 3),
                                        "PART OF " + ModelName(model)});
  }

  Draw draw(options.seed);
  ScatteredCompany written;
  std::vector<Job> jobs;
  jobs.reserve(static_cast<size_t>(options.jobs));
  std::vector<size_t> in_progress;
  int32_t number = 0;
  while (static_cast<int32_t>(jobs.size()) < options.jobs || !in_progress.empty()) {
    // Between the pages: a record freed since, or one of a job long billed whose number was
    // given out again (no chain reaches it).
    if (draw.Chance(0.03)) {
      company.AddFreedRecord();
      ++written.freed;
    }
    if (draw.Chance(0.002)) {
      InvoiceRecord old;
      old.status = 'B';
      old.job_number = 1 + draw.Below(kHighestJobNumber);
      old.description1 = kUnits[draw.Below(8)];
      company.AddRecord(old);
      ++written.outside_chains;
    }
    const bool open_one = static_cast<int32_t>(jobs.size()) < options.jobs &&
                          (in_progress.size() < kJobsInProgress || draw.Chance(0.35));
    if (open_one) {
      const auto left = options.jobs - static_cast<int32_t>(jobs.size());
      number += 1 + (draw.Chance(0.08) && number + 4 + left <= kHighestJobNumber ? 1 + draw.Below(3) : 0);
      Job job;
      job.number = number;
      job.fields = JobFields(draw, number, static_cast<int32_t>(jobs.size()), options);
      PlanPages(draw, job);
      jobs.push_back(std::move(job));
      in_progress.push_back(jobs.size() - 1);
    }
    if (in_progress.empty()) continue;
    // A new job writes its first page now; otherwise one of the jobs in progress gets its next.
    const size_t at = open_one ? in_progress.size() - 1 : static_cast<size_t>(draw.Below(static_cast<int32_t>(in_progress.size())));
    Job& job = jobs[in_progress[at]];
    WriteNext(draw, company, job);
    if (job.Done()) {
      in_progress[at] = in_progress.back();
      in_progress.pop_back();
    }
  }

  std::map<int32_t, std::vector<std::string>> open_rows;
  std::map<int32_t, std::vector<std::string>> finished_rows;
  for (const Job& job : jobs) {
    company.SetIndexEntry(job.number, job.last_record);
    const InvoiceRecord& r = job.last;
    if (r.mechanic == 0) continue;
    const std::string line5 = !r.part_list ? "" : r.model.empty() ? "NOT FOUND" : "PART OF " + r.model;
    const bool listed = !r.part_list || Listed(std::stoi(r.model.substr(6)) - 1000);
    const std::string line = company.ScheduleLine(r, job.number, listed ? line5 : "NOT FOUND");
    // The board keeps finished jobs at the bottom of a list.
    (r.status == 'B' || r.status == 'C' ? finished_rows : open_rows)[r.mechanic].push_back(line);
    ++written.scheduled;
  }
  company.Write(base / "tmp", computer_name);
  for (auto& [mechanic, lines] : open_rows) {
    const auto& finished = finished_rows[mechanic];
    lines.insert(lines.end(), finished.begin(), finished.end());
    company.WriteSchedule(mechanic, lines);
  }
  for (const auto& [mechanic, lines] : finished_rows) {
    if (open_rows.count(mechanic) == 0) company.WriteSchedule(mechanic, lines);
  }
  written.records = 0;
  for (const Job& job : jobs) written.records += job.chain;
  written.records += written.freed + written.outside_chains;
  return written;
}

}  // namespace tervalo::share
