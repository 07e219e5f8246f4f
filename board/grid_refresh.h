#pragma once
// Bringing the mechanic grids up to date with INVOL, and the sort key and colour of a single job
// sent back to the unassigned grid.

#include <cstdint>
#include <string>
#include <vector>

#include "board/board_state.h"
#include "board/job_index.h"

namespace tervalo {

class JobRecordReader;

// The index records of the jobs in the mechanic grids (rows without a job give none).
std::vector<int32_t> MechanicJobRecords(const BoardState& board, const JobIndex& index);

// Drops mechanic-grid rows whose job is gone, unscheduled or replaced; refreshes the priority,
// status and colours of the others. A row without a job number ends the refresh.
void UpdateGrids(BoardState& board, JobRecordReader& reader, const JobIndex& index);
// The same for mechanic grid n alone (the names must have been read); false when it met a row
// without a job number.
bool UpdateGrid(BoardState& board, JobRecordReader& reader, const JobIndex& index, int n);

// The sort key of a job, the same text GetJobs builds for it.
std::string GetSortCol(BoardState& board, JobRecordReader& reader, const JobIndex& index, int32_t Jobr);
// The background colour of a job's row; 0 for a row without a job number (below 1).
Color GetColor(BoardState& board, JobRecordReader& reader, const JobIndex& index, int32_t job_number);

}  // namespace tervalo
