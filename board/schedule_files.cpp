#include "board/schedule_files.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "board/job_text.h"
#include "environment/catalog_config.h"

namespace tervalo {

std::string DataFolderPath(const cEpcInfo& info) {
  return "\\\\" + info.Server + "\\" + info.DataShare + "\\" + info.Directory;
}

std::string SchedulePath(const cEpcInfo& info, int mechanic_number) {
  return DataFolderPath(info) + "\\SCHEDULE." + std::to_string(mechanic_number);
}

namespace {

// Calls `line` with each line of a schedule file's text (CR LF after each) and its number from 1.
template <typename Visit>
void ForEachLine(const std::string& text, Visit line) {
  int number = 1;
  for (size_t start = 0; start < text.size(); ++number) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    line(std::string_view(text).substr(start, end - start), number);
    start = end + 2;
  }
}

// A schedule line's job text: its tabs turned back into line feeds.
std::string JobTextOf(std::string_view line) {
  std::string text(line);
  std::replace(text.begin(), text.end(), '\t', '\n');
  return text;
}

// "3", "3 and 7", "1 to 5, 8 and 10 to 25": line numbers in ascending order as ranges, the
// first few of them.
std::string LineRanges(const std::vector<int>& lines) {
  constexpr size_t kMaxRanges = 6;
  std::vector<std::pair<int, int>> ranges;
  for (const int line : lines) {
    if (!ranges.empty() && ranges.back().second + 1 == line) {
      ranges.back().second = line;
    } else {
      ranges.emplace_back(line, line);
    }
  }
  std::string text;
  for (size_t k = 0; k < ranges.size() && k < kMaxRanges; ++k) {
    const auto [first, last] = ranges[k];
    if (k > 0) text += k + 1 == ranges.size() ? " and " : ", ";
    text += std::to_string(first);
    if (last != first) text += " to " + std::to_string(last);
  }
  if (ranges.size() > kMaxRanges) text += " ...";
  return text;
}

std::string ForeignLinesProblem(const std::string& path, const std::vector<int>& lines) {
  if (lines.size() == 1) return "line " + std::to_string(lines[0]) + " of " + path + " is not a job";
  return std::to_string(lines.size()) + " lines of " + path + " are not jobs (lines " + LineRanges(lines) + ")";
}

std::string TooLongProblem(const std::string& path, std::optional<int64_t> size) {
  const std::string limit = "more than a list can hold (" + std::to_string(kMaxScheduleBytes) + " bytes)";
  return path + (size ? " is " + std::to_string(*size) + " bytes long, " + limit : " is " + limit) +
         ": it is taken as damaged and not read";
}

// The lines of a schedule file's text that are neither empty nor job texts.
std::vector<int> ForeignLines(const std::string& text) {
  std::vector<int> foreign;
  ForEachLine(text, [&](std::string_view line, int number) {
    if (!line.empty() && !IsJobText(JobTextOf(line))) foreign.push_back(number);
  });
  return foreign;
}

}  // namespace

ScheduleRead ReadSchedule(Host& host, const std::string& path) {
  return *ReadScheduleIfChanged(host, path, std::nullopt);
}

std::optional<ScheduleRead> ReadScheduleIfChanged(Host& host, const std::string& path,
                                                  const std::optional<FileStamp>& known) {
  const HostResult<FileStamp> stamp = host.StampOf(path);
  if (!stamp.ok()) return ScheduleRead{std::nullopt, stamp.status().Message(), std::nullopt};
  if (known && *stamp == *known) return std::nullopt;
  if (!stamp->exists) return ScheduleRead{std::nullopt, "", *stamp};
  // Longer than any list: damaged, and reading it would only fill the memory.
  if (stamp->size > kMaxScheduleBytes) return ScheduleRead{std::nullopt, TooLongProblem(path, stamp->size), std::nullopt, true};
  const HostResult<std::vector<std::string>> lines = host.ReadTextLines(path);
  if (!lines.ok()) {
    // Removed between the look and the read: no file, and no stamp that would claim otherwise.
    if (lines.status().error() == ENOENT) return ScheduleRead{};
    // Grown past any list's length between the look and the read.
    if (lines.status().error() == EFBIG) return ScheduleRead{std::nullopt, TooLongProblem(path, std::nullopt), std::nullopt, true};
    return ScheduleRead{std::nullopt, lines.status().Message(), std::nullopt};
  }
  std::string text;
  for (const std::string& line : *lines) text += line + "\r\n";
  const std::vector<int> foreign = ForeignLines(text);
  if (!foreign.empty()) return ScheduleRead{text, ForeignLinesProblem(path, foreign), *stamp, true};
  return ScheduleRead{text, "", *stamp};
}

void FillGrid(GridModel& grid, const std::string& text) {
  grid.SetRedraw(false);
  ForEachLine(text, [&](std::string_view line, int number) {
    if (line.empty()) return;
    std::string job = JobTextOf(line);
    if (!IsJobText(job)) return;
    grid.AddItem(job, std::min(number - 1, grid.Rows()));
  });
}

ScheduleState LoadSchedule(Host& host, GridModel& grid, const std::string& path) {
  const ScheduleRead read = ReadSchedule(host, path);
  if (!read.problem.empty()) {
    // A list that holds lines that are not jobs shows the jobs it holds; it is not saved here, so
    // that the other lines are not lost.
    if (read.text) FillGrid(grid, *read.text);
    return {false, read.problem, std::nullopt, std::nullopt, read.text.has_value()};
  }
  if (read.text) FillGrid(grid, *read.text);
  return {true, "", read.text, read.stamp};
}

std::string ScheduleLine(std::string text) {
  for (char& c : text) {
    if (c == '\n') c = '\t';
  }
  return text + "\r\n";
}

std::string ScheduleText(const GridModel& grid) {
  std::string text;
  for (int r = 0; r < grid.Rows(); ++r) text += ScheduleLine(grid.TextMatrix(r, 0));
  return text;
}

}  // namespace tervalo
