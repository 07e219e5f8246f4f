#include "board/job_text.h"

#include <algorithm>
#include <optional>

#include "base/basic_text.h"

namespace tervalo {

namespace {

// The pieces between separators: one more than there are separators.
std::vector<std::string> SplitAt(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    pieces.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return pieces;
    start = at + 1;
  }
}

// Line `index` (0-based) of a text, or nothing when the text has fewer lines.
std::optional<std::string_view> LineOf(std::string_view text, int index) {
  size_t start = 0;
  for (int i = 0; i < index; ++i) {
    const size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) return std::nullopt;
    start = lf + 1;
  }
  return text.substr(start, text.find('\n', start) - start);
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) { return SplitAt(text, '\n'); }

std::vector<std::string> SplitRows(std::string_view text) { return SplitAt(text, '\r'); }

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text.push_back('\n');
    text += lines[i];
  }
  return text;
}

int32_t GetJobNumber(std::string_view job_text) {
  const size_t lf = job_text.find('\n');
  if (lf == std::string_view::npos) return 0;
  size_t start = lf >= 4 ? lf - 4 : 0;
  if (start > 0 && job_text[start - 1] >= '0' && job_text[start - 1] <= '9') --start;
  return static_cast<int32_t>(Val(job_text.substr(start, lf - start)));
}

int32_t ReferenceNumberOf(std::string_view job_text) {
  return static_cast<int32_t>(Val(Mid(job_text, 6, 7)));
}

int32_t RequestNumberOf(std::string_view job_text) {
  const auto line = LineOf(job_text, 5);
  return line ? static_cast<int32_t>(Val(Mid(*line, 5, 2))) : 0;
}

bool IsFinished(std::string_view job_text) {
  const auto line = LineOf(job_text, 2);
  return line && (line->find("Complete") != std::string_view::npos || line->find("Billed") != std::string_view::npos);
}

bool IsJobText(std::string_view job_text) {
  constexpr int kJobLines = 5;  // reference and job, date and priority, status, two unit lines
  const auto line_feeds = std::count(job_text.begin(), job_text.end(), '\n');
  if (line_feeds != kJobLines - 1 && line_feeds != kJobLines) return false;
  const bool control = std::any_of(job_text.begin(), job_text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 32 && byte != '\n') || byte == 127;
  });
  return !control && GetJobNumber(job_text) >= 1;
}

RowJob RowJobOf(std::string_view job_text) {
  return {GetJobNumber(job_text), ReferenceNumberOf(job_text), RequestNumberOf(job_text), IsFinished(job_text)};
}

}  // namespace tervalo
