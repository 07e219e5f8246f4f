// tervalo-share: writes share trees for trying the program out.
//   tervalo-share demo DIR    the demo company under DIR (DIR/unc for TERVALO_UNC_ROOT,
//                             DIR/tmp for TMPDIR)
//   tervalo-share large DIR [JOBS [PAGES [CATALOGUED]]]
//                             a large company (board_load_bench's): JOBS jobs (10000) of PAGES
//                             records each (3), a CATALOGUED share of catalogued units (0.3),
//                             99 mechanics with 20 scheduled jobs each
//   tervalo-share scattered DIR [JOBS [MECHANICS [CATALOGUED]]]
//                             a company whose invoice file grew as a shop's does: JOBS jobs
//                             (8000) whose pages and request chains are spread across INVOL
//                             between freed records, MECHANICS mechanics (60), a CATALOGUED share
//                             of catalogued units (0.3)

#include <cstdlib>
#include <iostream>
#include <string>

#include "host/host.h"
#include "tools/share_builders/demo_company.h"
#include "tools/share_builders/large_company.h"
#include "tools/share_builders/scattered_company.h"

namespace {

int Usage() {
  std::cerr << "usage: tervalo-share demo DIR\n"
               "       tervalo-share large DIR [JOBS [PAGES [CATALOGUED]]]\n"
               "       tervalo-share scattered DIR [JOBS [MECHANICS [CATALOGUED]]]\n";
  return 2;
}

void PrintLocation(const std::string& base) {
  std::cout << "TERVALO_UNC_ROOT=" << base << "/unc\n"
            << "TMPDIR=" << base << "/tmp\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  const std::string computer = tervalo::CurrentHost().ComputerName();
  try {
    if (command == "demo" && argc == 3) {
      const auto where = tervalo::share::BuildDemoCompany(argv[2], computer);
      std::cout << "TERVALO_UNC_ROOT=" << where.unc_root.string() << "\n"
                << "TMPDIR=" << where.temp_dir.string() << "\n";
      return 0;
    }
    if (command == "scattered" && argc <= 6) {
      tervalo::share::ScatteredCompanyOptions options;
      if (argc > 3) options.jobs = std::atoi(argv[3]);
      if (argc > 4) options.mechanics = std::atoi(argv[4]);
      if (argc > 5) options.catalogued = std::atof(argv[5]);
      if (options.jobs < 1 || options.jobs > 10000 || options.mechanics < 1 || options.mechanics > 99 ||
          options.catalogued < 0 || options.catalogued > 1)
        return Usage();
      tervalo::share::BuildScatteredCompany(argv[2], computer, options);
      PrintLocation(argv[2]);
      return 0;
    }
    if (command != "large" || argc > 6) return Usage();
    tervalo::share::LargeCompanyOptions options;
    if (argc > 3) options.jobs = std::atoi(argv[3]);
    if (argc > 4) options.pages = std::atoi(argv[4]);
    if (argc > 5) options.catalogued = std::atof(argv[5]);
    if (options.jobs < 1 || options.pages < 1 || options.catalogued < 0 || options.catalogued > 1)
      return Usage();
    tervalo::share::BuildLargeCompany(argv[2], computer, options);
    PrintLocation(argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "tervalo-share: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
