#pragma once
// The widget of one board grid: a table view over a GridTableModel that shows one job per row
// in multi-line cells, hides the rows the grid hides, and keeps the grid's list-box selection,
// current row and top row in step with what the user does, in both directions.
//
// Selection follows the extended list-box convention: a click selects one row, Ctrl+click adds
// or removes a row, Shift+click selects a run; the arrow keys move the current row.

#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <string>
#include <vector>

#include "board/job_moves.h"
#include "board_ui/grid_table_model.h"

namespace tervalo {

// Paints a cell's text lines from the top, each on its own line and cut with an ellipsis at the
// cell's right edge, over the cell's own background; a selected row shows the highlight with a
// strip of its own background colour kept at the left.
class MultiLineDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// What a grid that takes drops does with them; set by the window that owns the grid.
struct DropHandlers {
  // A drag entered the grid; from_board: it started on one of this window's grids.
  std::function<void(bool from_board)> entered;
  // The drag moves over the grid (for scrolling); may be empty.
  std::function<void(const PointerPlace& place)> over;
  // Whether a drag may be dropped here at all (dropping g onto g may not).
  std::function<bool(bool from_board)> accepts;
  // The drop itself: the data's text (empty when it has none) and where; true when taken.
  std::function<bool(const std::string& text, const PointerPlace& place, bool from_board)> drop;
};

class GridView : public QTableView {
  Q_OBJECT

 public:
  // default_lines: the text lines a row has room for when the grid sets no row height.
  GridView(GridTableModel& model, int default_lines, QWidget* parent = nullptr);

  GridTableModel& gridModel() const { return model_; }
  GridModel& grid() const { return model_.grid(); }

  // Every row's height in pixels: RowHeightMin through the screen's DPI, or room for the
  // default number of lines when the grid sets none.
  int RowHeightPixels() const;
  // Keeps a column out of sight for good (the sort key of the unassigned grid).
  void HideColumn(int col);
  // The row under a point of the viewport; -1 below the last row.
  int MouseRow(const QPoint& viewport_pos) const;
  // A point of the viewport in twips from the top of the rows, with the row and view heights.
  PointerPlace PlaceOf(const QPoint& viewport_pos) const;

  // A right-button press was kept from the grid: moving the pointer far enough with the button
  // held asks for a drag of the selected rows (dragRowsRequested); releasing it without moving
  // asks for the menu.
  void ArmRowsDrag(const QPoint& viewport_pos);
  // DragRow: while the right button is held, the row follows the pointer up and down.
  void ArmRowDrag(int row);
  // Makes the grid a drop target.
  void SetDropHandlers(DropHandlers handlers);
  // The tip a row shows when the pointer rests on it (an empty text: none).
  void SetTipProvider(std::function<QString(int row)> tip) { tip_ = std::move(tip); }
  // Brings a row into view (the grid's top row follows) without changing the selection.
  void ShowRow(int row);

 signals:
  // A mouse button went down over the grid. A handler that sets *cancel keeps the grid from
  // handling the press itself (a right-button drag starts this way).
  void beforeMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& viewport_pos,
                       bool* cancel);
  // The pointer moved far enough with the right button held on selected rows.
  void dragRowsRequested();
  // The right button came up without a drag, or the Menu key or Shift+F10 was pressed.
  void contextMenuRequested(const QPoint& viewport_pos);
  // A double-click or Enter on a row.
  void openRequested();
  void deleteKeyPressed();
  // Ctrl+Up (-1) or Ctrl+Down (+1).
  void moveKeyPressed(int direction);
  void focusGained();
  void focusLost();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  // Grid -> view.
  void SyncAll();
  void SyncRowStates(int first, int last);
  void SyncSelectionFromGrid();
  void SyncTopRowFromGrid();
  void ApplyRowHeight();
  void ApplyColumns();
  // View -> grid.
  void PushSelectionToGrid();
  void PushTopRowToGrid();

  int FirstVisibleColumn() const;
  bool FromBoard(const QDropEvent& event) const;

  enum class RightDrag { kNone, kRows, kRow };
  RightDrag right_drag_ = RightDrag::kNone;
  QPoint press_pos_;
  DropHandlers drop_;
  std::function<QString(int row)> tip_;

  GridTableModel& model_;
  int default_lines_;
  std::vector<int> hidden_columns_;
  bool syncing_ = false;  // the view is being set from the grid, or Qt is adjusting it
};

}  // namespace tervalo
