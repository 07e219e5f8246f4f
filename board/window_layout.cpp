#include "board/window_layout.h"

#include <algorithm>

namespace tervalo {

int StartupMechanicLeft(int n) {
  // The start-up adds one step for each of the mechanics 2 to 6 only.
  return kFirstMechanicLeft + kMechanicColumnStep * std::min(n, 5);
}

ControlGeometry RowLayout::Place(ControlGeometry designed) const {
  const int grid_bottom = design::kUnassignedGrid.top + design::kUnassignedGrid.height;
  if (designed.top >= grid_bottom) {
    designed.top += below_shift;
  } else if (designed.top >= design::kUnassignedGrid.top) {
    designed.top += top_shift;
    designed.height = grid_height;
  } else {
    designed.top += top_shift;
  }
  return designed;
}

RowLayout ArrangeRows(int client_height, int bars_height) {
  RowLayout rows;
  rows.strip_shift = bars_height;
  rows.top_shift = bars_height + kTopStripHeight;
  // Below the grids the design keeps the rest of its height for the sort order, the buttons and
  // the status line.
  const int below = kDesignClientHeight - kTopStripHeight - design::kUnassignedGrid.top - design::kUnassignedGrid.height;
  rows.grid_height = std::max(client_height - rows.top_shift - design::kUnassignedGrid.top - below, kMinimumGridHeight);
  rows.below_shift = rows.top_shift + rows.grid_height - design::kUnassignedGrid.height;
  return rows;
}

MechanicLayout ArrangeMechanicGrids(int width, int mechanic_count) {
  MechanicLayout layout;
  const int fit_columns = (width - 3240) / kMechanicColumnStep;
  layout.page_size = std::min(fit_columns, mechanic_count);
  // EXIT follows the middle of the window; Update stands just left of it on the same row, so the
  // two never change places or overlap whatever the width (at the minimum width Update starts
  // well right of "Show All Statuses").
  layout.exit_left = width / 2 + 1560 - 510;
  layout.update_left = layout.exit_left - kButtonGap - design::kBtnUpdate.width;
  layout.buttons_top = design::kBtnExit.top;
  layout.scroll_left = width / 2 + 1200 - 510;
  layout.lefts.resize(static_cast<size_t>(mechanic_count));
  layout.visible.assign(static_cast<size_t>(mechanic_count), false);
  for (int n = 0; n < mechanic_count; ++n) {
    layout.lefts[static_cast<size_t>(n)] = StartupMechanicLeft(n);
  }
  for (int n = 0; n < layout.page_size; ++n) {
    layout.lefts[static_cast<size_t>(n)] = kFirstMechanicLeft + n * kMechanicColumnStep;
    layout.visible[static_cast<size_t>(n)] = true;
  }
  if (mechanic_count > layout.page_size) {
    layout.scroll_visible = true;
    layout.scroll_max = mechanic_count - layout.page_size + 1;
  }
  return layout;
}

std::vector<PagePlacement> PageMechanicGrids(int value, int page_size, int mechanic_count, int left0,
                                             int grid_width) {
  std::vector<PagePlacement> shown;
  const int first = value - 1;
  const int step = grid_width + 105;
  for (int k = first; k < first + page_size && k < mechanic_count; ++k) {
    if (k >= 0) shown.push_back({k, left0 + (k - first) * step});
  }
  return shown;
}

}  // namespace tervalo
