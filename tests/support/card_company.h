#pragma once
// A small company for the job card's tests: FILE0 with priority and delivery names, helpers for
// job pages, customers, mailing-list entries and serial numbers, and the card as a double-click
// on a job's row would open it.

#include <cstdint>
#include <string>
#include <vector>

#include "board/job_card.h"
#include "engine/business_basic.h"
#include "environment/shared_instances.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/company_builder.h"

namespace tervalo::testing {

inline constexpr int32_t kCardDay = 21000;  // 29 June 2025

// A one-request job page with a bill-to account, a serial number and a part.
inline share::InvoiceRecord CardPage(int32_t reference = 42) {
  share::InvoiceRecord r;
  r.reference = reference;
  r.date_in = kCardDay;
  r.priority = 2;
  r.bill_to = 5001;
  r.delivery = 2;
  r.meter = 12345;
  r.serial1 = "SN100";
  r.serial2 = "ENG7";
  r.description1 = "HARLAN MOWER";
  r.description2 = "HR217 WONT START";
  r.items = {{"PRT", "75404060", "BELT DECK"}};
  return r;
}

// A grid row's job text as far as the card reads it: "Ref: ..." line with the job number, and
// for a tall row the request label.
inline std::string RowText(int32_t job_number, const std::string& request_label = "") {
  char first[64];
  std::snprintf(first, sizeof first, "Ref: 42         Job: %4d", job_number);
  std::string text =
      std::string(first) + "\n06/29/25 - Rush      \nOpen\nHARLAN MOWER   \nHR217 WONT START     ";
  if (!request_label.empty()) text += "\n" + request_label;
  return text;
}

class CardCompanyTest : public TempShareTest {
 protected:
  CardCompanyTest() : company_(share_) {
    file0_.priority_names = {"Normal", "Rush",   "Warranty", "Fleet",
                             "Rental", "Dealer", "Internal", "Hold"};
    for (int n = 1; n <= 31; ++n) file0_.delivery_names.push_back("METHOD " + std::to_string(n));
    company_.AddMechanic({3, "DAVE RUIZ"});
  }

  // Writes the company's files.
  void Write() {
    company_.SetFile0(file0_);
    company_.Write(temp_dir_, host_.computer_name);
  }
  // Writes the company and starts the engine on it.
  void Build() {
    Write();
    StartEngine();
  }

  CardOutcome Card(int32_t job_number, bool tall_rows = false,
                   const std::string& request_label = "") {
    return ShowJob(*gEngine, RowText(job_number, request_label), tall_rows);
  }

  share::BoardFile0 file0_;
  share::CompanyBuilder company_;
};

}  // namespace tervalo::testing
