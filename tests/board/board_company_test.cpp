// The board on small companies built for each test: start-up, job loading, schedule files,
// Update, Refresh, RemoveSchedule, the refresh of mechanic grids and the display rule.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "board/frm_tervalo.h"
#include "board/path_hint.h"
#include "board/job_index.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "board/owned_bytes.h"
#include "board/schedule_files.h"
#include "engine/business_basic.h"
#include "environment/catalog_config.h"
#include "environment/shared_instances.h"
#include "tests/support/board_company.h"
#include "tools/share_builders/company_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;
using share::CompanyBuilder;
using share::InvoiceRecord;
using share::JobSpec;
using testing::BoardCompanyTest;
using testing::Job;
using testing::kDay;
using testing::Scheduled;

TEST_F(BoardCompanyTest, StartUpLoadsMechanicsAndTheOpenUnscheduledJobs) {
  company_.AddJob({7, {Job(42, 'O', 2)}});
  company_.AddJob({8, {Job(43, '3', 9)}});  // priority 9 counts as 1
  company_.AddJob({9, {Job(44, 'C')}});
  company_.AddJob({10, {Job(45, 'B')}});
  InvoiceRecord held = Job(46);
  held.hold = 1;
  company_.AddJob({11, {held}});
  InvoiceRecord scheduled = Job(47);
  scheduled.mechanic = 3;
  company_.AddJob({12, {scheduled}});
  InvoiceRecord quote = Job(48, ' ', 0);
  quote.kind = 81;
  company_.AddJob({1500, {quote}});
  Load();

  const MechanicList& m = form_.board().mechanics;
  EXPECT_EQ(m.MechanicCount, 2);
  EXPECT_EQ(m.MechanicName, (std::vector<std::string>{"DAVE RUIZ", "ANNA KOWALSKI"}));
  EXPECT_EQ(m.MechanicNumber, (std::vector<uint16_t>{3, 4}));
  EXPECT_EQ(form_.board().mechanic_labels[1], "ANNA KOWALSKI");

  GridModel& g = form_.board().g;
  EXPECT_EQ(Texts(g, 0), (std::vector<std::string>{"0000042 2 21000 0007 ", "0000043 1 21000 0008 ",
                                                  "0000048 1 21000 1500 "}));
  EXPECT_EQ(g.TextMatrix(0, 1),
            "Ref: 42         Job:    7\n06/29/25 - Rush      \nOpen\nHARLAN MOWER   \nHR217 WONT START     ");
  EXPECT_EQ(SplitLines(g.TextMatrix(1, 1))[2], "Open - On Bench   ");
  EXPECT_EQ(SplitLines(g.TextMatrix(1, 1))[1], "06/29/25 - Normal    ");
  EXPECT_EQ(SplitLines(g.TextMatrix(2, 1))[0], "Ref: 48       Quote: 1500");
  EXPECT_EQ(SplitLines(g.TextMatrix(2, 1))[2], "Initial");
  EXPECT_EQ(g.Cell(0, 1).back, Color{0x222222});
  EXPECT_EQ(g.Cell(1, 1).back, Color{0x111111});
  EXPECT_EQ(Texts(form_.board().gSort, 0),
            (std::vector<std::string>{"Reference", "Priority", "Date In", "Job Number"}));
  EXPECT_EQ(frmTervalo::Caption().substr(0, 17), "Quorlin     Rev: ");
}

TEST_F(BoardCompanyTest, ASortOrderWithoutReferenceFallsBackAndOtherOrdersLeadTheKey) {
  company_.AddJob({7, {Job(42, 'O', 3)}});
  file0_.sort_order = "JRPD";
  Load();
  EXPECT_EQ(form_.board().g.TextMatrix(0, 0), "0007 0000042 3 21000 ");
  EXPECT_EQ(Texts(form_.board().gSort, 0),
            (std::vector<std::string>{"Job Number", "Reference", "Priority", "Date In"}));
}

TEST_F(BoardCompanyTest, BlankSortOrderBecomesTheDefault) {
  company_.AddJob({7, {Job(42)}});
  file0_.sort_order = "PDJ ";
  Load();
  EXPECT_EQ(form_.board().settings.SortOrder, "RPDJ");
  EXPECT_EQ(form_.board().g.TextMatrix(0, 0), "0000042 1 21000 0007 ");
}

TEST_F(BoardCompanyTest, PartListJobsShowTheDescriptionOnlyForTheExactKey) {
  company_.AddPart({101, "ZT5400 ZERO TURN", "A01", "ZT5400 54IN DECK"});
  company_.AddPart({101, "ZT5400 ZERO TURN", "A03", "ANOTHER MODEL"});
  auto unit = [](int32_t reference, int32_t brand, const char* tail) {
    InvoiceRecord r = Job(reference);
    r.part_list = true;
    r.brand = brand;
    r.model = "ZT5400 ZERO TURN";
    r.key_tail = tail;
    return r;
  };
  company_.AddJob({1, {unit(1, 101, "A01")}});   // found
  company_.AddJob({2, {unit(2, 101, "A02")}});   // between two keys: not this model
  company_.AddJob({3, {unit(3, 1000, "A01")}});  // brand code out of range
  Load();
  const GridModel& g = form_.board().g;
  EXPECT_EQ(SplitLines(g.TextMatrix(0, 1))[3], "ZT5400 ZERO TURN  ");
  EXPECT_EQ(SplitLines(g.TextMatrix(0, 1))[4], "ZT5400 54IN DECK     ");
  EXPECT_EQ(SplitLines(g.TextMatrix(1, 1))[4], "NOT FOUND");
  EXPECT_EQ(SplitLines(g.TextMatrix(2, 1))[4], "NOT FOUND");
}

TEST_F(BoardCompanyTest, TallRowsAddTheRequestLabelsOfTheChain) {
  file0_.tall_rows = true;
  InvoiceRecord first = Job(50);
  first.request = 1;
  InvoiceRecord remark;
  remark.remark = "BLADES TOO";
  remark.request = 1;
  InvoiceRecord second = Job(50);
  second.request = 2;
  company_.AddJob({20, {first, remark, second}});
  InvoiceRecord a = Job(60);
  a.request = 1;
  InvoiceRecord b = Job(60);
  b.request = 2;
  company_.AddJob({21, {a, b}});
  Load();
  const GridModel& g = form_.board().g;
  EXPECT_EQ(form_.board().g.RowHeightMin(), 1280);
  ASSERT_EQ(g.Rows(), 3);
  // Job 20: the remark record stands in for request 1 and is not shown (its byte 79 is text).
  EXPECT_EQ(SplitLines(g.TextMatrix(0, 1))[5], "Req 2  blades too" + std::string(13, ' '));
  EXPECT_EQ(SplitLines(g.TextMatrix(1, 1))[5], "Req 1" + std::string(25, ' '));
  EXPECT_EQ(SplitLines(g.TextMatrix(2, 1))[5], "Req 2" + std::string(25, ' '));
}

TEST_F(BoardCompanyTest, DamagedIndexEntriesAndChainsAreSkippedWithoutHanging) {
  company_.AddJob({7, {Job(42)}});
  const int32_t remark_only = company_.AddRecord([] {
    InvoiceRecord r;
    r.remark = "NOT A JOB";
    return r;
  }());
  company_.SetIndexEntry(8, remark_only);  // a record of another kind
  company_.SetIndexEntry(9, 5000);         // beyond the file
  InvoiceRecord looping = Job(70);
  looping.page = 2;
  const int32_t self = company_.AddRecord(looping);
  company_.SetIndexEntry(10, self);
  Load();
  // The looping record links to the record before it; the chain stops after 30 links at most.
  EXPECT_GE(form_.board().g.Rows(), 1);
  EXPECT_EQ(form_.board().g.TextMatrix(0, 0), "0000042 1 21000 0007 ");
}

TEST_F(BoardCompanyTest, SchedulesRoundTripByteForByte) {
  const InvoiceRecord a = Scheduled(Job(42), 3);
  const InvoiceRecord b = Scheduled(Job(43, '2', 5), 3);
  const InvoiceRecord c = Scheduled(Job(44), 3);
  company_.AddJob({7, {a}});
  company_.AddJob({8, {b}});
  company_.AddJob({9, {c}});
  Build();
  const std::vector<std::string> lines = {ScheduleLine(a, 7), ScheduleLine(b, 8), ScheduleLine(c, 9)};
  company_.WriteSchedule(3, lines);
  const std::string before = FileBytes("SCHEDULE.3");
  ASSERT_TRUE(form_.Form_Load());
  GridModel& grid = form_.board().Mg(0);
  ASSERT_EQ(grid.Rows(), 3);
  EXPECT_EQ(grid.TextMatrix(1, 0).find('\t'), std::string::npos);
  EXPECT_EQ(SplitLines(grid.TextMatrix(1, 0)).size(), 5u);
  EXPECT_EQ(form_.board().g.Rows(), 0);
  form_.btnUpdate_Click();
  EXPECT_EQ(FileBytes("SCHEDULE.3"), before);
  EXPECT_EQ(before.substr(before.size() - 2), "\r\n");
  EXPECT_FALSE(fs::exists(share_.DataDirectory() / "SCHEDULE.4")) << "an empty list leaves no file";
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(BoardCompanyTest, UpdateWritesOnlyTheMechanicByte) {
  company_.AddJob({7, {Job(42)}});
  company_.AddJob({8, {Job(43)}});
  Load();
  const std::string before = FileBytes("INVDB");
  // The job moves to mechanic 4 (grid 1); meanwhile billing writes the record's status.
  form_.board().Mg(1).AddItem(form_.board().g.TextMatrix(0, 1));
  std::string bytes = FileBytes("INVDB");
  const size_t status_at = 1 * share::kInvoiceRecordLength + 98;
  {
    std::fstream f(share_.DataDirectory() / "INVDB", std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(static_cast<std::streamoff>(status_at));
    f.put('C');
  }
  form_.btnUpdate_Click();
  const std::string after = FileBytes("INVDB");
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    if (i == 1 * share::kInvoiceRecordLength + 140) {
      EXPECT_EQ(after[i], 4) << "the mechanic byte holds the mechanic's number";
    } else if (i == status_at) {
      EXPECT_EQ(after[i], 'C') << "the status written meanwhile stays";
    } else {
      ASSERT_EQ(after[i], before[i]) << "byte " << i;
    }
  }
  EXPECT_TRUE(fs::exists(share_.DataDirectory() / "SCHEDULE.4"));
}

// A damaged row (no job number) keeps its list from being written here, with the job beside it
// shown; the mechanic after it is still saved and marked.
TEST_F(BoardCompanyTest, UpdateLeavesAListWithADamagedRowAsItIsAndSavesTheNext) {
  InvoiceRecord scheduled = Job(42);
  scheduled.mechanic = 3;
  company_.AddJob({7, {scheduled}});
  company_.AddJob({8, {Job(43)}});
  Build();
  std::string restored = ScheduleLine(scheduled, 7);
  company_.WriteSchedule(3, {"damaged line without number", "", restored});
  ASSERT_TRUE(form_.Form_Load());
  ASSERT_EQ(form_.board().Mg(0).Rows(), 1);
  EXPECT_FALSE(form_.board().schedules[0].loaded);
  form_.board().Mg(1).AddItem(form_.board().g.TextMatrix(0, 1));
  const std::string dave = FileBytes("SCHEDULE.3");
  form_.btnUpdate_Click();
  EXPECT_EQ(FileBytes("SCHEDULE.3"), dave);
  EXPECT_EQ(InvoiceByte(1, 141), 3);
  EXPECT_EQ(InvoiceByte(2, 141), 4) << "the mechanic after the damaged list is still saved";
}

TEST_F(BoardCompanyTest, AScheduleThatCannotBeWrittenIsReportedOnce) {
  company_.AddJob({7, {Job(42)}});
  company_.AddJob({8, {Job(43)}});
  Load();
  fs::create_directories(share_.DataDirectory() / "SCHEDULE.3" / "blocked");
  form_.board().Mg(0).AddItem(form_.board().g.TextMatrix(0, 1));
  form_.board().Mg(1).AddItem(form_.board().g.TextMatrix(1, 1));
  form_.btnUpdate_Click();
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find("DAVE RUIZ"), std::string::npos);
  EXPECT_EQ(host_.messages[0].text.find("ANNA"), std::string::npos);
  EXPECT_TRUE(fs::exists(share_.DataDirectory() / "SCHEDULE.4"));
  for (const auto& e : fs::directory_iterator(share_.DataDirectory())) {
    EXPECT_EQ(e.path().filename().string().find("~tmp"), std::string::npos);
  }
}

TEST_F(BoardCompanyTest, RefreshStoresTheSortOrderAndResorts) {
  company_.AddJob({9, {Job(41)}});
  company_.AddJob({7, {Job(42)}});
  Load();
  // Another program changes block 499 after start-up; only bytes 25-28 may be written.
  {
    std::fstream f(share_.DataDirectory() / "FILE0", std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(499 * 512 + 100);
    f.write("OTHER", 5);
  }
  const std::string before = FileBytes("FILE0");
  GridModel& sort = form_.board().gSort;
  sort.SetRows(0);
  for (const char* f : {"Job Number", "Reference", "Priority", "Date In"}) sort.AddItem(f);
  form_.btnRefresh_Click();
  const std::string after = FileBytes("FILE0");
  EXPECT_EQ(after.substr(499 * 512 + 24, 4), "JRPD");
  EXPECT_EQ(after.substr(0, 499 * 512 + 24), before.substr(0, 499 * 512 + 24));
  EXPECT_EQ(after.substr(499 * 512 + 28), before.substr(499 * 512 + 28));
  EXPECT_EQ(Texts(form_.board().g, 0), (std::vector<std::string>{"0007 0000042 1 21000 ", "0009 0000041 1 21000 "}));
}

TEST_F(BoardCompanyTest, RemoveScheduleClearsTheMechanicByte) {
  InvoiceRecord r = Job(42);
  r.mechanic = 3;
  company_.AddJob({7, {r}});
  Load();
  EXPECT_EQ(InvoiceByte(1, 141), 3);
  RemoveSchedule(*gEngine, form_.board().settings, JobIndex::Load(*gEngine), RowJobOf(ScheduleLine(r, 7)));  // tabs: line 1 still ends the number
  EXPECT_EQ(InvoiceByte(1, 141), 3) << "a text whose first line runs on has no job number";
  std::string text = ScheduleLine(r, 7);
  for (char& c : text) if (c == '\t') c = '\n';
  RemoveSchedule(*gEngine, form_.board().settings, JobIndex::Load(*gEngine), RowJobOf(text));
  EXPECT_EQ(InvoiceByte(1, 141), 0);
  RemoveSchedule(*gEngine, form_.board().settings, JobIndex::Load(*gEngine), RowJobOf("Ref: 1          Job:   99\nx\nOpen"));  // no entry
}

// With tall rows each request of a job is a row of its own, marked for its own mechanic: sending
// one back frees that request's record only. A row whose request the chain does not hold frees
// the record where the walk along the chain stops (the first request's).
TEST_F(BoardCompanyTest, RemoveScheduleWithTallRowsClearsTheRowsRequestOnly) {
  file0_.tall_rows = true;
  // Job 20 has two requests, job 21 three; the requests are marked for mechanics 3, 4 and 3.
  const int32_t marks[] = {3, 4, 3};
  const auto requests = [&](int32_t reference, int count) {
    std::vector<InvoiceRecord> pages;
    for (int k = 1; k <= count; ++k) {
      InvoiceRecord page = Scheduled(Job(reference), marks[k - 1]);
      page.request = k;
      pages.push_back(page);
    }
    return pages;
  };
  const std::map<int32_t, std::vector<int32_t>> records = {
      {20, company_.AddJob({20, requests(50, 2)})}, {21, company_.AddJob({21, requests(51, 3)})}};
  Load();
  struct Case {
    const char* what;
    int32_t job;
    int32_t request;
    std::optional<int32_t> only_from;
    std::vector<int32_t> marks_after;  // byte 141 of each request's record, request 1 first
    bool left_alone;
  };
  const Case cases[] = {
      {"request 2 of 2 (the index record)", 20, 2, std::nullopt, {3, 0}, false},
      {"request 1 of 2 (where the walk ends)", 20, 1, std::nullopt, {0, 4}, false},
      {"request 2 of 3 (in the middle of the chain)", 21, 2, std::nullopt, {3, 0, 3}, false},
      {"request 3 of 3", 21, 3, std::nullopt, {3, 4, 0}, false},
      {"request 1 of 3", 21, 1, std::nullopt, {0, 4, 3}, false},
      {"a request the chain does not hold", 21, 7, std::nullopt, {0, 4, 3}, false},
      {"request 2, still held by the mechanic it came from", 21, 2, 4, {3, 0, 3}, false},
      {"request 2, given to another mechanic meanwhile", 21, 2, 3, {3, 4, 3}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<int32_t>& chain = records.at(c.job);
    for (size_t k = 0; k < chain.size(); ++k) WriteMark(*gEngine, chain[k], marks[k]);
    bool left_alone = false;
    const std::vector<ClearedMark> cleared =
        RemoveSchedule(*gEngine, form_.board().settings, JobIndex::Load(*gEngine),
                       RowJob{c.job, 0, c.request, false}, c.only_from, &left_alone);
    std::vector<int32_t> marks_after;
    std::vector<std::pair<int32_t, int32_t>> expected_cleared;
    for (size_t k = 0; k < chain.size(); ++k) {
      marks_after.push_back(InvoiceByte(chain[k], kMechanicBytePosition));
      if (c.marks_after[k] == 0) expected_cleared.emplace_back(chain[k], marks[k]);
    }
    EXPECT_EQ(marks_after, c.marks_after);
    EXPECT_EQ(left_alone, c.left_alone);
    std::vector<std::pair<int32_t, int32_t>> cleared_marks;
    for (const ClearedMark& mark : cleared) {
      EXPECT_EQ(mark.job_number, c.job);
      cleared_marks.emplace_back(mark.record_number, mark.previous);
    }
    EXPECT_EQ(cleared_marks, expected_cleared) << "what undo gives back";
  }
}

TEST_F(BoardCompanyTest, RefreshDropsStaleRowsAndRefreshesTheRest) {
  auto scheduled = [](int32_t reference, char status, int32_t priority) {
    InvoiceRecord r = Job(reference, status, priority);
    r.mechanic = 3;
    return r;
  };
  const InvoiceRecord billed = scheduled(41, 'B', 1);
  const InvoiceRecord substatus = scheduled(42, '2', 5);
  const InvoiceRecord unscheduled = [&] { auto r = scheduled(43, 'O', 1); r.mechanic = 0; return r; }();
  // Another job now has number 4; it is not scheduled.
  const InvoiceRecord replaced = [&] { auto r = scheduled(99, 'O', 1); r.mechanic = 0; return r; }();
  company_.AddJob({1, {billed}});
  company_.AddJob({2, {substatus}});
  company_.AddJob({3, {unscheduled}});
  company_.AddJob({4, {replaced}});
  Build();
  // As saved: all open, priority 3, job 4 with another reference.
  company_.WriteSchedule(3, {ScheduleLine(Job(41, 'O', 3), 1), ScheduleLine(Job(42, 'O', 3), 2),
                             ScheduleLine(Job(43, 'O', 3), 3), ScheduleLine(Job(44, 'O', 3), 4)});
  ASSERT_TRUE(form_.Form_Load());
  GridModel& grid = form_.board().Mg(0);
  ASSERT_EQ(grid.Rows(), 2);
  // Row 0: job 2, refreshed; row 1: the billed job, sunk to the bottom and hidden.
  const auto lines = SplitLines(grid.TextMatrix(0, 0));
  EXPECT_EQ(lines[1], "06/29/25 - Rental    ");
  EXPECT_EQ(lines[2], "Open - Parts Order");
  EXPECT_EQ(grid.Cell(0, 0).back, Color{0x555555});
  EXPECT_EQ(SplitLines(grid.TextMatrix(1, 0))[2], "Billed");
  EXPECT_EQ(grid.Cell(1, 0).back, Color{kSystemButtonText});
  EXPECT_EQ(grid.Cell(1, 0).fore, Color{kWhite});
  EXPECT_TRUE(grid.RowHidden(1));
  form_.chkHide_Click(true);
  EXPECT_FALSE(grid.RowHidden(1));
  form_.chkHide_Click(false);
  EXPECT_TRUE(grid.RowHidden(1));
  EXPECT_EQ(form_.board().g.Rows(), 2) << "the unscheduled job and the new job 4 are unassigned";
}

// Only the status line makes a row finished: open jobs whose unit or description line reads
// "Complete ..." or "Billed ..." keep their place and stay shown; the complete and the billed job
// sink below them and hide, and show while "Show All Statuses" is set.
TEST_F(BoardCompanyTest, TheDisplayRuleJudgesARowByItsStatusLineOnly) {
  const auto on_dave = [&](int32_t job, char status, const std::string& unit,
                           const std::string& description) {
    InvoiceRecord r = Scheduled(Job(40 + job, status), 3);
    r.description1 = unit;
    r.description2 = description;
    company_.AddJob({job, {r}});
    return ScheduleLine(r, job);
  };
  std::vector<std::string> lines;
  lines.push_back(on_dave(1, 'O', "Complete mower", "HR217 WONT START"));
  lines.push_back(on_dave(2, 'C', "HARLAN MOWER", "HR217 WONT START"));
  lines.push_back(on_dave(3, 'O', "HARLAN MOWER", "Billed on warranty"));
  lines.push_back(on_dave(4, 'B', "HARLAN MOWER", "HR217 WONT START"));
  lines.push_back(on_dave(5, 'O', "HARLAN MOWER", "Complete tune-up"));
  Build();
  company_.WriteSchedule(3, lines);
  ASSERT_TRUE(form_.Form_Load());
  const GridModel& grid = form_.board().Mg(0);
  const auto expect_rows = [&](const std::string& when, const std::vector<bool>& hidden) {
    SCOPED_TRACE(when);
    std::vector<int32_t> jobs;
    for (int r = 0; r < grid.Rows(); ++r) jobs.push_back(grid.JobOf(r).job_number);
    EXPECT_EQ(jobs, (std::vector<int32_t>{1, 3, 5, 2, 4}))
        << "the open jobs in their order, then the finished ones";
    ASSERT_EQ(grid.Rows(), static_cast<int>(hidden.size()));
    for (int r = 0; r < grid.Rows(); ++r) {
      EXPECT_EQ(grid.RowHidden(r), hidden[static_cast<size_t>(r)])
          << "job " << jobs[static_cast<size_t>(r)];
      const bool finished = r >= 3;
      EXPECT_EQ(grid.Cell(r, 0).back == Color{kSystemButtonText}, finished)
          << "job " << jobs[static_cast<size_t>(r)];
    }
  };
  expect_rows("at start-up", {false, false, false, true, true});
  form_.chkHide_Click(true);
  expect_rows("showing all statuses", {false, false, false, false, false});
  form_.chkHide_Click(false);
  expect_rows("hiding them again", {false, false, false, true, true});
}

TEST_F(BoardCompanyTest, ScheduleFilesWithOddLinesLoseNothing) {
  company_.AddJob({7, {Job(42)}});
  Build();
  const std::string high = "Ref: 42         Job:    7\tCaf\xE9 \xFF\tOpen\t" + std::string(5000, 'x') + "\tend";
  company_.WriteSchedule(4, {"", "", high, ""});
  ASSERT_TRUE(form_.Form_Load());
  // Job 7 is not scheduled in INVOL (byte 141 = 0), so refresh drops the row; load it again
  // without the refresh to see what the file gave.
  GridModel grid(1);
  EXPECT_TRUE(LoadSchedule(host_, grid, SchedulePath(*gEpcInfo, 4)).loaded);
  ASSERT_EQ(grid.Rows(), 1);
  EXPECT_EQ(grid.TextMatrix(0, 0).size(), high.size());
  EXPECT_EQ(SplitLines(grid.TextMatrix(0, 0))[1], "Caf\xE9 \xFF");
  EXPECT_EQ(ScheduleText(grid), high + "\r\n");
}

TEST_F(BoardCompanyTest, MissingConfigurationEndsTheStartUpWithItsPathAndWhatWritesIt) {
  EXPECT_FALSE(form_.Form_Load());
  ASSERT_EQ(host_.messages.size(), 1u);
  const MessageBoxRequest& m = host_.messages[0];
  EXPECT_EQ(m.title, "Tervalo");
  EXPECT_EQ(m.icon, MessageIcon::kCritical);
  EXPECT_EQ(m.text, MissingConfigurationMessage((temp_dir_ / "vltCatalog.ini").string()));
  EXPECT_EQ(m.text.rfind("You are missing file: " + (temp_dir_ / "vltCatalog.ini").string() +
                             "    Are you running Veltrane Workstation?\n\n",
                         0),
            0u)
      << m.text;
  EXPECT_NE(m.text.find("--ini PATH"), std::string::npos);
}

TEST_F(BoardCompanyTest, ADataShareThatDoesNotExistIsToldAtStartUpWithItsBytesEscaped) {
  Build();
  share::CatalogSettings settings;
  settings.server = "SRV";
  settings.data_share = "VLT\x1bRLNK";
  settings.directory = "CO1";
  share::WriteCatalogIni(temp_dir_, settings);
  ASSERT_TRUE(form_.Form_Load());
  ASSERT_EQ(host_.messages.size(), 1u);
  const std::string folder = "the data folder \\\\SRV\\VLT\\x1BRLNK\\CO1 cannot be reached";
  EXPECT_EQ(host_.messages[0].text.substr(0, host_.messages[0].text.find("\n\n")),
            "These mechanics' lists could not be read:\n    DAVE RUIZ: " + folder +
                "\n    ANNA KOWALSKI: " + folder);
}

TEST_F(BoardCompanyTest, StartUpFailuresCarryTheEnginesMessage) {
  Build();
  fs::remove(share_.LinkShare() / "ttymap");
  try {
    form_.Form_Load();
    FAIL() << "expected a start-up failure";
  } catch (const EngineError& e) {
    EXPECT_EQ(e.number(), -10);
    EXPECT_EQ(e.source(), "vltDataEngine_Initialization");
  }
}

}  // namespace
}  // namespace tervalo
