// Moving jobs without a window: drags between and within grids, the Delete key, menu and keyboard
// moves, and undo, on a small company whose files are read back from disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>

#include "board/frm_tervalo.h"
#include "board/job_index.h"
#include "board/job_moves.h"
#include "board/job_text.h"
#include "board/schedule_files.h"
#include "engine/business_basic.h"
#include "environment/shared_instances.h"
#include "tests/support/board_company.h"
#include "tests/support/fault_host.h"

namespace tervalo {
namespace {

using share::InvoiceRecord;
using testing::Job;

constexpr int kRowHeight = 1000;

// The pointer over row `row` of a grid showing six rows.
PointerPlace AtRow(int row) { return {row * kRowHeight + kRowHeight / 2, kRowHeight, 6 * kRowHeight}; }

std::vector<int32_t> JobsOf(const GridModel& grid, int col) {
  std::vector<int32_t> jobs;
  for (int r = 0; r < grid.Rows(); ++r) jobs.push_back(GetJobNumber(grid.TextMatrix(r, col)));
  return jobs;
}

std::vector<int> SelectedOf(const GridModel& grid) {
  std::vector<int> rows;
  for (int r = 0; r < grid.Rows(); ++r) {
    if (grid.IsSelected(r)) rows.push_back(r);
  }
  return rows;
}

void SelectRows(GridModel& grid, const std::vector<int>& rows) {
  grid.ClearSelection();
  for (int r : rows) grid.SetSelected(r, true);
  if (!rows.empty()) grid.SetRow(rows.front());
}

// Jobs 1-5 unassigned (references 11-15, priorities 1-5); jobs 6 and 7 on DAVE RUIZ (mechanic 3),
// with job 8 completed at the bottom of his list.
class JobMovesTest : public testing::BoardCompanyTest {
 protected:
  void SetUp() override {
    for (int32_t job = 1; job <= 5; ++job) records_[job] = company_.AddJob({job, {Job(10 + job, 'O', job)}})[0];
    for (int32_t job = 6; job <= 8; ++job) {
      InvoiceRecord r = Job(10 + job, job == 8 ? 'C' : 'O', 2);
      r.mechanic = 3;
      records_[job] = company_.AddJob({job, {r}})[0];
    }
    Build();
    company_.WriteSchedule(3, {ScheduleLine(Job(16, 'O', 2), 6), ScheduleLine(Job(17, 'O', 2), 7),
                               ScheduleLine(Job(18, 'C', 2), 8)});
    ASSERT_TRUE(form_.Form_Load());
  }

  GridModel& g() { return form_.board().g; }
  GridModel& dave() { return form_.board().Mg(0); }
  GridModel& anna() { return form_.board().Mg(1); }
  JobMoves& moves() { return form_.moves(); }
  int MarkOf(int32_t job) { return InvoiceByte(records_[job], kMechanicBytePosition); }
  void WriteMark(int32_t job, char value) {
    std::fstream file(share_.DataDirectory() / "INVDB", std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(records_[job]) * share::kInvoiceRecordLength + kMechanicBytePosition - 1);
    file.put(value);
  }
  // A whole drag: press on `row` of `from`, drop where `drop` says, complete.
  bool Drag(int from, int row, const std::function<bool(const std::string&)>& drop) {
    if (moves().RightPress(from, row) != PressResult::kDragRows) return false;
    const std::string text = moves().StartDrag(from);
    const bool taken = drop(text);
    moves().CompleteDrag(taken);
    return taken;
  }

  std::map<int32_t, int32_t> records_;
};

TEST_F(JobMovesTest, ThreeJobsDraggedFromUnassignedKeepTheirOrderOnTheMechanic) {
  ASSERT_EQ(JobsOf(g(), 1), (std::vector<int32_t>{1, 2, 3, 4, 5}));
  SelectRows(g(), {0, 2, 4});
  EXPECT_TRUE(Drag(kUnassigned, 2, [&](const std::string& text) {
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 2);
    EXPECT_EQ(text.substr(0, text.find('\t')), g().TextMatrix(0, 0)) << "a row from g carries its sort key";
    return moves().DropOnMechanic(0, text, AtRow(1));
  }));
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{6, 1, 3, 5, 7, 8}));
  EXPECT_EQ(JobsOf(g(), 1), (std::vector<int32_t>{2, 4}));
  EXPECT_EQ(dave().Cell(1, 0).back, Color{0x111111});
  EXPECT_EQ(dave().Cell(2, 0).back, Color{0x333333});
  EXPECT_EQ(dave().Cell(3, 0).back, Color{0x555555});
  EXPECT_EQ(SelectedOf(dave()), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(MarkOf(1), 0) << "a drop on a mechanic writes nothing until Update";
}

TEST_F(JobMovesTest, RightPressStartsADragOnlyOnASelectedUnfinishedRow) {
  form_.chkHide_Click(true);
  SelectRows(g(), {1});
  SelectRows(dave(), {0, 2});
  struct Case {
    int grid;
    int row;
    PressResult expected;
  } cases[] = {
      {kUnassigned, 1, PressResult::kDragRows},  {kUnassigned, 0, PressResult::kLeaveToGrid},
      {kUnassigned, -1, PressResult::kLeaveToGrid}, {0, 0, PressResult::kDragRows},
      {0, 1, PressResult::kLeaveToGrid},         {0, 2, PressResult::kSwallow},  // job 8 is complete
  };
  for (const Case& c : cases) EXPECT_EQ(moves().RightPress(c.grid, c.row), c.expected) << c.grid << "/" << c.row;
}

TEST_F(JobMovesTest, RefusedDropsChangeNothing) {
  const auto g_before = JobsOf(g(), 1);
  SelectRows(g(), {0});
  EXPECT_FALSE(Drag(kUnassigned, 0, [&](const std::string& text) { return moves().DropOnUnassigned(text, AtRow(3)); }));
  EXPECT_EQ(JobsOf(g(), 1), g_before) << "g onto g";

  SelectRows(dave(), {1});
  EXPECT_FALSE(Drag(0, 1, [&](const std::string& text) { return moves().DropOnMechanic(0, text, AtRow(1)); }));
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{6, 7, 8})) << "onto its own row";

  // Another program's text without a job in it, and a released drag that no grid took.
  EXPECT_FALSE(moves().DropOnMechanic(1, "hello\rworld\t\r", AtRow(0)));
  EXPECT_FALSE(Drag(0, 1, [](const std::string&) { return false; }));
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{6, 7, 8}));
  EXPECT_EQ(anna().Rows(), 0);
  EXPECT_FALSE(moves().CanUndo());
}

TEST_F(JobMovesTest, MovesWithinOneMechanicGrid) {
  SelectRows(dave(), {0});
  EXPECT_TRUE(Drag(0, 0, [&](const std::string& text) { return moves().DropOnMechanic(0, text, AtRow(2)); }));
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{7, 6, 8}));
  EXPECT_EQ(SelectedOf(dave()), (std::vector<int>{1}));
  // Below the last row appends.
  SelectRows(dave(), {0});
  EXPECT_TRUE(Drag(0, 0, [&](const std::string& text) { return moves().DropOnMechanic(0, text, AtRow(9)); }));
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{6, 8, 7}));
}

TEST_F(JobMovesTest, ADropOnUnassignedFreesTheJobAtOnceAndSortsItIn) {
  SelectRows(dave(), {0});
  EXPECT_TRUE(Drag(0, 0, [&](const std::string& text) { return moves().DropOnUnassigned(text, AtRow(0)); }));
  EXPECT_EQ(MarkOf(6), 0);
  EXPECT_EQ(MarkOf(7), 3);
  EXPECT_EQ(JobsOf(g(), 1), (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(g().TextMatrix(5, 0), "0000016 2 21000 0006 ");
  EXPECT_EQ(g().Cell(5, 1).back, Color{0x222222});
  EXPECT_EQ(g().Row(), 5);
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{7, 8}));
}

TEST_F(JobMovesTest, OnlyJobLinesOfAForeignDropAreInserted) {
  const std::string job2 = g().TextMatrix(1, 1);
  moves().ExternalDragEntered();
  EXPECT_TRUE(moves().DropOnMechanic(1, "a note\r\r" + job2 + "\rRef: 1\nno number\nOpen", AtRow(0)));
  EXPECT_EQ(JobsOf(anna(), 0), (std::vector<int32_t>{2}));
  // Nothing at all to drop: the board says so.
  moves().ExternalDragEntered();
  EXPECT_FALSE(moves().DropOnMechanic(1, "", AtRow(0)));
  ASSERT_FALSE(host_.messages.empty());
  EXPECT_EQ(host_.messages.back().text, "empty");
}

TEST_F(JobMovesTest, DeleteSendsEachSelectedUnfinishedJobBackOnItsOwn) {
  form_.chkHide_Click(true);
  SelectRows(dave(), {0, 1, 2});
  moves().SendBack(0);
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{8})) << "the completed job stays";
  EXPECT_EQ(JobsOf(g(), 1), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(g().Cols(), 2);
  EXPECT_EQ(SplitLines(g().TextMatrix(6, 1)).size(), 5u) << "one job per row";
  EXPECT_EQ(MarkOf(6), 0);
  EXPECT_EQ(MarkOf(7), 0);
  EXPECT_EQ(MarkOf(8), 3);
  // Nothing selected, or nothing left: no change.
  moves().SendBack(1);
  EXPECT_EQ(g().Rows(), 7);
}

TEST_F(JobMovesTest, MenuAndKeyboardMovesDoWhatTheDragsDo) {
  SelectRows(g(), {3});
  EXPECT_TRUE(moves().MoveToMechanic(kUnassigned, 1));
  EXPECT_EQ(JobsOf(anna(), 0), (std::vector<int32_t>{4}));
  EXPECT_EQ(JobsOf(g(), 1), (std::vector<int32_t>{1, 2, 3, 5}));

  SelectRows(dave(), {0});
  EXPECT_FALSE(moves().MoveUp(0)) << "already at the top";
  EXPECT_TRUE(moves().MoveDown(0));
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{7, 6, 8}));
  EXPECT_FALSE(moves().MoveDown(0)) << "only the hidden completed job is below";
  EXPECT_TRUE(moves().MoveUp(0));
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{6, 7, 8}));
  EXPECT_TRUE(moves().MoveToMechanic(0, 1));
  EXPECT_EQ(JobsOf(anna(), 0), (std::vector<int32_t>{4, 6}));

  form_.chkHide_Click(true);
  SelectRows(dave(), {1});  // job 8, completed
  EXPECT_FALSE(moves().CanMoveFrom(0));
  EXPECT_FALSE(moves().MoveToMechanic(0, 1));
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{7, 8}));
}

TEST_F(JobMovesTest, UndoAndRedoPutGridsAndMarksBack) {
  const auto g_before = JobsOf(g(), 1);
  SelectRows(g(), {0, 1});
  ASSERT_TRUE(moves().MoveToMechanic(kUnassigned, 0));
  SelectRows(dave(), {0});
  moves().SendBack(0);  // job 6 back: byte cleared
  ASSERT_EQ(MarkOf(6), 0);

  moves().Undo();
  EXPECT_EQ(MarkOf(6), 3) << "the mark comes back with the row";
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{6, 7, 8, 1, 2}));
  moves().Undo();
  EXPECT_EQ(JobsOf(g(), 1), g_before);
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{6, 7, 8}));
  EXPECT_FALSE(moves().CanUndo());

  moves().Redo();
  moves().Redo();
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{7, 8, 1, 2}));
  EXPECT_EQ(MarkOf(6), 0);
  EXPECT_FALSE(moves().CanRedo());

  form_.btnRefresh_Click();
  EXPECT_FALSE(moves().CanUndo()) << "a reload forgets the moves";
}

TEST_F(JobMovesTest, UndoLeavesAMarkThatAnotherWorkstationWrote) {
  SelectRows(dave(), {0});
  moves().SendBack(0);
  WriteMark(6, 4);  // another workstation gave job 6 to ANNA KOWALSKI meanwhile
  host_.messages.clear();
  moves().Undo();
  EXPECT_EQ(MarkOf(6), 4);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find(" 6"), std::string::npos);
  // It belongs to the list it is marked for now: not back on DAVE RUIZ's list here, nor unassigned,
  // and an Update neither lists it twice nor marks it over.
  const std::vector<int32_t> dave_jobs = JobsOf(dave(), 0);
  EXPECT_EQ(std::count(dave_jobs.begin(), dave_jobs.end(), 6), 0);
  const std::vector<int32_t> unassigned = JobsOf(g(), 1);
  EXPECT_EQ(std::count(unassigned.begin(), unassigned.end(), 6), 0);
  form_.btnUpdate_Click();
  EXPECT_EQ(MarkOf(6), 4);

  // Undoing a move onto a mechanic after Update frees the job again, unless another workstation
  // has it by then.
  SelectRows(g(), {0});
  ASSERT_TRUE(moves().MoveToMechanic(kUnassigned, 1));
  form_.btnUpdate_Click();
  ASSERT_EQ(MarkOf(1), 4);
  moves().Undo();
  EXPECT_EQ(MarkOf(1), 0);
  EXPECT_EQ(JobsOf(g(), 1).front(), 1);
}

// Another workstation deletes a job after it was sent back here: its index entry goes and its
// record is freed (zeros) or given to a new job. Undoing the send-back must not mark that record.
TEST_F(JobMovesTest, UndoOfASendBackOfAJobDeletedMeanwhileWritesNothingAndSaysSo) {
  const auto write_bytes = [&](const char* file, int64_t offset, const std::string& bytes) {
    std::fstream out(share_.DataDirectory() / file, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(offset);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  struct Case {
    int32_t job;  // on DAVE RUIZ's list, first row
    bool reused;  // the freed record holds job 9 (kind 80 at 1, number 9 at 101) afterwards
  };
  for (const Case c : {Case{6, false}, Case{7, true}}) {
    SCOPED_TRACE("job " + std::to_string(c.job) + (c.reused ? ", record reused" : ", record freed"));
    ASSERT_EQ(JobsOf(dave(), 0).front(), c.job);
    SelectRows(dave(), {0});
    moves().SendBack(0);
    ASSERT_EQ(MarkOf(c.job), 0);
    const int64_t record = static_cast<int64_t>(records_[c.job]) * share::kInvoiceRecordLength;
    write_bytes("FILE0", 451 * 512 + 4 * c.job, std::string(4, '\0'));  // the job leaves the index
    write_bytes("INVDB", record, std::string(share::kInvoiceRecordLength, '\0'));
    if (c.reused) {
      write_bytes("INVDB", record, std::string("\x00\x50", 2));
      write_bytes("INVDB", record + 100, std::string("\x00\x09", 2));
    }
    const std::string before = FileBytes("INVDB");
    host_.messages.clear();
    moves().Undo();
    EXPECT_EQ(FileBytes("INVDB"), before) << "no mark written into the record";
    ASSERT_EQ(host_.messages.size(), 1u);
    const std::string told = "no longer in the invoice file (deleted on another workstation): " + std::to_string(c.job);
    EXPECT_NE(host_.messages[0].text.find(told), std::string::npos) << host_.messages[0].text;
    const std::vector<int32_t> dave_jobs = JobsOf(dave(), 0);
    EXPECT_EQ(std::count(dave_jobs.begin(), dave_jobs.end(), c.job), 0);
    const std::vector<int32_t> unassigned = JobsOf(g(), 1);
    EXPECT_EQ(std::count(unassigned.begin(), unassigned.end(), c.job), 0);
  }
}

// Refresh reloads every grid, so the undo steps, which hold the grids from before, go; the
// status line says so when there were any.
TEST_F(JobMovesTest, RefreshEndsTheUndoStepsAndSaysSo) {
  form_.btnRefresh_Click();
  EXPECT_EQ(form_.Status().find("undone"), std::string::npos) << form_.Status();
  SelectRows(g(), {0});
  ASSERT_TRUE(moves().MoveToMechanic(kUnassigned, 1));
  moves().Undo();
  ASSERT_TRUE(moves().CanRedo());
  form_.btnRefresh_Click();
  EXPECT_FALSE(moves().CanUndo());
  EXPECT_FALSE(moves().CanRedo());
  EXPECT_NE(form_.Status().find("; the moves before this Refresh can no longer be undone"), std::string::npos)
      << form_.Status();
  EXPECT_EQ(JobsOf(g(), 1), (std::vector<int32_t>{1, 2, 3, 4, 5})) << "nothing lost: the undone move stays undone";
}

TEST_F(JobMovesTest, UndoKeepsTheLastHundredMoves) {
  // 101 moves of DAVE RUIZ's first job down and up again; the first of them is forgotten.
  SelectRows(dave(), {0});
  for (int move = 1; move <= 101; ++move) ASSERT_TRUE(move % 2 == 1 ? moves().MoveDown(0) : moves().MoveUp(0)) << move;
  ASSERT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{7, 6, 8}));
  int undone = 0;
  while (moves().CanUndo()) {
    moves().Undo();
    ++undone;
  }
  EXPECT_EQ(undone, 100);
  EXPECT_EQ(JobsOf(dave(), 0), (std::vector<int32_t>{7, 6, 8})) << "as the first move left it";
  EXPECT_TRUE(moves().CanRedo());
  // The forgotten move is still not saved: the board is not what start-up read.
  EXPECT_EQ(moves().UnsavedMoves(), 1u);
  moves().Redo();
  EXPECT_EQ(moves().UnsavedMoves(), 2u);
}

// How many moves the board is away from what was last saved, after each step of a session. Every
// case starts from a save; a move puts DAVE RUIZ's first job below his second or back.
TEST_F(JobMovesTest, TheMovesNotSavedFollowMovesUndoRedoAndSaves) {
  struct Case {
    const char* name;
    const char* steps;  // m: move, u: undo, r: redo, s: a save that wrote everything, f: one that did not
    std::vector<size_t> unsaved;  // after each step
  } cases[] = {
      {"moves count, undo and redo follow", "mmmuur", {1, 2, 3, 2, 1, 2}},
      {"undo back to the save leaves none", "mmuu", {1, 2, 1, 0}},
      {"undo behind a save counts, redo to it clears", "mmsuurr", {1, 2, 0, 1, 2, 1, 0}},
      {"a failed save keeps them", "mmfmuuu", {1, 2, 2, 3, 2, 1, 0}},
      {"a new move after undoing saved moves keeps those counted", "mmsuumuus", {1, 2, 0, 1, 2, 3, 2, 3, 0}},
  };
  const auto move = [&] {
    int row = 0;
    while (row < dave().Rows() && GetJobNumber(dave().TextMatrix(row, 0)) != 6) ++row;
    SelectRows(dave(), {row});
    return row == 0 ? moves().MoveDown(0) : moves().MoveUp(0);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    moves().SaveEnded(true);
    ASSERT_EQ(moves().UnsavedMoves(), 0u);
    std::vector<size_t> unsaved;
    for (const char* step = c.steps; *step != '\0'; ++step) {
      switch (*step) {
        case 'm': ASSERT_TRUE(move()); break;
        case 'u': ASSERT_TRUE(moves().CanUndo()); moves().Undo(); break;
        case 'r': ASSERT_TRUE(moves().CanRedo()); moves().Redo(); break;
        case 's': moves().SaveEnded(true); break;
        case 'f': moves().SaveEnded(false); break;
      }
      unsaved.push_back(moves().UnsavedMoves());
    }
    EXPECT_EQ(unsaved, c.unsaved) << c.steps;
  }
  // A drag that changes nothing (a job dropped back on its own row) is not counted.
  SelectRows(dave(), {0});
  EXPECT_FALSE(Drag(0, 0, [&](const std::string& text) { return moves().DropOnMechanic(0, text, AtRow(0)); }));
  EXPECT_EQ(moves().UnsavedMoves(), 0u);
}

// Update and Refresh end the moves not saved only when every list was written: an Update the user
// cancels (asked about a list another workstation saved meanwhile) writes nothing and keeps them.
TEST_F(JobMovesTest, OnlyAnUpdateThatWritesEveryListEndsTheMovesNotSaved) {
  std::optional<ListChoice> answer;  // none: Cancel
  form_.SetConflictQuestion([&](const UpdateQuestion& question) -> std::optional<UpdateAnswer> {
    if (!answer) return std::nullopt;
    UpdateAnswer given = DefaultAnswer(question);
    for (ListChoice& list : given.lists) list = *answer;
    return given;
  });
  SelectRows(g(), {0});
  ASSERT_TRUE(moves().MoveToMechanic(kUnassigned, 0));
  SelectRows(g(), {0});
  ASSERT_TRUE(moves().MoveToMechanic(kUnassigned, 0));
  // Another workstation saves DAVE RUIZ's list without job 7.
  company_.WriteSchedule(3, {ScheduleLine(Job(16, 'O', 2), 6), ScheduleLine(Job(18, 'C', 2), 8)});
  form_.btnUpdate_Click();
  EXPECT_EQ(form_.Status().rfind("Update cancelled", 0), 0u) << form_.Status();
  EXPECT_EQ(moves().UnsavedMoves(), 2u);
  EXPECT_TRUE(moves().LastSaveFailed());
  answer = ListChoice::kKeepMine;
  form_.btnUpdate_Click();
  EXPECT_EQ(form_.Status().rfind("Saved", 0), 0u) << form_.Status();
  EXPECT_EQ(moves().UnsavedMoves(), 0u);
  EXPECT_FALSE(moves().LastSaveFailed());
  moves().Undo();
  EXPECT_EQ(moves().UnsavedMoves(), 1u) << "undoing a saved move is a change to save";
  form_.btnRefresh_Click();
  EXPECT_EQ(moves().UnsavedMoves(), 0u);
}

// A list whose file could not be read is never saved by this board, so it takes no job; asked to
// move one there, the board says why instead of doing nothing.
TEST_F(JobMovesTest, AMoveToAListThatCouldNotBeReadTellsWhyAndMovesNothing) {
  testing::FaultHost faults(host_);
  faults.unreadable = "SCHEDULE.3";
  ScopedHost scoped(faults);
  frmTervalo form;
  ASSERT_TRUE(form.Form_Load());
  ASSERT_FALSE(form.board().schedules[0].loaded);
  host_.messages.clear();  // start-up told that the list could not be read
  GridModel& unassigned = form.board().g;
  const std::vector<int32_t> before = JobsOf(unassigned, 1);
  SelectRows(unassigned, {0});
  EXPECT_FALSE(form.moves().MoveToMechanic(kUnassigned, 0));
  ASSERT_EQ(host_.messages.size(), 1u);
  const std::string& told = host_.messages[0].text;
  EXPECT_EQ(told.rfind("DAVE RUIZ's list could not be read, so no job can be moved onto it: ", 0), 0u) << told;
  EXPECT_NE(told.find("Input/output error"), std::string::npos) << told;
  EXPECT_EQ(JobsOf(unassigned, 1), before);
  EXPECT_EQ(form.board().Mg(0).Rows(), 0);
  EXPECT_FALSE(form.moves().CanUndo());
  EXPECT_EQ(form.moves().UnsavedMoves(), 0u);
  // The list that was read takes the job as ever.
  EXPECT_TRUE(form.moves().MoveToMechanic(kUnassigned, 1));
  EXPECT_EQ(host_.messages.size(), 1u);
}

TEST_F(JobMovesTest, DraggingNearAMechanicGridsEdgeScrollsItByARow) {
  // DAVE RUIZ's grid shows two rows of its three; rows are 1000 twips high, the edges 100 wide.
  struct Case {
    int top_row;
    int y;
    int top_row_after;
  } cases[] = {
      {1, 50, 0},    // along the top edge: up
      {0, 50, 0},    // already at the top
      {1, 1000, 1},  // in the middle: still
      {0, 1950, 1},  // along the bottom edge: down
      {0, 2500, 1},  // below the last whole row
      {2, 1950, 2},  // the last row is at the top already
  };
  for (const Case& c : cases) {
    dave().SetTopRow(c.top_row);
    moves().DragOver(0, {c.y, kRowHeight, 2 * kRowHeight});
    EXPECT_EQ(dave().TopRow(), c.top_row_after) << "top row " << c.top_row << ", y " << c.y;
  }
}

TEST_F(JobMovesTest, AGridWhoseCurrentJobIsFinishedHandsTheFocusBackToTheLastGrid) {
  form_.chkHide_Click(true);  // the completed job 8 shows and can be the current row
  // The user worked in ANNA KOWALSKI's grid (a job was moved there) and then goes to DAVE RUIZ's.
  SelectRows(g(), {0});
  ASSERT_TRUE(moves().MoveToMechanic(kUnassigned, 1));
  moves().FocusLost(1);
  struct Case {
    int current_row;  // of DAVE RUIZ's grid: 0 is job 6, 2 the completed job 8
    bool last_grid_visible;
    int target;
  } cases[] = {{0, true, 0}, {2, true, 1}, {2, false, 0}};
  for (const Case& c : cases) {
    dave().SetRow(c.current_row);
    EXPECT_EQ(moves().FocusTarget(0, c.last_grid_visible), c.target)
        << "row " << c.current_row << (c.last_grid_visible ? ", ANNA KOWALSKI shown" : ", not shown");
  }
}

}  // namespace
}  // namespace tervalo
