#pragma once
// The INVOL record a row of the board stands for: the one whose mark Update writes and a
// send-back clears, and whose fields a refresh shows. A tall row names its request; a normal row
// of a job with several requests was built from one request's record, which its text and the
// marks tell apart.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "board/board_state.h"
#include "board/job_index.h"
#include "board/job_text.h"

namespace tervalo {

class JobRecordReader;

// On tall rows the record of the request the row names, found along the job's request chain
// (the job's index record when the chain lacks it); on normal rows the job's index record. 0 when
// the job is not in the job index.
int32_t RecordOfKey(const BoardSettings& settings, JobRecordReader& reader, const JobIndex& index, const JobKey& key);

// Whether a row's text (its lines) shows a request's: the date in (line 2 before " - ") and the
// two unit lines (without `line5`, the first only), which a refresh of the board leaves as the
// request's own.
bool RowShowsRequest(const std::vector<std::string>& row, const std::vector<std::string>& request, bool line5 = true);

// The records the rows of the mechanic grids stand for, worked out for a job when first asked and
// kept while the grids stay as they are. A normal row of a job with several requests stands for
// one request of its own, chosen for the job's rows in board order: one whose mark names the
// row's mechanic and whose text the row shows, else one whose text it shows, else one whose mark
// names the mechanic, else the first left. Once Update has marked the chosen record, the mark
// keeps the row on the same request at every later start.
class RowRecords {
 public:
  RowRecords(BoardState& board, JobRecordReader& reader, const JobIndex& index)
      : board_(board), reader_(reader), index_(index) {}
  // The record row `row` of mechanic grid `list` stands for; 0 when its job is not in the index.
  int32_t Of(int list, int row);

 private:
  void Assign(int32_t job_number, int32_t index_record);

  BoardState& board_;
  JobRecordReader& reader_;
  const JobIndex& index_;
  std::set<int32_t> assigned_jobs_;
  std::map<std::pair<int, int>, int32_t> records_;  // (list, row) of jobs with several requests
};

}  // namespace tervalo
