#include "board/job_details.h"

#include <chrono>

#include "board/job_card.h"
#include "board/job_index.h"
#include "board/job_loading.h"
#include "board/job_record.h"
#include "engine/business_basic.h"
#include "engine/calendar.h"
#include "records/address_records.h"
#include "records/invoice_fields.h"
#include "records/serial_number_record.h"

namespace tervalo {
namespace {

std::string TrimRight(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

// The warranty of a serial-number record as of `today`: it runs from the purchase day for the
// warranty months and then the extended months.
void FillWarranty(cBusinessBasic& engine, const SerialNumberRecord& serial, std::chrono::sys_days today,
                  JobDetails& details) {
  using namespace std::chrono;
  const WarrantyDates dates = SerialDates(engine, serial);
  details.warranty_end = dates.ext_warranty.empty() ? dates.warranty : dates.ext_warranty;
  const year_month_day purchase{kDayNumberEpoch + days(serial.Purchase_Day)};
  year_month_day end = purchase + months(serial.Warranty_Months + serial.Ext_Warranty_Months);
  if (!end.ok()) end = end.year() / end.month() / last;  // the 31st of a shorter month
  details.warranty = sys_days(end) >= today ? WarrantyState::kInWarranty : WarrantyState::kExpired;
}

}  // namespace

std::string JobDetails::SearchText() const {
  if (!found) return {};
  return std::to_string(account) + " " + customer;
}

JobDetails ReadJobDetails(cBusinessBasic& engine, int32_t job_number) {
  JobDetails details;
  JobRecordReader reader(engine);
  const int32_t record_number = JobIndex::Load(engine).RecordNumber(job_number);
  if (record_number < 1 || !reader.Exists(record_number)) return details;
  const JobRecord job = reader.Decode(record_number);
  if ((job.kind != kKindJob && job.kind != kKindQuote) || job.is_remark || job.job_number != job_number) {
    return details;
  }
  InvoiceCardFields fields;
  fields.Unpack(reader.Read(record_number));
  details.found = true;
  details.account = fields.Bill_To;
  details.customer = TrimRight(GetAddress(engine, fields.Bill_To).substr(0, 30));
  const UnitDescriptions unit = DescribeUnit(engine, job);
  details.unit = TrimRight(unit.first) + " / " + TrimRight(unit.second);
  details.serial = TrimRight(fields.Serial_1);
  std::string buff;
  int32_t serial_record = 0;
  std::string key = fields.Serial_1_Key;
  engine.KFind("SNBRI", buff, key, serial_record);
  if (serial_record > 0 && !details.serial.empty()) {
    SerialNumberRecord serial;
    serial.Unpack(engine.LreadFile("SNUML", serial_record));
    FillWarranty(engine, serial, engine.Now().day, details);
  }
  return details;
}

}  // namespace tervalo
