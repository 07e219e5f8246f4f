#pragma once
// The grid every list of the board is made of, as plain data: rows of text cells with their own
// back and fore colours, hidden rows, list-box style multiple selection kept with its row, a
// current row, a top row, and sorting on column 0. The window layer shows it; the board's logic
// reads and changes it without any toolkit.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/colors.h"
#include "board/job_text.h"

namespace tervalo {

// The lines drawn along a cell's edges: a colour and a width per side (0: no line).
struct CellBorder {
  Color color = kBlack;
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const CellBorder&, const CellBorder&) = default;
};

struct GridCell {
  std::string text;
  std::optional<Color> back;  // none: the grid's default
  std::optional<Color> fore;
  std::optional<int> font_size;  // points; none: the grid's font
  std::optional<CellBorder> border;  // none: no lines of its own
};

// Told of every change so that a view can follow. While painting is suspended (Redraw 0) only
// one GridReset is sent, when it resumes.
class GridObserver {
 public:
  virtual ~GridObserver() = default;
  virtual void GridReset() = 0;
  virtual void RowsInserted(int first, int count) = 0;
  virtual void RowsRemoved(int first, int count) = 0;
  virtual void RowsChanged(int first, int last) = 0;  // text, colours, hidden state
  virtual void SelectionChanged() = 0;                // selection or current row
  virtual void TopRowChanged() = 0;
};

class GridModel {
 public:
  struct GridRow {
    std::vector<GridCell> cells;
    bool hidden = false;
    bool selected = false;
    RowJob job;  // read from the job column's text
  };
  // Everything a grid shows of its rows, for putting a grid back as it was (undo).
  struct Contents {
    std::vector<GridRow> rows;
    int row = -1;
    int top_row = 0;
  };

  // `job_col`: the column that holds each row's job text, whose job the row carries (JobOf);
  // -1 for a grid of other texts.
  explicit GridModel(int cols = 1, int job_col = -1) : cols_(cols), job_col_(job_col) {}

  // ---- Shape ----
  int Rows() const { return static_cast<int>(rows_.size()); }
  // Rows = 0 empties the grid; a larger count appends empty rows, a smaller one cuts.
  void SetRows(int rows);
  int Cols() const { return cols_; }
  void SetCols(int cols);
  int FixedRows() const { return fixed_rows_; }
  void SetFixedRows(int fixed_rows) { fixed_rows_ = fixed_rows; }
  // Column width and the height of every row, in twips.
  int ColWidth(int col) const;
  void SetColWidth(int col, int twips);
  int RowHeightMin() const { return row_height_min_; }
  void SetRowHeightMin(int twips);

  // ---- Cells ----
  const std::string& TextMatrix(int row, int col) const;
  void SetTextMatrix(int row, int col, std::string_view text);
  const GridCell& Cell(int row, int col) const;
  // The job of a row, read from its job column's text when that was set.
  const RowJob& JobOf(int row) const { return RowAt(row).job; }
  void SetBackColor(int row1, int col1, int row2, int col2, std::optional<Color> color);
  void SetForeColor(int row1, int col1, int row2, int col2, std::optional<Color> color);
  // Font size of the selected cells (the current row's cells from column 0).
  void SetCellFontSize(int row, int points);
  // Frames the cells row1..row2, col1..col2 as CellBorder does on a selection: left, top, right
  // and bottom are the widths of the range's outer edges, vertical and horizontal those of the
  // lines between its cells. Each cell keeps the edges that fall on it, so the frame moves with
  // its rows.
  void SetCellBorder(int row1, int col1, int row2, int col2, Color color, int left, int top,
                     int right, int bottom, int vertical, int horizontal);

  // ---- Rows ----
  // Inserts a row before `row` (appends when row is -1 or Rows()); cells come from text split
  // at TAB, starting with column 0.
  void AddItem(std::string_view text, int row = -1);
  void RemoveItem(int row);
  // DragRow: row `from` moves to place `to`, keeping its selection; it becomes the current row.
  void MoveRow(int from, int to);
  bool RowHidden(int row) const;
  void SetRowHidden(int row, bool hidden);
  // Sorts all rows ascending on the text of column 0 (stable; selection moves with its rows).
  void SortColumn0Ascending();

  // ---- Selection and position ----
  int Row() const { return row_; }  // current row, -1 for none
  void SetRow(int row);
  int TopRow() const { return top_row_; }
  void SetTopRow(int row);  // kept within the rows
  bool IsSelected(int row) const;
  void SetSelected(int row, bool selected);
  int SelectedRows() const;
  // Makes rows row1..row2 the selection and row1 the current row (columns are not selectable).
  void Select(int row1, int col1, int row2 = -1, int col2 = -1);
  void ClearSelection();
  // The selected rows as text: cells joined by TAB, rows by CR.
  std::string Clip() const;

  // ---- Whole contents ----
  Contents SaveContents() const { return {rows_, row_, top_row_}; }
  // Puts rows, current row and top row back as saved; the columns stay as they are.
  void RestoreContents(Contents contents);

  // ---- Painting ----
  bool Redraw() const { return redraw_; }
  void SetRedraw(bool on);

  void SetObserver(GridObserver* observer) { observer_ = observer; }

 private:
  GridRow& RowAt(int row);
  const GridRow& RowAt(int row) const;
  void SetColor(int row1, int col1, int row2, int col2, std::optional<Color> color, bool back);
  void ClampPositions();

  // Notifications go to the observer unless painting is suspended.
  template <typename F>
  void Notify(F&& f) {
    if (observer_ == nullptr) return;
    if (!redraw_) {
      dirty_ = true;
      return;
    }
    f(*observer_);
  }

  int cols_;
  int job_col_;
  int fixed_rows_ = 0;
  int row_height_min_ = 0;
  std::vector<int> col_widths_;
  std::vector<GridRow> rows_;
  int row_ = -1;
  int top_row_ = 0;
  bool redraw_ = true;
  bool dirty_ = false;
  GridObserver* observer_ = nullptr;
};

}  // namespace tervalo
