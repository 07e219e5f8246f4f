// A job with two requests whose rows go to two mechanics, on tall rows and normal ones: Update
// marks each request's own record, so that after a restart each request is on the list it was
// saved on, once, and on no other board's unassigned grid; sending one back frees only its own
// record.

#include <gtest/gtest.h>

#include "board/frm_tervalo.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "environment/shared_instances.h"
#include "tests/support/board_company.h"

namespace tervalo {
namespace {

using share::InvoiceRecord;
using testing::Job;

class RequestMarksTest : public testing::BoardCompanyTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    file0_.tall_rows = GetParam();
    InvoiceRecord first = Job(42);
    first.request = 1;
    InvoiceRecord second = Job(42);
    second.request = 2;
    second.description1 = "TOLVER GEN";
    second.description2 = "TG3500 NO OUTPUT";
    records_ = company_.AddJob({50, {first, second}});
    company_.AddJob({7, {Job(43)}});
    Build();
  }

  // The row of job 50 in a grid that shows the second request (its unit), or the other one.
  static int RowOf(const GridModel& grid, int col, bool second) {
    for (int r = 0; r < grid.Rows(); ++r) {
      if (grid.JobOf(r).job_number != 50) continue;
      if ((grid.TextMatrix(r, col).find("TOLVER GEN") != std::string::npos) == second) return r;
    }
    return -1;
  }
  static int CountOf(const GridModel& grid, int32_t job) {
    int count = 0;
    for (int r = 0; r < grid.Rows(); ++r) count += grid.JobOf(r).job_number == job ? 1 : 0;
    return count;
  }
  int Mark(size_t request) { return InvoiceByte(records_[request], kMechanicBytePosition); }

  std::vector<int32_t> records_;  // job 50's records, request 1 then request 2
};

TEST_P(RequestMarksTest, EachRequestIsMarkedForItsOwnListAndComesBackThereAfterARestart) {
  ASSERT_EQ(records_.size(), 2u);
  frmTervalo& form = form_;
  ASSERT_TRUE(form.Form_Load());
  BoardState& board = form.board();
  ASSERT_EQ(CountOf(board.g, 50), 2);
  board.g.ClearSelection();
  board.g.Select(RowOf(board.g, 1, false), 0);
  ASSERT_TRUE(form.moves().MoveToMechanic(kUnassigned, 0));
  board.g.ClearSelection();
  board.g.Select(RowOf(board.g, 1, true), 0);
  ASSERT_TRUE(form.moves().MoveToMechanic(kUnassigned, 1));
  form.btnUpdate_Click();
  ASSERT_TRUE(host_.messages.empty()) << host_.messages[0].text;
  EXPECT_EQ(Mark(0), 3) << "request 1 is DAVE RUIZ's";
  EXPECT_EQ(Mark(1), 4) << "request 2 is ANNA KOWALSKI's";

  ResetSharedInstances();
  frmTervalo again;
  ASSERT_TRUE(again.Form_Load());
  EXPECT_TRUE(host_.messages.empty()) << host_.messages[0].text;
  BoardState& restarted = again.board();
  EXPECT_EQ(CountOf(restarted.g, 50), 0) << "no request of job 50 is unassigned";
  ASSERT_EQ(CountOf(restarted.Mg(0), 50), 1);
  ASSERT_EQ(CountOf(restarted.Mg(1), 50), 1);
  EXPECT_GE(RowOf(restarted.Mg(0), 0, false), 0);
  EXPECT_GE(RowOf(restarted.Mg(1), 0, true), 0);

  // A second Update changes nothing: every mark already names its list.
  const std::string invol = FileBytes("INVDB");
  again.btnUpdate_Click();
  EXPECT_EQ(FileBytes("INVDB"), invol);

  // Sending request 2 back frees its own record only; request 1 stays DAVE RUIZ's.
  restarted.Mg(1).ClearSelection();
  restarted.Mg(1).Select(RowOf(restarted.Mg(1), 0, true), 0);
  again.moves().SendBack(1);
  EXPECT_EQ(Mark(0), 3);
  EXPECT_EQ(Mark(1), 0);
  again.btnUpdate_Click();
  ResetSharedInstances();
  frmTervalo third;
  ASSERT_TRUE(third.Form_Load());
  EXPECT_EQ(CountOf(third.board().g, 50), 1);
  EXPECT_GE(RowOf(third.board().g, 1, true), 0) << "request 2 is unassigned";
  EXPECT_EQ(CountOf(third.board().Mg(0), 50), 1);
  EXPECT_EQ(CountOf(third.board().Mg(1), 50), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, RequestMarksTest, ::testing::Values(false, true),
                         [](const auto& param) { return std::string(param.param ? "Tall" : "Normal"); });

}  // namespace
}  // namespace tervalo
