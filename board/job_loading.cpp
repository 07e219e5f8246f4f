#include "board/job_loading.h"
#include "board/job_text.h"

#include <algorithm>
#include <unordered_set>

#include "base/basic_text.h"
#include "engine/business_basic.h"

namespace tervalo {
namespace {

// Jobs whose records are held at once while the unassigned grid is built.
constexpr size_t kJobsPerBatch = 1024;

std::string ToLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string RequestLabel(int request, const JobRecord& last_read) {
  std::string label = "Req " + std::to_string(request);
  if (last_read.is_remark) label += "  " + ToLower(last_read.remark);
  label.resize(30, ' ');
  return label;
}

const char* SortFieldName(char letter) {
  switch (letter) {
    case 'R': return "Reference";
    case 'P': return "Priority";
    case 'D': return "Date In";
    case 'J': return "Job Number";
    default: return nullptr;
  }
}

void FillSortGrid(BoardState& board) {
  board.gSort.SetRows(0);
  for (char letter : board.settings.SortOrder) {
    if (const char* name = SortFieldName(letter)) board.gSort.AddItem(name);
  }
}

// The rows of one job's requests that belong in the unassigned grid, added at `row` onwards.
void AddJobRows(BoardState& board, JobRecordReader& reader, int32_t index_record, int& row,
                std::vector<ScheduledJob>* scheduled) {
  const BoardSettings& settings = board.settings;
  cBusinessBasic& engine = reader.engine();
  if (index_record < 1 || !reader.Exists(index_record)) return;
  const int32_t kind = engine.Unpack("C", reader.Read(index_record), 1);
  if (kind != kKindJob && kind != kKindQuote) return;
  const RequestList requests = LoadRequests(reader, index_record);
  for (int k = 1; k <= requests.count; ++k) {
    const int32_t record_number = requests.record[static_cast<size_t>(k)];
    if (!reader.Exists(record_number)) continue;
    const JobRecord job = reader.Decode(record_number);
    if (job.hold != 0) continue;
    const bool finished = job.status == 'B' || job.status == 'C';
    const std::string& label = requests.label[static_cast<size_t>(k)];
    // Finished jobs stay on their mechanic's list (sunk, and hidden unless shown); they are noted
    // too, so that one that no list holds is put back rather than dropping off every board.
    if (job.mechanic != 0) {
      if (scheduled != nullptr) {
        scheduled->push_back({job.job_number, settings.TallRows ? k : 0, record_number, job.mechanic,
                              kind == kKindQuote, label, finished});
      }
      continue;
    }
    if (finished) continue;
    const std::string text = JobRowText(reader, job, kind == kKindQuote, label, settings);
    board.g.AddItem(
        SortKey(settings.SortOrder, job.reference, job.priority, job.date_in, job.job_number) +
            "\t" + text,
        row);
    board.g.SetBackColor(row, 1, row, 1, settings.PriorityColorOf(job.priority));
    ++row;
  }
}

}  // namespace

std::vector<RecordRange> PlanRecordRanges(const std::vector<int32_t>& sorted, int32_t max_records,
                                          int32_t max_gap, int32_t after) {
  std::vector<RecordRange> ranges;
  int32_t first = 0;
  int32_t last = after;  // the end of the range before, if any
  auto close = [&] {
    if (first > 0) ranges.push_back({first, last - first + 1});
  };
  for (const int32_t n : sorted) {
    const bool near = last > 0 && n > last && n - last - 1 <= max_gap;
    if (near && first > 0 && n - first + 1 <= max_records) {
      last = n;
      continue;
    }
    close();
    // Goes on right after the range before when only a few records lie between.
    first = near && n - last <= max_records ? last + 1 : n;
    last = n;
  }
  close();
  return ranges;
}

JobRecordReader::JobRecordReader(cBusinessBasic& engine, int32_t range_bytes, int32_t gap_bytes)
    : engine_(engine) {
  invol_ = engine_.LogicalOpen("INVOL");
  if (!invol_) throw EngineError(kErrUndefined, "LogicalOpen", "File not Found: \"INVOL\"");
  const int32_t length = std::max(invol_->RecordLength, 1);
  range_records_ = std::max(range_bytes / length, 1);
  gap_records_ = std::max(gap_bytes / length, 0);
}

bool JobRecordReader::Exists(int32_t record_number) const {
  return record_number >= 1 && record_number <= invol_->LastRecord;
}

const std::string& JobRecordReader::Read(int32_t record_number) {
  auto it = records_.find(record_number);
  if (it == records_.end()) {
    it = records_.emplace(record_number, engine_.LreadFile(invol_, record_number)).first;
  }
  return it->second;
}

JobRecord JobRecordReader::Decode(int32_t record_number) {
  return DecodeJobRecord(engine_, Read(record_number));
}

void JobRecordReader::ReadRanges(std::vector<int32_t> numbers) {
  std::erase_if(numbers, [&](int32_t n) { return !Exists(n) || records_.count(n) != 0; });
  if (numbers.empty()) return;
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  const size_t length = static_cast<size_t>(invol_->RecordLength);
  for (const RecordRange& range :
       PlanRecordRanges(numbers, range_records_, gap_records_, last_read_)) {
    const std::string bytes = engine_.LreadRange(invol_, range.first, range.count);
    for (int32_t i = 0; i < range.count; ++i) {
      // A record already held (asked for on its own meanwhile) keeps the bytes it was read with.
      records_.try_emplace(range.first + i, bytes.substr(static_cast<size_t>(i) * length, length));
    }
    last_read_ = range.first + range.count - 1;
  }
}

void JobRecordReader::ReadJobs(const std::vector<int32_t>& index_records, bool chains) {
  std::vector<int32_t> round;
  for (const int32_t n : index_records) {
    if (Exists(n)) round.push_back(n);
  }
  // Follows every chain for as many links as LoadRequests does, never into a record twice.
  std::unordered_set<int32_t> visited(round.begin(), round.end());
  for (int hop = 0; hop <= kMaxRequests && !round.empty(); ++hop) {
    ReadRanges(round);
    if (!chains) return;
    std::vector<int32_t> next_round;
    for (const int32_t n : round) {
      const std::string& record = Read(n);
      if (ChainFlagOf(engine_, record) < 2) continue;
      const int32_t next = ChainLinkOf(engine_, record);
      if (!Exists(next) || !visited.insert(next).second) continue;
      if (keep_chains_ && kept_.count(n) != 0) kept_.insert(next);
      next_round.push_back(next);
    }
    round = std::move(next_round);
  }
}

void JobRecordReader::Keep(const std::vector<int32_t>& index_records, bool chains) {
  kept_.insert(index_records.begin(), index_records.end());
  keep_chains_ = keep_chains_ || chains;
}

void JobRecordReader::Release() {
  std::erase_if(records_, [&](const auto& entry) { return kept_.count(entry.first) == 0; });
}

std::string JobRecordReader::PartDescription(const JobRecord& job) {
  const auto key = PartKeyOf(engine_, job);
  if (!key) return "NOT FOUND";
  auto it = part_descriptions_.find(*key);
  if (it == part_descriptions_.end()) {
    it = part_descriptions_.emplace(*key, tervalo::PartDescription(engine_, job)).first;
  }
  return it->second;
}

RequestList LoadRequests(JobRecordReader& reader, int32_t index_record) {
  RequestList list;
  JobRecord last = reader.Decode(index_record);
  int i = last.request_number;
  list.count = std::min(i, kMaxRequests);
  if (i <= kMaxRequests) list.record[static_cast<size_t>(i)] = index_record;
  // A chain is followed for at most 30 links and never into a record it has already visited,
  // so a damaged (cyclic or endless) chain cannot hang the board.
  std::unordered_set<int32_t> visited{index_record};
  int32_t flag = last.chain_flag;
  for (int hops = 0; flag >= 2 && hops < kMaxRequests; ++hops) {
    const int32_t next = last.next_link;
    if (next == 0 || !reader.Exists(next) || !visited.insert(next).second) break;
    last = reader.Decode(next);
    const int j = last.request_number;
    if (j < i) {
      if (i <= kMaxRequests) list.label[static_cast<size_t>(i)] = RequestLabel(i, last);
      i = j;
      if (i <= kMaxRequests) list.record[static_cast<size_t>(i)] = next;
    }
    flag = last.chain_flag;
  }
  if (i <= kMaxRequests) list.label[static_cast<size_t>(i)] = RequestLabel(i, last);
  return list;
}

std::optional<std::string> PartKeyOf(cBusinessBasic& engine, const JobRecord& job) {
  if (job.brand < 1 || job.brand > 999) return std::nullopt;
  std::string key(2, '\0');
  engine.Pack("C", key, job.brand, 1);
  std::string model = engine.Trun(job.model, 1);
  model.resize(18, ' ');
  key += model + job.key_tail;
  key.resize(23, ' ');
  key.push_back('\0');
  return key;
}

std::string PartDescription(cBusinessBasic& engine, const JobRecord& job) {
  auto key = PartKeyOf(engine, job);
  if (!key) return "NOT FOUND";
  std::string buff;
  int32_t rec = 0;
  engine.KFind("RPARTI", buff, *key, rec);
  // Only the key itself counts: a negative number is the next higher key, another model.
  if (rec <= 0) return "NOT FOUND";
  return std::string(Mid(engine.LreadFile("RPARTL", rec), 26, 21));
}

UnitDescriptions DescribeUnit(cBusinessBasic& engine, const JobRecord& job) {
  if (job.part_list) return {job.model, PartDescription(engine, job)};
  return {engine.Trun(job.description1), engine.Trun(job.description2)};
}

std::string JobRowText(JobRecordReader& reader, const JobRecord& job, bool quote, const std::string& label,
                       const BoardSettings& settings) {
  const std::string line4 = job.part_list ? job.model : job.description1;
  const std::string line5 = job.part_list ? reader.PartDescription(job) : job.description2;
  std::string text = JobText(reader.engine(), job, quote, line4, line5, settings);
  if (settings.TallRows) text += "\n" + label;
  return text;
}

void GetJobs(BoardState& board, JobRecordReader& reader, const JobIndex& index, std::vector<ScheduledJob>* scheduled) {
  BoardSettings& settings = board.settings;
  cBusinessBasic& engine = reader.engine();
  board.g.SetRows(0);
  if (settings.SortOrder.find('R') == std::string::npos) settings.SortOrder = kDefaultSortOrder;
  FillSortGrid(board);
  ReadNames(engine, settings);

  int row = 0;
  const std::vector<int32_t>& entries = index.Entries();
  for (size_t first = 0; first < entries.size(); first += kJobsPerBatch) {
    const auto end = entries.begin() +
                     static_cast<std::ptrdiff_t>(std::min(first + kJobsPerBatch, entries.size()));
    const std::vector<int32_t> batch(entries.begin() + static_cast<std::ptrdiff_t>(first), end);
    reader.ReadJobs(batch);
    for (const int32_t index_record : batch) AddJobRows(board, reader, index_record, row, scheduled);
    reader.Release();
  }
}

void ApplyDisplayRule(BoardState& board) {
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    GridModel& grid = board.Mg(n);
    if (!board.chkHide) {
      std::vector<std::string> finished;
      for (int r = grid.Rows() - 1; r >= 0; --r) {
        const std::string& text = grid.TextMatrix(r, 0);
        const auto lines = SplitLines(text);
        if (lines.size() >= 3 && (lines[2].find("Billed") != std::string::npos ||
                                  lines[2].find("Complete") != std::string::npos)) {
          finished.insert(finished.begin(), text);
          grid.RemoveItem(r);
        }
      }
      for (const std::string& text : finished) {
        grid.AddItem(text);
        grid.SetBackColor(grid.Rows() - 1, 0, grid.Rows() - 1, 0, kSystemButtonText);
        grid.SetForeColor(grid.Rows() - 1, 0, grid.Rows() - 1, 0, kWhite);
      }
    }
    for (int r = 0; r < grid.Rows(); ++r) {
      const std::string& text = grid.TextMatrix(r, 0);
      if (text.find("Complete") != std::string::npos || text.find("Billed") != std::string::npos) {
        grid.SetRowHidden(r, !board.chkHide);
      }
    }
  }
}

}  // namespace tervalo
