#pragma once
// A large company for benchmarks and load tests: many open jobs whose pages form request chains,
// a share of them catalogued units looked up in the part list, and mechanics with scheduled jobs.

#include <cstdint>
#include <filesystem>
#include <string>

namespace tervalo::share {

struct LargeCompanyOptions {
  int32_t jobs = 10000;     // job numbers 1..jobs (the job index holds up to 10086)
  int32_t pages = 3;        // INVOL records per job, chained from the last page to the first
  double catalogued = 0.3;  // share of jobs whose unit is a catalogued model
  int32_t mechanics = 99;
  int32_t scheduled_each = 20;  // the first mechanics * scheduled_each jobs are scheduled
};

// Builds the company under base (base/unc for TERVALO_UNC_ROOT, base/tmp for TMPDIR), replacing
// an earlier one; server SRV, directory CO1, terminal 7 for computer_name. Every fourth job with
// more than one page has two requests (its last page is request 2); one catalogued model in ten
// is missing from the part list. Returns the number of INVOL records written.
int32_t BuildLargeCompany(const std::filesystem::path& base, const std::string& computer_name,
                          const LargeCompanyOptions& options);

}  // namespace tervalo::share
