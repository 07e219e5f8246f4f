#include "board/job_loading.h"

#include <unordered_set>

#include "engine/basic_text.h"
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

void FillSortGrid(BoardState& board) {
  board.gSort.SetRows(0);
  for (char letter : board.settings.SortOrder) {
    if (const char* name = SortFieldName(letter)) board.gSort.AddItem(name);
  }
}

}  // namespace

JobRecordReader::JobRecordReader(cBusinessBasic& engine) : engine_(engine) {
  invol_ = engine_.LogicalOpen("INVOL");
  if (!invol_) throw EngineError(kErrUndefined, "LogicalOpen", "File not Found: \"INVOL\"");
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

std::string PartDescription(cBusinessBasic& engine, const JobRecord& job) {
  if (job.brand < 1 || job.brand > 999) return "NOT FOUND";
  std::string key(2, '\0');
  engine.Pack("C", key, job.brand, 1);
  std::string model = engine.Trun(job.model, 1);
  model.resize(18, ' ');
  key += model + job.key_tail;
  key.resize(23, ' ');
  key.push_back('\0');
  std::string buff;
  int32_t rec = 0;
  engine.KFind("RPARTI", buff, key, rec);
  // Only the key itself counts: a negative number is the next higher key, another model.
  if (rec <= 0) return "NOT FOUND";
  return std::string(Mid(engine.LreadFile("RPARTL", rec), 26, 21));
}

std::string JobRowText(cBusinessBasic& engine, const JobRecord& job, bool quote, const std::string& label,
                       const BoardSettings& settings) {
  const std::string line4 = job.part_list ? job.model : job.description1;
  const std::string line5 = job.part_list ? PartDescription(engine, job) : job.description2;
  std::string text = JobText(engine, job, quote, line4, line5, settings);
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
  for (const int32_t index_record : index.Entries()) {
    if (index_record < 1 || !reader.Exists(index_record)) continue;
    const int32_t kind = engine.Unpack("C", reader.Read(index_record), 1);
    if (kind != kKindJob && kind != kKindQuote) continue;
    const RequestList requests = LoadRequests(reader, index_record);
    for (int k = 1; k <= requests.count; ++k) {
      const int32_t record_number = requests.record[static_cast<size_t>(k)];
      if (!reader.Exists(record_number)) continue;
      const JobRecord job = reader.Decode(record_number);
      if (job.hold != 0 || job.status == 'B' || job.status == 'C') continue;
      const std::string& label = requests.label[static_cast<size_t>(k)];
      if (job.mechanic != 0) {
        if (scheduled != nullptr) {
          scheduled->push_back({job.job_number, settings.TallRows ? k : 0, record_number, job.mechanic,
                                kind == kKindQuote, label});
        }
        continue;
      }
      const std::string text = JobRowText(engine, job, kind == kKindQuote, label, settings);
      board.g.AddItem(SortKey(settings.SortOrder, job.reference, job.priority, job.date_in,
                              job.job_number) + "\t" + text,
                      row);
      board.g.SetBackColor(row, 1, row, 1, settings.PriorityColorOf(job.priority));
      ++row;
    }
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
