// Schedule files that are not sound lists: lines that are not jobs (damaged bytes, another
// program's text), a file longer than any list, and lines naming jobs that are gone. The board
// shows what it can, tells the user once, and never writes over what it does not understand.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "board/frm_tervalo.h"
#include "board/job_moves.h"
#include "board/job_text.h"
#include "board/list_watch.h"
#include "environment/shared_instances.h"
#include "tests/support/board_company.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;
using share::InvoiceRecord;
using testing::Job;
using testing::Scheduled;

std::vector<int32_t> JobsOf(const GridModel& grid, int col) {
  std::vector<int32_t> jobs;
  for (int r = 0; r < grid.Rows(); ++r) jobs.push_back(GetJobNumber(grid.TextMatrix(r, col)));
  return jobs;
}

void SelectJob(GridModel& grid, int col, int32_t job) {
  grid.ClearSelection();
  for (int r = 0; r < grid.Rows(); ++r) {
    if (GetJobNumber(grid.TextMatrix(r, col)) == job) grid.Select(r, 0);
  }
}

// Bytes of a damaged file: control bytes among digits and tabs, so that the line has a job number
// and five lines like a job text, and is still none.
std::string DamagedBytes() {
  std::string bytes = "PK\x03\x04";
  bytes += '\0';
  bytes += "  17\t\x1B\t\t\t\xFF";
  return bytes;
}

// Jobs 1 and 2 unassigned; DAVE RUIZ (mechanic 3) has jobs 5 and 6.
class DamagedListsTest : public testing::BoardCompanyTest {
 protected:
  void SetUp() override {
    for (int32_t job : {1, 2}) records_[job] = company_.AddJob({job, {Job(10 + job)}})[0];
    for (int32_t job : {5, 6}) records_[job] = company_.AddJob({job, {Scheduled(Job(10 + job), 3)}})[0];
    Build();
  }

  std::string Line(int32_t job) { return ScheduleLine(Job(10 + job), job); }
  GridModel& Dave(frmTervalo& form) { return form.board().Mg(0); }
  int MarkOf(int32_t job) { return InvoiceByte(records_[job], kMechanicBytePosition); }
  std::string Path() const { return SchedulePath(*gEpcInfo, 3); }
  // The jobs of DAVE RUIZ's file as a start-up reads them.
  std::vector<int32_t> OnDisk() {
    GridModel grid(1);
    LoadSchedule(host_, grid, Path());
    return JobsOf(grid, 0);
  }
  // The messages since the last look, and none kept.
  std::vector<std::string> Told() {
    std::vector<std::string> texts;
    for (const MessageBoxRequest& m : host_.messages) texts.push_back(m.text);
    host_.messages.clear();
    return texts;
  }

  std::map<int32_t, int32_t> records_;
};

TEST_F(DamagedListsTest, AListWithLinesThatAreNotJobsShowsItsJobsAndIsNeverWrittenHere) {
  company_.WriteSchedule(3, {Line(5), DamagedBytes(), "", Line(6), "call the customer back"});
  const std::string file = FileBytes("SCHEDULE.3");
  ASSERT_TRUE(form_.Form_Load());
  const std::string problem = "2 lines of " + Path() + " are not jobs (lines 2 and 5)";
  EXPECT_EQ(Told(), std::vector<std::string>{
                        "These mechanics' lists hold lines that are not jobs (damaged, or written by another "
                        "program):\n    DAVE RUIZ: " + problem +
                        "\n\nTheir jobs are shown, but this workstation will not change these lists, so that "
                        "nothing in them is lost. Once the files are repaired, Refresh reads them again."});
  const ScheduleState& state = form_.board().schedules[0];
  EXPECT_FALSE(state.loaded);
  EXPECT_EQ(state.problem, problem);
  EXPECT_EQ(JobsOf(Dave(form_), 0), (std::vector<int32_t>{5, 6}));

  // No job goes onto it or off it; asked to, the board says why.
  JobMoves& moves = form_.moves();
  SelectJob(form_.board().g, 1, 1);
  EXPECT_FALSE(moves.MoveToMechanic(kUnassigned, 0));
  SelectJob(Dave(form_), 0, 5);
  EXPECT_EQ(moves.RightPress(0, 0), PressResult::kSwallow);
  EXPECT_FALSE(moves.CanMoveFrom(0));
  EXPECT_FALSE(moves.MoveDown(0));
  moves.SendBack(0);
  EXPECT_FALSE(moves.MoveToMechanic(0, 1));
  const std::vector<std::string> refusals = Told();
  ASSERT_EQ(refusals.size(), 4u);
  EXPECT_EQ(refusals[1], "DAVE RUIZ's list is not saved by this workstation, so its jobs stay where they are: " +
                             problem + "\n\nRefresh reads it again.");
  EXPECT_EQ(JobsOf(Dave(form_), 0), (std::vector<int32_t>{5, 6}));
  EXPECT_EQ(MarkOf(5), 3);

  // Update, Refresh and closing save the other lists and leave this file as it is.
  SelectJob(form_.board().g, 1, 1);
  ASSERT_TRUE(moves.MoveToMechanic(kUnassigned, 1));
  form_.btnUpdate_Click();
  EXPECT_EQ(form_.Status().rfind("Saved", 0), 0u) << form_.Status();
  form_.btnRefresh_Click();
  EXPECT_TRUE(form_.Form_QueryUnload().Saved());
  EXPECT_EQ(FileBytes("SCHEDULE.3"), file);
  EXPECT_EQ(MarkOf(1), 4);
  EXPECT_EQ(JobsOf(Dave(form_), 0), (std::vector<int32_t>{5, 6})) << "read again by the Refresh, once";
  Told();

  // Repaired, it is read and saved again.
  company_.WriteSchedule(3, {Line(5), Line(6)});
  form_.btnRefresh_Click();
  ASSERT_TRUE(form_.board().schedules[0].loaded);
  SelectJob(Dave(form_), 0, 5);
  form_.moves().SendBack(0);
  form_.btnUpdate_Click();
  EXPECT_EQ(FileBytes("SCHEDULE.3"), Line(6) + "\r\n");
  EXPECT_TRUE(Told().empty());
}

// In the window's bar the list is named once per workstation, however often it is read again.
TEST_F(DamagedListsTest, AListWithLinesThatAreNotJobsIsToldOncePerWorkstation) {
  company_.WriteSchedule(3, {Line(5), "call the customer back", Line(6)});
  frmTervalo form;
  form.KeepNotices({});
  ASSERT_TRUE(form.Form_Load());
  const std::vector<Notice> notices = form.TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].BarText(), "Lists with lines that are not jobs (their jobs shown, not saved here): DAVE RUIZ: "
                                  "line 2 of " + Path() + " is not a job");
  EXPECT_EQ(notices[0].icon, MessageIcon::kExclamation);
  form.btnRefresh_Click();
  EXPECT_TRUE(form.TakeNotices().empty());
  frmTervalo again;
  again.KeepNotices(form.ToldNotices());
  ASSERT_TRUE(again.Form_Load());
  EXPECT_TRUE(again.TakeNotices().empty()) << "this workstation's next start-up";
  EXPECT_TRUE(host_.messages.empty());
}

// A host whose reads of one text file fail as a file grown past any list's length between the
// look at its stamp and the read does; it counts the reads of that file.
class GrowingListHost : public HostWrapper {
 public:
  GrowingListHost(Host& target, std::string name, bool grown) : HostWrapper(target), name_(std::move(name)), grown_(grown) {}
  HostResult<std::vector<std::string>> ReadTextLines(std::string_view path) override {
    if (!path.ends_with(name_)) return HostWrapper::ReadTextLines(path);
    ++reads;
    if (grown_) return HostStatus(EFBIG, path);
    return HostWrapper::ReadTextLines(path);
  }
  int reads = 0;

 private:
  std::string name_;
  bool grown_;
};

// A file longer than any list is damaged: told, shown empty, never read whole, never written.
TEST_F(DamagedListsTest, AListFileLongerThanAnyListIsTakenAsDamagedWithoutBeingRead) {
  struct Case {
    const char* what;
    bool grown_while_read;  // found longer by the read rather than by the look at its stamp
    std::string problem_after_path;
    int reads;
  } cases[] = {
      {"a hundred megabytes", false,
       " is 104857600 bytes long, more than a list can hold (1048576 bytes): it is taken as damaged and not read", 0},
      {"grown past a list's length while read", true,
       " is more than a list can hold (1048576 bytes): it is taken as damaged and not read", 1},
  };
  for (const Case& c : cases) {
    company_.WriteSchedule(3, {Line(5), Line(6)});
    if (!c.grown_while_read) fs::resize_file(share_.DataDirectory() / "SCHEDULE.3", uintmax_t{100} << 20);
    const auto size = fs::file_size(share_.DataDirectory() / "SCHEDULE.3");
    GrowingListHost growing(host_, "SCHEDULE.3", c.grown_while_read);
    ScopedHost scoped(growing);
    ResetSharedInstances();
    host_.messages.clear();
    frmTervalo form;
    ASSERT_TRUE(form.Form_Load()) << c.what;
    const ScheduleState& state = form.board().schedules[0];
    EXPECT_FALSE(state.loaded) << c.what;
    EXPECT_EQ(state.problem, Path() + c.problem_after_path) << c.what;
    EXPECT_EQ(Dave(form).Rows(), 0) << c.what;
    ASSERT_EQ(host_.messages.size(), 1u) << c.what;
    EXPECT_NE(host_.messages[0].text.find("DAVE RUIZ: " + state.problem), std::string::npos) << host_.messages[0].text;
    EXPECT_EQ(growing.reads, c.reads) << c.what;
    // Jobs marked for DAVE RUIZ are not put back elsewhere: they may be in that file.
    EXPECT_EQ(JobsOf(form.board().g, 1), (std::vector<int32_t>{1, 2})) << c.what;
    SelectJob(form.board().g, 1, 1);
    EXPECT_FALSE(form.moves().MoveToMechanic(kUnassigned, 0)) << c.what;
    form.btnUpdate_Click();
    EXPECT_TRUE(form.Form_QueryUnload().Saved()) << c.what;
    EXPECT_EQ(fs::file_size(share_.DataDirectory() / "SCHEDULE.3"), size) << c.what;
    ResetSharedInstances();
  }
}

// Another program damages a list while the board runs. The live check calls it changed; an Update
// that has no move of this board's to save on it sets it aside as a list not read, says so and saves
// the rest; an undone move cannot be redone onto it; Refresh shows what the file holds.
TEST_F(DamagedListsTest, AListDamagedWhileTheBoardRunsIsSetAsideByTheNextUpdate) {
  company_.WriteSchedule(3, {Line(5), Line(6)});
  ASSERT_TRUE(form_.Form_Load());
  SelectJob(form_.board().g, 1, 1);
  ASSERT_TRUE(form_.moves().MoveToMechanic(kUnassigned, 0));
  form_.moves().Undo();
  company_.WriteSchedule(3, {Line(5), DamagedBytes(), Line(6)});
  const std::string file = FileBytes("SCHEDULE.3");
  const ListCheck check = CheckBoard(host_, WatchBoard(form_.board(), *gEpcInfo));
  EXPECT_EQ(check.changed, std::vector<std::string>{"DAVE RUIZ"});
  EXPECT_TRUE(check.problems.empty());

  form_.btnUpdate_Click();
  EXPECT_EQ(form_.Status().rfind("Saved", 0), 0u) << form_.Status();
  EXPECT_FALSE(form_.board().schedules[0].loaded);
  const std::vector<std::string> told = Told();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("DAVE RUIZ: line 2 of " + Path() + " is not a job"), std::string::npos) << told[0];
  form_.moves().Redo();
  EXPECT_EQ(Told().size(), 1u) << "the redo is refused and the user told why";
  EXPECT_EQ(JobsOf(Dave(form_), 0), (std::vector<int32_t>{5, 6}));
  EXPECT_EQ(JobsOf(form_.board().g, 1), (std::vector<int32_t>{1, 2}));

  company_.WriteSchedule(3, {Line(6), DamagedBytes()});
  form_.btnRefresh_Click();
  EXPECT_EQ(JobsOf(Dave(form_), 0), std::vector<int32_t>{6}) << "the jobs the file holds now";
  EXPECT_EQ(FileBytes("SCHEDULE.3"), Line(6) + "\r\n" + DamagedBytes() + "\r\n");
  EXPECT_EQ(MarkOf(1), 0);
}

// A move onto the list waits to be saved there: the Update fails for that list, says why, and
// keeps the move on the board; nothing is written over the file.
TEST_F(DamagedListsTest, AMoveOntoAListDamagedMeanwhileIsNotSavedAndStaysOnTheBoard) {
  company_.WriteSchedule(3, {Line(5), Line(6)});
  ASSERT_TRUE(form_.Form_Load());
  SelectJob(form_.board().g, 1, 1);
  ASSERT_TRUE(form_.moves().MoveToMechanic(kUnassigned, 0));
  company_.WriteSchedule(3, {Line(5), DamagedBytes(), Line(6)});
  const std::string file = FileBytes("SCHEDULE.3");
  form_.btnUpdate_Click();
  EXPECT_EQ(form_.Status().rfind("Not saved", 0), 0u) << form_.Status();
  const std::vector<std::string> told = Told();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("DAVE RUIZ: line 2 of " + Path() + " is not a job"), std::string::npos) << told[0];
  EXPECT_EQ(FileBytes("SCHEDULE.3"), file);
  EXPECT_EQ(JobsOf(Dave(form_), 0), (std::vector<int32_t>{5, 6, 1}));
  EXPECT_EQ(MarkOf(1), 0);
}

// A row whose job is gone (not in the job index, unassigned in the invoice file, its record now
// another job's) leaves the list, and the user is told which job left which list and why: at
// start-up and Refresh, and when an Update takes a list another workstation saved.
TEST_F(DamagedListsTest, AJobThatLeftAListIsToldWithTheListAndWhy) {
  company_.AddJob({7, {Job(17)}});
  company_.AddJob({8, {Scheduled(Job(18), 3)}});
  Build();
  company_.WriteSchedule(3, {Line(5), Line(7), ScheduleLine(Job(50), 42), ScheduleLine(Job(99), 8), Line(6)});
  ASSERT_TRUE(form_.Form_Load());
  // Job 8, still marked for DAVE RUIZ, comes back with its own text.
  EXPECT_EQ(Told(), (std::vector<std::string>{
                        "These jobs were on mechanics' lists but are no longer scheduled there, so they were taken "
                        "off:\n    Job 7 from DAVE RUIZ (its invoice record says it is unassigned)\n    Job 42 from "
                        "DAVE RUIZ (not in the job index)\n    Job 8 from DAVE RUIZ (its invoice record now holds "
                        "reference 18, not 99)",
                        "These jobs were marked for a mechanic but were on no list, so no workstation showed them. "
                        "They have been put back:\n    Job 8: DAVE RUIZ"}));
  EXPECT_EQ(JobsOf(Dave(form_), 0), (std::vector<int32_t>{5, 6, 8}));
  form_.btnUpdate_Click();
  EXPECT_EQ(OnDisk(), (std::vector<int32_t>{5, 6, 8}));

  // Another workstation saves the list with a job that is gone here.
  company_.WriteSchedule(3, {Line(5), ScheduleLine(Job(50), 42), Line(6), ScheduleLine(Job(18), 8)});
  form_.btnUpdate_Click();
  EXPECT_EQ(Told(), std::vector<std::string>{
                        "These jobs were on mechanics' lists but are no longer scheduled there, so they were taken "
                        "off:\n    Job 42 from DAVE RUIZ (not in the job index)"});
  EXPECT_EQ(JobsOf(Dave(form_), 0), (std::vector<int32_t>{5, 6, 8}));
  EXPECT_EQ(OnDisk(), (std::vector<int32_t>{5, 6, 8}));
}

// On a list this board does not save the row stays in the file and is left out again at every
// Refresh: the workstation tells it once.
TEST_F(DamagedListsTest, AJobLeftOutOfAListNotSavedHereIsToldOnce) {
  company_.WriteSchedule(3, {Line(5), ScheduleLine(Job(50), 42), "call the customer back"});
  frmTervalo form;
  form.KeepNotices({});
  ASSERT_TRUE(form.Form_Load());
  std::vector<std::string> bars;
  for (const Notice& notice : form.TakeNotices()) bars.push_back(notice.BarText());
  EXPECT_EQ(bars, (std::vector<std::string>{"Lists with lines that are not jobs (their jobs shown, not saved here): "
                                            "DAVE RUIZ: line 3 of " + Path() + " is not a job",
                                            "Jobs taken off lists: Job 42 from DAVE RUIZ (not in the job index)"}));
  form.btnRefresh_Click();
  EXPECT_TRUE(form.TakeNotices().empty());
  EXPECT_EQ(JobsOf(Dave(form), 0), std::vector<int32_t>{5});
}

}  // namespace
}  // namespace tervalo
