#include "board_ui/grid_table_model.h"

#include <QBrush>
#include <QFont>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>
#include <array>
#include <optional>

#include "board/contrast.h"

namespace tervalo {

namespace {

// The system's colour indexes 0-24 and the palette roles that stand for them on this desktop.
constexpr std::array<std::optional<QPalette::ColorRole>, 25> kSystemColorRoles = {
    QPalette::Button,           // 0 scroll bar
    QPalette::Window,           // 1 desktop
    QPalette::Highlight,        // 2 active caption
    QPalette::Mid,              // 3 inactive caption
    QPalette::Window,           // 4 menu
    QPalette::Base,             // 5 window background
    QPalette::Shadow,           // 6 window frame
    QPalette::WindowText,       // 7 menu text
    QPalette::Text,             // 8 window text
    QPalette::HighlightedText,  // 9 caption text
    QPalette::Window,           // 10 active border
    QPalette::Window,           // 11 inactive border
    QPalette::Dark,             // 12 application workspace
    QPalette::Highlight,        // 13 highlight
    QPalette::HighlightedText,  // 14 highlighted text
    QPalette::Button,           // 15 button face
    QPalette::Dark,             // 16 button shadow
    QPalette::PlaceholderText,  // 17 grey text
    QPalette::ButtonText,       // 18 button text
    QPalette::WindowText,       // 19 inactive caption text
    QPalette::Light,            // 20 button highlight
    QPalette::Shadow,           // 21 3-D dark shadow
    QPalette::Midlight,         // 22 3-D light
    QPalette::ToolTipText,      // 23 tip text
    QPalette::ToolTipBase,      // 24 tip background
};

std::optional<QBrush> CellBrush(const std::optional<Color>& color) {
  if (!color) return std::nullopt;
  const QColor qcolor = ToQColor(*color, QGuiApplication::palette());
  if (!qcolor.isValid()) return std::nullopt;
  return QBrush(qcolor);
}

}  // namespace

QColor ToQColor(Color color, const QPalette& palette) {
  if (IsSystemColor(color)) {
    const Color index = color & ~kSystemColorFlag;
    if (index >= kSystemColorRoles.size() || !kSystemColorRoles[index]) return {};
    return palette.color(QPalette::Active, *kSystemColorRoles[index]);
  }
  return QColor(Red(color), Green(color), Blue(color));
}

Color FromQColor(const QColor& color) {
  return static_cast<Color>(color.red() | color.green() << 8 | color.blue() << 16);
}

QColor ReadableText(const QColor& back, const QColor& fore) {
  if (!back.isValid()) return fore;
  const Color back_color = FromQColor(back);
  if (fore.isValid() && ContrastRatio(FromQColor(fore), back_color) >= kReadableContrast) return fore;
  // The shop chose the background (a priority's colour): the text takes black or white by its
  // luminance, so that dark colours get white text.
  return ToQColor(ReadableTextOn(back_color), QPalette());
}

QString CellText(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

GridTableModel::GridTableModel(GridModel& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), row_count_(grid.Rows()), col_count_(grid.Cols()) {
  grid_.SetObserver(this);
}

GridTableModel::~GridTableModel() { grid_.SetObserver(nullptr); }

int GridTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : row_count_; }

int GridTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : col_count_; }

int GridTableModel::GridRow(int row) const {
  int grid_row = row;
  if (pending_ && row >= pending_first_) {
    if (pending_shift_ < 0 && row < pending_first_ - pending_shift_) return -1;  // being removed
    grid_row = row + pending_shift_;
  }
  return grid_row >= 0 && grid_row < grid_.Rows() ? grid_row : -1;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  const int row = GridRow(index.row());
  if (row < 0 || index.column() >= grid_.Cols()) return {};
  const GridCell& cell = grid_.Cell(row, index.column());
  switch (role) {
    case Qt::DisplayRole:
      return CellText(cell.text);
    case Qt::BackgroundRole:
      if (auto brush = CellBrush(cell.back)) return *brush;
      return {};
    case Qt::ForegroundRole: {
      const std::optional<QBrush> back = CellBrush(cell.back);
      const std::optional<QBrush> fore = CellBrush(cell.fore);
      const QColor text = ReadableText(back ? back->color() : QColor(), fore ? fore->color() : QColor());
      if (text.isValid()) return QBrush(text);
      return {};
    }
    case Qt::FontRole:
      if (cell.font_size && *cell.font_size > 0) {
        QFont font;  // only the size is set, so a view keeps its own family
        font.setPointSize(*cell.font_size);
        return font;
      }
      return {};
    case Qt::TextAlignmentRole:
      return static_cast<int>(Qt::AlignLeft | Qt::AlignTop);
    case kSearchRole: {
      if (!search_active_) return static_cast<int>(SearchMark::kNone);
      if (row == search_current_) return static_cast<int>(SearchMark::kCurrent);
      const bool matched = static_cast<size_t>(row) < search_matched_.size() && search_matched_[static_cast<size_t>(row)];
      return static_cast<int>(matched ? SearchMark::kMatch : SearchMark::kDimmed);
    }
    default:
      return {};
  }
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void GridTableModel::SetSearchMarks(bool active, std::vector<bool> matched, int current) {
  if (!active && !search_active_) return;
  search_active_ = active;
  search_matched_ = std::move(matched);
  search_current_ = active ? current : -1;
  if (row_count_ > 0 && col_count_ > 0) {
    emit dataChanged(index(0, 0), index(row_count_ - 1, col_count_ - 1), {kSearchRole});
  }
}

void GridTableModel::GridReset() {
  emit structureAboutToChange();
  beginResetModel();
  row_count_ = grid_.Rows();
  col_count_ = grid_.Cols();
  endResetModel();
  emit structureChanged();
}

void GridTableModel::RowsInserted(int first, int count) {
  if (count <= 0) return;
  pending_ = true;
  pending_first_ = first;
  pending_shift_ = count;
  emit structureAboutToChange();
  beginInsertRows(QModelIndex(), first, first + count - 1);
  row_count_ += count;
  pending_ = false;
  endInsertRows();
  emit structureChanged();
}

void GridTableModel::RowsRemoved(int first, int count) {
  if (count <= 0) return;
  pending_ = true;
  pending_first_ = first;
  pending_shift_ = -count;
  emit structureAboutToChange();
  beginRemoveRows(QModelIndex(), first, first + count - 1);
  row_count_ -= count;
  pending_ = false;
  endRemoveRows();
  emit structureChanged();
}

void GridTableModel::RowsChanged(int first, int last) {
  if (row_count_ == 0 || col_count_ == 0) return;
  first = std::clamp(first, 0, row_count_ - 1);
  last = std::clamp(last, first, row_count_ - 1);
  emit dataChanged(index(first, 0), index(last, col_count_ - 1));
  emit gridRowsChanged(first, last);
}

void GridTableModel::SelectionChanged() { emit gridSelectionChanged(); }

void GridTableModel::TopRowChanged() { emit gridTopRowChanged(); }

}  // namespace tervalo

namespace tervalo {

QStringList GridTableModel::mimeTypes() const { return {QStringLiteral("text/plain")}; }

QMimeData* GridTableModel::mimeData(const QModelIndexList& /*indexes*/) const {
  auto* data = new QMimeData;
  data->setText(CellText(grid_.Clip()));
  return data;
}

}  // namespace tervalo
