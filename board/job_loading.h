#pragma once
// Loading the unassigned jobs: the job index walk, request chains, the part-list lookup and the
// rows of the unassigned grid.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "board/board_state.h"
#include "board/job_index.h"
#include "board/job_record.h"

namespace tervalo {

class cBusinessBasic;
struct cLogicalFile;

// INVOL records read during one refresh of the board: each record is read from the file once,
// however many chains and grids ask for it. Nothing is kept from one refresh to the next.
class JobRecordReader {
 public:
  explicit JobRecordReader(cBusinessBasic& engine);
  const std::string& Read(int32_t record_number);
  JobRecord Decode(int32_t record_number);
  // False for record numbers outside the file (a damaged index entry).
  bool Exists(int32_t record_number) const;
  cBusinessBasic& engine() { return engine_; }

 private:
  cBusinessBasic& engine_;
  std::shared_ptr<cLogicalFile> invol_;
  std::unordered_map<int32_t, std::string> records_;
};

inline constexpr int kMaxRequests = 30;

// The requests of one job: record numbers (0 = none) and 30-character labels, indexed 1 to 30.
struct RequestList {
  int count = 0;
  std::array<int32_t, kMaxRequests + 1> record{};
  std::array<std::string, kMaxRequests + 1> label;
};

RequestList LoadRequests(JobRecordReader& reader, int32_t index_record);

// Line 5 of a part-list job: the part description when the part list holds the key exactly,
// otherwise "NOT FOUND".
std::string PartDescription(cBusinessBasic& engine, const JobRecord& job);

// An open job marked for a mechanic (byte 141), as the job loading meets it.
struct ScheduledJob {
  int32_t job_number = 0;
  int32_t request = 0;        // request number (tall rows); 0 otherwise
  int32_t record_number = 0;  // the request's record
  int32_t mechanic = 0;       // the mechanic number it is marked for
  bool quote = false;
  std::string label;          // the request label of a tall row
};

// The text of a job's row: lines 1-5, and with tall rows the request label as line 6.
std::string JobRowText(cBusinessBasic& engine, const JobRecord& job, bool quote, const std::string& label,
                       const BoardSettings& settings);

// Rebuilds the unassigned grid and the sort-field grid from the job index and INVOL. The open
// jobs marked for a mechanic are collected in `scheduled` when it is given.
void GetJobs(BoardState& board, JobRecordReader& reader, const JobIndex& index,
             std::vector<ScheduledJob>* scheduled = nullptr);

// Sinks complete and billed jobs to the bottom of each mechanic grid and hides or shows them as
// "Show All Statuses" says.
void ApplyDisplayRule(BoardState& board);

}  // namespace tervalo
