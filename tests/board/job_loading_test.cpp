// Job loading over ranges of records: how record numbers are grouped into reads, that the board
// comes out the same however the records are grouped, and what start-up costs on the share.

#include "board/job_loading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "board/grid_refresh.h"
#include "engine/business_basic.h"
#include "environment/shared_instances.h"
#include "tests/support/board_company.h"

namespace tervalo {
namespace {

using share::InvoiceRecord;
using testing::Job;

TEST(PlanRecordRangesTest, JoinsNearRecordsAndSplitsLongRuns) {
  struct Case {
    const char* what;
    std::vector<int32_t> sorted;
    int32_t max_records, max_gap, after;
    std::vector<RecordRange> ranges;
  };
  const Case cases[] = {
      {"nothing", {}, 8, 2, 0, {}},
      {"one record", {5}, 8, 2, 0, {{5, 1}}},
      {"a run", {1, 2, 3}, 8, 2, 0, {{1, 3}}},
      {"a small gap is read along", {1, 4}, 8, 2, 0, {{1, 4}}},
      {"a larger gap is not", {1, 5}, 8, 2, 0, {{1, 1}, {5, 1}}},
      {"a long run goes on after each full range",
       {1, 3, 5, 7, 9, 11},
       4,
       2,
       0,
       {{1, 3}, {4, 4}, {8, 4}}},
      {"one record per read", {1, 2, 3}, 1, 0, 0, {{1, 1}, {2, 1}, {3, 1}}},
      {"goes on after the range read before", {10, 12}, 8, 2, 7, {{8, 5}}},
      {"not when far from it", {20}, 8, 2, 7, {{20, 1}}},
      {"not below it", {3}, 8, 2, 7, {{3, 1}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlanRecordRanges(c.sorted, c.max_records, c.max_gap, c.after), c.ranges) << c.what;
  }
}

// A company with what makes loading hard: chains of one to four pages, second requests, remark
// pages, catalogued units found and not found, finished and held jobs, jobs scheduled to the
// mechanics (with their schedule files) and an index entry past the end of INVOL.
class JobLoadingTest : public testing::BoardCompanyTest,
                       public ::testing::WithParamInterface<bool> {
 protected:
  void BuildCompany(int32_t jobs) {
    file0_.tall_rows = GetParam();
    company_.AddPart({101, "ZT5400 ZERO TURN", "A01", "ZT5400 54IN DECK"});
    company_.AddPart({102, "RX20", "B01", "RX20 RIDER"});
    std::map<int32_t, std::vector<std::string>> schedules;
    for (int32_t j = 1; j <= jobs; ++j) {
      InvoiceRecord r = Job(1000 + j, "O1C2B O3"[j % 8], 1 + j % 8);
      if (j % 5 == 1) Catalogue(r, j);
      r.hold = j % 17 == 0 ? 1 : 0;
      if (j % 6 == 0) {
        r.mechanic = j % 12 == 0 ? 3 : 4;
        schedules[r.mechanic].push_back(ScheduleLine(r, j));
      }
      company_.AddJob({j, Pages(r, j)});
    }
    company_.SetIndexEntry(jobs + 1, 100000);
    Build();
    for (const auto& [mechanic, lines] : schedules) company_.WriteSchedule(mechanic, lines);
  }

  static void Catalogue(InvoiceRecord& r, int32_t j) {
    r.part_list = true;
    r.brand = j % 3 == 0 ? 101 : j % 3 == 1 ? 102 : 103;  // 103: not in the part list
    r.model = r.brand == 101 ? "ZT5400 ZERO TURN" : "RX20";
    r.key_tail = r.brand == 101 ? "A01" : "B01";
  }

  static std::vector<InvoiceRecord> Pages(const InvoiceRecord& r, int32_t j) {
    std::vector<InvoiceRecord> pages(static_cast<size_t>(1 + j % 4), r);
    for (InvoiceRecord& page : pages) page.request = 1;
    if (pages.size() > 2 && j % 3 == 0) {
      pages[1] = InvoiceRecord();
      pages[1].remark = "CHECK BLADES " + std::to_string(j);
    }
    if (pages.size() > 1 && j % 2 == 0) pages.back().request = 2;
    return pages;
  }

  // Every row of the unassigned and mechanic grids: texts, colours and hidden state.
  std::string Dump() {
    std::ostringstream out;
    auto color = [](const std::optional<Color>& c) { return c ? std::to_string(*c) : "-"; };
    const BoardState& board = form_.board();
    for (int r = 0; r < board.g.Rows(); ++r) {
      out << "g " << board.g.TextMatrix(r, 0) << "|" << board.g.TextMatrix(r, 1) << "|"
          << color(board.g.Cell(r, 1).back) << "\n";
    }
    for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
      const GridModel& grid = *board.mg[static_cast<size_t>(n)];
      for (int r = 0; r < grid.Rows(); ++r) {
        out << "m" << n << " " << grid.TextMatrix(r, 0) << "|" << color(grid.Cell(r, 0).back) << "|"
            << color(grid.Cell(r, 0).fore) << "|" << grid.RowHidden(r) << "\n";
      }
    }
    return out.str();
  }

  // The refresh of the board with a reader that groups records as given.
  void RefreshWith(int32_t range_bytes, int32_t gap_bytes, bool keep, WholeFile whole) {
    BoardState& board = form_.board();
    JobRecordReader reader(*gEngine, range_bytes, gap_bytes, whole);
    const JobIndex index = JobIndex::Load(*gEngine);
    if (keep) reader.Keep(MechanicJobRecords(board, index), board.settings.TallRows);
    GetJobs(board, reader, index);
    if (board.g.Rows() > 0) board.g.SortColumn0Ascending();
    UpdateGrids(board, reader, index);
  }
};

TEST_P(JobLoadingTest, TheBoardIsTheSameHoweverRecordsAreGroupedIntoReads) {
  BuildCompany(300);
  ASSERT_TRUE(form_.Form_Load());
  const std::string loaded = Dump();
  ASSERT_GT(form_.board().g.Rows(), 100);
  ASSERT_GT(form_.board().Mg(0).Rows(), 10);
  ASSERT_GT(form_.board().Mg(1).Rows(), 10);
  ASSERT_NE(loaded.find("ZT5400 54IN DECK"), std::string::npos);
  ASSERT_NE(loaded.find("NOT FOUND"), std::string::npos);
  const int32_t record = share::kInvoiceRecordLength;
  struct Grouping {
    int32_t range_bytes, gap_bytes;
    bool keep;
    WholeFile whole;
  };
  const Grouping groupings[] = {
      {record, 0, false, WholeFile::kNever},  // one record per read, as records were read before
      {2 * record, 0, true, WholeFile::kNever},
      {3 * record, record, true, WholeFile::kNever},
      {5 * record, 3 * record, false, WholeFile::kNever},
      {JobRecordReader::kDefaultRangeBytes, JobRecordReader::kDefaultGapBytes, true, WholeFile::kNever},
      {JobRecordReader::kDefaultRangeBytes, JobRecordReader::kDefaultGapBytes, true, WholeFile::kAlways},
      {record, 0, false, WholeFile::kAlways},
  };
  for (const Grouping& g : groupings) {
    RefreshWith(g.range_bytes, g.gap_bytes, g.keep, g.whole);
    EXPECT_EQ(Dump(), loaded) << g.range_bytes << " bytes per read, gaps of " << g.gap_bytes << ", whole file "
                              << static_cast<int>(g.whole);
  }
}

// Records every read of INVOL's data file by offset and length.
class ReadLog {
 public:
  struct Read {
    int64_t offset, length;
  };
  std::vector<Read> reads;
};

class LoggingFile : public HostFileWrapper {
 public:
  LoggingFile(std::unique_ptr<HostFile> target, ReadLog& log) : HostFileWrapper(std::move(target)), log_(log) {}
  HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
    log_.reads.push_back({offset, static_cast<int64_t>(n)});
    return HostFileWrapper::ReadAt(offset, buffer, n);
  }

 private:
  ReadLog& log_;
};

// The test host with the reads of one data file logged.
class LoggingHost : public HostWrapper {
 public:
  LoggingHost(Host& target, std::string file) : HostWrapper(target), file_(std::move(file)) {}
  ReadLog log;
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override {
    auto file = HostWrapper::OpenShared(path, create);
    if (!file.ok() || !path.ends_with(file_)) return file;
    return std::make_unique<LoggingFile>(std::move(file).value(), log);
  }

 private:
  std::string file_;
};

TEST_P(JobLoadingTest, StartUpReadsInvolOnceFrontToBackWhenItNeedsMostOfIt) {
  BuildCompany(600);
  LoggingHost host(host_, "\\INVDB");
  ScopedHost scoped(host);
  ResetSharedInstances();
  ASSERT_TRUE(form_.Form_Load());
  // 600 jobs of 1 to 4 pages, about 1,500 records of 512 bytes: the whole file in one piece,
  // every byte once, however the chains run.
  const int64_t file_bytes = static_cast<int64_t>(FileBytes("INVDB").size());
  ASSERT_LT(file_bytes, JobRecordReader::kPieceBytes);
  ASSERT_EQ(host.log.reads.size(), 1u);
  EXPECT_GE(host.log.reads[0].offset + host.log.reads[0].length, file_bytes - share::kInvoiceRecordLength);
  EXPECT_LE(host.log.reads[0].offset, share::kInvoiceRecordLength);
  ResetSharedInstances();  // the engine's files end before the host that opened them
}

TEST_P(JobLoadingTest, ThePartListIsReadOncePerRefresh) {
  BuildCompany(300);  // 60 catalogued units of three keys, two of them in the part list
  LoggingHost host(host_, "\\RPARDB");
  ScopedHost scoped(host);
  ResetSharedInstances();
  ASSERT_TRUE(form_.Form_Load());
  // Its index and its records are in one small file, read whole at the first lookup.
  EXPECT_EQ(host.log.reads.size(), 1u);
  host.log.reads.clear();
  form_.btnRefresh_Click();
  EXPECT_EQ(host.log.reads.size(), 1u);
  ResetSharedInstances();
}

INSTANTIATE_TEST_SUITE_P(ShortAndTallRows, JobLoadingTest, ::testing::Bool());

}  // namespace
}  // namespace tervalo
