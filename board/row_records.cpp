#include "board/row_records.h"

#include "board/job_loading.h"
#include "board/job_record.h"
#include "engine/business_basic.h"

namespace tervalo {
namespace {

std::string TrimmedRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

int32_t RecordOfKey(const BoardSettings& settings, JobRecordReader& reader, const JobIndex& index, const JobKey& key) {
  const int32_t record = index.RecordNumber(key.first);
  if (!settings.TallRows || !reader.Exists(record)) return record;
  const RequestList requests = LoadRequests(reader, record);
  if (key.second < 1 || key.second > requests.count) return record;
  const int32_t request = requests.record[static_cast<size_t>(key.second)];
  return request > 0 && reader.Exists(request) ? request : record;
}

bool RowShowsRequest(const std::vector<std::string>& row, const std::vector<std::string>& request, bool line5) {
  if (row.size() < 5 || request.size() < 5) return false;
  return row[1].substr(0, 8) == request[1].substr(0, 8) && TrimmedRight(row[3]) == TrimmedRight(request[3]) &&
         (!line5 || TrimmedRight(row[4]) == TrimmedRight(request[4]));
}

int32_t RowRecords::Of(int list, int row) {
  const GridModel& grid = board_.Mg(list);
  const RowJob& job = grid.JobOf(row);
  const int32_t record = index_.RecordNumber(job.job_number);
  if (board_.settings.TallRows || !reader_.Exists(record)) {
    return RecordOfKey(board_.settings, reader_, index_, {job.job_number, job.request});
  }
  if (reader_.Decode(record).chain_flag < 2) return record;  // one request: its index record
  if (assigned_jobs_.insert(job.job_number).second) Assign(job.job_number, record);
  const auto found = records_.find({list, row});
  return found == records_.end() ? record : found->second;
}

void RowRecords::Assign(int32_t job_number, int32_t index_record) {
  const RequestList requests = LoadRequests(reader_, index_record);
  const bool quote = reader_.Decode(index_record).kind == kKindQuote;
  struct Request {
    int32_t record;
    int32_t mark;
    std::vector<std::string> lines;
    bool catalogued;  // a part-list unit: line 5 is not compared
    bool taken = false;
  };
  std::vector<Request> candidates;
  for (int k = 1; k <= requests.count; ++k) {
    const int32_t record = requests.record[static_cast<size_t>(k)];
    if (record < 1 || !reader_.Exists(record)) continue;
    const JobRecord job = reader_.Decode(record);
    // A catalogued unit's part description (line 5) would cost a look-up in the part list per
    // request; its model (line 4) and the date tell requests apart as well.
    const std::string line4 = job.part_list ? job.model : job.description1;
    const std::string line5 = job.part_list ? std::string() : job.description2;
    std::vector<std::string> lines = SplitLines(JobText(reader_.engine(), job, quote, line4, line5, board_.settings));
    candidates.push_back({record, job.mechanic, std::move(lines), job.part_list});
  }
  if (candidates.size() < 2) return;
  struct Place {
    int list;
    int row;
    int32_t number;  // the list's mechanic
    std::vector<std::string> lines;
  };
  std::vector<Place> places;
  for (int n = 0; n < board_.mechanics.MechanicCount; ++n) {
    const GridModel& grid = board_.Mg(n);
    for (int r = 0; r < grid.Rows(); ++r) {
      if (grid.JobOf(r).job_number != job_number) continue;
      places.push_back({n, r, board_.mechanics.MechanicNumber[static_cast<size_t>(n)], SplitLines(grid.TextMatrix(r, 0))});
    }
  }
  // Each pass gives the rows still without a request the first free one that suits them.
  const auto pass = [&](bool by_mark, bool by_text) {
    for (const Place& place : places) {
      if (records_.count({place.list, place.row}) > 0) continue;
      for (Request& request : candidates) {
        if (request.taken || (by_mark && request.mark != place.number) ||
            (by_text && !RowShowsRequest(place.lines, request.lines, !request.catalogued))) {
          continue;
        }
        request.taken = true;
        records_[{place.list, place.row}] = request.record;
        break;
      }
    }
  };
  pass(true, true);
  pass(false, true);
  pass(true, false);
  pass(false, false);
}

}  // namespace tervalo
