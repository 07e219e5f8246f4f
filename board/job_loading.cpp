#include "board/job_loading.h"
#include "board/job_text.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "base/basic_text.h"
#include "engine/business_basic.h"

namespace tervalo {
namespace {

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
  if (index_record < 1 || !reader.Exists(index_record)) return;
  const int32_t kind = reader.KindOf(index_record);
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

JobRecordReader::JobRecordReader(cBusinessBasic& engine, int32_t range_bytes, int32_t gap_bytes, WholeFile whole)
    : engine_(engine), whole_(whole) {
  invol_ = engine_.LogicalOpen("INVOL");
  if (!invol_) throw EngineError(kErrUndefined, "LogicalOpen", "File not Found: \"INVOL\"");
  const int32_t length = std::max(invol_->RecordLength, 1);
  range_records_ = std::max(range_bytes / length, 1);
  gap_records_ = std::max(gap_bytes / length, 0);
  slim_ = static_cast<size_t>(invol_->RecordLength) >= kSlimRecordReach;
}

bool JobRecordReader::Exists(int32_t record_number) const {
  return record_number >= 1 && record_number <= invol_->LastRecord;
}

const SlimJobRecord* JobRecordReader::SlimOf(int32_t record_number) const {
  if (whole_read_ && slim_) return Exists(record_number) ? &all_[static_cast<size_t>(record_number - 1)] : nullptr;
  const auto it = slims_.find(record_number);
  return it == slims_.end() ? nullptr : &it->second;
}

bool JobRecordReader::Held(int32_t record_number) const {
  return records_.count(record_number) != 0 || SlimOf(record_number) != nullptr;
}

const std::string& JobRecordReader::Read(int32_t record_number) {
  auto it = records_.find(record_number);
  if (it == records_.end()) {
    it = records_.emplace(record_number, engine_.LreadFile(invol_, record_number)).first;
  }
  return it->second;
}

JobRecord JobRecordReader::Decode(int32_t record_number) {
  // A record read whole on its own keeps the bytes it was read with.
  if (records_.count(record_number) == 0) {
    if (const SlimJobRecord* slim = SlimOf(record_number)) {
      const auto remark = slim->is_remark ? remarks_.find(record_number) : remarks_.end();
      return DecodeSlimJobRecord(engine_, *slim, remark == remarks_.end() ? std::string() : remark->second);
    }
  }
  return DecodeJobRecord(engine_, Read(record_number));
}

int32_t JobRecordReader::KindOf(int32_t record_number) {
  if (records_.count(record_number) == 0) {
    if (const SlimJobRecord* slim = SlimOf(record_number)) return slim->kind;
  }
  return engine_.Unpack("C", Read(record_number), 1);
}

void JobRecordReader::Hold(int32_t record_number, std::string_view record) {
  // A record already held (read on its own meanwhile) keeps the bytes it was read with.
  if (Held(record_number)) return;
  if (!slim_) {
    records_.emplace(record_number, std::string(record));
    return;
  }
  const SlimJobRecord slim = SlimJobRecordOf(engine_, record);
  if (slim.is_remark) remarks_.emplace(record_number, RemarkShown(record));
  slims_.emplace(record_number, slim);
}

bool JobRecordReader::WholeIsCheaper(const std::vector<RecordRange>& ranges, bool chains) const {
  if (whole_ != WholeFile::kWhenCheaper) return whole_ == WholeFile::kAlways;
  const double length = invol_->RecordLength;
  const double file_bytes = length * invol_->LastRecord;
  const double whole = std::ceil(file_bytes / kPieceBytes) + file_bytes / kCallBytes;
  double ranged = 0;
  // Chains that go on out of a range cost it another read, in the next round.
  for (const RecordRange& range : ranges) ranged += (chains ? 2 : 1) + range.count * length / kCallBytes;
  return ranged >= whole;
}

void JobRecordReader::ReadWholeFile() {
  const int32_t last = invol_->LastRecord;
  const size_t length = static_cast<size_t>(invol_->RecordLength);
  const int32_t piece = static_cast<int32_t>(std::max<int64_t>(kPieceBytes / std::max<int64_t>(invol_->RecordLength, 1), 1));
  // Records held before keep what they were read with. The file is held whole only once every
  // piece was read: a read that fails leaves the reader as it was.
  std::vector<SlimJobRecord> all(slim_ ? static_cast<size_t>(last) : 0);
  std::unordered_map<int32_t, std::string> remarks;
  std::unordered_map<int32_t, std::string> records;
  for (int32_t first = 1; first <= last; first += piece) {
    const int32_t count = std::min(piece, last - first + 1);
    const std::string bytes = engine_.LreadRange(invol_, first, count);
    for (int32_t i = 0; i < count; ++i) {
      const int32_t n = first + i;
      const std::string_view record = std::string_view(bytes).substr(static_cast<size_t>(i) * length, length);
      if (!slim_) {
        if (records_.count(n) == 0) records.emplace(n, std::string(record));
      } else if (const auto held = slims_.find(n); held != slims_.end()) {
        all[static_cast<size_t>(n - 1)] = held->second;
      } else {
        all[static_cast<size_t>(n - 1)] = SlimJobRecordOf(engine_, record);
        if (all[static_cast<size_t>(n - 1)].is_remark) remarks.emplace(n, RemarkShown(record));
      }
    }
  }
  all_ = std::move(all);
  slims_.clear();
  remarks_.merge(remarks);
  records_.merge(records);
  whole_read_ = true;
}

void JobRecordReader::ReadRanges(std::vector<int32_t> numbers, bool chains) {
  std::erase_if(numbers, [&](int32_t n) { return !Exists(n) || Held(n); });
  if (numbers.empty()) return;
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  const std::vector<RecordRange> ranges = PlanRecordRanges(numbers, range_records_, gap_records_, last_read_);
  if (WholeIsCheaper(ranges, chains)) {
    ReadWholeFile();
    return;
  }
  const size_t length = static_cast<size_t>(invol_->RecordLength);
  for (const RecordRange& range : ranges) {
    const std::string bytes = engine_.LreadRange(invol_, range.first, range.count);
    for (int32_t i = 0; i < range.count; ++i) {
      Hold(range.first + i, std::string_view(bytes).substr(static_cast<size_t>(i) * length, length));
    }
    last_read_ = range.first + range.count - 1;
  }
}

void JobRecordReader::ReadJobs(const std::vector<int32_t>& index_records, bool chains) {
  std::vector<int32_t> round;
  for (const int32_t n : index_records) {
    if (Exists(n)) round.push_back(n);
  }
  // The jobs asked for later in the refresh are planned with these.
  for (const int32_t n : kept_) {
    if (Exists(n)) round.push_back(n);
  }
  chains = chains || (keep_chains_ && !kept_.empty());
  kept_.clear();
  keep_chains_ = false;
  // Follows every chain for as many links as LoadRequests does, never into a record twice.
  std::unordered_set<int32_t> visited(round.begin(), round.end());
  for (int hop = 0; hop <= kMaxRequests && !round.empty() && !whole_read_; ++hop) {
    ReadRanges(round, chains);
    if (!chains || whole_read_) return;
    std::vector<int32_t> next_round;
    for (const int32_t n : round) {
      const SlimJobRecord* slim = SlimOf(n);
      const int32_t flag = slim != nullptr ? slim->chain_flag : ChainFlagOf(engine_, Read(n));
      if (flag < 2) continue;
      const int32_t next = slim != nullptr ? slim->next_link : ChainLinkOf(engine_, Read(n));
      if (!Exists(next) || !visited.insert(next).second) continue;
      next_round.push_back(next);
    }
    round = std::move(next_round);
  }
}

void JobRecordReader::Keep(const std::vector<int32_t>& index_records, bool chains) {
  kept_.insert(kept_.end(), index_records.begin(), index_records.end());
  keep_chains_ = keep_chains_ || chains;
}

std::string JobRecordReader::PartDescription(const JobRecord& job) {
  const auto key = PartKeyOf(engine_, job);
  if (!key) return "NOT FOUND";
  auto it = part_descriptions_.find(*key);
  if (it == part_descriptions_.end()) {
    if (!part_list_held_) {
      // Holding a part list that fits one read costs no more than the first lookup's reads.
      engine_.HoldFile("RPARTI", kHeldFileBytes);
      engine_.HoldFile("RPARTL", kHeldFileBytes);
      part_list_held_ = true;
    }
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
  reader.ReadJobs(entries);
  for (const int32_t index_record : entries) AddJobRows(board, reader, index_record, row, scheduled);
}

void ApplyDisplayRule(BoardState& board) {
  // A row is finished by its status line alone (the row's job, read once from its text): an open
  // job whose unit or description says "Complete" stays where it is and shown.
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    GridModel& grid = board.Mg(n);
    if (!board.chkHide) {
      std::vector<std::string> finished;
      for (int r = grid.Rows() - 1; r >= 0; --r) {
        if (grid.JobOf(r).finished) {
          finished.insert(finished.begin(), grid.TextMatrix(r, 0));
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
      if (grid.JobOf(r).finished) grid.SetRowHidden(r, !board.chkHide);
    }
  }
}

}  // namespace tervalo
