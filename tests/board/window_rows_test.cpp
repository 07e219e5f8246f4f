#include <gtest/gtest.h>

#include <string>

#include "board/window_layout.h"

namespace tervalo {
namespace {

constexpr int kGridBottom = design::kUnassignedGrid.top + design::kUnassignedGrid.height;

TEST(WindowRowsTest, TheGridsTakeTheWindowsHeightAndTheControlsBelowFollowTheirBottom) {
  struct Case {
    int client_height;
    int bars;
    int grid_height;
  };
  const Case cases[] = {
      {kDesignClientHeight, 0, design::kUnassignedGrid.height},            // as designed
      {kDesignClientHeight + 9000, 0, design::kUnassignedGrid.height + 9000},  // a tall screen
      {kDesignClientHeight + 9000, 360, design::kUnassignedGrid.height + 8640},  // a bar takes its room
      {kDesignClientHeight - 6000, 0, kMinimumGridHeight},                 // never shorter than this
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("height " + std::to_string(c.client_height) + ", bars " + std::to_string(c.bars));
    const RowLayout rows = ArrangeRows(c.client_height, c.bars);
    EXPECT_EQ(rows.strip_shift, c.bars);
    const ControlGeometry grid = rows.Place(design::kUnassignedGrid);
    EXPECT_EQ(grid.top, design::kUnassignedGrid.top + kTopStripHeight + c.bars);
    EXPECT_EQ(grid.height, c.grid_height);
    EXPECT_EQ(rows.Place(design::kMechanicGrid).height, c.grid_height);
    EXPECT_EQ(rows.Place(design::kLabel1).top, design::kLabel1.top + kTopStripHeight + c.bars);
    // Below the grids every control keeps its distance from the grids' bottom edge.
    for (const ControlGeometry& below : {design::kLabel2, design::kSortGrid, design::kChkHide, design::kBtnRefresh,
                                         design::kBtnExit, design::kStatusLine}) {
      const ControlGeometry placed = rows.Place(below);
      EXPECT_EQ(placed.top - (grid.top + grid.height), below.top - kGridBottom);
      EXPECT_EQ(placed.height, below.height);
    }
    if (c.grid_height > kMinimumGridHeight) {
      EXPECT_EQ(rows.Place(design::kStatusLine).top + design::kStatusLine.height,
                c.client_height - (kDesignClientHeight - kTopStripHeight - design::kStatusLine.top - design::kStatusLine.height))
          << "the status line stays at the window's bottom";
    }
  }
}

}  // namespace
}  // namespace tervalo
