#include "board/list_repair.h"

#include "base/basic_text.h"
#include "host/file_replace.h"
#include "host/host.h"

namespace tervalo {
namespace {

constexpr int64_t kStaleSeconds = 10 * 60;
constexpr std::string_view kSchedulePrefix = "SCHEDULE.";

}  // namespace

bool IsScheduleFileName(std::string_view name) {
  if (name.size() <= kSchedulePrefix.size() || !EqualsIgnoreCase(name.substr(0, kSchedulePrefix.size()), kSchedulePrefix)) {
    return false;
  }
  return name.substr(kSchedulePrefix.size()).find_first_not_of("0123456789") == std::string_view::npos;
}

std::vector<int> RepairScheduleFolder(Host& host, const std::string& folder) {
  const FolderRepair repair = CompleteInterruptedReplacements(host, folder, IsScheduleFileName, kStaleSeconds);
  std::vector<int> numbers;
  for (const std::string& name : repair.restored) {
    // The digits of a long name do not fit a mechanic number; such a file is put in place all the same.
    const std::string digits = name.substr(kSchedulePrefix.size());
    if (digits.size() <= 9) numbers.push_back(std::stoi(digits));
  }
  return numbers;
}

bool RepairList(Host& host, const std::string& path) {
  const size_t slash = path.rfind('\\');
  const std::string folder = path.substr(0, slash);
  const std::string name = path.substr(slash + 1);
  const auto this_list = [&](std::string_view candidate) { return EqualsIgnoreCase(candidate, name); };
  return !CompleteInterruptedReplacements(host, folder, this_list, kStaleSeconds).restored.empty();
}

}  // namespace tervalo
