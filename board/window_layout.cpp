#include "board/window_layout.h"

#include <algorithm>

namespace tervalo {

int StartupMechanicLeft(int n) {
  // The start-up adds one step for each of the mechanics 2 to 6 only.
  return kFirstMechanicLeft + kMechanicColumnStep * std::min(n, 5);
}

int UpdateButtonLeft(int width) {
  return std::min(design::kBtnUpdate.left, width - kRightMargin - design::kBtnUpdate.width);
}

MechanicLayout ArrangeMechanicGrids(int width, int mechanic_count) {
  MechanicLayout layout;
  const int fit_columns = (width - 3240) / kMechanicColumnStep;
  layout.page_size = std::min(fit_columns, mechanic_count);
  layout.exit_left = width / 2 + 1560 - 510;
  layout.update_left = UpdateButtonLeft(width);
  // EXIT follows the middle of the window, Update the right edge up to its designed place; at
  // widths where they would meet (EXIT's bottom half reaches into Update's rows), EXIT stands
  // left of Update instead of under it.
  const int exit_right = layout.exit_left + design::kBtnExit.width;
  if (exit_right + kButtonGap > layout.update_left && layout.exit_left < layout.update_left + design::kBtnUpdate.width) {
    layout.exit_left = layout.update_left - kButtonGap - design::kBtnExit.width;
  }
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
