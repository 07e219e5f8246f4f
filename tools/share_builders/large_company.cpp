#include "tools/share_builders/large_company.h"

#include <map>
#include <vector>

#include "tools/share_builders/company_builder.h"

namespace tervalo::share {
namespace {

constexpr int32_t kModels = 200;

std::string ModelName(int32_t model) { return "MODEL " + std::to_string(model); }

// The unit of job i: a catalogued model for the first `catalogued` share of every hundred jobs.
void SetUnit(InvoiceRecord& r, int32_t i, double catalogued) {
  if (i % 100 < static_cast<int32_t>(catalogued * 100.0)) {
    const int32_t model = i % kModels;
    r.part_list = true;
    r.brand = 100 + model % 7;
    r.model = ModelName(model);
    r.key_tail = "A01";
  } else {
    r.description1 = "HARLAN MOWER";
    r.description2 = "HR217 WONT START";
  }
}

std::vector<InvoiceRecord> JobPages(const InvoiceRecord& index_record, int32_t i, int32_t pages) {
  std::vector<InvoiceRecord> chain(static_cast<size_t>(pages), index_record);
  for (InvoiceRecord& page : chain) page.request = 1;
  if (pages > 1 && i % 4 == 0) chain.back().request = 2;
  return chain;
}

}  // namespace

int32_t BuildLargeCompany(const std::filesystem::path& base, const std::string& computer_name,
                          const LargeCompanyOptions& options) {
  std::filesystem::remove_all(base);
  ShareBuilder share(base / "unc", "SRV", "CO1");
  CompanyBuilder company(share);
  company.SetFile0(ShopFile0());
  for (int32_t m = 1; m <= options.mechanics; ++m)
    company.AddMechanic({m, "MECHANIC " + std::to_string(m)});
  for (int32_t model = 0; model < kModels; ++model) {
    if (model % 10 == 9) continue;  // not in the part list: "NOT FOUND"
    company.AddPart({100 + model % 7, ModelName(model), "A01", "PART OF " + ModelName(model)});
  }
  std::map<int32_t, std::vector<std::string>> schedules;
  int32_t records = 0;
  for (int32_t i = 0; i < options.jobs; ++i) {
    const int32_t job_number = i + 1;
    InvoiceRecord r;
    r.reference = 3000000 + i;
    r.date_in = 21000 + i % 60;
    r.priority = 1 + i % 8;
    r.status = "O12345 "[i % 7];
    SetUnit(r, i, options.catalogued);
    if (i < options.mechanics * options.scheduled_each) {
      r.mechanic = 1 + i / options.scheduled_each;
      const bool listed = (i % kModels) % 10 != 9;
      const std::string line5 = !r.part_list ? "" : listed ? "PART OF " + r.model : "NOT FOUND";
      schedules[r.mechanic].push_back(company.ScheduleLine(r, job_number, line5));
    }
    const auto pages = JobPages(r, i, options.pages);
    records += static_cast<int32_t>(pages.size());
    company.AddJob({job_number, pages});
  }
  company.Write(base / "tmp", computer_name);
  for (const auto& [mechanic, lines] : schedules) company.WriteSchedule(mechanic, lines);
  return records;
}

}  // namespace tervalo::share
