#include "tools/share_builders/demo_company.h"

#include <chrono>
#include <map>

#include "tools/share_builders/company_builder.h"
#include "tools/share_builders/records_builder.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo::share {
namespace {

// Today's day number in the system's count (days from 31 December 1967).
int32_t TodayDayNumber() {
  using namespace std::chrono;
  const auto today = floor<days>(system_clock::now());
  return static_cast<int32_t>((today - sys_days{year{1967} / December / 31}).count());
}

BoardFile0 DemoSettings() {
  BoardFile0 file0 = ShopFile0();
  // Priority colours, &HBBGGRR: white, soft red, amber, light green, light blue, lilac, sand, grey.
  file0.priority_colors = {0xFFFFFF, 0xB4B4FF, 0x8CDCFF, 0xB4F0B4, 0xF0D2A0, 0xF0B4DC, 0xB4DCE6, 0xD2D2D2};
  file0.sort_order = "RPDJ";
  file0.delivery_names = {"Customer P/U", "We Deliver", "UPS Ground", "Freight", "Will Call"};
  return file0;
}

constexpr int32_t kDemoShipTo = 7100;

struct Unit {
  const char* first;   // brand and kind, 15 characters
  const char* second;  // model and fault, 21 characters
};

constexpr Unit kUnits[] = {
    {"HARLAN MOWER", "HR217 WONT START"},     {"BRISTOW SAW", "BC450 CHAIN BRAKE"},
    {"TOLVER GEN", "TG3500 NO OUTPUT"},       {"HARLAN TRIMMER", "HT26 CARB CLEAN"},
    {"KESTEL BLOWER", "KB560 RECOIL SPRING"},  {"MARDEN TILLER", "MT900 TINE SHAFT"},
    {"BRISTOW EDGER", "BE220 BELT"},          {"OSTRA WASHER", "OP3100 PUMP LEAK"},
    {"TOLVER SNOW", "TS824 AUGER SHEAR"},     {"KESTEL HEDGE", "KH60 BLADE SHARPEN"},
};

struct CatalogUnit {
  int32_t brand;
  const char* model;
  const char* tail;
  const char* description;  // in the part list; null: not catalogued
};

constexpr CatalogUnit kCatalog[] = {
    {101, "ZT5400 ZERO TURN", "A01", "ZT5400 54IN DECK"},
    {101, "LT1842 TRACTOR", "B02", "LT1842 42IN TRACTOR"},
    {245, "PW3300 PRESSURE", "C10", "PW3300 3300PSI GAS"},
    {312, "CS620 CHAINSAW", "D05", "CS620 20IN BAR SAW"},
    {312, "CS820 CHAINSAW", "D07", nullptr},   // not in the part list
    {1200, "GX990 PUMP", "E01", nullptr},      // brand code out of range
};

constexpr const char* kMechanicNames[] = {
    "DAVE RUIZ",     "ANNA KOWALSKI", "MARCUS BELL",  "PRIYA NAIR",  "TOM OKAFOR",
    "LENA FISCHER",  "SAM WHITFIELD", "JOSE MORALES", "KIM NGUYEN",  "ERIC LUND",
    "OLIVIA GRANT",
};

constexpr char kStatuses[] = {'O', '1', '2', '3', '4', '5', ' ', 'O', 'C', 'B', 'O', '3'};

// Customers' addresses: four 30-character lines. The first shows a "/" inside the name and a
// fourth line that starts with "." (a note, not part of the address).
constexpr const char* kAddresses[] = {
    "GREENFIELD LAWN / GARDEN      1450 MILL ROAD                FAIRVIEW OH 44120             . TAX EXEMPT",
    "PATRICIA HOLLOWAY             88 BIRCH LANE                 EASTON PA 18042",
    "RIVERSIDE GOLF CLUB           ATTN GROUNDS DEPT             2 FAIRWAY DRIVE               MILTON WI 53563",
    "CARL DUNMORE                  517 WEST 4TH STREET           AUBURN IN 46706",
    "NORTHGATE PROPERTY MGMT       PO BOX 2218                   LINDEN NJ 07036",
    "MEI TANAKA                    40 ORCHARD COURT              SPRINGDALE AR 72764",
};

// Not constexpr: clang cannot build std::string members in a constant expression.
const LineItemSpec kPartItems[] = {
    {"PRT", "75404060", "BELT DECK"},    {"PRT", "49190", "AIR FILTER"},
    {"PRT", "RJ19LM", "SPARK PLUG"},     {"PRT", "5300124", "CARB KIT"},
    {"LAB", "TUNEUP", "ENGINE TUNE UP"}, {"LAB", "SHARPEN", "BLADE SHARPEN"},
};

constexpr const char* kRemarks[] = {
    "CUSTOMER WILL PICK UP SATURDAY", "CALL BEFORE ORDERING PARTS", "CHECKED UNDER WARRANTY",
};

// The line items of page `page` of job i.
std::vector<LineItemSpec> DemoItems(int32_t i, int32_t page) {
  std::vector<LineItemSpec> items;
  const auto part = [](int32_t n) { return kPartItems[static_cast<size_t>(n) % std::size(kPartItems)]; };
  items.push_back(part(i + page));
  if ((i + page) % 2 == 0) items.push_back(part(i + page + 3));
  if ((i + page) % 3 == 0) items.push_back({"REM", kRemarks[static_cast<size_t>(i + page) % std::size(kRemarks)], ""});
  return items;
}

// Customers, mailing-list entries and serial-number records for the jobs' accounts and units.
void AddCardRecords(CompanyBuilder& company, int32_t jobs, int32_t today) {
  for (int32_t i = 0; i < jobs; ++i) {
    const AddressEntry entry{5000 + i, kAddresses[static_cast<size_t>(i) % std::size(kAddresses)]};
    if (i % 7 == 6) {
      company.AddMailing(entry);  // a prospect: on the mailing list only
    } else if (i % 13 != 12) {
      company.AddCustomer(entry);  // the others have no address on file
    }
    if (i % 3 != 2) {
      company.AddSerial({"SN" + std::to_string(740000 + i * 37), i % 2 == 0 ? 24 : 18, i % 4 == 0 ? 12 : 0,
                         today - 400 - i * 11});
    }
  }
  company.AddCustomer({kDemoShipTo, "HARBOR RENTALS YARD 2         900 DOCK STREET               PORT CLINTON OH 43452"});
}

}  // namespace

DemoLocation BuildDemoCompany(const std::filesystem::path& base, const std::string& computer_name) {
  DemoLocation where{base / "unc", base / "tmp"};
  std::filesystem::remove_all(where.unc_root);
  std::filesystem::create_directories(where.temp_dir);

  ShareBuilder share(where.unc_root, kDemoServer, kDemoDirectory);
  CompanyBuilder company(share);
  company.SetFile0(DemoSettings());

  int32_t number = 3;
  for (const char* name : kMechanicNames) company.AddMechanic({number++, name, 10000 + number});
  company.AddMechanic({40, "RETIRED TECH", 9999});  // not shown: the field at 198 is not above 9999
  for (const auto& c : kCatalog) {
    if (c.description != nullptr) company.AddPart({c.brand, c.model, c.tail, c.description});
  }

  const int32_t today = TodayDayNumber();
  // Jobs already on mechanics' lists: mechanic number -> schedule lines.
  std::map<int32_t, std::vector<std::string>> schedules;
  for (int32_t i = 0; i < 84; ++i) {
    const int32_t job_number = i < 70 ? 101 + i * 7 : 1000 + i;  // both runs of index blocks
    InvoiceRecord page;
    page.kind = i % 9 == 4 ? 81 : 80;
    page.reference = 2600100 + i * 13;
    page.date_in = today - (i * 5) % 31;
    page.status = kStatuses[i % 12];
    page.priority = i % 10;  // 0 and 9 count as priority 1
    page.bill_to = 5000 + i;
    page.serial1 = "SN" + std::to_string(740000 + i * 37);
    if (i % 4 == 2) page.serial2 = "ENG" + std::to_string(91000 + i);
    page.meter = i % 3 == 0 ? 0 : 125 + i * 37;
    page.delivery = i % 6;  // 0: no delivery method
    if (i == 0) page.ship_to = kDemoShipTo;
    if (i % 6 == 5) {
      const auto& c = kCatalog[static_cast<size_t>(i / 6) % std::size(kCatalog)];
      page.part_list = true;
      page.brand = c.brand;
      page.model = c.model;
      page.key_tail = c.tail;
    } else {
      const Unit& u = kUnits[static_cast<size_t>(i) % std::size(kUnits)];
      page.description1 = u.first;
      page.description2 = u.second;
    }
    // Every fourth of the first 64 jobs is on the list of one of the first eight mechanics; one
    // of them has been billed since it was scheduled.
    if (i < 64 && i % 4 == 1) {
      page.mechanic = 3 + (i / 4) % 8;
      if (page.status == 'B' || page.status == 'C') page.status = 'O';
      std::string line5;
      if (page.part_list) {
        const auto& c = kCatalog[static_cast<size_t>(i / 6) % std::size(kCatalog)];
        line5 = c.description != nullptr && c.brand <= 999 ? c.description : "NOT FOUND";
        if (c.description != nullptr && c.brand <= 999) line5.resize(21, ' ');
      }
      schedules[page.mechanic].push_back(company.ScheduleLine(page, job_number, line5));
      if (i == 9) page.status = 'B';
    }
    JobSpec job{job_number, {}};
    if (i % 8 == 3) {
      // A job with two requests, the second carrying a remark.
      InvoiceRecord first = page;
      first.request = 1;
      InvoiceRecord remark;
      remark.remark = "CUSTOMER WANTS BLADES SHARPENED TOO";
      remark.request = 1;
      page.request = 2;
      job.pages = {first, remark, page};
    } else {
      // Every fifth job runs to three pages, the last one being the index record.
      const int32_t pages = i % 5 == 0 ? 3 : 1;
      for (int32_t p = 1; p <= pages; ++p) {
        InvoiceRecord sheet = page;
        sheet.items = DemoItems(i, p);
        job.pages.push_back(sheet);
      }
    }
    company.AddJob(job);
  }
  AddCardRecords(company, 84, today);
  // The product lines and parts of the wider system, for the people who look after the data.
  RecordsBuilder records(share);
  AddSampleRecords(records);
  records.Write();
  company.AddLinks(records.Links());
  company.Write(where.temp_dir, computer_name);
  for (const auto& [mechanic, lines] : schedules) company.WriteSchedule(mechanic, lines);
  return where;
}

}  // namespace tervalo::share
