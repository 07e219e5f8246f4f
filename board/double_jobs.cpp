#include "board/double_jobs.h"

#include <algorithm>
#include <map>
#include <utility>

#include "board/job_loading.h"
#include "board/job_record.h"
#include "board/orphan_jobs.h"
#include "board/row_records.h"

namespace tervalo {
namespace {

struct Place {
  int list = 0;
  int row = 0;
};

// The marks of a job's records that may each keep one row: on tall rows the mark of the row's
// request, on normal rows those of all the job's requests.
std::vector<int32_t> MarksOf(BoardState& board, JobRecordReader& reader, const JobIndex& index, const JobKey& key) {
  std::vector<int32_t> marks;
  const int32_t record = index.RecordNumber(key.first);
  if (!reader.Exists(record)) return marks;
  if (board.settings.TallRows) {
    const int32_t request = RecordOfKey(board.settings, reader, index, key);
    if (reader.Exists(request)) marks.push_back(reader.Decode(request).mechanic);
    return marks;
  }
  const RequestList requests = LoadRequests(reader, record);
  for (int k = 1; k <= requests.count; ++k) {
    const int32_t r = requests.record[static_cast<size_t>(k)];
    if (r > 0 && reader.Exists(r)) marks.push_back(reader.Decode(r).mechanic);
  }
  if (marks.empty()) marks.push_back(reader.Decode(record).mechanic);
  return marks;
}

// Which of a job's places keep it: first those on the list of a mechanic one of its marks names
// (each mark keeps one row), then the rest in board order, up to one row per mark.
std::vector<bool> PlacesKept(const BoardState& board, const std::vector<Place>& places, std::vector<int32_t> marks) {
  const size_t allowed = std::max<size_t>(marks.size(), 1);
  std::vector<bool> kept(places.size(), false);
  size_t count = 0;
  for (size_t i = 0; i < places.size() && count < allowed; ++i) {
    const int number = board.mechanics.MechanicNumber[static_cast<size_t>(places[i].list)];
    const auto mark = std::find(marks.begin(), marks.end(), number);
    if (mark == marks.end()) continue;
    marks.erase(mark);
    kept[i] = true;
    ++count;
  }
  for (size_t i = 0; i < places.size() && count < allowed; ++i) {
    if (kept[i]) continue;
    kept[i] = true;
    ++count;
  }
  return kept;
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

}  // namespace

std::vector<std::string> RepairDoubleJobs(BoardState& board, JobRecordReader& reader, const JobIndex& index) {
  std::map<JobKey, std::vector<Place>> places;
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    if (!board.schedules[static_cast<size_t>(n)].loaded) continue;
    const GridModel& grid = board.Mg(n);
    for (int r = 0; r < grid.Rows(); ++r) {
      const JobKey key = RowKey(board, grid.JobOf(r));
      if (key.first > 0) places[key].push_back({n, r});
    }
  }
  std::vector<std::string> lines;
  std::vector<Place> dropped;
  for (const auto& [key, where] : places) {
    if (where.size() < 2) continue;
    const std::vector<int32_t> marks = MarksOf(board, reader, index, key);
    if (where.size() <= std::max<size_t>(marks.size(), 1)) continue;
    const std::vector<bool> kept = PlacesKept(board, where, marks);
    std::vector<std::string> stays;
    std::vector<std::string> off;
    for (size_t i = 0; i < where.size(); ++i) {
      const std::string& name = board.mechanics.MechanicName[static_cast<size_t>(where[i].list)];
      (kept[i] ? stays : off).push_back(name);
      if (!kept[i]) dropped.push_back(where[i]);
    }
    lines.push_back("Job " + std::to_string(key.first) + ": stays with " + JoinNames(stays) + ", taken off " +
                    JoinNames(off));
  }
  // Bottom-up, so that the rows still to remove keep their numbers.
  std::sort(dropped.begin(), dropped.end(),
            [](const Place& a, const Place& b) { return a.list != b.list ? a.list < b.list : a.row > b.row; });
  for (const Place& place : dropped) board.Mg(place.list).RemoveItem(place.row);
  return lines;
}

}  // namespace tervalo
