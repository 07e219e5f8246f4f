#include "board/owned_bytes.h"

#include "board/job_index.h"
#include "board/job_loading.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "engine/business_basic.h"
#include "engine/file_format.h"
#include "records/file0_layout.h"

namespace tervalo {
namespace {

constexpr int64_t kSortOrderOffset = BlockOffset(file0::kSettingsBlock) + file0::kSortOrderPosition - 1;

}  // namespace

void WriteMark(cBusinessBasic& engine, int32_t record_number, int32_t mechanic_number) {
  std::string byte(1, '\0');
  engine.Pack("B", byte, mechanic_number, 1);
  engine.LwriteField("INVOL", record_number, kMechanicBytePosition, byte);
}

void MarkJob(cBusinessBasic& engine, int32_t record_number, int32_t mechanic_number) {
  // The record is read for its checks (a record past the end of INVOL is refused before any write).
  engine.LreadFile("INVOL", record_number);
  WriteMark(engine, record_number, mechanic_number);
}

void StoreSortOrder(cBusinessBasic& engine, BoardState& board) {
  std::string order;
  for (int r = 0; r < board.gSort.Rows(); ++r) {
    if (const char letter = SortFieldLetter(board.gSort.TextMatrix(r, 0))) order.push_back(letter);
  }
  board.settings.SortOrder = order;
  order.resize(4, ' ');
  // Only the four sort letters are written; the rest of block 499 belongs to other programs.
  engine.WriteFile("FILE0", order, kSortOrderOffset);
}

std::vector<ClearedMark> RemoveSchedule(cBusinessBasic& engine, const BoardSettings& settings,
                                        const JobIndex& index, const RowJob& row,
                                        std::optional<int32_t> only_from, bool* left_alone, int32_t row_record) {
  std::vector<ClearedMark> cleared;
  const int32_t job_number = row.job_number;
  if (job_number < 1) return cleared;
  int32_t record_number = index.RecordNumber(job_number);
  if (record_number < 1) return cleared;
  JobRecordReader reader(engine);
  // A short row of a job with several requests stands for one of them (RowRecords).
  if (!settings.TallRows && row_record > 0 && reader.Exists(row_record)) record_number = row_record;
  const int32_t request = row.request;
  auto clear = [&](int32_t record, int32_t previous) {
    for (const ClearedMark& c : cleared) {
      if (c.record_number == record) return;  // a damaged chain came back to a record already freed
    }
    if (only_from && previous != 0 && previous != *only_from) {
      if (left_alone != nullptr) *left_alone = true;
      return;
    }
    WriteMark(engine, record, 0);
    cleared.push_back({job_number, record, previous});
  };
  JobRecord job = reader.Decode(record_number);
  // With tall rows the row stands for one request: only the records of that request are freed,
  // since the job's other requests may stay on their mechanics' lists. A row whose request no
  // record of the chain holds frees the record where the walk stopped, as does a short row its
  // own request's record (its job's index record when the caller does not know it).
  bool matched = false;
  for (int hops = 0; hops < kMaxRequests && settings.TallRows; ++hops) {
    if (job.request_number == request) {
      matched = true;
      clear(record_number, job.mechanic);
    }
    if (job.chain_flag <= 1 || !reader.Exists(job.next_link)) break;
    record_number = job.next_link;
    job = reader.Decode(record_number);
  }
  if (!matched) clear(record_number, job.mechanic);
  return cleared;
}

MarkReplaced ReplaceMark(cBusinessBasic& engine, const JobIndex& index, int32_t record_number, int32_t job_number,
                         int32_t expected, int32_t value) {
  // A deleted job leaves the job index; its record is freed and may hold another job later. A
  // remark page of a request chain holds text where other pages hold the job number.
  if (index.RecordNumber(job_number) < 1) return MarkReplaced::kJobGone;
  const JobRecord job = DecodeJobRecord(engine, engine.LreadFile("INVOL", record_number));
  if (!job.is_remark && job.job_number != job_number) return MarkReplaced::kJobGone;
  if (job.mechanic != expected) return MarkReplaced::kChangedMeanwhile;
  if (expected != value) WriteMark(engine, record_number, value);
  return MarkReplaced::kDone;
}

}  // namespace tervalo
