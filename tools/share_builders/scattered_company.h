#pragma once
// A company shaped as a shop's invoice file grows: records lie in the order they were written, not
// in job-number order. A job's pages are written over weeks, so each job's request chain is spread
// across the file between other jobs' pages; freed records lie between them, and a few records of
// jobs whose numbers were given out again are in no chain. Quotes, finished and held jobs,
// catalogued units looked up in the part list, remarks and several requests for some jobs.

#include <cstdint>
#include <filesystem>
#include <string>

namespace tervalo::share {

struct ScatteredCompanyOptions {
  int32_t jobs = 8000;  // jobs in the job index (numbers up to the index's 10086)
  int32_t mechanics = 60;
  double catalogued = 0.3;  // share of jobs whose unit is a catalogued model
  uint32_t seed = 22;       // the same seed writes the same files
};

// What was written, for benchmarks and tests.
struct ScatteredCompany {
  int32_t records = 0;         // INVOL records, freed ones included
  int32_t freed = 0;           // records on the free chain
  int32_t outside_chains = 0;  // records no job's chain reaches
  int32_t scheduled = 0;       // jobs on the mechanics' lists
};

// Builds the company under base (base/unc for TERVALO_UNC_ROOT, base/tmp for TMPDIR), replacing
// an earlier one; server SRV, directory CO1, terminal 7 for computer_name.
ScatteredCompany BuildScatteredCompany(const std::filesystem::path& base, const std::string& computer_name,
                                       const ScatteredCompanyOptions& options);

}  // namespace tervalo::share
