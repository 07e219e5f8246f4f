// tervalo-share: writes share trees for trying the program out.
//   tervalo-share demo DIR   the demo company under DIR (DIR/unc for TERVALO_UNC_ROOT,
//                            DIR/tmp for TMPDIR)

#include <iostream>
#include <string>

#include "environment/host.h"
#include "tools/demo_company.h"

int main(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != "demo") {
    std::cerr << "usage: tervalo-share demo DIR\n";
    return 2;
  }
  try {
    const auto where =
        tervalo::share::BuildDemoCompany(argv[2], tervalo::CurrentHost().ComputerName());
    std::cout << "TERVALO_UNC_ROOT=" << where.unc_root.string() << "\n"
              << "TMPDIR=" << where.temp_dir.string() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "tervalo-share: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
