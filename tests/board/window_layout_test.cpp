#include "board/window_layout.h"

#include <gtest/gtest.h>

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

TEST(WindowLayoutTest, ExitAndUpdateNeverOverlap) {
  // Widths in twips: the minimum, common laptop widths at 96 dpi (1366, 1440, 1600 pixels) where
  // EXIT's moving place runs into Update's, and a wide screen where they are apart again.
  for (int width : {12940, 16000, 20490, 21600, 24000, 25290, 28800, 38400}) {
    const MechanicLayout layout = ArrangeMechanicGrids(width, 10);
    const int exit_right = layout.exit_left + design::kBtnExit.width;
    const int update_right = layout.update_left + design::kBtnUpdate.width;
    EXPECT_TRUE(exit_right + kButtonGap <= layout.update_left || layout.exit_left >= update_right) << width;
    EXPECT_LE(update_right, width - kRightMargin) << width;
    EXPECT_GE(layout.exit_left, 0) << width;
  }
  // Where they do not meet, both keep their designed places.
  EXPECT_EQ(ArrangeMechanicGrids(16000, 10).exit_left, 16000 / 2 + 1560 - 510);
  EXPECT_EQ(ArrangeMechanicGrids(16000, 10).update_left, design::kBtnUpdate.left);
  EXPECT_EQ(ArrangeMechanicGrids(28800, 10).exit_left, 28800 / 2 + 1560 - 510);
  EXPECT_EQ(ArrangeMechanicGrids(12940, 10).update_left, 12940 - 120 - design::kBtnUpdate.width);
}

}  // namespace
}  // namespace tervalo
