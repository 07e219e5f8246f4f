#include "board/list_watch.h"

#include "board/job_index.h"
#include "board/schedule_files.h"
#include "environment/catalog_config.h"
#include "host/host.h"

namespace tervalo {
namespace {

// The job index's blocks read through the host as JobIndex::Load reads them through the engine:
// bytes past the end of FILE0 as zeros. False with the reason when the file cannot be read.
bool ReadJobIndexBytes(Host& host, const std::string& path, std::string& bytes, std::string& problem) {
  const HostResult<std::unique_ptr<HostFile>> file = host.OpenShared(path, false);
  if (!file.ok()) {
    problem = file.status().Message();
    return false;
  }
  bytes.clear();
  for (const auto& [offset, size] : kJobIndexRanges) {
    std::string run(static_cast<size_t>(size), '\0');
    const HostResult<int64_t> got = (*file)->ReadAt(offset, run.data(), run.size());
    if (!got.ok()) {
      problem = got.status().Message();
      return false;
    }
    bytes += run;
  }
  return true;
}

}  // namespace

WatchedBoard WatchBoard(const BoardState& board, const cEpcInfo& info) {
  WatchedBoard watched{{}, DataFolderPath(info), board.job_index_path, board.job_index_bytes};
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    const ScheduleState& state = board.schedules[static_cast<size_t>(n)];
    if (!state.loaded) continue;
    watched.lists.push_back({n, board.mechanics.MechanicName[static_cast<size_t>(n)],
                             SchedulePath(info, board.mechanics.MechanicNumber[static_cast<size_t>(n)]),
                             state.on_disk, state.stamp});
  }
  return watched;
}

ListCheck CheckBoard(Host& host, const WatchedBoard& watched) {
  ListCheck check;
  for (const WatchedList& list : watched.lists) {
    const std::optional<ScheduleRead> read = ReadScheduleIfChanged(host, list.path, list.stamp);
    if (!read) continue;
    if (!read->problem.empty() && !read->damaged) {
      check.problems.push_back(list.mechanic + " (" + read->problem + ")");
    } else if (read->damaged || read->text != list.on_disk) {
      // A file damaged since (lines that are not jobs, longer than any list) was changed by some
      // other program: Refresh reads it and tells what is wrong with it.
      // A list that is gone because its whole folder is gone was not saved by anyone.
      if (!read->damaged && !read->text && !watched.data_folder.empty() &&
          !host.DirectoryExists(watched.data_folder)) {
        check.problems.push_back("the data folder " + watched.data_folder + " cannot be found");
        break;
      }
      check.changed.push_back(list.mechanic);
    } else if (read->stamp) {
      check.confirmed.push_back({list.grid, list.on_disk, *read->stamp});
    }
  }
  if (!watched.job_index_path.empty()) {
    std::string bytes;
    std::string problem;
    if (!ReadJobIndexBytes(host, watched.job_index_path, bytes, problem)) {
      check.problems.push_back("the job index (" + problem + ")");
    } else {
      check.jobs_changed = bytes != watched.job_index_bytes;
    }
  }
  return check;
}

void KeepConfirmedStamps(BoardState& board, const std::vector<ConfirmedList>& confirmed) {
  for (const ConfirmedList& list : confirmed) {
    if (list.grid >= board.mechanics.MechanicCount) continue;
    ScheduleState& state = board.schedules[static_cast<size_t>(list.grid)];
    if (state.loaded && state.on_disk == list.on_disk) state.stamp = list.stamp;
  }
}

}  // namespace tervalo
