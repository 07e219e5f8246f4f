// Two workstations on one board: each list is compared with its file before Update writes it, so
// that one workstation never silently undoes another's moves. Two boards run in one process on
// the same files.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "board/frm_tervalo.h"
#include "board/job_index.h"
#include "board/job_moves.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "board/list_watch.h"
#include "environment/shared_instances.h"
#include "tests/support/board_company.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;
using share::InvoiceRecord;
using testing::Job;

std::vector<int32_t> JobsOf(const GridModel& grid, int col) {
  std::vector<int32_t> jobs;
  for (int r = 0; r < grid.Rows(); ++r) jobs.push_back(GetJobNumber(grid.TextMatrix(r, col)));
  return jobs;
}

// Jobs 1-4 and 7 unassigned, DAVE RUIZ (3) has jobs 5 and 6, ANNA KOWALSKI (4) has no list.
class WorkstationsTest : public testing::BoardCompanyTest {
 public:
  void SetUp() override {
    for (int32_t job : {1, 2, 3, 4, 5, 6, 7}) {
      InvoiceRecord r = Job(10 + job);
      if (job == 5 || job == 6) r.mechanic = 3;
      records_[job] = company_.AddJob({job, {r}})[0];
    }
    Build();
    company_.WriteSchedule(3, {ScheduleLine(Job(15), 5), ScheduleLine(Job(16), 6)});
    ASSERT_TRUE(mine_.Form_Load());
    ASSERT_TRUE(theirs_.Form_Load());
  }

  // Moves a job from g to a mechanic's list on one board.
  static void Give(frmTervalo& board, int32_t job, int mechanic) {
    GridModel& g = board.board().g;
    for (int r = 0; r < g.Rows(); ++r) {
      if (GetJobNumber(g.TextMatrix(r, 1)) == job) g.Select(r, 0);
    }
    ASSERT_TRUE(board.moves().MoveToMechanic(kUnassigned, mechanic));
  }
  static void SendBackAll(frmTervalo& board, int mechanic) {
    GridModel& grid = board.board().Mg(mechanic);
    grid.Select(0, 0, grid.Rows() - 1, 0);
    board.moves().SendBack(mechanic);
  }


 protected:
  std::vector<int32_t> OnDisk(int mechanic_number) {
    GridModel grid(1);
    LoadSchedule(host_, grid, SchedulePath(*gEpcInfo, mechanic_number));
    return JobsOf(grid, 0);
  }
  int MarkOf(int32_t job) { return InvoiceByte(records_[job], kMechanicBytePosition); }

  frmTervalo mine_;
  frmTervalo theirs_;
  std::map<int32_t, int32_t> records_;
};

// A change on both workstations and how the user answers the question (none: cancel).
struct Case {
  std::string name;
  std::function<void(frmTervalo& mine, frmTervalo& theirs)> moves;
  std::optional<UpdateAnswer> answer;
  std::vector<int32_t> dave_on_disk, anna_on_disk;
  std::vector<int32_t> dave_here, anna_here;
  std::vector<int32_t> marks;  // of jobs 1, 2, 5, 7
  std::vector<int32_t> asked_jobs;   // the jobs in conflict the question names
  std::vector<int> asked_lists;      // the lists changed on both sides it names
};

void TheirsGiveTwoMineGivesOne(frmTervalo& m, frmTervalo& t) {
  WorkstationsTest::Give(t, 2, 0);
  t.btnUpdate_Click();
  WorkstationsTest::Give(m, 1, 0);
}

// Both boards still show job 7 unassigned; the other gives it to ANNA KOWALSKI and saves, this
// one gives it to DAVE RUIZ.
void BothGiveSeven(frmTervalo& m, frmTervalo& t) {
  WorkstationsTest::Give(t, 7, 1);
  t.btnUpdate_Click();
  WorkstationsTest::Give(m, 7, 0);
}

// The other board moves job 5 from DAVE RUIZ to ANNA KOWALSKI and saves; this one sends it back.
void TheirsMoveFiveMineSendsItBack(frmTervalo& m, frmTervalo& t) {
  GridModel& dave = t.board().Mg(0);
  dave.Select(0, 0);
  ASSERT_TRUE(t.moves().MoveToMechanic(0, 1));
  t.btnUpdate_Click();
  GridModel& mine = m.board().Mg(0);
  mine.Select(0, 0);
  m.moves().SendBack(0);
}

const UpdateAnswer kDefault{};  // every job with the other workstation's mechanic, both lists' changes kept
UpdateAnswer Lists(ListChoice choice) { return {{}, {choice}}; }
UpdateAnswer JobsHere() { return {{true}, {}}; }

const Case kCases[] = {
    {"Neither", [](frmTervalo&, frmTervalo&) {}, kDefault, {5, 6}, {}, {5, 6}, {}, {0, 0, 3, 0}, {}, {}},
    {"HereOnly", [](frmTervalo& m, frmTervalo&) { WorkstationsTest::Give(m, 1, 0); }, kDefault,
     {5, 6, 1}, {}, {5, 6, 1}, {}, {3, 0, 3, 0}, {}, {}},
    {"ThereOnly", [](frmTervalo&, frmTervalo& t) { WorkstationsTest::Give(t, 2, 0); t.btnUpdate_Click(); }, kDefault,
     {5, 6, 2}, {}, {5, 6, 2}, {}, {0, 3, 3, 0}, {}, {}},
    // A list changed on both sides: by default both moves are kept.
    {"BothKeepBoth", TheirsGiveTwoMineGivesOne, Lists(ListChoice::kKeepBoth), {5, 6, 1, 2}, {}, {5, 6, 1, 2}, {},
     {3, 3, 3, 0}, {}, {0}},
    {"BothTakeTheirs", TheirsGiveTwoMineGivesOne, Lists(ListChoice::kTakeTheirs), {5, 6, 2}, {}, {5, 6, 2}, {},
     {0, 3, 3, 0}, {}, {0}},
    // Keeping this board's list sends the other's addition back to the unassigned jobs, freed.
    {"BothKeepMine", TheirsGiveTwoMineGivesOne, Lists(ListChoice::kKeepMine), {5, 6, 1}, {}, {5, 6, 1}, {},
     {3, 0, 3, 0}, {}, {0}},
    {"BothCancelled", TheirsGiveTwoMineGivesOne, std::nullopt, {5, 6, 2}, {}, {5, 6, 1}, {}, {0, 3, 3, 0}, {}, {0}},
    // Both boards gave job 1 to DAVE RUIZ at the same place: the lists are equal, nothing to ask.
    {"BothTheSame",
     [](frmTervalo& m, frmTervalo& t) {
       WorkstationsTest::Give(t, 1, 0);
       t.btnUpdate_Click();
       WorkstationsTest::Give(m, 1, 0);
     },
     kDefault, {5, 6, 1}, {}, {5, 6, 1}, {}, {3, 0, 3, 0}, {}, {}},
    {"DeletedThere", [](frmTervalo&, frmTervalo& t) { WorkstationsTest::SendBackAll(t, 0); t.btnUpdate_Click(); },
     kDefault, {}, {}, {}, {}, {0, 0, 0, 0}, {}, {}},
    {"CreatedThere", [](frmTervalo&, frmTervalo& t) { WorkstationsTest::Give(t, 7, 1); t.btnUpdate_Click(); },
     kDefault, {5, 6}, {7}, {5, 6}, {7}, {0, 0, 3, 4}, {}, {}},
    // One job given to two mechanics on two boards ends on one list, its mark naming it.
    {"OneJobTwoMechanicsKeepTheirs", BothGiveSeven, kDefault, {5, 6}, {7}, {5, 6}, {7}, {0, 0, 3, 4}, {7}, {}},
    {"OneJobTwoMechanicsKeepMine", BothGiveSeven, JobsHere(), {5, 6, 7}, {}, {5, 6, 7}, {}, {0, 0, 3, 3}, {7}, {}},
    // A job sent back here that the other board moved to another list meanwhile.
    {"SentBackMovedThereKeepTheirs", TheirsMoveFiveMineSendsItBack, kDefault, {6}, {5}, {6}, {5}, {0, 0, 4, 0}, {5},
     {}},
    {"SentBackMovedThereKeepMine", TheirsMoveFiveMineSendsItBack, JobsHere(), {6}, {}, {6}, {}, {0, 0, 0, 0}, {5}, {}},
};

class WhoChangedTest : public WorkstationsTest, public ::testing::WithParamInterface<Case> {};

TEST_P(WhoChangedTest, UpdateTakesKeepsOrAsks) {
  const Case& c = GetParam();
  std::vector<int32_t> asked_jobs;
  std::vector<int> asked_lists;
  mine_.SetConflictQuestion([&](const UpdateQuestion& question) -> std::optional<UpdateAnswer> {
    EXPECT_TRUE(question.can_cancel);
    for (const JobConflict& job : question.jobs) asked_jobs.push_back(job.key.first);
    for (const ListConflict& list : question.lists) asked_lists.push_back(list.list);
    if (!c.answer) return std::nullopt;
    UpdateAnswer answer = DefaultAnswer(question);
    for (size_t i = 0; i < c.answer->keep_here.size() && i < answer.keep_here.size(); ++i) {
      answer.keep_here[i] = c.answer->keep_here[i];
    }
    for (size_t i = 0; i < c.answer->lists.size() && i < answer.lists.size(); ++i) answer.lists[i] = c.answer->lists[i];
    return answer;
  });
  c.moves(mine_, theirs_);
  struct stat before {};
  ::stat((share_.DataDirectory() / "SCHEDULE.3").c_str(), &before);
  const UpdateResult result = mine_.Save();
  EXPECT_TRUE(result.Saved()) << result.Message();
  EXPECT_EQ(result.cancelled, !c.answer.has_value());
  EXPECT_EQ(asked_jobs, c.asked_jobs);
  EXPECT_EQ(asked_lists, c.asked_lists);
  EXPECT_EQ(OnDisk(3), c.dave_on_disk);
  EXPECT_EQ(OnDisk(4), c.anna_on_disk);
  EXPECT_EQ(JobsOf(mine_.board().Mg(0), 0), c.dave_here);
  EXPECT_EQ(JobsOf(mine_.board().Mg(1), 0), c.anna_here);
  EXPECT_EQ((std::vector<int32_t>{MarkOf(1), MarkOf(2), MarkOf(5), MarkOf(7)}), c.marks);
  std::vector<int32_t> shown = JobsOf(mine_.board().g, 1);
  for (int n : {0, 1}) {
    const std::vector<int32_t> listed = JobsOf(mine_.board().Mg(n), 0);
    shown.insert(shown.end(), listed.begin(), listed.end());
  }
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7})) << "every job once on the board";
  // Whatever was dropped or taken off a list is said after the answer.
  const bool dropped = c.name.find("Take") != std::string::npos || c.name.find("KeepMine") != std::string::npos ||
                       c.name.find("KeepTheirs") != std::string::npos;
  if (c.answer) {
    EXPECT_EQ(!result.settled.empty(), dropped || !c.asked_jobs.empty());
  }
  if (c.name == "Neither" || c.name == "ThereOnly") {
    struct stat after {};
    ::stat((share_.DataDirectory() / "SCHEDULE.3").c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino) << "a list unchanged here is not written";
  }
  if (c.name == "BothTakeTheirs") {
    EXPECT_EQ(JobsOf(mine_.board().g, 1).front(), 1) << "the job taken off the list is unassigned again";
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, WhoChangedTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) { return param.param.name; });

TEST_F(WorkstationsTest, AtClosingTheQuestionHasNoCancel) {
  Give(theirs_, 2, 0);
  theirs_.btnUpdate_Click();
  Give(mine_, 1, 0);
  bool cancel_offered = true;
  mine_.SetConflictQuestion([&](const UpdateQuestion& question) -> std::optional<UpdateAnswer> {
    cancel_offered = question.can_cancel;
    return DefaultAnswer(question);
  });
  EXPECT_TRUE(mine_.Form_QueryUnload().Saved());
  EXPECT_FALSE(cancel_offered);
}

// A list unchanged here is read only when its file's stamp changed. Rewriting the file in place
// with its two jobs swapped (the same size) and putting its old modification time back keeps the
// stamp: the board does not look inside. Any change of the stamp makes the board read and take it.
TEST_F(WorkstationsTest, UpdateReadsAnUnchangedListOnlyWhenItsStampChanged) {
  const fs::path file = share_.DataDirectory() / "SCHEDULE.3";
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  const std::string five = ScheduleLine(Job(15), 5);
  const std::string six = ScheduleLine(Job(16), 6);
  ASSERT_EQ(five.size(), six.size());
  std::fstream(file, std::ios::in | std::ios::out | std::ios::binary) << six << "\r\n" << five << "\r\n";
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  EXPECT_TRUE(mine_.Save().Saved());
  EXPECT_EQ(JobsOf(mine_.board().Mg(0), 0), (std::vector<int32_t>{5, 6})) << "same stamp: not read";

  fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(1));
  EXPECT_TRUE(mine_.Save().Saved());
  EXPECT_EQ(JobsOf(mine_.board().Mg(0), 0), (std::vector<int32_t>{6, 5})) << "new stamp: read and taken";
}

// The background check: one look per list, a read only where the stamp changed, the job index's
// blocks for jobs that came or went. Each case changes the share behind this board's back.
struct CheckCase {
  std::string name;
  std::function<void(frmTervalo& theirs, const fs::path& data)> change;
  std::vector<std::string> changed;
  bool jobs_changed;
  bool problem;
  bool confirmed;  // read again because its stamp changed, and found as it was
};

const CheckCase kCheckCases[] = {
    {"Nothing", [](frmTervalo&, const fs::path&) {}, {}, false, false, false},
    {"SameListWrittenAgain",
     [](frmTervalo&, const fs::path& data) {
       const fs::path file = data / "SCHEDULE.3";
       const std::string text = share::ReadBinaryFile(file);
       fs::remove(file);
       std::ofstream(file, std::ios::binary) << text;
       fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(1));
     },
     {}, false, false, true},
    {"ListSavedThere", [](frmTervalo& t, const fs::path&) { WorkstationsTest::Give(t, 7, 1); t.btnUpdate_Click(); },
     {"ANNA KOWALSKI"}, false, false, false},
    {"ListRemovedThere", [](frmTervalo&, const fs::path& data) { fs::remove(data / "SCHEDULE.3"); },
     {"DAVE RUIZ"}, false, false, false},
    {"ListCannotBeRead", [](frmTervalo&, const fs::path& data) {
       fs::remove(data / "SCHEDULE.3");
       fs::create_directory(data / "SCHEDULE.3"); },
     {}, false, true, false},
    // Job 8 gets an index entry (block 451, slot 8): record number 7, big-endian.
    {"NewJob", [](frmTervalo&, const fs::path& data) {
       std::fstream file0(data / "FILE0", std::ios::in | std::ios::out | std::ios::binary);
       file0.seekp(451 * 512 + 8 * 4);
       file0.write("\x00\x00\x00\x07", 4); },
     {}, true, false, false},
};

class CheckTest : public WorkstationsTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckTest, SeesOtherWorkstationsSavesAndNewJobs) {
  const CheckCase& c = GetParam();
  c.change(theirs_, share_.DataDirectory());
  const ListCheck check = CheckBoard(host_, WatchBoard(mine_.board(), *gEpcInfo));
  EXPECT_EQ(check.changed, c.changed);
  EXPECT_EQ(check.jobs_changed, c.jobs_changed);
  EXPECT_EQ(!check.problems.empty(), c.problem) << (check.problems.empty() ? "" : check.problems[0]);
  EXPECT_EQ(!check.confirmed.empty(), c.confirmed);
  KeepConfirmedStamps(mine_.board(), check.confirmed);
  EXPECT_TRUE(CheckBoard(host_, WatchBoard(mine_.board(), *gEpcInfo)).confirmed.empty())
      << "a list found unchanged is not read again";
}

// Every list looks gone when their folder is (renamed, or the share unmounted): the check tells
// the folder, not lists deleted on another workstation. The folder is looked up under another name
// (a folder kept open by the server cannot be renamed away over SMB).
TEST_F(WorkstationsTest, ACheckOfAFolderThatIsGoneNamesTheFolder) {
  WatchedBoard watched = WatchBoard(mine_.board(), *gEpcInfo);
  const std::string gone = watched.data_folder + "-away";
  for (WatchedList& list : watched.lists) list.path = gone + list.path.substr(watched.data_folder.size());
  watched.data_folder = gone;
  const ListCheck check = CheckBoard(host_, watched);
  EXPECT_TRUE(check.changed.empty()) << check.changed[0];
  ASSERT_FALSE(check.problems.empty());
  EXPECT_EQ(check.problems[0], "the data folder " + gone + " cannot be found");
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckTest, ::testing::ValuesIn(kCheckCases),
                         [](const ::testing::TestParamInfo<CheckCase>& param) { return param.param.name; });

}  // namespace
}  // namespace tervalo
