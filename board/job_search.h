#pragma once
// Finding jobs on the board by what the user types, and counting the open jobs of a list. Plain
// data over the grids: the window layer highlights what this finds and shows the counts.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "board/board_state.h"
#include "board/grid_model.h"

namespace tervalo {

// The open jobs of a grid: rows whose job text is not finished (complete or billed), shown or
// hidden. `text_col` is the column that holds the job text (1 in the unassigned grid, 0 in a
// mechanic's list).
int OpenJobCount(const GridModel& grid);

// What the user typed into the search field. Its words are separated by blanks; a job matches
// when every word occurs somewhere in its row's text or in its extra text (the customer's
// account and name, when known), letter case ignored. Every character is taken as itself: there
// are no wildcards or patterns.
class JobQuery {
 public:
  explicit JobQuery(std::string_view text);

  bool Empty() const { return words_.empty(); }
  bool Matches(std::string_view job_text, std::string_view extra = {}) const;
  // The job number the text names when it is one whole number and nothing else ("101",
  // " 0101 "); 0 otherwise.
  int32_t JobNumber() const { return job_number_; }

 private:
  std::vector<std::string> words_;  // in lower case
  int32_t job_number_ = 0;
  mutable std::string folded_;  // the text being matched, in lower case (kept to save allocations)
};

// A row that matched: grid kUnassigned or a mechanic grid's index, and the row in it.
struct SearchHit {
  int grid = 0;
  int row = 0;
  friend bool operator==(const SearchHit&, const SearchHit&) = default;
};

// The text a search matches beside a job's row, by job number: the customer's account and name.
using ExtraJobText = std::unordered_map<int32_t, std::string>;

// What a search found on the whole board.
struct BoardSearch {
  // The matching rows in the order Enter walks them: the unassigned grid from the top, then
  // each mechanic's list, first mechanic first. Hidden rows (finished jobs while they are not
  // shown) are left out: the user could not see them.
  std::vector<SearchHit> hits;
  // Per grid, per row: whether the row matched. Index 0 is the unassigned grid, n + 1 mechanic
  // grid n. Empty for an empty query, which matches nothing and dims nothing.
  std::vector<std::vector<bool>> matched;
  // The position in `hits` of the job whose number the query is; -1 when there is none.
  int job_hit = -1;

  bool Matched(int grid, int row) const;
};

BoardSearch SearchBoard(const BoardState& board, const JobQuery& query, const ExtraJobText* extra = nullptr);

}  // namespace tervalo
