#pragma once
// The Qt face of one board grid: a table model over a GridModel. The GridModel stays the truth;
// this model follows its change notifications and turns them into Qt's row signals, so views see
// every row the board's logic adds, removes, sorts, colours or hides.

#include <QAbstractTableModel>
#include <QColor>
#include <QPalette>

#include <vector>

#include "board/grid_model.h"

namespace tervalo {

// A stored colour as Qt shows it: &HBBGGRR values directly, system colours (high bit set, index
// in the low byte) through the palette. Invalid for a system colour index without a palette role.
QColor ToQColor(Color color, const QPalette& palette);

// A Qt colour as a stored colour (&HBBGGRR).
Color FromQColor(const QColor& color);

// The colour to write text in on a cell of background `back` (invalid: the view's own): `fore`
// when it is given and readable there, else black or white, whichever is readable.
QColor ReadableText(const QColor& back, const QColor& fore);

// The text of a grid cell as shown: one character per byte, so bytes above 0x7F stay visible.
QString CellText(const std::string& text);

// How a row stands in the search the user is running: the data of kSearchRole.
enum class SearchMark { kNone = 0, kMatch = 1, kCurrent = 2, kDimmed = 3 };
inline constexpr int kSearchRole = Qt::UserRole + 1;

class GridTableModel : public QAbstractTableModel, public GridObserver {
  Q_OBJECT

 public:
  explicit GridTableModel(GridModel& grid, QObject* parent = nullptr);
  ~GridTableModel() override;

  GridModel& grid() { return grid_; }
  const GridModel& grid() const { return grid_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Drag data of a board grid: its selected rows as plain text, rows separated by CR and cells by
  // TAB (the grid's Clip), whatever indexes the view names. Drops are handled by the view.
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction | Qt::CopyAction; }

  // The search's marks: `matched` per grid row (true: the row matched), `current` the row of the
  // match the user is at (-1: none). Rows without a mark are dimmed; `active` false clears every
  // mark.
  void SetSearchMarks(bool active, std::vector<bool> matched, int current);

  // GridObserver.
  void GridReset() override;
  void RowsInserted(int first, int count) override;
  void RowsRemoved(int first, int count) override;
  void RowsChanged(int first, int last) override;
  void SelectionChanged() override;
  void TopRowChanged() override;

 signals:
  // The grid's selection or current row changed.
  void gridSelectionChanged();
  void gridTopRowChanged();
  // Text, colours or hidden state of rows first..last changed.
  void gridRowsChanged(int first, int last);
  // Sent before Qt hears of rows inserted or removed or of a reset, and after it has: views
  // keep their own adjustments of selection and scrolling out of the grid meanwhile and then
  // take the grid's state over.
  void structureAboutToChange();
  void structureChanged();

 private:
  // The grid row that a row of this model stands for. The grid has already changed when it
  // notifies; while Qt is told about an insertion or removal, rows past the change are mapped
  // to their new places so that views see the old contents until the change is announced.
  int GridRow(int row) const;

  GridModel& grid_;
  int row_count_ = 0;
  int col_count_ = 0;
  int pending_first_ = 0;
  int pending_shift_ = 0;  // +count during an insertion, -count during a removal
  bool pending_ = false;
  bool search_active_ = false;
  std::vector<bool> search_matched_;
  int search_current_ = -1;
};

}  // namespace tervalo
