#include "board/list_watch.h"

#include "board/schedule_files.h"
#include "environment/catalog_config.h"

namespace tervalo {

std::vector<WatchedList> WatchedLists(const BoardState& board, const cEpcInfo& info) {
  std::vector<WatchedList> lists;
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    const auto i = static_cast<size_t>(n);
    if (!board.schedules[i].loaded) continue;
    lists.push_back({board.mechanics.MechanicName[i], SchedulePath(info, board.mechanics.MechanicNumber[i]),
                     board.schedules[i].on_disk});
  }
  return lists;
}

ListCheck CheckLists(Host& host, const std::vector<WatchedList>& lists) {
  ListCheck check;
  for (const WatchedList& list : lists) {
    const ScheduleRead read = ReadSchedule(host, list.path);
    if (!read.problem.empty()) {
      check.problems.push_back(list.mechanic + " (" + read.problem + ")");
    } else if (read.text != list.on_disk) {
      check.changed.push_back(list.mechanic);
    }
  }
  return check;
}

}  // namespace tervalo
