#include "board/job_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/job_moves.h"

namespace tervalo {
namespace {

// A job text as the board's rows hold it.
std::string JobText(int32_t job, int32_t reference, const std::string& status, const std::string& unit,
                    const std::string& description) {
  std::string number = std::to_string(job);
  number.insert(0, number.size() < 4 ? 4 - number.size() : 0, ' ');
  return "Ref: " + std::to_string(reference) + "    Job: " + number + "\n12/11/26 - Normal\n" + status + "\n" +
         unit + "\n" + description;
}

TEST(JobQueryTest, EveryWordIsFoundLiterallyInTheRowOrItsExtraTextWithoutRegardToCase) {
  const std::string mower = JobText(101, 2600100, "Open", "HARLAN MOWER", "HR217 WONT START (2.5)");
  struct Case {
    const char* query;
    const char* extra;
    bool matches;
  };
  const Case cases[] = {
      {"harlan", "", true},
      {"HaRlAn MoWeR", "", true},
      {"  mower   harlan  ", "", true},     // words in any order, blanks around them
      {"harlan tiller", "", false},         // every word must be found
      {"2600100", "", true},                // the reference
      {"101", "", true},                    // the job number
      {"wont start", "", true},
      {"(2.5)", "", true},                  // pattern characters are themselves
      {"2.5", "", true},
      {"2x5", "", false},                   // "." is no wildcard
      {"h.*n", "", false},
      {"[a-z]", "", false},
      {"^Ref", "", false},
      {"smith", "5005 SMITH GARDEN", true},  // the customer, from the extra text
      {"5005", "5005 SMITH GARDEN", true},   // and the account
      {"start5005", "5005 SMITH GARDEN", false},  // no word runs across the row into the extra text
      {"", "", false},                      // an empty search matches nothing
      {"   ", "5005", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JobQuery(c.query).Matches(mower, c.extra), c.matches) << '"' << c.query << "\" extra \"" << c.extra << '"';
  }
}

TEST(JobQueryTest, ANumberAloneNamesAJob) {
  struct Case {
    const char* query;
    int32_t job;
  };
  for (const Case& c : {Case{"101", 101}, Case{" 0101 ", 101}, Case{"7", 7}, Case{"10a", 0}, Case{"1 2", 0},
                        Case{"-5", 0}, Case{"", 0}, Case{"1234567890", 0}, Case{"harlan", 0}}) {
    EXPECT_EQ(JobQuery(c.query).JobNumber(), c.job) << '"' << c.query << '"';
  }
}

TEST(OpenJobCountTest, CountsTheJobsThatAreNotFinishedShownOrHidden) {
  GridModel list(1, 0);  // a mechanic's list
  list.AddItem(JobText(6, 16, "Open", "A", "B"));
  list.AddItem(JobText(7, 17, "Open - Parts Order", "A", "B"));
  list.AddItem(JobText(8, 18, "Complete", "A", "B"));
  list.AddItem(JobText(9, 19, "Billed", "A", "B"));
  list.AddItem(JobText(10, 20, "Initial", "A", "B"));
  list.SetRowHidden(8 - 6, true);
  list.SetRowHidden(10 - 6, true);  // a hidden open job still counts
  EXPECT_EQ(OpenJobCount(list), 3);

  GridModel unassigned(2, 1);  // sort key, job text
  EXPECT_EQ(OpenJobCount(unassigned), 0);
  unassigned.AddItem("key\t" + JobText(1, 11, "Open", "A", "B"));
  EXPECT_EQ(OpenJobCount(unassigned), 1);
}

class SearchBoardTest : public ::testing::Test {
 protected:
  SearchBoardTest() {
    board_.g.AddItem("1\t" + JobText(1, 11, "Open", "HARLAN MOWER", "WONT START"));
    board_.g.AddItem("2\t" + JobText(2, 12, "Open", "TOLVER GEN", "NO OUTPUT"));
    board_.g.AddItem("3\t" + JobText(3, 13, "Open", "HARLAN TRIMMER", "CARB"));
    board_.Mg(0).AddItem(JobText(4, 14, "Open", "HARLAN MOWER", "BLADE"));
    board_.mg.push_back(MakeMechanicGrid());
    board_.Mg(1).AddItem(JobText(5, 15, "Open", "KESTEL BLOWER", "HARLAN PART"));
    board_.Mg(1).AddItem(JobText(1001, 1001, "Complete", "HARLAN MOWER", "DONE"));
    board_.Mg(1).SetRowHidden(1, true);  // finished, not shown
  }
  BoardState board_;
};

TEST_F(SearchBoardTest, FindsTheShownRowsInOrderUnassignedFirstThenEachList) {
  const BoardSearch found = SearchBoard(board_, JobQuery("harlan"));
  EXPECT_EQ(found.hits, (std::vector<SearchHit>{{kUnassigned, 0}, {kUnassigned, 2}, {0, 0}, {1, 0}}));
  EXPECT_TRUE(found.Matched(kUnassigned, 2));
  EXPECT_FALSE(found.Matched(kUnassigned, 1));
  EXPECT_FALSE(found.Matched(1, 1)) << "a hidden finished job is not found";
  EXPECT_FALSE(found.Matched(5, 0)) << "no such grid";
  EXPECT_EQ(found.job_hit, -1);

  const BoardSearch nothing = SearchBoard(board_, JobQuery("snow"));
  EXPECT_TRUE(nothing.hits.empty());
  ASSERT_EQ(nothing.matched.size(), 3u) << "a search that finds nothing still dims every row";
  EXPECT_TRUE(SearchBoard(board_, JobQuery("")).matched.empty()) << "an empty search dims nothing";
}

TEST_F(SearchBoardTest, ANumberFindsItsJobAmongOtherRowsThatHoldTheDigits) {
  // "4" is in job 4's row and in the reference 14 of the same row, and in other rows' dates.
  const BoardSearch four = SearchBoard(board_, JobQuery("0004"));
  ASSERT_GE(four.job_hit, 0);
  EXPECT_EQ(four.hits[static_cast<size_t>(four.job_hit)], (SearchHit{0, 0}));
  const BoardSearch twelve = SearchBoard(board_, JobQuery("12"));
  EXPECT_EQ(twelve.job_hit, -1) << "12 is job 2's reference, no job's number";
  EXPECT_FALSE(twelve.hits.empty());
}

TEST_F(SearchBoardTest, TheExtraTextOfAJobIsSearchedBesideItsRow) {
  const ExtraJobText customers{{2, "5005 MEI TANAKA"}, {5, "7001 SMITH GARDEN"}};
  EXPECT_EQ(SearchBoard(board_, JobQuery("tanaka"), &customers).hits, (std::vector<SearchHit>{{kUnassigned, 1}}));
  EXPECT_EQ(SearchBoard(board_, JobQuery("7001 kestel"), &customers).hits, (std::vector<SearchHit>{{1, 0}}));
  EXPECT_TRUE(SearchBoard(board_, JobQuery("tanaka")).hits.empty()) << "without the extra text";
}

}  // namespace
}  // namespace tervalo
