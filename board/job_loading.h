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

// When a reader reads INVOL whole instead of in ranges of the records asked for.
enum class WholeFile {
  kWhenCheaper,  // when the ranges would cost at least as much (see JobRecordReader)
  kNever,
  kAlways,
};

// INVOL records read during one refresh of the board: each record is read from the file once,
// however many chains and grids ask for it, and kept for the whole refresh.
//
// ReadJobs reads many jobs at once, by the cheaper of two ways. A read costs a round trip to the
// file server, about as long as moving kCallBytes: the records asked for are planned into
// ranges over their sorted record numbers (a range takes in the records between two asked for
// when fewer than gap_bytes lie between them), and when those ranges (with a read more each for
// the chain links that lead out of them) would cost at least as much as reading the whole file
// in pieces of kPieceBytes, the whole file is read, front to back,
// keeping of every record its SlimJobRecord; every chain link then costs nothing. Otherwise the
// ranges are read, then round after round the chain links of what was read. Read reads one whole
// record that is not held yet on its own. Nothing is kept from one refresh to the next.
class JobRecordReader {
 public:
  static constexpr int32_t kDefaultRangeBytes = 1 << 20;
  static constexpr int32_t kDefaultGapBytes = 64 * 1024;
  static constexpr int64_t kCallBytes = 64 * 1024;
  static constexpr int64_t kPieceBytes = 1 << 20;

  // range_bytes: the most one read of a range takes (at least one record); gap_bytes: the most a
  // read takes of records nobody asked for, between two that are asked for.
  explicit JobRecordReader(cBusinessBasic& engine, int32_t range_bytes = kDefaultRangeBytes,
                           int32_t gap_bytes = kDefaultGapBytes, WholeFile whole = WholeFile::kWhenCheaper);
  // The whole record: the one held whole, else read on its own (even when its slim form is held).
  const std::string& Read(int32_t record_number);
  // The record's fields: from what is held (whole or slim), else read on its own.
  JobRecord Decode(int32_t record_number);
  // The record's kind (C at 1), as Decode gives it.
  int32_t KindOf(int32_t record_number);
  // False for record numbers outside the file (a damaged index entry).
  bool Exists(int32_t record_number) const;
  cBusinessBasic& engine() { return engine_; }
  // Whether the whole file has been read.
  bool HeldWhole() const { return whole_read_; }

  // Reads the records of these jobs (index record numbers; invalid ones are skipped) and, with
  // `chains`, of their request chains, where not held yet.
  void ReadJobs(const std::vector<int32_t>& index_records, bool chains = true);
  // These jobs are asked for later in the refresh (the mechanic grids' jobs, with their request
  // chains when `chains`): the next ReadJobs plans their records with its own.
  void Keep(const std::vector<int32_t>& index_records, bool chains);

  // Line 5 of a part-list job (see PartDescription), looked up once per part-list key. Inside a
  // read scope the part list is held whole up to kHeldFileBytes: one read answers every key.
  std::string PartDescription(const JobRecord& job);

 private:
  // Whether the ranges planned for these records (with `chains`, and the links that lead out of
  // them) cost at least as much as the whole file.
  bool WholeIsCheaper(const std::vector<RecordRange>& ranges, bool chains) const;
  void ReadWholeFile();
  void ReadRanges(std::vector<int32_t> numbers, bool chains);
  // Keeps a record read in a range or a piece of the whole file.
  void Hold(int32_t record_number, std::string_view record);
  bool Held(int32_t record_number) const;
  const SlimJobRecord* SlimOf(int32_t record_number) const;

  cBusinessBasic& engine_;
  std::shared_ptr<cLogicalFile> invol_;
  int32_t range_records_;
  int32_t gap_records_;
  WholeFile whole_;
  bool slim_;  // records are long enough to be kept slim
  bool whole_read_ = false;
  int32_t last_read_ = 0;  // last record of the latest range read
  std::unordered_map<int32_t, std::string> records_;  // whole records
  std::vector<SlimJobRecord> all_;                    // after the whole file was read: record n at n - 1
  std::unordered_map<int32_t, SlimJobRecord> slims_;  // records read in ranges
  std::unordered_map<int32_t, std::string> remarks_;  // RemarkShown of slim remark records
  std::vector<int32_t> kept_;
  bool keep_chains_ = false;
  bool part_list_held_ = false;
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
