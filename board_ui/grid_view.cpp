#include "board_ui/grid_view.h"

#include <QApplication>
#include <QDrag>
#include <QEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QHelpEvent>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

#include "board_ui/twips.h"

namespace tervalo {
namespace {

constexpr int kPadX = 3;
constexpr int kPadY = 2;
constexpr int kSelectionStrip = 5;  // the row's own colour stays visible left of the highlight
constexpr int kFocusFrameWidth = 2;  // the frames that show the grid and the row with the focus
// The frames of the rows a search found, and of the one the user is at.
constexpr int kMatchFrameWidth = 3;
constexpr int kCurrentMatchFrameWidth = 5;
const QColor kMatchFrameColor(0xE0, 0x6C, 0x00);

// Text lines are set one pixel further apart than the font's own spacing, for legibility.
int LineStep(const QFontMetrics& metrics) { return metrics.lineSpacing() + 1; }

QString TrimRight(const QString& line) {
  qsizetype end = line.size();
  while (end > 0 && line.at(end - 1).isSpace()) --end;
  return line.left(end);
}

QPalette::ColorGroup GroupOf(const QStyleOptionViewItem& opt) {
  if (!(opt.state & QStyle::State_Enabled)) return QPalette::Disabled;
  return (opt.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
}

}  // namespace

void MultiLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  const QPalette::ColorGroup group = GroupOf(opt);
  const QRect rect = opt.rect;

  const QVariant back = index.data(Qt::BackgroundRole);
  const QVariant fore = index.data(Qt::ForegroundRole);
  QColor text_color = fore.isValid() ? fore.value<QBrush>().color() : opt.palette.color(group, QPalette::Text);

  painter->save();
  painter->setClipRect(rect);
  painter->fillRect(rect, back.isValid() ? back.value<QBrush>() : opt.palette.brush(group, QPalette::Base));
  if (opt.state & QStyle::State_Selected) {
    painter->fillRect(rect.adjusted(kSelectionStrip, 0, 0, 0), opt.palette.brush(group, QPalette::Highlight));
    text_color = opt.palette.color(group, QPalette::HighlightedText);
  }

  painter->setFont(opt.font);
  painter->setPen(text_color);
  const QFontMetrics metrics(opt.font);
  const int x = rect.left() + kSelectionStrip + kPadX;
  const int width = std::max(rect.right() + 1 - kPadX - x, 0);
  const QStringList lines = index.data(Qt::DisplayRole).toString().split(u'\n');
  // A single line sits in the middle of its row; a job's lines start at the top.
  int y = lines.size() == 1 ? rect.top() + (rect.height() - LineStep(metrics)) / 2 : rect.top() + kPadY;
  for (const QString& line : lines) {
    if (y >= rect.bottom()) break;
    const QString shown = metrics.elidedText(TrimRight(line), Qt::ElideRight, width);
    painter->drawText(QRect(x, y, width, LineStep(metrics)), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      shown);
    y += LineStep(metrics);
  }

  // A search runs: rows that do not match are washed out, matches framed, the match the user is
  // at framed more strongly.
  switch (static_cast<SearchMark>(index.data(kSearchRole).toInt())) {
    case SearchMark::kNone: break;
    case SearchMark::kDimmed: painter->fillRect(rect, QColor(255, 255, 255, 170)); break;
    case SearchMark::kMatch:
    case SearchMark::kCurrent: {
      const bool current = static_cast<SearchMark>(index.data(kSearchRole).toInt()) == SearchMark::kCurrent;
      const int frame = current ? kCurrentMatchFrameWidth : kMatchFrameWidth;
      painter->setPen(QPen(kMatchFrameColor, frame, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(QRectF(rect).adjusted(frame / 2.0, frame / 2.0, -frame / 2.0, -frame / 2.0));
      break;
    }
  }

  if (opt.state & QStyle::State_HasFocus) {
    // The current row of the grid with the focus: a solid frame two pixels wide, in the highlight
    // colour, or in the highlighted text's colour on a selected (highlighted) row.
    const bool selected = opt.state & QStyle::State_Selected;
    painter->setPen(QPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Highlight),
                         kFocusFrameWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(rect).adjusted(kFocusFrameWidth / 2.0 + kSelectionStrip, kFocusFrameWidth / 2.0,
                                            -kFocusFrameWidth / 2.0, -kFocusFrameWidth / 2.0));
  }
  painter->restore();
}

QSize MultiLineDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  const QFontMetrics metrics(opt.font);
  const QStringList lines = index.data(Qt::DisplayRole).toString().split(u'\n');
  int width = 0;
  for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(TrimRight(line)));
  return QSize(width + kSelectionStrip + 2 * kPadX,
               static_cast<int>(lines.size()) * LineStep(metrics) + 2 * kPadY);
}

GridView::GridView(GridTableModel& model, int default_lines, QWidget* parent)
    : QTableView(parent), model_(model), default_lines_(default_lines) {
  setModel(&model_);
  setItemDelegate(new MultiLineDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabKeyNavigation(false);  // Tab moves on to the next control, as everywhere on the board
  setCornerButtonEnabled(false);
  setWordWrap(false);
  horizontalHeader()->hide();
  horizontalHeader()->setStretchLastSection(true);
  verticalHeader()->hide();
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

  connect(&model_, &GridTableModel::structureAboutToChange, this, [this] { syncing_ = true; });
  connect(&model_, &GridTableModel::structureChanged, this, [this] {
    syncing_ = false;
    SyncAll();
  });
  connect(&model_, &GridTableModel::gridRowsChanged, this, &GridView::SyncRowStates);
  connect(&model_, &GridTableModel::gridSelectionChanged, this, [this] {
    if (!syncing_) SyncSelectionFromGrid();
  });
  connect(&model_, &GridTableModel::gridTopRowChanged, this, [this] {
    if (!syncing_) SyncTopRowFromGrid();
  });
  SyncAll();
}

int GridView::RowHeightPixels() const {
  if (grid().RowHeightMin() > 0) return TwipsToPixelsY(grid().RowHeightMin(), *this);
  // A one-line list (the sort fields) is packed tighter than a grid of jobs.
  const int padding = 2 * (default_lines_ > 1 ? kPadY : 1);
  return default_lines_ * LineStep(QFontMetrics(font())) + padding + 1;
}

void GridView::HideColumn(int col) {
  if (std::find(hidden_columns_.begin(), hidden_columns_.end(), col) == hidden_columns_.end()) {
    hidden_columns_.push_back(col);
  }
  ApplyColumns();
  SyncSelectionFromGrid();  // the current cell moves to a visible column
}

int GridView::MouseRow(const QPoint& viewport_pos) const { return rowAt(viewport_pos.y()); }

PointerPlace GridView::PlaceOf(const QPoint& viewport_pos) const {
  const auto twips = [this](int pixels) { return PixelsToTwipsY(pixels, *this); };
  return {twips(viewport_pos.y()), std::max(twips(RowHeightPixels()), 1), twips(viewport()->height())};
}

void GridView::ArmRowsDrag(const QPoint& viewport_pos) {
  right_drag_ = RightDrag::kRows;
  press_pos_ = viewport_pos;
}

void GridView::ArmRowDrag(int row) {
  right_drag_ = RightDrag::kRow;
  grid().Select(row, 0);
}

void GridView::SetDropHandlers(DropHandlers handlers) {
  drop_ = std::move(handlers);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDropIndicatorShown(false);
}

void GridView::mousePressEvent(QMouseEvent* event) {
  right_drag_ = RightDrag::kNone;
  bool cancel = false;
  emit beforeMouseDown(event->button(), event->modifiers(), event->position().toPoint(), &cancel);
  if (cancel) {
    event->accept();
    return;
  }
  QTableView::mousePressEvent(event);
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (right_drag_ == RightDrag::kRows && (event->buttons() & Qt::RightButton)) {
    if ((pos - press_pos_).manhattanLength() >= QApplication::startDragDistance()) {
      right_drag_ = RightDrag::kNone;
      emit dragRowsRequested();
    }
    event->accept();
    return;
  }
  if (right_drag_ == RightDrag::kRow && (event->buttons() & Qt::RightButton)) {
    const int rows = grid().Rows();
    int target = rowAt(pos.y());
    if (target < 0) target = pos.y() < 0 ? 0 : rows - 1;
    if (rows > 0 && grid().Row() >= 0 && target != grid().Row()) grid().MoveRow(grid().Row(), target);
    event->accept();
    return;
  }
  QTableView::mouseMoveEvent(event);
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    QTableView::mouseReleaseEvent(event);
    return;
  }
  const RightDrag was = right_drag_;
  right_drag_ = RightDrag::kNone;
  event->accept();
  if (was != RightDrag::kRow) emit contextMenuRequested(event->position().toPoint());
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && MouseRow(event->position().toPoint()) >= 0) emit openRequested();
}

void GridView::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  switch (event->key()) {
    case Qt::Key_Delete: emit deleteKeyPressed(); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: emit openRequested(); break;
    case Qt::Key_Menu: emit contextMenuRequested(visualRect(currentIndex()).center()); break;
    case Qt::Key_F10:
      if (!shift) return QTableView::keyPressEvent(event);
      emit contextMenuRequested(visualRect(currentIndex()).center());
      break;
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (!ctrl) return QTableView::keyPressEvent(event);
      emit moveKeyPressed(event->key() == Qt::Key_Up ? -1 : 1);
      break;
    default: return QTableView::keyPressEvent(event);
  }
  event->accept();
}

void GridView::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  viewport()->update();  // the grid's focus frame
  emit focusGained();
}

void GridView::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  viewport()->update();
  emit focusLost();
}

void GridView::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (!hasFocus()) return;
  // The grid with the focus is framed in the highlight colour, rows or none: the user sees where
  // the keys go.
  QPainter painter(viewport());
  painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), kFocusFrameWidth, Qt::SolidLine,
                      Qt::SquareCap, Qt::MiterJoin));
  painter.setBrush(Qt::NoBrush);
  const double half = kFocusFrameWidth / 2.0;
  painter.drawRect(QRectF(viewport()->rect()).adjusted(half, half, -half, -half));
}

bool GridView::FromBoard(const QDropEvent& event) const {
  const auto* source = qobject_cast<const GridView*>(event.source());
  return source != nullptr && source->window() == window();
}

void GridView::dragEnterEvent(QDragEnterEvent* event) {
  const bool from_board = FromBoard(*event);
  if (!drop_.drop || (!from_board && !event->mimeData()->hasText())) {
    event->ignore();
    return;
  }
  if (drop_.entered) drop_.entered(from_board);
  event->acceptProposedAction();
}

void GridView::dragMoveEvent(QDragMoveEvent* event) {
  const bool from_board = FromBoard(*event);
  if (drop_.over) drop_.over(PlaceOf(event->position().toPoint()));
  if (drop_.accepts && !drop_.accepts(from_board)) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void GridView::dropEvent(QDropEvent* event) {
  const bool from_board = FromBoard(*event);
  const QMimeData* mime = event->mimeData();
  const std::string text = mime->hasText() ? mime->text().toLatin1().toStdString() : std::string();
  if (!drop_.drop || !drop_.drop(text, PlaceOf(event->position().toPoint()), from_board)) {
    event->ignore();
    return;
  }
  // A drag of the board's own rows moves them; text from another program is copied, so that the
  // other program keeps it.
  const bool copy = !from_board && (event->possibleActions() & Qt::CopyAction);
  event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
  event->accept();
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (syncing_) return;
  const QScopedValueRollback guard(syncing_, true);
  grid().SetRow(current.isValid() ? current.row() : -1);
}

void GridView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  QTableView::selectionChanged(selected, deselected);
  if (!syncing_) PushSelectionToGrid();
}

void GridView::scrollContentsBy(int dx, int dy) {
  QTableView::scrollContentsBy(dx, dy);
  if (hasFocus()) viewport()->update();  // scrolling moved the focus frame with the rows
  if (!syncing_) PushTopRowToGrid();
}

void GridView::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) ApplyRowHeight();
}

void GridView::showEvent(QShowEvent* event) {
  QTableView::showEvent(event);
  SyncTopRowFromGrid();
}

bool GridView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip && tip_) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const int row = MouseRow(help->pos());
    const QString tip = row >= 0 ? tip_(row) : QString();
    if (tip.isEmpty()) {
      QToolTip::hideText();
    } else {
      QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(model_.index(row, FirstVisibleColumn())));
    }
    return true;
  }
  return QTableView::viewportEvent(event);
}

void GridView::ShowRow(int row) {
  if (row < 0 || row >= model_.rowCount()) return;
  scrollTo(model_.index(row, FirstVisibleColumn()), QAbstractItemView::EnsureVisible);
}

void GridView::SyncAll() {
  ApplyRowHeight();
  ApplyColumns();
  SyncRowStates(0, model_.rowCount() - 1);
  SyncSelectionFromGrid();
  SyncTopRowFromGrid();
}

void GridView::SyncRowStates(int first, int last) {
  last = std::min(last, std::min(model_.rowCount(), grid().Rows()) - 1);
  for (int r = std::max(first, 0); r <= last; ++r) {
    const bool hidden = grid().RowHidden(r);
    if (isRowHidden(r) != hidden) setRowHidden(r, hidden);
  }
}

void GridView::SyncSelectionFromGrid() {
  const QScopedValueRollback guard(syncing_, true);
  const int rows = std::min(model_.rowCount(), grid().Rows());
  const int last_col = model_.columnCount() - 1;
  QItemSelection selection;
  for (int r = 0; r < rows && last_col >= 0; ++r) {
    if (!grid().IsSelected(r)) continue;
    int end = r;
    while (end + 1 < rows && grid().IsSelected(end + 1)) ++end;
    selection.select(model_.index(r, 0), model_.index(end, last_col));
    r = end;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  const int row = grid().Row();
  if (row >= 0 && row < rows) {
    selectionModel()->setCurrentIndex(model_.index(row, FirstVisibleColumn()), QItemSelectionModel::NoUpdate);
  } else {
    selectionModel()->clearCurrentIndex();
  }
}

void GridView::SyncTopRowFromGrid() {
  const int rows = std::min(model_.rowCount(), grid().Rows());
  if (rows == 0 || rowAt(0) == grid().TopRow()) return;
  const QScopedValueRollback guard(syncing_, true);
  scrollTo(model_.index(std::min(grid().TopRow(), rows - 1), FirstVisibleColumn()), QAbstractItemView::PositionAtTop);
  // Near the end the view cannot bring the row to the top; the grid then names the row that is.
  const int shown = rowAt(0);
  if (isVisible() && shown >= 0 && shown != grid().TopRow()) grid().SetTopRow(shown);
}

void GridView::ApplyRowHeight() {
  const int height = RowHeightPixels();
  if (verticalHeader()->defaultSectionSize() != height) verticalHeader()->setDefaultSectionSize(height);
}

void GridView::ApplyColumns() {
  const int cols = model_.columnCount();
  for (int c = 0; c < cols; ++c) {
    const bool hidden = std::find(hidden_columns_.begin(), hidden_columns_.end(), c) != hidden_columns_.end();
    if (isColumnHidden(c) != hidden) setColumnHidden(c, hidden);
    // The last column takes the rest of the width; the others keep the grid's own width.
    if (!hidden && c < cols - 1 && grid().ColWidth(c) > 0) setColumnWidth(c, TwipsToPixelsX(grid().ColWidth(c), *this));
  }
}

void GridView::PushSelectionToGrid() {
  const QScopedValueRollback guard(syncing_, true);
  const int rows = std::min(model_.rowCount(), grid().Rows());
  for (int r = 0; r < rows; ++r) {
    const bool selected = selectionModel()->rowIntersectsSelection(r, QModelIndex());
    if (grid().IsSelected(r) != selected) grid().SetSelected(r, selected);
  }
}

void GridView::PushTopRowToGrid() {
  const int top = rowAt(0);
  if (top < 0 || top == grid().TopRow()) return;
  const QScopedValueRollback guard(syncing_, true);
  grid().SetTopRow(top);
}

int GridView::FirstVisibleColumn() const {
  for (int c = 0; c < model_.columnCount(); ++c) {
    if (std::find(hidden_columns_.begin(), hidden_columns_.end(), c) == hidden_columns_.end()) return c;
  }
  return 0;
}

}  // namespace tervalo
