#include "board/job_card.h"

#include "base/basic_text.h"
#include "board/job_index.h"
#include "board/job_loading.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "engine/business_basic.h"
#include "records/address_records.h"
#include "records/file0_layout.h"
#include "records/invoice_fields.h"
#include "records/serial_number_record.h"

namespace tervalo {
namespace {

constexpr int32_t kDeliveryMethods = 30;
// The card shows one character more of a priority's name than a row.
constexpr int32_t kPriorityNameLength = 11;
constexpr int32_t kAddressLineLength = 30;

std::string Blanks(size_t count) { return std::string(count, ' '); }

struct MonthYear {
  int32_t month;
  int32_t year;
};

// A month moved on by whole months; the year may pass 99 (only its last two digits show).
MonthYear AddMonths(MonthYear from, int32_t months) {
  MonthYear to{from.month + months % 12, from.year + months / 12};
  if (to.month > 12) {
    to.month -= 12;
    to.year += 1;
  }
  return to;
}

std::string DeliveryName(const std::string& block, int32_t method) {
  if (method < 1 || method > kDeliveryMethods) return "";
  return std::string(Mid(block, 1 + file0::kDeliveryNameLength * (method - 1), file0::kDeliveryNameLength));
}

// The priority's name as the card shows it.
// REQUIRES: 1 <= priority <= 8 (JobRecord brings other values to 1).
std::string PriorityName(const std::string& block, int32_t priority) {
  return std::string(Mid(block, file0::PriorityNamePosition(priority), kPriorityNameLength));
}

// The request a tall row stands for: the value of the two characters after "Req ".
int32_t RequestOf(std::string_view job_text) {
  const size_t at = job_text.find("Req ");
  if (at == std::string_view::npos) return 1;
  return static_cast<int32_t>(Val(job_text.substr(at + 4, 2)));
}

std::string Padded(std::string text, size_t length) {
  text.resize(length, ' ');
  return text;
}

std::string CustomerAddress(const std::string& record) {
  CustomerRecord customer;
  customer.Unpack(record);
  std::string address = Padded(customer.Address, kAddressLength);
  // A fourth line starting with "." is not part of the address.
  if (address[90] == '.') address.replace(90, kAddressLineLength, Blanks(kAddressLineLength));
  const size_t slash = address.find('/');
  if (slash != std::string::npos && slash < 29) address[slash] = ' ';
  return address;
}

// The record number KFind finds for exactly this key; 0 for none.
int32_t FindExact(cBusinessBasic& engine, const char* index, std::string key) {
  std::string buff;
  int32_t rec = 0;
  engine.KFind(index, buff, key, rec);
  return rec > 0 ? rec : 0;
}

std::string UnitText(cBusinessBasic& engine, const JobRecord& job) {
  const UnitDescriptions unit = DescribeUnit(engine, job);
  return unit.first + " / " + unit.second;
}

CardItem ItemRow(cBusinessBasic& engine, const InvoiceLineItem& item) {
  if (item.IsRemark()) return {item.Remark, kRemarkBack};
  return {item.Item_Code + " " + engine.Trun(item.Part_Number) + "  " + item.Description,
          kSystemWindowBackground};
}

// The line items of every page in page order; with a request, only that request's pages.
std::vector<CardItem> LineItems(JobRecordReader& reader, const PageList& pages,
                                std::optional<int32_t> request) {
  cBusinessBasic& engine = reader.engine();
  std::vector<CardItem> rows;
  for (int p = 1; p <= pages.count; ++p) {
    const int32_t record_number = pages.record[static_cast<size_t>(p)];
    if (request && reader.Decode(record_number).request_number != *request) continue;
    const std::string& record = reader.Read(record_number);
    InvoiceCardFields page;
    page.Unpack(record);
    for (const InvoiceLineItem& item : LineItemsOf(record, page.Item_Count)) {
      rows.push_back(ItemRow(engine, item));
    }
  }
  return rows;
}

// The record the card's fields come from: the last page, or with tall rows the first record of
// the chosen request.
int32_t HeaderRecord(JobRecordReader& reader, int32_t index_record, const PageList& pages,
                     std::optional<int32_t> request) {
  if (!request) return pages.record[static_cast<size_t>(pages.count)];
  if (*request < 1 || *request > kMaxRequests) throw DamagedJob("request outside 1 to 30");
  const RequestList requests = LoadRequests(reader, index_record);
  const int32_t record_number = requests.record[static_cast<size_t>(*request)];
  if (!reader.Exists(record_number)) throw DamagedJob("the job has no such request");
  return record_number;
}

void FillSerialDates(cBusinessBasic& engine, const InvoiceCardFields& fields, JobCard& card) {
  const int32_t rec = FindExact(engine, "SNBRI", fields.Serial_1_Key);
  if (rec == 0) return;
  SerialNumberRecord serial;
  serial.Unpack(engine.LreadFile("SNUML", rec));
  WarrantyDates dates = SerialDates(engine, serial);
  card.purchase = std::move(dates.purchase);
  card.warranty = std::move(dates.warranty);
  card.ext_warranty = std::move(dates.ext_warranty);
}

std::string Caption(const JobRecord& header, int32_t job_number, std::optional<int32_t> request) {
  std::string caption =
      (header.kind == kKindQuote ? "Quote: " : "Job: ") + std::to_string(job_number);
  if (request) caption += "     Request # " + std::to_string(*request);
  return caption + "     Reference: " + std::to_string(header.reference);
}

JobCard BuildCard(JobRecordReader& reader, int32_t job_number, int32_t index_record,
                  const PageList& pages, std::optional<int32_t> request) {
  cBusinessBasic& engine = reader.engine();
  const int32_t header_record = HeaderRecord(reader, index_record, pages, request);
  const JobRecord header = reader.Decode(header_record);
  InvoiceCardFields fields;
  fields.Unpack(reader.Read(header_record));

  JobCard card;
  card.caption = Caption(header, job_number, request);
  card.account = fields.Bill_To;
  card.address_billto = GetAddress(engine, fields.Bill_To);
  card.address_shipto = Blanks(kAddressLength);
  if (fields.Ship_To > 0) {
    card.shipto = std::to_string(fields.Ship_To);
    card.address_shipto = GetAddress(engine, fields.Ship_To);
  }
  card.part = UnitText(engine, header);
  card.delivery =
      DeliveryName(engine.BlockReadFile("FILE0", file0::kDeliveryNamesBlock, true), fields.Delivery);
  card.sn1 = fields.Serial_1;
  card.sn2 = fields.Serial_2;
  card.meter = fields.Meter.ToString();
  card.priority = PriorityName(engine.BlockReadFile("FILE0", file0::kNamesBlock, true), header.priority);
  card.date_in = fields.Date_In;
  FillSerialDates(engine, fields, card);
  card.items = LineItems(reader, pages, request);
  return card;
}

CardOutcome Failed(const char* message) {
  CardOutcome outcome;
  outcome.message = message;
  return outcome;
}

}  // namespace

PageList LoadPages(JobRecordReader& reader, int32_t record_number) {
  if (!reader.Exists(record_number)) throw DamagedJob("the job's record is outside INVOL");
  JobRecord page = reader.Decode(record_number);
  int32_t p = page.chain_flag;
  if (p > kMaxPages) throw DamagedJob("a page above 200");
  PageList pages;
  pages.count = p;
  if (p >= 1) pages.record[static_cast<size_t>(p)] = record_number;
  // A sound chain takes count - 1 links; more means it runs in a circle.
  for (int links = 0; p > 1; ++links) {
    const int32_t next = page.next_link;
    if (links >= kMaxPages) throw DamagedJob("the page chain runs in a circle");
    if (!reader.Exists(next)) throw DamagedJob("a page link outside INVOL");
    page = reader.Decode(next);
    p = page.chain_flag;
    if (p > kMaxPages) throw DamagedJob("a page above 200");
    if (p >= 1) pages.record[static_cast<size_t>(p)] = next;
  }
  // A page left out would be read from record 0, which is not a page.
  for (int i = 1; i <= pages.count; ++i) {
    if (pages.record[static_cast<size_t>(i)] == 0)
      throw DamagedJob("a page is missing from the chain");
  }
  return pages;
}

std::string GetAddress(cBusinessBasic& engine, int32_t account) {
  if (const int32_t rec = FindExact(engine, "CUSTI", AccountKey(account))) {
    return CustomerAddress(engine.LreadFile("CUSTL", rec));
  }
  if (const int32_t rec = FindExact(engine, "MAILI", AccountKey(account))) {
    MailingRecord mailing;
    mailing.Unpack(engine.LreadFile("MAILL", rec));
    return Padded(mailing.Address, kAddressLength);
  }
  return Blanks(kAddressLength);
}

std::string FormatAddress(std::string_view address) {
  const std::string padded = std::string(address) + Blanks(kAddressLength);
  std::string text;
  for (int line = 0; line < 4; ++line) {
    if (line > 0) text += "\r\n";
    text += padded.substr(static_cast<size_t>(line * kAddressLineLength), kAddressLineLength);
  }
  return text;
}

WarrantyDates SerialDates(cBusinessBasic& engine, const SerialNumberRecord& serial) {
  int32_t day_number = serial.Purchase_Day;
  int32_t month = 0;
  int32_t day = 0;
  int32_t year = 0;
  engine.Stma(11, day_number, month, day, year);
  const MonthYear warranty = AddMonths({month, year}, serial.Warranty_Months);
  const MonthYear extended = AddMonths(warranty, serial.Ext_Warranty_Months);
  WarrantyDates dates{MonthDayYear(month, day, year),
                      MonthDayYear(warranty.month, day, warranty.year), ""};
  const std::string ext = MonthDayYear(extended.month, day, extended.year);
  if (ext != dates.warranty) dates.ext_warranty = ext;
  return dates;
}

AddressView SelectAddress(const JobCard& card, AddressOption option) {
  if (option == AddressOption::kShipTo) {
    return {kOtherAccountBack, kSelectedAccountBack, FormatAddress(card.address_shipto)};
  }
  return {kSelectedAccountBack, kOtherAccountBack, FormatAddress(card.address_billto)};
}

CardOutcome ShowJob(cBusinessBasic& engine, std::string_view job_text, bool tall_rows) {
  const int32_t job_number = GetJobNumber(job_text);
  if (job_number < 1) return {};
  try {
    JobRecordReader reader(engine);
    const int32_t index_record = JobIndex::Load(engine).RecordNumber(job_number);
    const PageList pages = LoadPages(reader, index_record);
    if (pages.count == 0) return Failed(kPageArrayError);
    const std::optional<int32_t> request =
        tall_rows ? std::optional(RequestOf(job_text)) : std::nullopt;
    CardOutcome outcome;
    outcome.card = BuildCard(reader, job_number, index_record, pages, request);
    return outcome;
  } catch (const DamagedJob&) {
    return Failed(kDisplayJobError);
  } catch (const EngineError& error) {
    CardOutcome outcome = Failed(kDisplayJobError);
    outcome.engine_error = error;
    return outcome;
  }
}

}  // namespace tervalo
