// A job on two lists, or twice on one: start-up, Refresh and Update keep it on one list (the one
// its mark names, else the first in board order), say so once, and the next save drops the other
// row from its file.

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "board/frm_tervalo.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "environment/shared_instances.h"
#include "tests/support/board_company.h"

namespace tervalo {
namespace {

using share::InvoiceRecord;
using testing::Job;

std::vector<int32_t> JobsOf(const GridModel& grid) {
  std::vector<int32_t> jobs;
  for (int r = 0; r < grid.Rows(); ++r) jobs.push_back(grid.JobOf(r).job_number);
  return jobs;
}

// Jobs 5 and 6 on DAVE RUIZ's list (mechanic 3); job 5 also as each case stages it.
class DoubleJobsTest : public testing::BoardCompanyTest {
 protected:
  void Stage(int mark, const std::vector<int32_t>& dave, const std::vector<int32_t>& anna) {
    for (int32_t job : {5, 6}) {
      InvoiceRecord r = Job(10 + job);
      r.mechanic = job == 5 ? mark : 3;
      records_[job] = company_.AddJob({job, {r}})[0];
    }
    Build();
    WriteLists(dave, anna);
  }
  void WriteLists(const std::vector<int32_t>& dave, const std::vector<int32_t>& anna) {
    for (const auto& [number, jobs] : {std::pair{3, dave}, std::pair{4, anna}}) {
      std::vector<std::string> lines;
      for (int32_t job : jobs) lines.push_back(ScheduleLine(Job(10 + job), job));
      if (!lines.empty()) company_.WriteSchedule(number, lines);
    }
  }
  void SetMark(int32_t job, int mark) {
    std::fstream invol(share_.DataDirectory() / "INVDB", std::ios::in | std::ios::out | std::ios::binary);
    invol.seekp(static_cast<std::streamoff>(records_[job]) * share::kInvoiceRecordLength + kMechanicBytePosition - 1);
    invol.put(static_cast<char>(mark));
  }
  std::vector<int32_t> OnDisk(int number) {
    GridModel grid(1, 0);
    LoadSchedule(host_, grid, SchedulePath(*gEpcInfo, number));
    return JobsOf(grid);
  }

  std::map<int32_t, int32_t> records_;
};

struct StartCase {
  const char* name;
  int mark;  // job 5's mark
  std::vector<int32_t> dave, anna;
  std::vector<int32_t> dave_after, anna_after;
  int mark_after;
  const char* told;
};

const StartCase kStartCases[] = {
    // A board killed between the list that gained job 5 and the one it left (the mark not written yet).
    {"KilledBetweenTwoLists", 3, {5, 6}, {5}, {5, 6}, {}, 3, "Job 5: stays with DAVE RUIZ, taken off ANNA KOWALSKI"},
    // Two boards each saved job 5 on a list; the mark names the later.
    {"SavedByTwoBoards", 4, {5, 6}, {5}, {6}, {5}, 4, "Job 5: stays with ANNA KOWALSKI, taken off DAVE RUIZ"},
    // Its mark names a mechanic who is not on the board; DAVE RUIZ's list is left as it was.
    {"MarkNamesNeither", 5, {6, 5}, {5}, {6, 5}, {}, 5, "Job 5: stays with DAVE RUIZ, taken off ANNA KOWALSKI"},
    {"TwiceOnOneList", 3, {5, 6, 5}, {}, {5, 6}, {}, 3, "Job 5: stays with DAVE RUIZ, taken off DAVE RUIZ"},
};

class DoubleAtStartTest : public DoubleJobsTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(DoubleAtStartTest, StartUpKeepsOneRowTellsOnceAndTheNextSaveDropsTheOther) {
  const StartCase& c = GetParam();
  Stage(c.mark, c.dave, c.anna);
  ASSERT_TRUE(form_.Form_Load());
  EXPECT_EQ(JobsOf(form_.board().Mg(0)), c.dave_after);
  EXPECT_EQ(JobsOf(form_.board().Mg(1)), c.anna_after);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find(c.told), std::string::npos) << host_.messages[0].text;
  host_.messages.clear();
  form_.btnUpdate_Click();
  EXPECT_TRUE(host_.messages.empty()) << host_.messages[0].text;
  EXPECT_EQ(OnDisk(3), c.dave_after);
  EXPECT_EQ(OnDisk(4), c.anna_after);
  EXPECT_EQ(InvoiceByte(records_[5], kMechanicBytePosition), c.mark_after);
  // Once settled it is not told again.
  ResetSharedInstances();
  frmTervalo again;
  ASSERT_TRUE(again.Form_Load());
  EXPECT_TRUE(host_.messages.empty()) << host_.messages[0].text;
}

INSTANTIATE_TEST_SUITE_P(Cases, DoubleAtStartTest, ::testing::ValuesIn(kStartCases),
                         [](const auto& param) { return std::string(param.param.name); });

// Another board saved job 5 on ANNA KOWALSKI's list and marked it, and was stopped before it saved
// DAVE RUIZ's list without it: Refresh takes ANNA's list, keeps job 5 there only, and says so.
TEST_F(DoubleJobsTest, RefreshKeepsAJobThatAnotherBoardLeftOnTwoListsOnOneAndSaysWhere) {
  Stage(3, {5, 6}, {});
  ASSERT_TRUE(form_.Form_Load());
  WriteLists({5, 6}, {5});
  SetMark(5, 4);
  form_.btnRefresh_Click();
  EXPECT_TRUE(host_.messages.empty()) << host_.messages[0].text;
  EXPECT_EQ(JobsOf(form_.board().Mg(0)), (std::vector<int32_t>{6}));
  EXPECT_EQ(JobsOf(form_.board().Mg(1)), (std::vector<int32_t>{5}));
  EXPECT_EQ(OnDisk(3), (std::vector<int32_t>{6}));
  EXPECT_NE(form_.Status().find("Job 5: stays with ANNA KOWALSKI, taken off DAVE RUIZ"), std::string::npos)
      << form_.Status();
}

// A list is saved only when a move changed it: a finished job that the display rule sank to the
// bottom, or a status line refreshed from the invoice file, leaves its file alone.
TEST_F(DoubleJobsTest, AListWhoseFinishedRowOnlySankIsNotRewritten) {
  InvoiceRecord done = Job(15, 'C');
  done.mechanic = 3;
  records_[5] = company_.AddJob({5, {done}})[0];
  InvoiceRecord open = Job(16);
  open.mechanic = 3;
  records_[6] = company_.AddJob({6, {open}})[0];
  Build();
  // The file still shows job 5 open and on top, as it was saved before the job was completed.
  company_.WriteSchedule(3, {ScheduleLine(Job(15), 5), ScheduleLine(Job(16), 6)});
  const std::string before = FileBytes("SCHEDULE.3");
  ASSERT_TRUE(form_.Form_Load());
  ASSERT_EQ(JobsOf(form_.board().Mg(0)), (std::vector<int32_t>{6, 5})) << "the finished job sank";
  form_.btnUpdate_Click();
  EXPECT_EQ(FileBytes("SCHEDULE.3"), before);
  // A real move saves the list, sunk order and all.
  form_.board().Mg(0).Select(0, 0);
  form_.moves().SendBack(0);
  form_.btnUpdate_Click();
  EXPECT_EQ(OnDisk(3), (std::vector<int32_t>{5}));
}

}  // namespace
}  // namespace tervalo
