// The grid widget: twips to pixels, row heights, hidden columns and rows following the grid,
// list-box selection and the current row kept in step both ways, the top row and scrolling, and
// the hook a right-button drag will use.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include <set>
#include <string>

#include "board_ui/grid_view.h"
#include "board_ui/twips.h"
#include "tests/board_ui/qt_test_app.h"

namespace tervalo {
namespace {

TEST(TwipsTest, TwipsBecomePixelsThroughTheLogicalDpi) {
  struct Case {
    int twips;
    double dpi;
    int pixels;
  };
  const Case cases[] = {
      {1440, 96, 96},  {15, 96, 1},      {1280, 96, 85},  {12940, 96, 863},
      {2295, 96, 153}, {1280, 144, 128}, {1440, 120, 120}, {0, 96, 0},
      {7, 96, 0},      {8, 96, 1},  // rounded to the nearest pixel
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
  }
  EXPECT_EQ(PixelsToTwips(863, 96), 12945);
  EXPECT_EQ(PixelsToTwips(128, 144), 1280);
}

class GridViewTest : public ::testing::Test {
 protected:
  GridViewTest() : grid_(2), model_(grid_) {
    for (int i = 0; i < 20; ++i) {
      grid_.AddItem("key" + std::to_string(100 + i) + "\tRef: " + std::to_string(i) + "\nline 2\nline 3\nline 4\nline 5");
    }
  }

  // A view showing about three rows, on screen.
  GridView& ShownView() {
    view_ = std::make_unique<GridView>(model_, 5);
    view_->HideColumn(0);
    view_->resize(200, 3 * view_->RowHeightPixels() + 2 * view_->frameWidth());
    view_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    return *view_;
  }

  std::set<int> ViewSelectedRows() const {
    std::set<int> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedRows(1)) rows.insert(index.row());
    return rows;
  }

  std::set<int> GridSelectedRows() const {
    std::set<int> rows;
    for (int r = 0; r < grid_.Rows(); ++r) {
      if (grid_.IsSelected(r)) rows.insert(r);
    }
    return rows;
  }

  void Click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier, Qt::MouseButton button = Qt::LeftButton) {
    const QRect cell = view_->visualRect(model_.index(row, 1));
    QTest::mouseClick(view_->viewport(), button, modifiers, cell.center());
  }

  GridModel grid_;
  GridTableModel model_;
  std::unique_ptr<GridView> view_;
};

TEST_F(GridViewTest, RowHeightComesFromRowHeightMinOrFitsFiveLines) {
  GridView& view = ShownView();
  const int line = view.fontMetrics().lineSpacing();
  EXPECT_GE(view.rowHeight(0), 5 * line);
  EXPECT_LT(view.rowHeight(0), 6 * line) << "room for five lines, not six";

  grid_.SetRowHeightMin(1280);
  const int tall = TwipsToPixels(1280, view.logicalDpiY());
  EXPECT_EQ(view.RowHeightPixels(), tall);
  for (int r : {0, 7, 19}) EXPECT_EQ(view.rowHeight(r), tall) << "row " << r;
}

TEST_F(GridViewTest, TheSortKeyColumnStaysHiddenAndHiddenRowsFollowTheGrid) {
  GridView& view = ShownView();
  grid_.SetRowHidden(3, true);
  EXPECT_TRUE(view.isRowHidden(3));
  grid_.RemoveItem(0);  // the hidden row moves up with its job
  EXPECT_TRUE(view.isRowHidden(2));
  EXPECT_FALSE(view.isRowHidden(3));
  grid_.SortColumn0Ascending();  // a reset of the model
  EXPECT_TRUE(view.isColumnHidden(0));
  EXPECT_FALSE(view.isColumnHidden(1));
  EXPECT_TRUE(view.isRowHidden(2));
  grid_.SetRowHidden(2, false);
  EXPECT_FALSE(view.isRowHidden(2));
}

TEST_F(GridViewTest, ClicksSelectLikeAListBoxAndReachTheGrid) {
  ShownView();
  Click(0);
  EXPECT_EQ(GridSelectedRows(), (std::set<int>{0}));
  EXPECT_EQ(grid_.Row(), 0);
  Click(2, Qt::ControlModifier);
  EXPECT_EQ(GridSelectedRows(), (std::set<int>{0, 2}));
  EXPECT_EQ(grid_.Row(), 2);
  Click(0, Qt::ControlModifier);  // Ctrl+click takes a row out again
  EXPECT_EQ(GridSelectedRows(), (std::set<int>{2}));
  Click(1);  // a plain click starts a new selection
  EXPECT_EQ(GridSelectedRows(), (std::set<int>{1}));
  Click(2, Qt::ShiftModifier);
  EXPECT_EQ(GridSelectedRows(), (std::set<int>{1, 2}));
  EXPECT_EQ(grid_.Clip(), grid_.TextMatrix(1, 0) + "\t" + grid_.TextMatrix(1, 1) + "\r" + grid_.TextMatrix(2, 0) +
                              "\t" + grid_.TextMatrix(2, 1));
}

TEST_F(GridViewTest, TheGridsSelectionShowsAndStaysWithItsRows) {
  GridView& view = ShownView();
  grid_.Select(1, 0, 2);
  EXPECT_EQ(ViewSelectedRows(), (std::set<int>{1, 2}));
  EXPECT_EQ(view.currentIndex().row(), 1);
  EXPECT_EQ(view.currentIndex().column(), 1) << "the current cell is a visible one";

  grid_.AddItem("key000\tnew first", 0);
  EXPECT_EQ(GridSelectedRows(), (std::set<int>{2, 3}));
  EXPECT_EQ(ViewSelectedRows(), GridSelectedRows());
  grid_.RemoveItem(2);
  EXPECT_EQ(ViewSelectedRows(), (std::set<int>{2}));
  EXPECT_EQ(view.currentIndex().row(), grid_.Row());

  grid_.ClearSelection();
  grid_.SetRow(-1);
  EXPECT_TRUE(ViewSelectedRows().empty());
  EXPECT_FALSE(view.currentIndex().isValid());
}

TEST_F(GridViewTest, TopRowAndScrollingFollowEachOther) {
  GridView& view = ShownView();
  grid_.SetTopRow(5);
  EXPECT_EQ(view.rowAt(0), 5);
  view.verticalScrollBar()->setValue(8);
  EXPECT_EQ(grid_.TopRow(), 8);
  // The last rows cannot come to the top: the grid names the row that is at the top.
  grid_.SetTopRow(19);
  EXPECT_EQ(grid_.TopRow(), view.rowAt(0));
  EXPECT_LT(grid_.TopRow(), 19);
  EXPECT_EQ(view.rowAt(view.viewport()->height() - 1), 19);
}

TEST_F(GridViewTest, APressCanBeTakenBeforeTheGridHandlesIt) {
  GridView& view = ShownView();
  grid_.Select(0, 0);
  std::vector<int> pressed_rows;
  QObject::connect(&view, &GridView::beforeMouseDown,
                   [&](Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint& pos, bool* cancel) {
                     pressed_rows.push_back(view.MouseRow(pos));
                     *cancel = button == Qt::RightButton;
                   });
  Click(2, Qt::NoModifier, Qt::RightButton);
  EXPECT_EQ(GridSelectedRows(), (std::set<int>{0})) << "a cancelled press leaves the selection";
  Click(2);
  EXPECT_EQ(GridSelectedRows(), (std::set<int>{2}));
  EXPECT_EQ(pressed_rows, (std::vector<int>{2, 2}));

  grid_.SetRows(1);  // now the pointer is below the last row
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, view.viewport()->height() - 2));
  EXPECT_EQ(pressed_rows.back(), -1);
}

// The colour of a point of a view as it paints itself.
QRgb PixelOf(QWidget& widget, const QPoint& point) { return widget.grab().toImage().pixel(point); }

TEST(GridViewFocusTest, TheGridWithTheFocusIsFramedEvenWithoutRowsAndItsCurrentRowToo) {
  GridModel empty_grid(1);
  GridTableModel empty_model(empty_grid);
  GridModel rows_grid(1);
  rows_grid.AddItem("Ref: 1\nline 2");
  rows_grid.AddItem("Ref: 2\nline 2");
  GridTableModel rows_model(rows_grid);
  QWidget window;
  auto* empty = new GridView(empty_model, 5, &window);
  auto* rows = new GridView(rows_model, 5, &window);
  empty->setGeometry(0, 0, 150, 300);
  rows->setGeometry(160, 0, 150, 300);
  window.resize(320, 300);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const QColor highlight = window.palette().color(QPalette::Active, QPalette::Highlight);
  // Just inside the frame, halfway down; and on the second row's top edge, halfway across.
  const auto edge = [](GridView* view) {
    return view->viewport()->mapTo(view, QPoint(0, view->viewport()->height() / 2));
  };
  const auto row_edge = [](GridView* view) {
    return view->viewport()->mapTo(view, QPoint(view->viewport()->width() / 2, view->RowHeightPixels()));
  };

  rows->setFocus();
  rows_grid.SetRow(1);
  QApplication::processEvents();
  EXPECT_NE(QColor(PixelOf(*empty, edge(empty))), highlight) << "no frame without the focus";
  EXPECT_EQ(QColor(PixelOf(*rows, edge(rows))), highlight);
  EXPECT_EQ(QColor(PixelOf(*rows, row_edge(rows))), highlight) << "the current row's frame";

  empty->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(QColor(PixelOf(*empty, edge(empty))), highlight) << "an empty grid shows the focus too";
  EXPECT_NE(QColor(PixelOf(*rows, edge(rows))), highlight);
  EXPECT_NE(QColor(PixelOf(*rows, row_edge(rows))), highlight) << "no row frame without the focus";
}

}  // namespace
}  // namespace tervalo
