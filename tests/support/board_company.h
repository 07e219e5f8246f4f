#pragma once
// A small company for board tests: three mechanics (one not shown), a FILE0 with eight priority
// colours and names, jobs added by each test (Job() in board_records.h), and the board's form
// loaded on it.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "board/frm_tervalo.h"
#include "board/schedule_files.h"
#include "tests/support/board_records.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/company_builder.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo::testing {

class BoardCompanyTest : public TempShareTest {
 protected:
  BoardCompanyTest() : file0_(EightPriorityFile0()), company_(share_) {
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
    return share::ReadBinaryFile(share_.DataDirectory() / name);
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
