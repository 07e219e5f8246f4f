#pragma once
// What the tip of a job row tells beyond its row: the customer, the unit, the serial number and
// the warranty, read from the job's records as the card reads them (its last page, the customer
// or mailing-list address, the serial-number record). Nothing is written.

#include <cstdint>
#include <string>

namespace tervalo {

class cBusinessBasic;

enum class WarrantyState { kUnknown, kInWarranty, kExpired };

struct JobDetails {
  // False when the job index no longer leads to a record of this job (the job was removed or its
  // number taken by another): the board's row is all there is, and it may be out of date.
  bool found = false;
  int32_t account = 0;    // bill-to account
  std::string customer;   // the first line of the bill-to address, without trailing blanks
  std::string unit;       // first description " / " second description
  std::string serial;     // serial number 1, without trailing blanks
  WarrantyState warranty = WarrantyState::kUnknown;  // unknown without a serial-number record
  std::string warranty_end;  // "mm/dd/yy": the end of the extended warranty, else of the warranty

  // The text a search matches beside the row: account and customer name.
  std::string SearchText() const;
};

// The details of job `job_number` through the job index, with today's date from the engine's
// clock. Throws EngineError when the files cannot be read.
JobDetails ReadJobDetails(cBusinessBasic& engine, int32_t job_number);

}  // namespace tervalo
