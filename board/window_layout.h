#pragma once
// Geometry of the main window's controls in twips, and the rules that place the mechanic grids
// for the window's width. The window layer converts twips to pixels and applies it.

#include <string>
#include <vector>

namespace tervalo {

struct ControlGeometry {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool visible = true;
};

inline constexpr int kMinimumWindowWidth = 12940;
inline constexpr int kFirstMechanicLeft = 3120;
inline constexpr int kMechanicColumnStep = 2400;
inline constexpr int kDefaultPageSize = 7;
// The strip across the top that holds the search field, the colour legend and the help button;
// the captions, the grids and everything below them stand this much lower than designed.
inline constexpr int kTopStripHeight = 420;
// The height of the client area as designed, with the top strip: room below the lowest button.
inline constexpr int kDesignClientHeight = 9720 + kTopStripHeight;
// The job grids never get shorter than this (about two tall rows), however low the window.
inline constexpr int kMinimumGridHeight = 2600;

// Design-time geometry of the fixed controls.
namespace design {
inline constexpr ControlGeometry kLabel1{360, 240, 2175, 255};
inline constexpr ControlGeometry kUnassignedGrid{120, 600, 2500, 6615};
inline constexpr ControlGeometry kMechanicLabel{3225, 290, 2325, 300};
inline constexpr ControlGeometry kMechanicGrid{3240, 600, 2295, 6615};
inline constexpr ControlGeometry kLabel2{840, 7320, 975, 255};
inline constexpr ControlGeometry kSortGrid{480, 7560, 1575, 1050};
inline constexpr ControlGeometry kChkHide{3360, 7560, 1815, 375};
inline constexpr ControlGeometry kScroll{9360, 7560, 1935, 495};
inline constexpr ControlGeometry kBtnRefresh{600, 8760, 1215, 495};
inline constexpr ControlGeometry kBtnExit{9720, 8520, 1215, 495};
inline constexpr ControlGeometry kBtnUpdate{12480, 8280, 1215, 495};
inline constexpr ControlGeometry kPrintGrid{3360, 8520, 4695, 495};
// The status line along the bottom, from kStatusLine.left to the check period's label; the
// check period's box ends kRightMargin from the window's right edge.
inline constexpr ControlGeometry kStatusLine{120, 9300, 0, 330};
inline constexpr ControlGeometry kCheckPeriodLabel{0, 9300, 2400, 330};
inline constexpr ControlGeometry kCheckPeriod{0, 9300, 1200, 330};
// The top strip's controls: the search field, its "3 of 11", and the legend from the left
// edge of the mechanic columns to the help button at the right.
inline constexpr ControlGeometry kSearchField{120, 60, 2500, 330};
inline constexpr ControlGeometry kSearchCount{2700, 60, 1200, 330};
inline constexpr ControlGeometry kLegend{4020, 60, 0, 330};
inline constexpr ControlGeometry kHelpButton{0, 60, 900, 330};
}  // namespace design

// Twips kept between a control and the window's right edge, and between Update and EXIT.
inline constexpr int kRightMargin = 120;
inline constexpr int kButtonGap = 120;

// Where the mechanic grids, the scroll bar and the buttons go for a window width.
struct MechanicLayout {
  int page_size = kDefaultPageSize;
  std::vector<int> lefts;       // Left of label n and grid n
  std::vector<bool> visible;    // shown on the first page
  bool scroll_visible = false;
  int scroll_max = 1;
  // Update and EXIT stand side by side in one row, Update first, at every width.
  int exit_left = design::kBtnExit.left;
  int update_left = design::kBtnExit.left - kButtonGap - design::kBtnUpdate.width;
  int buttons_top = design::kBtnExit.top;
  int scroll_left = design::kScroll.left;
};

// Where the window's rows go for its height: the job grids take every twip the window has beyond
// the design, and the controls below them follow their bottom edge.
struct RowLayout {
  int strip_shift = 0;  // added to the designed top of the top strip's controls (the bars' height)
  int top_shift = kTopStripHeight;  // added to the designed top of the captions and the grids
  int grid_height = design::kUnassignedGrid.height;
  int below_shift = kTopStripHeight;  // added to the designed top of every control below the grids
  // A designed place of a control: the captions and grids move down by top_shift (the grids
  // take grid_height), the controls below the grids by below_shift.
  ControlGeometry Place(ControlGeometry designed) const;
};
// The rows for a client area `client_height` twips high whose top `bars_height` twips are taken
// by the notice bars.
RowLayout ArrangeRows(int client_height, int bars_height = 0);

// Left of mechanic grid n at start-up: 2400 apart for the first six, the rest on the sixth's
// place until paged.
int StartupMechanicLeft(int n);

// The layout for a window of `width` twips (at least the minimum width) and `mechanic_count`
// mechanics, as the first page shows it.
MechanicLayout ArrangeMechanicGrids(int width, int mechanic_count);

// The mechanic grids shown when the scroll bar stands at `value` (1-based): grid index and Left.
struct PagePlacement {
  int index;
  int left;
};
std::vector<PagePlacement> PageMechanicGrids(int value, int page_size, int mechanic_count, int left0,
                                             int grid_width);

}  // namespace tervalo
