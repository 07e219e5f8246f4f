#pragma once
// Jobs that no list holds although their invoice record is marked for a mechanic: what a stop in
// the middle of a save, or older software that marks before it writes, can leave behind. Such a
// job would be on no workstation's board at all; the refresh puts it back.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "board/board_state.h"
#include "board/job_index.h"
#include "board/job_loading.h"

namespace tervalo {

// The key of a row's job (on normal rows without its request).
JobKey RowKey(const BoardState& board, const RowJob& job);

// The job's row at the end of mechanic n's open jobs, in its priority colour; a finished job's
// at the very end, coloured and hidden as the display rule does with finished rows.
void PlaceOnList(BoardState& board, int n, const JobRecord& job, const std::string& text);
// The job's row at the end of the unassigned grid, with its sort key; the caller re-sorts.
void PlaceUnassigned(BoardState& board, const JobRecord& job, const std::string& text);

// Puts every job of `scheduled` that no mechanic grid holds back on the board: at the end of the
// open jobs of the mechanic it is marked for, or on the unassigned grid when that mechanic is not
// on the board. Mechanics whose list could not be read are left alone. Returns one line per job
// put back ("Job 12: DAVE RUIZ"), empty when nothing was missing.
std::vector<std::string> PutBackOrphanJobs(BoardState& board, JobRecordReader& reader,
                                           const std::vector<ScheduledJob>& scheduled);

// Jobs that left a list here without going to another (the list was replaced by another
// workstation's): each that no mechanic grid and not the unassigned grid holds goes where its
// record's mark says, to that mechanic's list or, marked for nobody, to the unassigned grid.
// `rows`: the jobs that may have left, a job text in column 0 of each row.
void ReturnDroppedJobs(BoardState& board, JobRecordReader& reader, const JobIndex& index, const GridModel& rows);

// Removes from the unassigned grid the jobs that a mechanic grid holds: a list taken from another
// workstation brings jobs that workstation assigned while this board still shows them unassigned.
void DropListedFromUnassigned(BoardState& board);

}  // namespace tervalo
