#pragma once
// A job on two lists, or twice on one (on tall rows: one request of a job twice): what older
// software, a save cut short between two lists or two workstations' saves can leave. Every open
// job must be on exactly one list or unassigned, so the board keeps one row of it.

#include <string>
#include <vector>

#include "board/board_state.h"
#include "board/job_index.h"

namespace tervalo {

class JobRecordReader;

// Keeps one row of every job found on several rows of the mechanic grids: the row on the list of
// the mechanic its mark names, else the first in board order (on normal rows a job may stand on
// as many rows as it has requests, each request's mark naming its own list). The other rows leave
// the grids; their lists are saved without them at the next Update. Lists this board does not save
// (not read, or holding lines that are not jobs) are not looked at: a row taken off one of them
// would stay in its file. Returns one line per job, "Job 143: stays with TOM OKAFOR,
// taken off LENA FISCHER"; empty when no job was doubled.
std::vector<std::string> RepairDoubleJobs(BoardState& board, JobRecordReader& reader, const JobIndex& index);

}  // namespace tervalo
