// The work sheets on small companies built for each test: both layouts of the print grid, which
// rows of a mechanic's grid print, dates, and jobs whose records are missing or damaged.

#include "board/print_list.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "base/engine_error.h"
#include "board/frm_tervalo.h"
#include "engine/business_basic.h"
#include "engine/calendar.h"
#include "environment/shared_instances.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/company_builder.h"

namespace tervalo {
namespace {

using share::InvoiceRecord;
using std::chrono::sys_days;

constexpr sys_days kToday{std::chrono::year{2025} / 6 / 30};

std::string Pad(std::string text, size_t width) {
  text.resize(width, ' ');
  return text;
}

int32_t DayNumber(sys_days day) { return static_cast<int32_t>((day - kDayNumberEpoch).count()); }

InvoiceRecord Job(int32_t reference) {
  InvoiceRecord r;
  r.reference = reference;
  r.date_in = DayNumber(sys_days{std::chrono::year{2025} / 6 / 29});
  r.description1 = "HARLAN MOWER";
  r.description2 = "HR217 WONT START";
  r.serial1 = "SN741517";
  r.serial2 = "B22";
  r.priority = 2;
  r.mechanic = 3;
  return r;
}

class PrintListTest : public testing::TempShareTest {
 protected:
  PrintListTest() : company_(share_) {
    file0_.priority_names = {"Normal", "Rush"};
    company_.AddMechanic({3, "DAVE RUIZ"});
  }

  void Load() {
    company_.SetFile0(file0_);
    company_.Write(temp_dir_, host_.computer_name);
    ASSERT_TRUE(form_.Form_Load());
    // The jobs are marked for DAVE RUIZ without a schedule file, so the start-up puts them on his
    // list; each test builds the list itself with AddRow.
    Grid().SetRows(0);
  }

  // Adds job `number` to the company; its row goes into the mechanic's grid with AddRow.
  void AddJob(int32_t number, InvoiceRecord record) {
    company_.AddJob({number, {record}});
    records_[number] = record;
  }

  // Appends the row of a job to the mechanic's grid, as a schedule file brings it.
  void AddRow(int32_t number) {
    const InvoiceRecord& r = records_.count(number) ? records_[number] : Job(1);
    std::string text = company_.ScheduleLine(r, number);
    for (char& c : text) c = c == '\t' ? '\n' : c;
    Grid().AddItem(text);
  }

  // Marks a row as finished, as the display rule colours complete and billed jobs.
  void Finish(int row) { Grid().SetBackColor(row, 0, row, 0, kSystemButtonText); }

  GridModel& Grid() { return form_.board().Mg(0); }
  const GridModel& Sheet() { return form_.board().PG; }

  SheetPageSetup Print(int columns, sys_days today = kToday) {
    return PrintList(form_.board(), *gEngine, 0, columns, today);
  }

  // Each row of the sheet, its cells joined by " | ".
  std::vector<std::string> SheetRows() {
    std::vector<std::string> rows;
    for (int r = 0; r < Sheet().Rows(); ++r) {
      std::string row;
      for (int c = 0; c < Sheet().Cols(); ++c)
        row += (c > 0 ? " | " : "") + Sheet().TextMatrix(r, c);
      rows.push_back(row);
    }
    return rows;
  }

  // The job numbers on the sheet, in order.
  std::vector<int> PrintedJobs() {
    std::vector<int> jobs;
    for (int r = 0; r < Sheet().Rows(); ++r) {
      const std::string& text = Sheet().TextMatrix(r, 0);
      if (text.rfind("Job: ", 0) == 0) jobs.push_back(std::stoi(text.substr(5)));
    }
    return jobs;
  }

  share::BoardFile0 file0_;
  share::CompanyBuilder company_;
  std::map<int32_t, InvoiceRecord> records_;
  frmTervalo form_;
};

TEST_F(PrintListTest, FortyColumnSheetGivesEachJobNineLinesWithALargeJobLine) {
  company_.AddPart({101, "ZT5400 ZERO TURN", "A01", "ZT5400 54IN DECK"});
  AddJob(7, Job(42));
  InvoiceRecord quote = Job(43);
  quote.kind = 81;
  quote.part_list = true;
  quote.brand = 101;
  quote.model = "ZT5400 ZERO TURN";
  quote.key_tail = "A01";
  quote.priority = 9;  // counts as 1
  AddJob(1500, quote);
  InvoiceRecord unknown_part = quote;
  unknown_part.kind = 80;
  unknown_part.key_tail = "Z99";
  AddJob(8, unknown_part);
  Load();
  AddRow(7);
  AddRow(1500);
  AddRow(8);

  const SheetPageSetup setup = Print(kSheet40Columns);
  EXPECT_EQ(setup.document_name, "Work sheet DAVE RUIZ 2025-06-30");
  EXPECT_EQ(setup.orientation, 0);
  EXPECT_EQ(setup.margin, 0);
  EXPECT_EQ(setup.paper_width, 3300);
  EXPECT_EQ(Sheet().Cols(), 1);
  EXPECT_EQ(Sheet().FixedRows(), 0);
  EXPECT_EQ(Sheet().ColWidth(0), 3300);
  const std::vector<std::string> job7 = {"",
                                         "Job: 7",
                                         "Reference: 42",
                                         "Brand: HARLAN MOWER",
                                         "Desc: HR217 WONT START",
                                         "SN 1: " + Pad("SN741517", 18),
                                         "SN 2: " + Pad("B22", 18),
                                         "Date In: 06/29/25",
                                         "Priority: Rush      "};
  const std::vector<std::string> quote1500 = {"",
                                              "Quote: 1500",
                                              "Reference: 43",
                                              "Brand: ZT5400 ZERO TURN  ",
                                              "Desc: ZT5400 54IN DECK     ",
                                              "SN 1: " + Pad("SN741517", 18),
                                              "SN 2: " + Pad("B22", 18),
                                              "Date In: 06/29/25",
                                              "Priority: Normal    "};
  std::vector<std::string> expected = {"DAVE RUIZ  --  06/30/25"};
  expected.insert(expected.end(), job7.begin(), job7.end());
  expected.insert(expected.end(), quote1500.begin(), quote1500.end());
  const auto rows = SheetRows();
  ASSERT_EQ(rows.size(), 29u);
  EXPECT_EQ(std::vector<std::string>(rows.begin(), rows.begin() + 19), expected);
  EXPECT_EQ(rows[23], "Desc: NOT FOUND");
  EXPECT_EQ(rows.back(), ".");
  for (int r = 0; r < Sheet().Rows(); ++r) {
    const bool job_line = r == 2 || r == 11 || r == 20;
    EXPECT_EQ(Sheet().Cell(r, 0).font_size, job_line ? std::optional<int>(12) : std::nullopt) << r;
    EXPECT_FALSE(Sheet().Cell(r, 0).border) << r;
  }
}

TEST_F(PrintListTest, EightyColumnSheetFramesEachJobsCommentsColumn) {
  AddJob(7, Job(42));
  Load();
  AddRow(7);

  const SheetPageSetup setup = Print(kSheet80Columns);
  EXPECT_EQ(setup.document_name, "Work sheet DAVE RUIZ 2025-06-30");
  EXPECT_EQ(setup.orientation, 1);
  EXPECT_EQ(setup.margin, 360);
  EXPECT_EQ(setup.paper_width, 0);
  EXPECT_EQ(Sheet().FixedRows(), 1);
  EXPECT_EQ((std::vector<int>{Sheet().ColWidth(0), Sheet().ColWidth(1), Sheet().ColWidth(2)}),
            (std::vector<int>{2600, 3300, 4400}));
  EXPECT_EQ(SheetRows(), (std::vector<std::string>{
                             "DAVE RUIZ |  | 06/30/25 ",
                             " |  | ",
                             "Job: 7 | Reference: 42 | Comments",
                             "Brand: HARLAN MOWER | Desc: HR217 WONT START | ",
                             "SN 1: " + Pad("SN741517", 18) + " | SN 2: " + Pad("B22", 18) + " | ",
                             "Date In: 06/29/25 | Priority: Rush       | ",
                         }));
  // One box down column 2 of the job's last four rows; nothing else is framed.
  const CellBorder top{kBlack, 1, 1, 1, 0};
  const CellBorder middle{kBlack, 1, 0, 1, 0};
  const CellBorder bottom{kBlack, 1, 0, 1, 1};
  EXPECT_EQ(Sheet().Cell(2, 2).border, top);
  EXPECT_EQ(Sheet().Cell(3, 2).border, middle);
  EXPECT_EQ(Sheet().Cell(4, 2).border, middle);
  EXPECT_EQ(Sheet().Cell(5, 2).border, bottom);
  for (int r = 0; r < Sheet().Rows(); ++r) {
    EXPECT_FALSE(Sheet().Cell(r, 0).border || Sheet().Cell(r, 1).border) << r;
    EXPECT_FALSE(Sheet().Cell(r, 0).font_size) << r;
  }
  EXPECT_FALSE(Sheet().Cell(1, 2).border);
}

TEST_F(PrintListTest, SelectionAndFinishedRowsDecideWhichJobsPrint) {
  for (int32_t job = 101; job <= 110; ++job) AddJob(job, Job(job));
  Load();
  for (int32_t job = 101; job <= 110; ++job) AddRow(job);
  Finish(8);  // finished jobs sink to the bottom of the list
  Finish(9);
  struct Case {
    const char* name;
    std::vector<int> selected;
    std::vector<int> printed;
  };
  const Case cases[] = {
      {"three of ten selected print in grid order", {6, 1, 4}, {102, 105, 107}},
      {"one selected prints every unfinished job", {3}, {101, 102, 103, 104, 105, 106, 107, 108}},
      {"none selected prints every unfinished job", {}, {101, 102, 103, 104, 105, 106, 107, 108}},
      {"a selected finished job stays off", {9, 2, 5}, {103, 106}},
  };
  for (const Case& c : cases) {
    Grid().ClearSelection();
    for (int row : c.selected) Grid().SetSelected(row, true);
    for (int columns : {kSheet40Columns, kSheet80Columns}) {
      Print(columns);
      EXPECT_EQ(PrintedJobs(), c.printed) << c.name << ", " << columns << " column(s)";
    }
  }
}

TEST_F(PrintListTest, OnlyFinishedJobsGiveTheHeaderAlone) {
  AddJob(7, Job(42));
  AddJob(8, Job(43));
  Load();
  AddRow(7);
  AddRow(8);
  Finish(0);
  Finish(1);
  Print(kSheet40Columns);
  EXPECT_EQ(SheetRows(), (std::vector<std::string>{"DAVE RUIZ  --  06/30/25", "."}));
  Print(kSheet80Columns);
  EXPECT_EQ(SheetRows(), (std::vector<std::string>{"DAVE RUIZ |  | 06/30/25 "}));
}

TEST_F(PrintListTest, EveryEighthEightyColumnJobIsFollowedByOneMoreEmptyRow) {
  for (int32_t job = 101; job <= 117; ++job) AddJob(job, Job(job));
  Load();
  for (int32_t job = 101; job <= 117; ++job) AddRow(job);

  Print(kSheet80Columns);
  const auto rows = SheetRows();
  ASSERT_EQ(rows.size(), 1u + 17 * 5 + 2);
  // Jobs 1-8 put their job line on rows 2, 7, ..., 37; job 9 comes after two empty rows.
  EXPECT_EQ(rows[37], "Job: 108 | Reference: 108 | Comments");
  EXPECT_EQ(rows[41], " |  | ");
  EXPECT_EQ(rows[42], " |  | ");
  EXPECT_EQ(rows[43], "Job: 109 | Reference: 109 | Comments");
  EXPECT_EQ(Sheet().Cell(43, 2).border, (CellBorder{kBlack, 1, 1, 1, 0}));
  EXPECT_EQ(rows[84], "Job: 117 | Reference: 117 | Comments");
  EXPECT_EQ(rows[82], " |  | ");

  Print(kSheet40Columns);
  EXPECT_EQ(Sheet().Rows(), 1 + 17 * 9 + 1) << "the 40-column sheet has no extra rows";
  EXPECT_EQ(Sheet().TextMatrix(74, 0), "Job: 109");
}

TEST_F(PrintListTest, DatesPrintAsMonthDayAndTwoDigitYear) {
  struct Case {
    sys_days day;
    const char* text;
  };
  const Case cases[] = {
      {sys_days{std::chrono::year{1999} / 1 / 1}, "01/01/99"},
      {sys_days{std::chrono::year{2000} / 2 / 29}, "02/29/00"},
      {sys_days{std::chrono::year{2025} / 12 / 31}, "12/31/25"},
  };
  int32_t job = 100;
  for (const Case& c : cases) {
    InvoiceRecord r = Job(42);
    r.date_in = DayNumber(c.day);
    AddJob(++job, r);
  }
  Load();
  for (const Case& c : cases) {
    Grid().SetRows(0);
    AddRow(101 + static_cast<int32_t>(&c - cases));
    Print(kSheet40Columns, c.day);
    EXPECT_EQ(Sheet().TextMatrix(0, 0), std::string("DAVE RUIZ  --  ") + c.text);
    EXPECT_EQ(Sheet().TextMatrix(8, 0), std::string("Date In: ") + c.text);
    Print(kSheet80Columns, c.day);
    EXPECT_EQ(Sheet().TextMatrix(0, 2), std::string(c.text) + " ");
    EXPECT_EQ(Sheet().TextMatrix(5, 0), std::string("Date In: ") + c.text);
  }
}

TEST_F(PrintListTest, EachRowPrintsItsOwnRequestAndSaysWhichOnceAJobHasSeveral) {
  InvoiceRecord first = Job(42);
  first.request = 1;
  first.priority = 1;
  InvoiceRecord second = Job(42);
  second.request = 2;
  second.description1 = "TOLVER GEN";
  second.description2 = "TG3500 NO OUTPUT";
  second.date_in = DayNumber(sys_days{std::chrono::year{2025} / 6 / 30});
  second.priority = 2;
  company_.AddJob({50, {first, second}});
  AddJob(7, Job(43));
  struct Case {
    bool tall_rows;
    std::vector<int> requests;  // the rows of job 50 in the list, by the request each was built from
  };
  for (const Case& c : {Case{true, {1, 2}}, Case{true, {2, 1}}, Case{false, {2, 1}}, Case{false, {1, 2}}}) {
    SCOPED_TRACE(std::string(c.tall_rows ? "tall rows" : "short rows") + ", request " + std::to_string(c.requests[0]) +
                 " first");
    file0_.tall_rows = c.tall_rows;
    Load();
    for (const int request : c.requests) {
      std::string text = company_.ScheduleLine(request == 1 ? first : second, 50);
      if (c.tall_rows) text += "\tReq " + std::to_string(request);
      for (char& ch : text) ch = ch == '\t' ? '\n' : ch;
      Grid().AddItem(text);
    }
    AddRow(7);
    Print(kSheet40Columns);
    // One block per row: the header, 9 rows for each of the three rows, the closing ".".
    ASSERT_EQ(Sheet().Rows(), 1 + 3 * 9 + 1);
    for (size_t i = 0; i < c.requests.size(); ++i) {
      const int block = 1 + static_cast<int>(i) * 9;
      const bool one = c.requests[i] == 1;
      EXPECT_EQ(Sheet().TextMatrix(block + 1, 0), "Job: 50  Request # " + std::to_string(c.requests[i]));
      EXPECT_EQ(Sheet().TextMatrix(block + 3, 0), one ? "Brand: HARLAN MOWER" : "Brand: TOLVER GEN");
      EXPECT_EQ(Sheet().TextMatrix(block + 4, 0), one ? "Desc: HR217 WONT START" : "Desc: TG3500 NO OUTPUT");
      EXPECT_EQ(Sheet().TextMatrix(block + 7, 0), one ? "Date In: 06/29/25" : "Date In: 06/30/25");
      EXPECT_EQ(Sheet().TextMatrix(block + 8, 0), one ? "Priority: Normal    " : "Priority: Rush      ");
    }
    EXPECT_EQ(Sheet().TextMatrix(1 + 2 * 9 + 1, 0), "Job: 7") << "a job of one request prints no request number";
    ResetSharedInstances();
  }
}

TEST(WorkSheetNameTest, NamesTheMechanicAndTheDayInWhatEveryFileSystemTakes) {
  const sys_days day{std::chrono::year{2026} / 12 / 10};
  struct Case {
    std::string mechanic;
    std::string name;
  };
  const Case cases[] = {
      {"ANNA KOWALSKI", "Work sheet ANNA KOWALSKI 2026-12-10"},
      {"A/C: TECH*2?", "Work sheet A-C- TECH-2- 2026-12-10"},
      {"\\SRV\"<LEE>\" | B", "Work sheet -SRV--LEE-- - B 2026-12-10"},
      {"J.SMITH", "Work sheet J SMITH 2026-12-10"},
      {"ST. JOHN.", "Work sheet ST JOHN 2026-12-10"},
      {std::string("TAB\tBELL\x7F"), "Work sheet TAB-BELL- 2026-12-10"},
      {"", "Work sheet 2026-12-10"},
  };
  for (const Case& c : cases) EXPECT_EQ(WorkSheetName(c.mechanic, day), c.name) << c.mechanic;
  EXPECT_EQ(WorkSheetName("X", sys_days{std::chrono::year{1999} / 1 / 2}), "Work sheet X 1999-01-02");
}

TEST_F(PrintListTest, RowsWithoutAJobNumberAreSkippedAndTheOthersPrint) {
  AddJob(7, Job(42));
  AddJob(8, Job(43));
  Load();
  AddRow(7);
  Grid().AddItem("NOTES WITHOUT A LINE FEED");
  Grid().AddItem("Ref: 44         Job:    0\n06/29/25 - Normal\nOpen");
  AddRow(8);
  for (int columns : {kSheet40Columns, kSheet80Columns}) {
    Print(columns);
    EXPECT_EQ(PrintedJobs(), (std::vector<int>{7, 8})) << columns;
  }
}

TEST_F(PrintListTest, AJobWhoseRecordCannotBeReadSaysWhyAndTheOthersPrint) {
  AddJob(7, Job(42));
  AddJob(8, Job(43));
  InvoiceRecord remark;
  remark.remark = "NOT A JOB";
  company_.SetIndexEntry(31, company_.AddRecord(remark));
  company_.SetIndexEntry(32, 5000);
  InvoiceRecord catalogued = Job(44);
  catalogued.part_list = true;
  catalogued.brand = 101;
  catalogued.model = "ZT5400";
  catalogued.key_tail = "A01";
  catalogued.hold = 1;  // kept off the board, so the start-up never opens the part list
  AddJob(33, catalogued);
  Load();
  // The part list is gone after start-up, which did not need it: its lookup fails in the engine.
  ASSERT_TRUE(std::filesystem::remove(share_.DataDirectory() / "RPARLK"));
  const int remark_record = 3;  // after jobs 7 and 8
  struct Case {
    int32_t job;
    std::string problem;
  };
  const Case cases[] = {
      {30, "NOT FOUND in the job index"},
      {31, "NOT FOUND: record " + std::to_string(remark_record) + " is not a job"},
      {32, "NOT FOUND: record 5000 is past the end of INVOL"},
      {33, "Error -10: File not Found: \"RPARTI\""},
  };
  for (const Case& c : cases) {
    Grid().SetRows(0);
    AddRow(7);
    AddRow(c.job);
    AddRow(8);
    Print(kSheet40Columns);
    const auto rows = SheetRows();
    ASSERT_EQ(rows.size(), 1u + 9 + 3 + 9 + 1) << c.job;
    EXPECT_EQ(rows[3], "Reference: 42") << c.job;
    EXPECT_EQ(rows[11], "Job: " + std::to_string(c.job));
    EXPECT_EQ(rows[12], c.problem);
    EXPECT_EQ(rows[15], "Reference: 43") << c.job;

    Print(kSheet80Columns);
    EXPECT_EQ(Sheet().Rows(), 1 + 3 * 5) << c.job;
    EXPECT_EQ(SheetRows()[7], "Job: " + std::to_string(c.job) + " | " + c.problem + " | Comments");
    EXPECT_EQ(Sheet().Cell(10, 2).border, (CellBorder{kBlack, 1, 0, 1, 1}))
        << "the box is still there";
    EXPECT_EQ(SheetRows()[12], "Job: 8 | Reference: 43 | Comments");
  }
}

TEST_F(PrintListTest, RefusesAMechanicOrLayoutTheBoardDoesNotHave) {
  Load();
  EXPECT_THROW(PrintList(form_.board(), *gEngine, 1, kSheet40Columns, kToday), std::out_of_range);
  EXPECT_THROW(PrintList(form_.board(), *gEngine, -1, kSheet80Columns, kToday), std::out_of_range);
  EXPECT_THROW(PrintList(form_.board(), *gEngine, 0, 2, kToday), std::invalid_argument);
  EXPECT_EQ(form_.board().mechanics.IndexOf(3), 0);
  EXPECT_EQ(form_.board().mechanics.IndexOf(4), -1);
}

}  // namespace
}  // namespace tervalo
