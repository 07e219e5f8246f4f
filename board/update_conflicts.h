#pragma once
// What Update asks when another workstation saved lists since this board read them: the jobs that
// both workstations moved to different places, and the lists that both changed. A job is told
// apart by its job number and, on tall rows, its request number (its "key").

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "board/board_state.h"
#include "board/grid_refresh.h"
#include "board/job_index.h"
#include "board/job_text.h"

namespace tervalo {

// A grid of the board: a mechanic grid's number, or kUnassignedGrid for the unassigned jobs.
inline constexpr int kUnassignedGrid = -1;

// A job this board moved (onto a list, or back to the unassigned jobs) that another workstation
// has meanwhile given to a mechanic: its list now holds the job, or the job's mark names him.
struct JobConflict {
  JobKey key;
  std::string text;  // the job's text, to show and to put it back with
  int here = kUnassignedGrid;  // where this board has it
  int there = 0;               // the list another workstation gave it to
};

// How a list changed on both sides is settled.
enum class ListChoice {
  kKeepBoth,    // this board's list with the other workstation's changes: nobody's move is lost
  kKeepMine,    // this board's list as it is; jobs added there go back to the unassigned jobs
  kTakeTheirs,  // the other workstation's list; jobs added here go back where they came from
};

// A list that both this board and another workstation changed since this board read it, with
// the jobs that differ (job numbers).
struct ListConflict {
  int list = 0;
  std::vector<int32_t> added_here, removed_here, added_there, removed_there;
};

struct UpdateQuestion {
  std::vector<JobConflict> jobs;
  std::vector<ListConflict> lists;
  bool can_cancel = true;  // not when the board is closing
};

// The user's answer: for each job conflict whether it stays where this board put it (else it
// stays with the mechanic the other workstation gave it to), and for each list its choice.
struct UpdateAnswer {
  std::vector<bool> keep_here;
  std::vector<ListChoice> lists;
};

// The answer that loses the least: every job stays where the other workstation gave it (that
// board and the invoice file already show it there), every list keeps both sides' changes.
UpdateAnswer DefaultAnswer(const UpdateQuestion& question);

// Asks the question; nothing when the user cancelled the Update.
using ConflictResolver = std::function<std::optional<UpdateAnswer>(const UpdateQuestion&)>;
// ---- Settling them: Update's own steps ----

class JobRecordReader;

// One list as this board last read it and as its file holds it now.
struct ListSides {
  bool loaded = false;         // read here (a list that could not be read or checked is left alone)
  bool changed_here = false;   // its jobs or their order changed by a move here
  bool changed_there = false;  // another workstation saved it since this board read it
  std::optional<std::string> disk;  // the file now (none: no file)
  std::optional<FileStamp> disk_stamp;
  std::set<JobKey> base_keys;  // the jobs of the file as this board last read or wrote it
  std::set<JobKey> disk_keys;  // the jobs of the file now
};

// The jobs this board moved (onto a list, or back to the unassigned jobs) that another
// workstation has since given to another mechanic: a list changed there holds them now where it
// did not before, or their mark (read in one planned read) names a mechanic of the board other
// than the one this board knew of.
std::vector<JobConflict> FindJobConflicts(BoardState& board, JobRecordReader& reader, const JobIndex& index,
                                          const std::vector<ListSides>& lists);
// The jobs of list n added and removed on each side since this board read it.
ListConflict DiffList(BoardState& board, int n, const ListSides& sides);

// A mark to write once the lists are saved, when list `after` was saved: the job ends with that
// list's mechanic (`value`), or freed (0) where its mark still names `only_if`.
struct MarkAfterSave {
  JobKey key;
  int after = 0;
  int32_t value = 0;
  std::optional<int32_t> only_if;
};
struct Settlement {
  bool touched = false;  // a grid was changed: lists taken, merged or jobs moved
  std::vector<MarkAfterSave> marks;
  std::vector<std::string> lines;  // what was kept and what was dropped, for the status line
  // Jobs of lists another workstation saved that are gone here (not in the job index, unassigned
  // in the invoice file ...), left out of the grids.
  std::vector<DroppedRow> dropped;
};
// Brings the grids to what is to be saved: lists changed only on another workstation are taken,
// lists changed on both sides and the jobs in conflict are settled by the answer. Afterwards each
// list to save differs from its file as now known (ListSides::disk, which becomes the list's
// on_disk).
Settlement Settle(BoardState& board, JobRecordReader& reader, const JobIndex& index, const std::vector<ListSides>& lists,
                  const UpdateQuestion& question, const UpdateAnswer& answer);

}  // namespace tervalo
