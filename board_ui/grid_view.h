#pragma once
// The widget of one board grid: a table view over a GridTableModel that shows one job per row
// in multi-line cells, hides the rows the grid hides, and keeps the grid's list-box selection,
// current row and top row in step with what the user does, in both directions.
//
// Selection follows the extended list-box convention: a click selects one row, Ctrl+click adds
// or removes a row, Shift+click selects a run; the arrow keys move the current row.

#include <QStyledItemDelegate>
#include <QTableView>

#include <vector>

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

 signals:
  // A mouse button went down over the grid. A handler that sets *cancel keeps the grid from
  // handling the press itself (a right-button drag starts this way).
  void beforeMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& viewport_pos,
                       bool* cancel);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

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

  GridTableModel& model_;
  int default_lines_;
  std::vector<int> hidden_columns_;
  bool syncing_ = false;  // the view is being set from the grid, or Qt is adjusting it
};

}  // namespace tervalo
