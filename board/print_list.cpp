#include "board/job_text.h"
#include "board/print_list.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "board/job_index.h"
#include "board/job_loading.h"
#include "board/job_record.h"
#include "board/row_records.h"
#include "engine/business_basic.h"
#include "engine/calendar.h"

namespace tervalo {
namespace {

// The 40-column sheet is as wide as a slip printer's roll (twips).
constexpr int kWidth40 = 3300;
constexpr int kColWidths80[] = {2600, 3300, 4400};
constexpr int kMargin80 = 360;
constexpr int kPortrait = 1;
// The 80-column sheet leaves one more empty row after every this many jobs.
constexpr int kJobsPerBlock80 = 8;

// What one row prints, read from the record of the request the row shows.
struct SheetJob {
  int32_t job_number = 0;
  bool quote = false;
  int request = 0;  // the request the row shows, named when the job has more than one
  int requests = 1;
  std::string problem;  // why the job's record cannot be printed; empty when it can
  std::string reference;
  std::string description1;
  std::string description2;
  std::string serial1;
  std::string serial2;
  std::string date_in;
  std::string priority;
};

// The request of its job that a row shows (1 to 30), or 0 for the job's index record. A tall row
// names its request in line 6. Any other row was built from one request's record: the first
// request of the job not yet printed for an earlier row whose date and unit the row shows, else
// the first not yet printed. `printed`: the requests of this job printed for earlier rows.
int RequestOfRow(JobRecordReader& reader, const BoardSettings& settings, const RequestList& requests, bool quote,
                 const std::string& text, std::set<int>& printed) {
  const auto usable = [&](int k) {
    return requests.record[static_cast<size_t>(k)] > 0 && reader.Exists(requests.record[static_cast<size_t>(k)]);
  };
  int chosen = 0;
  if (settings.TallRows) {
    const int k = RequestNumberOf(text);
    if (k >= 1 && k <= requests.count && usable(k)) chosen = k;
  } else {
    const std::vector<std::string> row = SplitLines(text);
    for (int k = 1; k <= requests.count && chosen == 0; ++k) {
      if (!usable(k) || printed.count(k) > 0) continue;
      const JobRecord job = reader.Decode(requests.record[static_cast<size_t>(k)]);
      if (RowShowsRequest(row, SplitLines(JobRowText(reader, job, quote, "", settings)))) chosen = k;
    }
    for (int k = 1; k <= requests.count && chosen == 0; ++k) {
      if (usable(k) && printed.count(k) == 0) chosen = k;
    }
  }
  if (chosen > 0) printed.insert(chosen);
  return chosen;
}

SheetJob ReadSheetJob(JobRecordReader& reader, const JobIndex& index, const BoardSettings& settings,
                      int32_t job_number, const std::string& row_text, std::set<int>& printed) {
  SheetJob job;
  job.job_number = job_number;
  const int32_t record_number = index.RecordNumber(job_number);
  if (record_number == 0) {
    job.problem = "NOT FOUND in the job index";
    return job;
  }
  if (!reader.Exists(record_number)) {
    job.problem =
        "NOT FOUND: record " + std::to_string(record_number) + " is past the end of INVOL";
    return job;
  }
  try {
    cBusinessBasic& engine = reader.engine();
    const JobRecord index_record = reader.Decode(record_number);
    if (index_record.kind != kKindJob && index_record.kind != kKindQuote) {
      job.problem = "NOT FOUND: record " + std::to_string(record_number) + " is not a job";
      return job;
    }
    job.quote = index_record.kind == kKindQuote;
    const RequestList requests = LoadRequests(reader, record_number);
    job.requests = std::max(requests.count, 1);
    job.request = RequestOfRow(reader, settings, requests, job.quote, row_text, printed);
    const JobRecord record =
        job.request > 0 ? reader.Decode(requests.record[static_cast<size_t>(job.request)]) : index_record;
    job.reference = std::to_string(record.reference);
    UnitDescriptions unit = DescribeUnit(engine, record);
    job.description1 = std::move(unit.first);
    job.description2 = std::move(unit.second);
    job.serial1 = record.serial1;
    job.serial2 = record.serial2;
    job.date_in = DateText(engine, record.date_in);
    job.priority = settings.PriorityName(record.priority);
  } catch (const EngineError& error) {
    job.problem = "Error " + std::to_string(error.number()) + ": " + error.description();
  }
  return job;
}

// "Job: 12", with "  Request # 2" when the job has more than one request.
std::string JobLine(const SheetJob& job) {
  std::string line = (job.quote ? "Quote: " : "Job: ") + std::to_string(job.job_number);
  if (job.requests > 1 && job.request > 0) line += "  Request # " + std::to_string(job.request);
  return line;
}

void AppendJob40(GridModel& sheet, const SheetJob& job) {
  sheet.AddItem("");
  sheet.AddItem(JobLine(job));
  sheet.SetCellFontSize(sheet.Rows() - 1, kJobLineFontSize);
  if (!job.problem.empty()) {
    sheet.AddItem(job.problem);
    return;
  }
  for (const std::string& line :
       {"Reference: " + job.reference, "Brand: " + job.description1, "Desc: " + job.description2,
        "SN 1: " + job.serial1, "SN 2: " + job.serial2, "Date In: " + job.date_in,
        "Priority: " + job.priority}) {
    sheet.AddItem(line);
  }
}

// Appends the job's five rows; column 2 of its last four rows is framed as one box for
// handwritten comments.
void AppendJob80(GridModel& sheet, const SheetJob& job) {
  sheet.AddItem("");
  if (job.problem.empty()) {
    sheet.AddItem(JobLine(job) + "\tReference: " + job.reference + "\tComments");
    sheet.AddItem("Brand: " + job.description1 + "\tDesc: " + job.description2 + "\t");
    sheet.AddItem("SN 1: " + job.serial1 + "\tSN 2: " + job.serial2 + "\t");
    sheet.AddItem("Date In: " + job.date_in + "\tPriority: " + job.priority + "\t");
  } else {
    sheet.AddItem(JobLine(job) + "\t" + job.problem + "\tComments");
    for (int i = 0; i < 3; ++i) sheet.AddItem("\t\t");
  }
  const int first = sheet.Rows() - 4;
  sheet.SetCellBorder(first, 2, first + 3, 2, kBlack, 1, 1, 1, 1, 0, 0);
}

void WriteHeader(GridModel& sheet, int columns, const std::string& caption,
                 const std::string& today) {
  if (columns == kSheet40Columns) {
    sheet.SetCols(1);
    sheet.SetRows(0);
    sheet.SetFixedRows(0);
    sheet.SetColWidth(0, kWidth40);
    sheet.AddItem(caption + "  --  " + today);
    return;
  }
  sheet.SetCols(3);
  for (int c = 0; c < 3; ++c) sheet.SetColWidth(c, kColWidths80[c]);
  sheet.SetRows(0);
  sheet.SetRows(1);
  sheet.SetFixedRows(1);
  sheet.SetTextMatrix(0, 0, caption);
  sheet.SetTextMatrix(0, 2, today + " ");
}

// The rows of the mechanic's grid that go on the sheet, in grid order: the selected ones when
// more than one is selected, else all; never a finished job's row.
std::vector<int> RowsToPrint(const GridModel& grid) {
  const bool selection_only = grid.SelectedRows() > 1;
  std::vector<int> rows;
  for (int r = 0; r < grid.Rows(); ++r) {
    if (selection_only && !grid.IsSelected(r)) continue;
    if (grid.Cell(r, 0).back == kSystemButtonText) continue;
    rows.push_back(r);
  }
  return rows;
}

}  // namespace

std::string WorkSheetName(const std::string& mechanic, std::chrono::sys_days today) {
  std::string name = "Work sheet ";
  for (const char c : mechanic) {
    const auto byte = static_cast<unsigned char>(c);
    char out = c;
    if (byte < 0x20 || byte == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) out = '-';
    if (c == '.') out = ' ';
    if (out == ' ' && name.back() == ' ') continue;
    name.push_back(out);
  }
  const std::chrono::year_month_day ymd{today};
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  if (name.back() != ' ') name.push_back(' ');
  return name + date;
}

SheetPageSetup SheetLayout(int columns) {
  SheetPageSetup setup;
  if (columns == kSheet40Columns) {
    setup.paper_width = kWidth40;
    setup.heading_rows = 1;
  } else if (columns == kSheet80Columns) {
    setup.orientation = kPortrait;
    setup.margin = kMargin80;
  } else {
    throw std::invalid_argument("a work sheet has 1 or 3 columns, not " + std::to_string(columns));
  }
  return setup;
}

SheetPageSetup PrintList(BoardState& board, cBusinessBasic& engine, int mechanic, int columns,
                         std::chrono::sys_days today) {
  SheetPageSetup setup = SheetLayout(columns);
  if (mechanic < 0 || mechanic >= static_cast<int>(board.mg.size())) {
    throw std::out_of_range("no mechanic grid " + std::to_string(mechanic));
  }
  ReadNames(engine, board.settings);
  const std::string& caption = board.mechanic_labels[static_cast<size_t>(mechanic)];
  setup.document_name = WorkSheetName(caption, today);
  GridModel& sheet = board.PG;
  WriteHeader(sheet, columns, caption,
              DateText(engine, static_cast<int32_t>((today - kDayNumberEpoch).count())));

  JobRecordReader reader(engine);
  const JobIndex index = JobIndex::Load(engine);
  const GridModel& grid = board.Mg(mechanic);
  int printed = 0;
  std::map<int32_t, std::set<int>> requests_printed;  // per job, for its rows without a request label
  for (const int r : RowsToPrint(grid)) {
    // A row without a job number has nothing to print; the rows after it still do.
    const std::string& text = grid.TextMatrix(r, 0);
    const int32_t job_number = grid.JobOf(r).job_number;
    if (job_number < 1) continue;
    const SheetJob job = ReadSheetJob(reader, index, board.settings, job_number, text, requests_printed[job_number]);
    if (columns == kSheet40Columns) {
      AppendJob40(sheet, job);
    } else {
      AppendJob80(sheet, job);
      if (++printed % kJobsPerBlock80 == 0) sheet.AddItem("");
    }
  }
  if (columns == kSheet40Columns) sheet.AddItem(".");
  return setup;
}

}  // namespace tervalo
