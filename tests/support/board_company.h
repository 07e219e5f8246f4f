#pragma once
// A small company for board tests: three mechanics (one not shown), a FILE0 with priority colours
// and names, jobs added by each test, and the board's form loaded on it.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "board/frm_tervalo.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/company_builder.h"

namespace tervalo::testing {

inline constexpr int32_t kDay = 21000;  // 29 June 2025

inline share::InvoiceRecord Job(int32_t reference, char status = 'O', int32_t priority = 1) {
  share::InvoiceRecord r;
  r.reference = reference;
  r.status = status;
  r.priority = priority;
  r.date_in = kDay;
  r.description1 = "HARLAN MOWER";
  r.description2 = "HR217 WONT START";
  return r;
}

class BoardCompanyTest : public TempShareTest {
 protected:
  BoardCompanyTest() : company_(share_) {
    share::BoardFile0 file0;
    file0.priority_colors = {0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666, 0x777777, 0x888888};
    file0.priority_names = {"Normal", "Rush", "Warranty", "Fleet", "Rental", "Dealer", "Internal", "Hold"};
    file0.substatus_names = {"Diagnosing", "Parts Order", "On Bench", "Testing", "Call Cust"};
    file0_ = file0;
    company_.AddMechanic({3, "DAVE RUIZ"});
    company_.AddMechanic({4, "ANNA KOWALSKI", 10000});
    company_.AddMechanic({5, "RETIRED", 9999});
  }

  void Build() {
    company_.SetFile0(file0_);
    company_.Write(temp_dir_, host_.computer_name);
  }

  void Load() {
    Build();
    ASSERT_TRUE(form_.Form_Load());
  }

  std::string FileBytes(const std::string& name) {
    std::ifstream in(share_.DataDirectory() / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::vector<std::string> Texts(GridModel& grid, int col) {
    std::vector<std::string> texts;
    for (int r = 0; r < grid.Rows(); ++r) texts.push_back(grid.TextMatrix(r, col));
    return texts;
  }

  // Byte `position` of INVOL record `record` as stored on disk.
  unsigned char InvoiceByte(int32_t record, int position) {
    const std::string bytes = FileBytes("INVDB");
    return static_cast<unsigned char>(bytes[static_cast<size_t>(record) * share::kInvoiceRecordLength + position - 1]);
  }

  std::string ScheduleLine(const share::InvoiceRecord& r, int32_t job) { return company_.ScheduleLine(r, job); }

  share::BoardFile0 file0_;
  share::CompanyBuilder company_;
  frmTervalo form_;
};

}  // namespace tervalo::testing
