#include "board/schedule_files.h"

#include "board/job_loading.h"
#include "board/job_record.h"
#include "engine/basic_text.h"
#include "engine/business_basic.h"
#include "environment/catalog_config.h"
#include "environment/host.h"

namespace tervalo {
namespace {

constexpr int32_t kSortOrderOffset = 499 * 512 + 24;

char SortLetter(const std::string& field) {
  if (field == "Reference") return 'R';
  if (field == "Priority") return 'P';
  if (field == "Date In") return 'D';
  if (field == "Job Number") return 'J';
  return '\0';
}

void MarkMechanic(cBusinessBasic& engine, int32_t record_number, int mechanic_number) {
  // The record is read for its checks; only the mechanic byte is written, so that what the
  // business system wrote into the record meanwhile stays.
  engine.LreadFile("INVOL", record_number);
  std::string byte(1, '\0');
  engine.Pack("B", byte, mechanic_number, 1);
  engine.LwriteField("INVOL", record_number, kMechanicBytePosition, byte);
}

}  // namespace

std::string SchedulePath(const cEpcInfo& info, int mechanic_number) {
  return "\\\\" + info.Server + "\\" + info.DataShare + "\\" + info.Directory + "\\SCHEDULE." +
         std::to_string(mechanic_number);
}

void LoadSchedule(GridModel& grid, const std::string& path) {
  Host& host = CurrentHost();
  if (!host.FileExists(path)) return;
  const auto lines = host.ReadTextLines(path);
  if (!lines) return;
  grid.SetRedraw(false);
  int k = 0;
  for (std::string line : *lines) {
    if (!line.empty()) {
      for (char& c : line) {
        if (c == '\t') c = '\n';
      }
      grid.AddItem(line, std::min(k, grid.Rows()));
    }
    ++k;
  }
}

std::string ScheduleText(const GridModel& grid) {
  std::string text;
  for (int r = 0; r < grid.Rows(); ++r) {
    std::string line = grid.TextMatrix(r, 0);
    for (char& c : line) {
      if (c == '\n') c = '\t';
    }
    text += line + "\r\n";
  }
  return text;
}

UpdateResult UpdateSchedules(cBusinessBasic& engine, const cEpcInfo& info, BoardState& board) {
  UpdateResult result;
  const JobIndex index = JobIndex::Load(engine);
  Host& host = CurrentHost();
  // A failure while marking the first mechanic's jobs ends the action with its message; once
  // the first schedule file is being replaced, a failing step is skipped and the rest goes on.
  bool skip_failures = false;
  for (int i = 1; i <= board.mechanics.MechanicCount; ++i) {
    GridModel& grid = board.Mg(i - 1);
    const int number = board.mechanics.MechanicNumber[static_cast<size_t>(i - 1)];
    for (int r = 0; r < grid.Rows(); ++r) {
      // A row without a job number marks nothing but stays in the mechanic's list.
      const int32_t record_number = index.RecordNumber(GetJobNumber(grid.TextMatrix(r, 0)));
      if (record_number < 1) continue;
      try {
        MarkMechanic(engine, record_number, number);
      } catch (const EngineError&) {
        if (!skip_failures) throw;
      }
    }
    skip_failures = true;
    const std::string path = SchedulePath(info, number);
    const bool saved = grid.Rows() == 0 ? host.RemoveFile(path)
                                        : host.ReplaceFile(path, ScheduleText(grid)).empty();
    if (!saved) result.unsaved_mechanics.push_back(board.mechanics.MechanicName[static_cast<size_t>(i - 1)]);
  }
  return result;
}

void StoreSortOrder(cBusinessBasic& engine, BoardState& board) {
  std::string order;
  for (int r = 0; r < board.gSort.Rows(); ++r) {
    if (const char letter = SortLetter(board.gSort.TextMatrix(r, 0))) order.push_back(letter);
  }
  board.settings.SortOrder = order;
  order.resize(4, ' ');
  // Only the four sort letters are written; the rest of block 499 belongs to other programs.
  engine.WriteFile("FILE0", order, kSortOrderOffset);
}

std::vector<ClearedMark> RemoveSchedule(cBusinessBasic& engine, const BoardSettings& settings,
                                        const std::string& job_text, std::optional<int32_t> only_from,
                                        bool* left_alone) {
  std::vector<ClearedMark> cleared;
  const int32_t job_number = GetJobNumber(job_text);
  if (job_number < 1) return cleared;
  const JobIndex index = JobIndex::Load(engine);
  int32_t record_number = index.RecordNumber(job_number);
  if (record_number < 1) return cleared;
  JobRecordReader reader(engine);
  const int32_t request = RequestNumberOf(job_text);
  const std::string zero(1, '\0');
  auto clear = [&](int32_t record, int32_t previous) {
    for (const ClearedMark& c : cleared) {
      if (c.record_number == record) return;  // the matching request is also where the walk stopped
    }
    if (only_from && previous != 0 && previous != *only_from) {
      if (left_alone != nullptr) *left_alone = true;
      return;
    }
    engine.LwriteField("INVOL", record, kMechanicBytePosition, zero);
    cleared.push_back({job_number, record, previous});
  };
  JobRecord job = reader.Decode(record_number);
  for (int hops = 0; hops < kMaxRequests && settings.TallRows; ++hops) {
    if (job.request_number == request) clear(record_number, job.mechanic);
    if (job.chain_flag <= 1 || !reader.Exists(job.next_link)) break;
    record_number = job.next_link;
    job = reader.Decode(record_number);
  }
  clear(record_number, job.mechanic);
  return cleared;
}

bool ReplaceMark(cBusinessBasic& engine, int32_t record_number, int32_t expected, int32_t value) {
  const JobRecord job = DecodeJobRecord(engine, engine.LreadFile("INVOL", record_number));
  if (job.mechanic != expected) return false;
  if (expected == value) return true;
  std::string byte(1, '\0');
  engine.Pack("B", byte, value, 1);
  engine.LwriteField("INVOL", record_number, kMechanicBytePosition, byte);
  return true;
}

}  // namespace tervalo
