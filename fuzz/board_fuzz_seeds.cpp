// Writes seed inputs for board_fuzz: the demo company and small builder companies, packed as
// company_image.h describes. Usage: board_fuzz_seeds OUTDIR

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "fuzz/company_image.h"
#include "host/host.h"
#include "tools/share_builders/company_builder.h"
#include "tools/share_builders/demo_company.h"
#include "tools/share_builders/share_builder.h"

using namespace tervalo;

namespace {

fuzz::CompanyFiles ReadCompany(const std::filesystem::path& data_directory) {
  fuzz::CompanyFiles files;
  for (const auto& entry : std::filesystem::directory_iterator(data_directory)) {
    const std::string name = entry.path().filename().string();
    const bool wanted = name.rfind("SCHEDULE.", 0) == 0 ||
                        std::find(fuzz::ImageFileNames().begin(), fuzz::ImageFileNames().end(),
                                  name) != fuzz::ImageFileNames().end();
    if (!wanted) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[name] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

void WriteSeed(const std::filesystem::path& out, const std::string& name,
               const fuzz::CompanyFiles& files) {
  std::ofstream(out / name, std::ios::binary) << fuzz::EncodeCompany(files);
}

share::InvoiceRecord Job(int32_t reference, char status, int32_t priority, int32_t mechanic) {
  share::InvoiceRecord r;
  r.reference = reference;
  r.status = status;
  r.priority = priority;
  r.mechanic = mechanic;
  r.date_in = 21000;
  r.description1 = "HARLAN MOWER";
  r.description2 = "HR217 WONT START";
  return r;
}

// A builder company of three mechanics and six jobs: two scheduled, one marked for a mechanic
// but on no list, one finished, one a quote, one of two pages.
fuzz::CompanyFiles SmallCompany(const std::filesystem::path& base, bool tall_rows) {
  std::filesystem::remove_all(base);
  share::ShareBuilder share(base / "unc", "SRV", "CO1");
  share::CompanyBuilder company(share);
  share::BoardFile0 file0;
  file0.tall_rows = tall_rows;
  file0.priority_names = {"Normal", "Rush", "Warranty"};
  file0.substatus_names = {"Diagnosing", "Parts Order"};
  company.SetFile0(file0);
  company.AddMechanic({3, "DAVE RUIZ"});
  company.AddMechanic({4, "ANNA KOWALSKI"});
  company.AddMechanic({5, "RETIRED", 9999});
  const share::InvoiceRecord scheduled = Job(41, 'O', 2, 3);
  const share::InvoiceRecord other = Job(42, '1', 1, 4);
  share::InvoiceRecord quote = Job(45, 'O', 1, 0);
  quote.kind = 81;
  company.AddJob({7, {scheduled}});
  company.AddJob({8, {other}});
  company.AddJob({9, {Job(43, 'O', 3, 3)}});
  company.AddJob({1200, {Job(44, 'C', 1, 0)}});
  company.AddJob({11, {quote}});
  company.AddJob({12, {Job(46, 'O', 1, 0), Job(46, '2', 1, 0)}});
  company.Write(base / "tmp", "SEED");
  company.WriteSchedule(3, {company.ScheduleLine(scheduled, 7)});
  company.WriteSchedule(4, {company.ScheduleLine(other, 8), "garbage line without a job"});
  return ReadCompany(share.DataDirectory());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: board_fuzz_seeds OUTDIR\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const std::filesystem::path base = std::filesystem::temp_directory_path() /
                                     ("tervalo-board-seeds-" + std::to_string(::getpid()));
  std::filesystem::create_directories(out);
  WriteSeed(out, "small", SmallCompany(base, false));
  WriteSeed(out, "small-tall-rows", SmallCompany(base, true));
  std::filesystem::remove_all(base);
  const share::DemoLocation demo = share::BuildDemoCompany(base, "SEED");
  WriteSeed(out, "demo",
            ReadCompany(demo.unc_root / share::kDemoServer / "VLTRLNK" / share::kDemoDirectory));
  std::filesystem::remove_all(base);
  return 0;
}
