#include "board/window_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/frm_tervalo.h"

namespace tervalo {
namespace {

TEST(WindowLayoutTest, TheWindowIsNeverNarrowerThanTheMinimum) {
  EXPECT_EQ(frmTervalo::ApplyMinimumWidth(12939), 12940);
  EXPECT_EQ(frmTervalo::ApplyMinimumWidth(20000), 20000);
  EXPECT_EQ(ArrangeMechanicGrids(12940, 10).page_size, 4) << "FitColumns at the minimum width";
}

TEST(WindowLayoutTest, PagesTheMechanicGridsWhenTheyDoNotFit) {
  const MechanicLayout ten = ArrangeMechanicGrids(12940, 10);
  EXPECT_TRUE(ten.scroll_visible);
  EXPECT_EQ(ten.scroll_max, 7);
  EXPECT_EQ(ten.lefts[3], 3120 + 3 * 2400);
  for (int n = 0; n < 10; ++n) EXPECT_EQ(ten.visible[static_cast<size_t>(n)], n < 4) << n;
  EXPECT_EQ(ten.exit_left, 12940 / 2 + 1560 - 510);
  EXPECT_EQ(ten.scroll_left, 12940 / 2 + 1200 - 510);

  const MechanicLayout three = ArrangeMechanicGrids(24000, 3);
  EXPECT_EQ(three.page_size, 3);
  EXPECT_FALSE(three.scroll_visible);

  const MechanicLayout none = ArrangeMechanicGrids(24000, 0);
  EXPECT_EQ(none.page_size, 0);
  EXPECT_FALSE(none.scroll_visible);
}

TEST(WindowLayoutTest, GridsBeyondTheSixthStartOnTheSixthsPlace) {
  EXPECT_EQ(StartupMechanicLeft(0), 3120);
  EXPECT_EQ(StartupMechanicLeft(5), 15120);
  EXPECT_EQ(StartupMechanicLeft(6), 15120);
  EXPECT_EQ(StartupMechanicLeft(7), 15120) << "the 8th mechanic";
}

TEST(WindowLayoutTest, ScrollingShowsAPageOfGridsFromTheFirstPlace) {
  const auto shown = PageMechanicGrids(4, 7, 10, 3120, 2295);
  ASSERT_EQ(shown.size(), 7u);
  EXPECT_EQ(shown.front().index, 3);
  EXPECT_EQ(shown.front().left, 3120);
  EXPECT_EQ(shown.back().index, 9);
  EXPECT_EQ(shown.back().left, 3120 + 6 * (2295 + 105));
}

TEST(WindowLayoutTest, UpdateStandsLeftOfExitOnOneRowAtEveryWidth) {
  // Widths in twips: the minimum, common screen widths at 96 dpi (1366, 1440, 1600, 1920 pixels,
  // where the buttons used to change places), a wide screen and every width in between.
  std::vector<int> widths{12940, 20490, 21600, 24000, 28800, 38400, 60000};
  for (int width = 12940; width <= 40000; width += 7) widths.push_back(width);
  for (int width : widths) {
    const MechanicLayout layout = ArrangeMechanicGrids(width, 10);
    SCOPED_TRACE("width " + std::to_string(width));
    EXPECT_EQ(layout.exit_left, width / 2 + 1560 - 510) << "EXIT follows the middle of the window";
    EXPECT_EQ(layout.update_left + design::kBtnUpdate.width + kButtonGap, layout.exit_left);
    EXPECT_EQ(layout.buttons_top, design::kBtnExit.top);
    EXPECT_LE(layout.exit_left + design::kBtnExit.width, width - kRightMargin);
    EXPECT_GE(layout.update_left, design::kChkHide.left + design::kChkHide.width);
  }
}

}  // namespace
}  // namespace tervalo
