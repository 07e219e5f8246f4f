#include "board/grid_model.h"

#include <algorithm>

#include "base/engine_error.h"

namespace tervalo {
namespace {

constexpr int32_t kErrBadRowOrColumn = 381;

[[noreturn]] void ThrowBadIndex() {
  throw EngineError(kErrBadRowOrColumn, "Grid", "Subscript out of range");
}

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

}  // namespace

void GridModel::SetRows(int rows) {
  rows = std::max(rows, 0);
  const int old = Rows();
  if (rows == old) return;
  rows_.resize(static_cast<size_t>(rows), GridRow{std::vector<GridCell>(static_cast<size_t>(cols_)), false, false, RowJob{}});
  ClampPositions();
  if (rows > old) {
    Notify([&](GridObserver& o) { o.RowsInserted(old, rows - old); });
  } else {
    Notify([&](GridObserver& o) { o.RowsRemoved(rows, old - rows); });
  }
}

void GridModel::SetCols(int cols) {
  cols_ = std::max(cols, 0);
  for (auto& r : rows_) r.cells.resize(static_cast<size_t>(cols_));
  Notify([](GridObserver& o) { o.GridReset(); });
}

int GridModel::ColWidth(int col) const {
  return col >= 0 && col < static_cast<int>(col_widths_.size()) ? col_widths_[static_cast<size_t>(col)] : 0;
}

void GridModel::SetColWidth(int col, int twips) {
  if (col < 0 || col >= cols_) ThrowBadIndex();
  if (static_cast<int>(col_widths_.size()) <= col) col_widths_.resize(static_cast<size_t>(col) + 1, 0);
  col_widths_[static_cast<size_t>(col)] = twips;
  Notify([](GridObserver& o) { o.GridReset(); });
}

void GridModel::SetRowHeightMin(int twips) {
  row_height_min_ = twips;
  Notify([](GridObserver& o) { o.GridReset(); });
}

GridModel::GridRow& GridModel::RowAt(int row) {
  if (row < 0 || row >= Rows()) ThrowBadIndex();
  return rows_[static_cast<size_t>(row)];
}

const GridModel::GridRow& GridModel::RowAt(int row) const {
  if (row < 0 || row >= Rows()) ThrowBadIndex();
  return rows_[static_cast<size_t>(row)];
}

const GridCell& GridModel::Cell(int row, int col) const {
  const GridRow& r = RowAt(row);
  if (col < 0 || col >= cols_) ThrowBadIndex();
  return r.cells[static_cast<size_t>(col)];
}

const std::string& GridModel::TextMatrix(int row, int col) const { return Cell(row, col).text; }

void GridModel::SetTextMatrix(int row, int col, std::string_view text) {
  GridRow& r = RowAt(row);
  if (col < 0 || col >= cols_) ThrowBadIndex();
  r.cells[static_cast<size_t>(col)].text.assign(text);
  if (col == job_col_) r.job = RowJobOf(text);
  Notify([&](GridObserver& o) { o.RowsChanged(row, row); });
}

void GridModel::SetColor(int row1, int col1, int row2, int col2, std::optional<Color> color, bool back) {
  if (row2 < 0) row2 = row1;
  if (col2 < 0) col2 = col1;
  if (row1 > row2) std::swap(row1, row2);
  if (col1 > col2) std::swap(col1, col2);
  if (col1 < 0 || col2 >= cols_) ThrowBadIndex();
  for (int r = row1; r <= row2; ++r) {
    GridRow& gr = RowAt(r);
    for (int c = col1; c <= col2; ++c) (back ? gr.cells[static_cast<size_t>(c)].back : gr.cells[static_cast<size_t>(c)].fore) = color;
  }
  Notify([&](GridObserver& o) { o.RowsChanged(row1, row2); });
}

void GridModel::SetBackColor(int row1, int col1, int row2, int col2, std::optional<Color> color) {
  SetColor(row1, col1, row2, col2, color, true);
}

void GridModel::SetForeColor(int row1, int col1, int row2, int col2, std::optional<Color> color) {
  SetColor(row1, col1, row2, col2, color, false);
}

void GridModel::SetCellFontSize(int row, int points) {
  for (auto& cell : RowAt(row).cells) cell.font_size = points;
  Notify([&](GridObserver& o) { o.RowsChanged(row, row); });
}

void GridModel::SetCellBorder(int row1, int col1, int row2, int col2, Color color, int left,
                              int top, int right, int bottom, int vertical, int horizontal) {
  if (row1 > row2) std::swap(row1, row2);
  if (col1 > col2) std::swap(col1, col2);
  if (col1 < 0 || col2 >= cols_) ThrowBadIndex();
  RowAt(row1);
  RowAt(row2);
  for (int r = row1; r <= row2; ++r) {
    for (int c = col1; c <= col2; ++c) {
      CellBorder& b = rows_[static_cast<size_t>(r)].cells[static_cast<size_t>(c)].border.emplace();
      b.color = color;
      b.left = c == col1 ? left : vertical;
      b.right = c == col2 ? right : vertical;
      b.top = r == row1 ? top : horizontal;
      b.bottom = r == row2 ? bottom : horizontal;
    }
  }
  Notify([&](GridObserver& o) { o.RowsChanged(row1, row2); });
}

void GridModel::AddItem(std::string_view text, int row) {
  if (row < 0 || row > Rows()) row = Rows();
  GridRow r{std::vector<GridCell>(static_cast<size_t>(cols_)), false, false, RowJob{}};
  const auto parts = SplitAt(text, '\t');
  for (size_t c = 0; c < parts.size() && c < r.cells.size(); ++c) r.cells[c].text.assign(parts[c]);
  if (job_col_ >= 0 && job_col_ < cols_) r.job = RowJobOf(r.cells[static_cast<size_t>(job_col_)].text);
  rows_.insert(rows_.begin() + row, std::move(r));
  Notify([&](GridObserver& o) { o.RowsInserted(row, 1); });
}

void GridModel::RemoveItem(int row) {
  RowAt(row);
  rows_.erase(rows_.begin() + row);
  ClampPositions();
  Notify([&](GridObserver& o) { o.RowsRemoved(row, 1); });
}

void GridModel::MoveRow(int from, int to) {
  RowAt(from);
  RowAt(to);
  if (from == to) return;
  GridRow moved = std::move(rows_[static_cast<size_t>(from)]);
  rows_.erase(rows_.begin() + from);
  rows_.insert(rows_.begin() + to, std::move(moved));
  row_ = to;
  Notify([](GridObserver& o) { o.GridReset(); });
}

bool GridModel::RowHidden(int row) const { return RowAt(row).hidden; }

void GridModel::SetRowHidden(int row, bool hidden) {
  RowAt(row).hidden = hidden;
  Notify([&](GridObserver& o) { o.RowsChanged(row, row); });
}

void GridModel::SortColumn0Ascending() {
  std::stable_sort(rows_.begin(), rows_.end(), [](const GridRow& a, const GridRow& b) {
    const std::string empty;
    const std::string& ka = a.cells.empty() ? empty : a.cells[0].text;
    const std::string& kb = b.cells.empty() ? empty : b.cells[0].text;
    return std::lexicographical_compare(ka.begin(), ka.end(), kb.begin(), kb.end(), [](char x, char y) {
      return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
  });
  Notify([](GridObserver& o) { o.GridReset(); });
}

void GridModel::SetRow(int row) {
  row_ = (row >= 0 && row < Rows()) ? row : -1;
  Notify([](GridObserver& o) { o.SelectionChanged(); });
}

void GridModel::SetTopRow(int row) {
  top_row_ = std::clamp(row, 0, std::max(Rows() - 1, 0));
  Notify([](GridObserver& o) { o.TopRowChanged(); });
}

bool GridModel::IsSelected(int row) const { return row >= 0 && row < Rows() && rows_[static_cast<size_t>(row)].selected; }

void GridModel::SetSelected(int row, bool selected) {
  RowAt(row).selected = selected;
  Notify([](GridObserver& o) { o.SelectionChanged(); });
}

int GridModel::SelectedRows() const {
  return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const GridRow& r) { return r.selected; }));
}

void GridModel::Select(int row1, int /*col1*/, int row2, int /*col2*/) {
  if (row2 < 0) row2 = row1;
  if (row1 > row2) std::swap(row1, row2);
  for (int r = 0; r < Rows(); ++r) rows_[static_cast<size_t>(r)].selected = r >= row1 && r <= row2;
  row_ = (row1 >= 0 && row1 < Rows()) ? row1 : -1;
  Notify([](GridObserver& o) { o.SelectionChanged(); });
}

void GridModel::ClearSelection() {
  for (auto& r : rows_) r.selected = false;
  Notify([](GridObserver& o) { o.SelectionChanged(); });
}

std::string GridModel::Clip() const {
  std::string clip;
  bool first_row = true;
  for (const auto& r : rows_) {
    if (!r.selected) continue;
    if (!first_row) clip.push_back('\r');
    first_row = false;
    for (size_t c = 0; c < r.cells.size(); ++c) {
      if (c > 0) clip.push_back('\t');
      clip += r.cells[c].text;
    }
  }
  return clip;
}

void GridModel::RestoreContents(Contents contents) {
  rows_ = std::move(contents.rows);
  for (auto& r : rows_) r.cells.resize(static_cast<size_t>(cols_));
  row_ = contents.row;
  top_row_ = contents.top_row;
  ClampPositions();
  Notify([](GridObserver& o) { o.GridReset(); });
}

void GridModel::SetRedraw(bool on) {
  redraw_ = on;
  if (on && dirty_) {
    dirty_ = false;
    Notify([](GridObserver& o) { o.GridReset(); });
  }
}

void GridModel::ClampPositions() {
  if (row_ >= Rows()) row_ = Rows() - 1;
  top_row_ = std::clamp(top_row_, 0, std::max(Rows() - 1, 0));
}

}  // namespace tervalo
