#include "board/schedule_files.h"

#include <algorithm>
#include <cerrno>

#include "environment/catalog_config.h"
#include "host/host.h"

namespace tervalo {

std::string DataFolderPath(const cEpcInfo& info) {
  return "\\\\" + info.Server + "\\" + info.DataShare + "\\" + info.Directory;
}

std::string SchedulePath(const cEpcInfo& info, int mechanic_number) {
  return DataFolderPath(info) + "\\SCHEDULE." + std::to_string(mechanic_number);
}

ScheduleRead ReadSchedule(Host& host, const std::string& path) {
  return *ReadScheduleIfChanged(host, path, std::nullopt);
}

std::optional<ScheduleRead> ReadScheduleIfChanged(Host& host, const std::string& path,
                                                  const std::optional<FileStamp>& known) {
  const HostResult<FileStamp> stamp = host.StampOf(path);
  if (!stamp.ok()) return ScheduleRead{std::nullopt, stamp.status().Message(), std::nullopt};
  if (known && *stamp == *known) return std::nullopt;
  if (!stamp->exists) return ScheduleRead{std::nullopt, "", *stamp};
  const HostResult<std::vector<std::string>> lines = host.ReadTextLines(path);
  if (!lines.ok()) {
    // Removed between the look and the read: no file, and no stamp that would claim otherwise.
    if (lines.status().error() == ENOENT) return ScheduleRead{};
    return ScheduleRead{std::nullopt, lines.status().Message(), std::nullopt};
  }
  std::string text;
  for (const std::string& line : *lines) text += line + "\r\n";
  return ScheduleRead{text, "", *stamp};
}

void FillGrid(GridModel& grid, const std::string& text) {
  grid.SetRedraw(false);
  int k = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 2;
    if (!line.empty()) {
      for (char& c : line) {
        if (c == '\t') c = '\n';
      }
      grid.AddItem(line, std::min(k, grid.Rows()));
    }
    ++k;
  }
}

ScheduleState LoadSchedule(Host& host, GridModel& grid, const std::string& path) {
  const ScheduleRead read = ReadSchedule(host, path);
  if (!read.problem.empty()) return {false, read.problem, std::nullopt, std::nullopt};
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
