#pragma once
// Loading the unassigned jobs: the job index walk, request chains, the part-list lookup and the
// rows of the unassigned grid.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "board/board_state.h"
#include "board/job_index.h"
#include "board/job_record.h"

namespace tervalo {

class cBusinessBasic;
struct cLogicalFile;

// A run of consecutive records read in one call.
struct RecordRange {
  int32_t first = 0;
  int32_t count = 0;
  bool operator==(const RecordRange&) const = default;
};

// Covers sorted, distinct record numbers with ranges of at most max_records records. Two numbers
// share a range when at most max_gap records lie between them; a range that would grow past
// max_records ends, and the next one goes on right after it. `after`, when not 0, is the last
// record of a range read before: a first number within max_gap of it starts right after it too,
// so that the records in between (a job's earlier pages) are read with it.
std::vector<RecordRange> PlanRecordRanges(const std::vector<int32_t>& sorted, int32_t max_records,
                                          int32_t max_gap, int32_t after = 0);

// INVOL records read during one refresh of the board: each record is read from the file once,
// however many chains and grids ask for it. ReadJobs reads many jobs in large sorted ranges;
// Read reads a record that is not held yet on its own. Release drops what a batch of jobs no
// longer needs, so that not every record of the file is held at once. Nothing is kept from one
// refresh to the next.
class JobRecordReader {
 public:
  static constexpr int32_t kDefaultRangeBytes = 64 * 1024;
  static constexpr int32_t kDefaultGapBytes = 16 * 1024;

  // range_bytes: the most one read takes (at least one record); gap_bytes: the most a read takes
  // of records nobody asked for, between two that are asked for.
  explicit JobRecordReader(cBusinessBasic& engine, int32_t range_bytes = kDefaultRangeBytes,
                           int32_t gap_bytes = kDefaultGapBytes);
  const std::string& Read(int32_t record_number);
  JobRecord Decode(int32_t record_number);
  // False for record numbers outside the file (a damaged index entry).
  bool Exists(int32_t record_number) const;
  cBusinessBasic& engine() { return engine_; }

  // Reads the records of these jobs (index record numbers; invalid ones are skipped) and, with
  // `chains`, of their request chains, where not held yet: the index records first, then round
  // after round the chain links of what was read, each round in sorted ranges.
  void ReadJobs(const std::vector<int32_t>& index_records, bool chains = true);
  // These records stay past Release (the jobs that are asked for again later in the refresh);
  // once any call has asked for `chains`, so do the request chains of every kept record.
  // REQUIRES: called before ReadJobs reads them.
  void Keep(const std::vector<int32_t>& index_records, bool chains);
  // Drops every record held that is not kept.
  void Release();

  // Line 5 of a part-list job (see PartDescription), looked up once per part-list key.
  std::string PartDescription(const JobRecord& job);

 private:
  void ReadRanges(std::vector<int32_t> numbers);

  cBusinessBasic& engine_;
  std::shared_ptr<cLogicalFile> invol_;
  int32_t range_records_;
  int32_t gap_records_;
  int32_t last_read_ = 0;  // last record of the latest range read
  std::unordered_map<int32_t, std::string> records_;
  std::unordered_set<int32_t> kept_;
  bool keep_chains_ = false;
  std::unordered_map<std::string, std::string> part_descriptions_;
};

inline constexpr int kMaxRequests = 30;

// The requests of one job: record numbers (0 = none) and 30-character labels, indexed 1 to 30.
struct RequestList {
  int count = 0;
  std::array<int32_t, kMaxRequests + 1> record{};
  std::array<std::string, kMaxRequests + 1> label;
};

RequestList LoadRequests(JobRecordReader& reader, int32_t index_record);

// The 24-byte part-list key of a part-list job; none when its brand code is not 1 to 999.
std::optional<std::string> PartKeyOf(cBusinessBasic& engine, const JobRecord& job);
// Line 5 of a part-list job: the part description when the part list holds the key exactly,
// otherwise "NOT FOUND".
std::string PartDescription(cBusinessBasic& engine, const JobRecord& job);

// The unit's two description fields as the job card and the work sheet show them: the model and
// the part description for a catalogued unit, else the two expanded fields without trailing
// blanks.
struct UnitDescriptions {
  std::string first;
  std::string second;
};
UnitDescriptions DescribeUnit(cBusinessBasic& engine, const JobRecord& job);

// An open job marked for a mechanic (byte 141), as the job loading meets it.
struct ScheduledJob {
  int32_t job_number = 0;
  int32_t request = 0;        // request number (tall rows); 0 otherwise
  int32_t record_number = 0;  // the request's record
  int32_t mechanic = 0;       // the mechanic number it is marked for
  bool quote = false;
  std::string label;          // the request label of a tall row
  bool finished = false;      // completed or billed
};

// The text of a job's row: lines 1-5, and with tall rows the request label as line 6.
std::string JobRowText(JobRecordReader& reader, const JobRecord& job, bool quote, const std::string& label,
                       const BoardSettings& settings);

// Rebuilds the unassigned grid and the sort-field grid from the job index and INVOL. The open
// jobs marked for a mechanic are collected in `scheduled` when it is given.
void GetJobs(BoardState& board, JobRecordReader& reader, const JobIndex& index,
             std::vector<ScheduledJob>* scheduled = nullptr);

// Sinks complete and billed jobs to the bottom of each mechanic grid and hides or shows them as
// "Show All Statuses" says.
void ApplyDisplayRule(BoardState& board);

}  // namespace tervalo
