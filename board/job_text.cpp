#include "board/job_text.h"

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
  const auto lines = SplitLines(job_text);
  return lines.size() >= 6 ? static_cast<int32_t>(Val(Mid(lines[5], 5, 2))) : 0;
}

bool IsFinished(std::string_view job_text) {
  const auto lines = SplitLines(job_text);
  if (lines.size() < 3) return false;
  return lines[2].find("Complete") != std::string::npos || lines[2].find("Billed") != std::string::npos;
}

}  // namespace tervalo
