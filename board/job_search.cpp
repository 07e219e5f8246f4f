#include "board/job_search.h"

#include <algorithm>

#include "board/job_moves.h"
#include "board/job_text.h"

namespace tervalo {
namespace {

// Letter case is folded for the ASCII letters only: job texts hold one byte per character, and a
// byte above 0x7F stands for itself.
char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendFolded(std::string& out, std::string_view text) {
  const size_t start = out.size();
  out.append(text);
  for (size_t i = start; i < out.size(); ++i) out[i] = Fold(out[i]);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

int OpenJobCount(const GridModel& grid) {
  int count = 0;
  for (int r = 0; r < grid.Rows(); ++r) {
    if (!grid.JobOf(r).finished) ++count;
  }
  return count;
}

JobQuery::JobQuery(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i > start) {
      words_.emplace_back();
      AppendFolded(words_.back(), text.substr(start, i - start));
    }
  }
  if (words_.size() == 1 && words_[0].size() <= 9 &&
      std::all_of(words_[0].begin(), words_[0].end(), [](char c) { return c >= '0' && c <= '9'; })) {
    job_number_ = std::stoi(words_[0]);
  }
}

bool JobQuery::Matches(std::string_view job_text, std::string_view extra) const {
  if (words_.empty()) return false;
  folded_.clear();
  AppendFolded(folded_, job_text);
  if (!extra.empty()) {
    // A line feed between them, so that no word is found across the two.
    folded_.push_back('\n');
    AppendFolded(folded_, extra);
  }
  return std::all_of(words_.begin(), words_.end(),
                     [this](const std::string& word) { return folded_.find(word) != std::string::npos; });
}

bool BoardSearch::Matched(int grid, int row) const {
  const auto g = static_cast<size_t>(grid + 1);
  if (g >= matched.size() || row < 0 || static_cast<size_t>(row) >= matched[g].size()) return false;
  return matched[g][static_cast<size_t>(row)];
}

BoardSearch SearchBoard(const BoardState& board, const JobQuery& query, const ExtraJobText* extra) {
  BoardSearch search;
  if (query.Empty()) return search;
  const int mechanic_grids = static_cast<int>(board.mg.size());
  search.matched.resize(static_cast<size_t>(mechanic_grids) + 1);
  for (int grid = kUnassigned; grid < mechanic_grids; ++grid) {
    const GridModel& model = grid == kUnassigned ? board.g : *board.mg[static_cast<size_t>(grid)];
    const int text_col = grid == kUnassigned ? 1 : 0;
    std::vector<bool>& matched = search.matched[static_cast<size_t>(grid + 1)];
    matched.assign(static_cast<size_t>(model.Rows()), false);
    for (int r = 0; r < model.Rows(); ++r) {
      if (model.RowHidden(r)) continue;
      const std::string& text = model.TextMatrix(r, text_col);
      const int32_t job = model.JobOf(r).job_number;
      std::string_view more;
      if (extra != nullptr) {
        if (const auto it = extra->find(job); it != extra->end()) more = it->second;
      }
      // The job a number names matches even when written with leading zeros.
      const bool named = query.JobNumber() > 0 && job == query.JobNumber();
      if (!named && !query.Matches(text, more)) continue;
      matched[static_cast<size_t>(r)] = true;
      if (named && search.job_hit < 0) search.job_hit = static_cast<int>(search.hits.size());
      search.hits.push_back({grid, r});
    }
  }
  return search;
}

}  // namespace tervalo
