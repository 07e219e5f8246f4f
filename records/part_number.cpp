#include "records/part_number.h"

#include "base/basic_text.h"
#include "engine/engine_tables.h"

namespace tervalo {
namespace {

std::string_view TrimSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A character of the part number proper: found in the alphabet at a place other than its first.
// The alphabet is read afresh each time, since it can be changed while the program runs.
bool IsPartNumberCharacter(char c) { return gCharTable.Contains(c) && gCharTable.IndexOf(c) > 0; }

}  // namespace

bool SplitPartNumber(std::string& P, std::string& D) {
  const std::string trimmed(TrimSpaces(P));
  std::string number;
  D.clear();
  for (size_t i = 0; i < trimmed.size(); ++i) {
    if (IsPartNumberCharacter(trimmed[i])) {
      number.push_back(trimmed[i]);
    } else if (i < kSeparatorCodes.size()) {
      D.push_back(kSeparatorCodes[i]);
    }
  }
  P = std::move(number);
  return D.size() < 4;
}

void InsertDashes(std::string& P, std::string_view D) {
  const size_t last = D.find_last_not_of(' ');
  if (last == std::string_view::npos) return;
  for (char code : D.substr(0, last + 1)) {
    const size_t place = kSeparatorCodes.substr(0, kInsertableCodes).find(code);
    if (place == std::string_view::npos) continue;
    // place is 0-based, so it is also the count of characters before the dash.
    P = std::string(Left(P, static_cast<int64_t>(place))) + "-" +
        std::string(Mid(P, static_cast<int64_t>(place) + 1));
  }
}

}  // namespace tervalo
