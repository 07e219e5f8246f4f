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

// A row that a refresh took off a mechanic's list: the list's grid, the job, and why ("not in the
// job index").
struct DroppedRow {
  int grid = 0;
  int32_t job_number = 0;
  std::string reason;
};

// Why a job has no record to show: "not in the job index", or its index entry names a record
// that is not there.
std::string WhyNoRecord(const JobIndex& index, int32_t job_number);

// Drops mechanic-grid rows whose job is gone, unscheduled or replaced; refreshes the priority,
// status and colours of the others. A row without a job number ends the refresh. Returns the
// rows dropped, so that the user can be told.
std::vector<DroppedRow> UpdateGrids(BoardState& board, JobRecordReader& reader, const JobIndex& index);
// The same for mechanic grid n alone (the names must have been read), adding the rows it drops to
// `dropped`; false when it met a row without a job number.
bool UpdateGrid(BoardState& board, JobRecordReader& reader, const JobIndex& index, int n,
                std::vector<DroppedRow>& dropped);

// The sort key of a job, the same text GetJobs builds for it.
std::string GetSortCol(BoardState& board, JobRecordReader& reader, const JobIndex& index, int32_t Jobr);
// The background colour of a job's row; 0 for a row without a job number (below 1).
Color GetColor(BoardState& board, JobRecordReader& reader, const JobIndex& index, int32_t job_number);

}  // namespace tervalo
