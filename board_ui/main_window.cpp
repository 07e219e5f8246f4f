#include "board_ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDrag>
#include <QFontMetrics>
#include <QMessageBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStyle>

#include <algorithm>

#include "board/job_text.h"
#include "board_ui/conflict_dialog.h"
#include "board_ui/help_window.h"
#include "board_ui/job_dialog.h"
#include "board_ui/message_boxes.h"
#include "board_ui/print_menu.h"
#include "board_ui/twips.h"
#include "environment/catalog_config.h"
#include "environment/shared_instances.h"
#include "host/host.h"

namespace tervalo {
namespace {

constexpr int kWindowFontPoints = 8;  // the size the twips geometry was drawn for
constexpr int kJobLines = 5;          // text lines of a job row when the grids set no height
// The widest first line of a job text: the width the job font must fit into a mechanic column.
constexpr const char* kWidestJobLine = "Ref: 8888888  Quote: 8888";

const char* const kMechanicTip = QT_TRANSLATE_NOOP("tervalo::MainWindow", "'Right-Click' to Print");
const char* const kSortTip = QT_TRANSLATE_NOOP("tervalo::MainWindow",
    "Left-Click to Select Sort Field.  Click and Hold Right-Button to Drag Up or Down.  Click 'Refresh' to Resort. ");

// A narrow face of the window's font for the job texts and the "Sort Order" label: each job line
// is 25 characters in a column of about an inch and a half.
QFont NarrowFont(const QFont& base) {
  QFont font(base);
  font.setFamilies({"Arial Narrow", "Liberation Sans Narrow", "DejaVu Sans Condensed", base.family()});
  font.setStretch(QFont::SemiCondensed);
  return font;
}

// The largest size from the window's font size down to 6.5 points at which a job's first line
// fits the text width of a mechanic grid.
QFont FitJobFont(QFont font, int text_width) {
  for (double points = kWindowFontPoints; points > 6.5; points -= 0.5) {
    font.setPointSizeF(points);
    if (QFontMetrics(font).horizontalAdvance(kWidestJobLine) <= text_width) return font;
  }
  font.setPointSizeF(6.5);
  return font;
}

QList<QKeySequence> RedoKeys() {
  // Ctrl+Shift+Z and Ctrl+Y on every desktop (X11 desktops bind only Ctrl+Shift+Z), with the
  // platform's own redo keys; a key named twice would make the shortcut ambiguous and neither
  // would work.
  QList<QKeySequence> keys{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)};
  for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Redo)) {
    if (!keys.contains(key)) keys.append(key);
  }
  return keys;
}

QFont BoldFont(QFont font) {
  font.setBold(true);
  return font;
}

}  // namespace

MainWindow::MainWindow(frmTervalo& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName("frmTervalo");
  setWindowTitle(QString::fromStdString(frmTervalo::Caption()));
  // The program reads the share through a host that lets the window draw while the share is
  // slow; a board on any other host waits for the share as its host does.
  waiting_host_ = dynamic_cast<WaitingHost*>(&BoardHost());
  QFont window_font = font();
  window_font.setPointSize(kWindowFontPoints);
  setFont(window_font);

  CreateControls();
  CreateMechanicColumns();
  CreateTopStrip();
  WireJobGrid(g_, kUnassigned);
  for (int n = 0; n < MechanicGridCount(); ++n) WireJobGrid(mg_[static_cast<size_t>(n)], n);
  WireSortGrid();
  ShowListStates();
  CreateNoticeBar();
  CreateChangeBar();
  form_.SetConflictQuestion([this](const UpdateQuestion& question) {
    return AskHowToSettle(this, question, form_.board().mechanics.MechanicName);
  });

  undo_ = new QAction(tr("&Undo"), this);
  undo_->setObjectName("Undo");
  undo_->setShortcut(QKeySequence::Undo);
  connect(undo_, &QAction::triggered, this, [this] { RunAction([this] { form_.moves().Undo(); }, ActionKind::kMove); });
  redo_ = new QAction(tr("&Redo"), this);
  redo_->setObjectName("Redo");
  redo_->setShortcuts(RedoKeys());
  connect(redo_, &QAction::triggered, this, [this] { RunAction([this] { form_.moves().Redo(); }, ActionKind::kMove); });
  addAction(undo_);
  addAction(redo_);
  UpdateUndoActions();

  // The keys of the search and the help, wherever the focus is in the window.
  auto* find = new QAction(tr("Find a Job"), this);
  find->setObjectName("Find");
  find->setShortcut(QKeySequence::Find);
  connect(find, &QAction::triggered, this, [this] {
    search_->setFocus(Qt::ShortcutFocusReason);
    search_->selectAll();
  });
  auto* next = new QAction(tr("Next Match"), this);
  next->setObjectName("FindNext");
  next->setShortcut(QKeySequence(Qt::Key_F3));
  connect(next, &QAction::triggered, this, [this] { StepMatch(1); });
  auto* previous = new QAction(tr("Previous Match"), this);
  previous->setObjectName("FindPrevious");
  previous->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
  connect(previous, &QAction::triggered, this, [this] { StepMatch(-1); });
  auto* help = new QAction(tr("Help"), this);
  help->setObjectName("Help");
  help->setShortcut(QKeySequence(Qt::Key_F1));
  connect(help, &QAction::triggered, this, [this] {
    HelpWindow()->show();
    HelpWindow()->raise();
    HelpWindow()->activateWindow();
  });
  addActions({find, next, previous, help});

  setMinimumSize(Px(kMinimumWindowWidth), TwipsToPixelsY(kDesignClientHeight, *this));
  resize(PreferredWidth(), TwipsToPixelsY(kDesignClientHeight, *this));
  ApplyLayout();
  ShowNotices();
  BoardChanged();
}

MainWindow::~MainWindow() {
  form_.SetConflictQuestion(nullptr);  // it asks through this window
  // A check hanging on the share is left to end on its own: closing never waits for the share.
  watcher_.Cancel();
  // The views go before the models they show.
  qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

QRect MainWindow::FirstMechanicGrid() const {
  if (mg_.empty()) return {};
  return QRect(frameGeometry().topLeft() + mg_[0]->pos(), mg_[0]->size());
}

int MainWindow::Px(int twips) const { return TwipsToPixelsX(twips, *this); }

int MainWindow::WidthTwips() const { return PixelsToTwipsX(width(), *this); }

int MainWindow::PreferredWidth() const {
  const int count = std::max(form_.board().mechanics.MechanicCount, 1);
  int width = Px(kFirstMechanicLeft + count * kMechanicColumnStep + kRightMargin);
  if (const QScreen* s = screen()) width = std::min(width, s->availableGeometry().width());
  return std::max(width, Px(kMinimumWindowWidth));
}

void MainWindow::SetGeometryTwips(QWidget* widget, const ControlGeometry& geometry) {
  // Every designed place moves down with the window's rows; the grids take the window's height.
  widget->setGeometry(TwipsRect(rows_.Place(geometry), *this));
}

void MainWindow::CreateControls() {
  BoardState& board = form_.board();

  label1_ = new QLabel(tr("Unassigned Jobs"), this);
  label1_->setObjectName("Label1");
  label1_->setFont(BoldFont(font()));
  SetGeometryTwips(label1_, design::kLabel1);

  g_model_ = std::make_unique<GridTableModel>(board.g);
  g_ = new GridView(*g_model_, kJobLines, this);
  g_->setObjectName("g");
  g_->HideColumn(0);  // the sort key
  SetGeometryTwips(g_, design::kUnassignedGrid);

  label2_ = new QLabel(tr("Sort Order"), this);
  label2_->setObjectName("Label2");
  label2_->setFont(NarrowFont(font()));
  SetGeometryTwips(label2_, design::kLabel2);

  gSort_model_ = std::make_unique<GridTableModel>(board.gSort);
  gSort_ = new GridView(*gSort_model_, 1, this);
  gSort_->setObjectName("gSort");
  gSort_->setSelectionMode(QAbstractItemView::SingleSelection);
  gSort_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // always the four sort fields
  gSort_->setToolTip(tr(kSortTip));
  SetGeometryTwips(gSort_, design::kSortGrid);

  chkHide_ = new QCheckBox(tr("Show All Statuses"), this);
  chkHide_->setObjectName("chkHide");
  chkHide_->setToolTip(tr("Also Show Complete & Billed Jobs"));
  chkHide_->setChecked(board.chkHide);
  SetGeometryTwips(chkHide_, design::kChkHide);
  connect(chkHide_, &QCheckBox::toggled, this, [this](bool checked) { RunAction([&] { form_.chkHide_Click(checked); }); });

  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setObjectName("Scroll");
  SetGeometryTwips(scroll_, design::kScroll);
  scroll_->hide();
  connect(scroll_, &QScrollBar::valueChanged, this, &MainWindow::OnScroll);

  btnRefresh_ = new QPushButton(tr("&Refresh"), this);
  btnRefresh_->setObjectName("btnRefresh");
  btnRefresh_->setToolTip(tr("Resort 'Available' Jobs Grid"));
  SetGeometryTwips(btnRefresh_, design::kBtnRefresh);
  connect(btnRefresh_, &QPushButton::clicked, this, &MainWindow::Refresh);

  btnExit_ = new QPushButton(tr("E&XIT"), this);
  btnExit_->setObjectName("btnExit");
  SetGeometryTwips(btnExit_, design::kBtnExit);
  connect(btnExit_, &QPushButton::clicked, this, &QWidget::close);

  btnUpdate_ = new QPushButton(tr("&Update"), this);
  btnUpdate_->setObjectName("btnUpdate");
  SetGeometryTwips(btnUpdate_, design::kBtnUpdate);
  connect(btnUpdate_, &QPushButton::clicked, this, [this] { RunAction([this] { form_.btnUpdate_Click(); }); });
  // Tab goes through the buttons in the order they stand: Update, then EXIT.
  setTabOrder(btnUpdate_, btnExit_);

  status_line_ = new QLabel(this);
  status_line_->setObjectName("StatusLine");
  status_line_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  // How often the board looks for lists saved on other workstations; a change here is kept.
  check_period_label_ = new QLabel(tr("Check for changes every"), this);
  check_period_label_->setObjectName("CheckPeriodLabel");
  check_period_label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  check_period_ = new QSpinBox(this);
  check_period_->setObjectName("CheckPeriodBox");
  check_period_->setRange(0, 3600);
  check_period_->setSuffix(" s");
  check_period_->setSpecialValueText("never");
  check_period_->setToolTip(tr("Seconds between looks at the lists' files for saves of other workstations; 0: never"));
  check_period_->setKeyboardTracking(false);  // typing "30" does not pass through 3 seconds
  check_period_label_->setBuddy(check_period_);
  connect(check_period_, &QSpinBox::valueChanged, this, [this](int seconds) {
    StartChecking(seconds);
    if (keep_check_period_) keep_check_period_(seconds);
  });

  // The scratch and print grid is never shown.
  PG_model_ = std::make_unique<GridTableModel>(board.PG);
  PG_ = new GridView(*PG_model_, 1, this);
  PG_->setObjectName("PG");
  SetGeometryTwips(PG_, design::kPrintGrid);
  PG_->hide();

  // The print menu of a mechanic's label (a right-click on it opens the menu).
  menu_ = new PrintMenu(form_, this, [this](const std::function<void()>& work) { WithTheShare(work); });
}

void MainWindow::CreateMechanicColumns() {
  BoardState& board = form_.board();
  const int count = board.mechanics.MechanicCount;
  const int grids = static_cast<int>(board.mg.size());  // at least one, even without mechanics
  const int text_width = Px(design::kMechanicGrid.width) - 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) -
                         style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 14;
  const QFont job_font = FitJobFont(NarrowFont(font()), text_width);
  g_->setFont(job_font);

  QWidget* previous = g_;
  for (int n = 0; n < grids; ++n) {
    auto* label = new QLabel(QString::fromLatin1(board.mechanic_labels[static_cast<size_t>(n)].c_str()), this);
    label->setObjectName(QString("lblMECH_%1").arg(n));
    label->setToolTip(tr(kMechanicTip));
    label->setFont(BoldFont(font()));
    lblMECH_.push_back(label);

    mg_models_.push_back(std::make_unique<GridTableModel>(board.Mg(n)));
    auto* grid = new GridView(*mg_models_.back(), kJobLines, this);
    grid->setObjectName(QString("mg_%1").arg(n));
    grid->setFont(job_font);
    mg_.push_back(grid);
    label->installEventFilter(this);
    setTabOrder(previous, grid);
    previous = grid;

    mechanic_left_.push_back(0);
    mechanic_shown_.push_back(n == 0);
    if (count == 0) {
      // Without mechanics the first column keeps its designed place and caption.
      SetGeometryTwips(label, design::kMechanicLabel);
      SetGeometryTwips(grid, design::kMechanicGrid);
      mechanic_left_.back() = design::kMechanicGrid.left;
    } else {
      PlaceMechanic(n, StartupMechanicLeft(n), n == 0);
    }
  }
}

void MainWindow::PlaceMechanic(int n, int left_twips, bool visible) {
  const auto i = static_cast<size_t>(n);
  mechanic_left_[i] = left_twips;
  mechanic_shown_[i] = visible;
  ControlGeometry label = design::kMechanicLabel;
  label.left = left_twips;
  ControlGeometry grid = design::kMechanicGrid;
  grid.left = left_twips;
  SetGeometryTwips(lblMECH_[i], label);
  SetGeometryTwips(mg_[i], grid);
  lblMECH_[i]->setVisible(visible);
  mg_[i]->setVisible(visible);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A change of height alone keeps the page of mechanics shown; a new width lays them out anew.
  if (event->size().width() != event->oldSize().width()) {
    ApplyLayout();
  } else {
    PlaceRows();
  }
}

void MainWindow::ApplyLayout() {
  if (isMinimized()) return;
  const int width = frmTervalo::ApplyMinimumWidth(WidthTwips());
  const MechanicLayout& layout = form_.Form_Resize(width);
  const int count = form_.board().mechanics.MechanicCount;
  for (int n = 0; n < count; ++n) {
    mechanic_left_[static_cast<size_t>(n)] = layout.lefts[static_cast<size_t>(n)];
    mechanic_shown_[static_cast<size_t>(n)] = layout.visible[static_cast<size_t>(n)];
  }
  // The bar starts again at the first page, which is the page now shown.
  const QSignalBlocker block(scroll_);
  scroll_->setRange(1, layout.scroll_max);
  scroll_->setPageStep(std::max(layout.page_size, 1));
  scroll_->setValue(1);
  scroll_->setVisible(layout.scroll_visible);
  PlaceRows();
}

int MainWindow::BarHeight() const {
  return std::max(Px(240), notice_dismiss_ != nullptr ? notice_dismiss_->sizeHint().height() : 0);
}

void MainWindow::PlaceRows() {
  if (isMinimized()) return;
  int bars = 0;
  if (notice_bar_ != nullptr && !notice_bar_->isHidden()) bars += BarHeight();
  if (change_bar_ != nullptr && !change_bar_->isHidden()) bars += BarHeight();
  rows_ = ArrangeRows(PixelsToTwipsY(height(), *this), PixelsToTwipsY(bars, *this));
  const int width = frmTervalo::ApplyMinimumWidth(WidthTwips());
  const MechanicLayout& layout = form_.layout();

  SetGeometryTwips(label1_, design::kLabel1);
  SetGeometryTwips(g_, design::kUnassignedGrid);
  SetGeometryTwips(label2_, design::kLabel2);
  SetGeometryTwips(gSort_, design::kSortGrid);
  SetGeometryTwips(chkHide_, design::kChkHide);
  SetGeometryTwips(btnRefresh_, design::kBtnRefresh);
  SetGeometryTwips(PG_, design::kPrintGrid);
  ControlGeometry exit = design::kBtnExit;
  exit.left = layout.exit_left;
  exit.top = layout.buttons_top;
  SetGeometryTwips(btnExit_, exit);
  ControlGeometry update = design::kBtnUpdate;
  update.left = layout.update_left;
  update.top = layout.buttons_top;
  SetGeometryTwips(btnUpdate_, update);
  ControlGeometry scroll = design::kScroll;
  scroll.left = layout.scroll_left;
  SetGeometryTwips(scroll_, scroll);
  ControlGeometry period = design::kCheckPeriod;
  period.left = width - kRightMargin - period.width;
  SetGeometryTwips(check_period_, period);
  ControlGeometry period_label = design::kCheckPeriodLabel;
  period_label.left = period.left - kButtonGap - period_label.width;
  SetGeometryTwips(check_period_label_, period_label);
  ControlGeometry status = design::kStatusLine;
  status.width = std::max(period_label.left - status.left - kButtonGap, 0);
  SetGeometryTwips(status_line_, status);

  const int count = form_.board().mechanics.MechanicCount;
  if (count == 0) {
    // Without mechanics the first column keeps its designed place and caption.
    SetGeometryTwips(lblMECH_[0], design::kMechanicLabel);
    SetGeometryTwips(mg_[0], design::kMechanicGrid);
  }
  for (int n = 0; n < count; ++n) {
    PlaceMechanic(n, mechanic_left_[static_cast<size_t>(n)], mechanic_shown_[static_cast<size_t>(n)]);
  }
  PlaceTopStrip(width);
  PlaceBars();
}

void MainWindow::OnScroll(int value) {
  const int count = form_.board().mechanics.MechanicCount;
  if (count == 0) return;
  const auto shown = PageMechanicGrids(value, form_.PageSize(), count, mechanic_left_[0], design::kMechanicGrid.width);
  for (int n = 0; n < count; ++n) {
    lblMECH_[static_cast<size_t>(n)]->hide();
    mg_[static_cast<size_t>(n)]->hide();
    mechanic_shown_[static_cast<size_t>(n)] = false;
  }
  for (const PagePlacement& p : shown) PlaceMechanic(p.index, p.left, true);
  scroll_->setFocus();
}

void MainWindow::FillAvailableArea() {
  if (const QScreen* s = screen()) setGeometry(s->availableGeometry());
  setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (busy_ > 0) {
    // Closing saves, which cannot start while the window still waits for the share.
    close_pending_ = true;
    status_line_->setText(tr("Tervalo closes once the server has answered."));
    event->ignore();
    return;
  }
  if (keep_geometry_) keep_geometry_(saveGeometry());
  // Every close saves first. When that fails the user chooses: try again, or close and lose the
  // moves since the last save; the close itself is never refused.
  for (;;) {
    UpdateResult result;
    WithTheShare([&] {
      try {
        result = form_.Form_QueryUnload();
      } catch (const EngineError& error) {
        result.failures.push_back({"", EngineErrorMessage(error)});
      }
    });
    if (result.Saved()) break;
    QMessageBox box(QMessageBox::Warning, "Tervalo", QString::fromLatin1(result.Message().c_str()), QMessageBox::NoButton,
                    this);
    box.setObjectName("CloseNotSaved");
    QPushButton* again = box.addButton(tr("Try Again"), QMessageBox::AcceptRole);
    box.addButton(tr("Close Without Saving"), QMessageBox::DestructiveRole);
    box.setDefaultButton(again);
    box.exec();
    if (box.clickedButton() != again) break;
  }
  event->accept();
}

void MainWindow::RunAction(const std::function<void()>& action, ActionKind kind) {
  // A move changes only the grids: a change check running meanwhile still compares the files as
  // they were. Any other action may read or write them.
  if (kind != ActionKind::kMove) ++actions_;
  WithTheShare([&] {
    try {
      action();
    } catch (const EngineError& error) {
      // The board stays open: what is on it is the only copy of the moves not yet saved.
      ReportEngineError(error);
    }
  });
  UpdateUndoActions();
  ShowStatus();
  ShowNotices();
  BoardChanged();
}

void MainWindow::ShowStatus() {
  const JobMoves& moves = form_.moves();
  const QString caption = QString::fromStdString(frmTervalo::Caption());
  const QString last_save = QString::fromLatin1(form_.Status().c_str());
  const size_t unsaved = moves.UnsavedMoves();
  if (unsaved == 0) {
    status_line_->setText(last_save);
    setWindowTitle(caption);
    return;
  }
  const QString count = unsaved == 1 ? tr("1 move not saved") : tr("%1 moves not saved").arg(unsaved);
  // "Saved 14:32" is no longer true once a move is made; a save that failed or was cancelled is
  // still news and stays in front of the count.
  const bool failed = moves.LastSaveFailed() && !last_save.isEmpty();
  status_line_->setText(failed ? tr("%1 \u00B7 %2").arg(last_save, count) : count);
  setWindowTitle(tr("%1 \u2013 %2").arg(caption, count));
}

void MainWindow::WithTheShare(const std::function<void()>& work) {
  {
    const QScopedValueRollback busy(busy_, busy_ + 1);
    if (waiting_host_ == nullptr) {
      work();
    } else {
      const WaitingHost::Scope scope(*waiting_host_,
                                     [this](std::chrono::milliseconds waited) { WhileTheServerIsSilent(waited); });
      work();
    }
  }
  if (busy_ > 0) return;
  if (wait_cursor_) {
    QApplication::restoreOverrideCursor();
    wait_cursor_ = false;
  }
  if (status_before_wait_) {
    // The wait is over: the status line says again what it said (an action then says its own).
    if (!close_pending_) status_line_->setText(*status_before_wait_);
    status_before_wait_.reset();
  }
  // A close asked for meanwhile comes once what the user started has ended.
  if (close_pending_) {
    close_pending_ = false;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
}

void MainWindow::WhileTheServerIsSilent(std::chrono::milliseconds waited) {
  using namespace std::chrono_literals;
  if (waited >= 500ms && !wait_cursor_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    wait_cursor_ = true;
  }
  if (waited >= 1s && !close_pending_) {
    if (!status_before_wait_) status_before_wait_ = status_line_->text();
    status_line_->setText(tr("Waiting for the server: no answer for %1 s").arg(waited / 1s));
  }
  // Drawing, timers and the window system's requests go on; the keys and clicks wait for the end
  // of the work, so that nothing the user does meets the board half-way through it.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---- What start-up, Refresh and Update found ----

void MainWindow::CreateNoticeBar() {
  notice_bar_ = new QWidget(this);
  notice_bar_->setObjectName("NoticeBar");
  notice_bar_->setAutoFillBackground(true);
  QPalette palette = notice_bar_->palette();
  palette.setColor(QPalette::Window, QColor(0xD6, 0xE9, 0xFA));
  palette.setColor(QPalette::WindowText, Qt::black);
  notice_bar_->setPalette(palette);
  notice_text_ = new QLabel(notice_bar_);
  notice_text_->setObjectName("NoticeBarText");
  notice_dismiss_ = new QPushButton(tr("Dismiss"), notice_bar_);
  notice_dismiss_->setObjectName("NoticeBarDismiss");
  connect(notice_dismiss_, &QPushButton::clicked, this, [this] {
    notice_bar_->hide();
    PlaceRows();
  });
  notice_bar_->hide();
}

void MainWindow::KeepNotices(std::function<void(const std::set<std::string>& told)> keep) {
  keep_told_ = std::move(keep);
  // What start-up told (and forgot) before the window had a place to keep it.
  if (keep_told_) keep_told_(form_.ToldNotices());
}

void MainWindow::ShowNotices() {
  const std::vector<Notice> notices = form_.TakeNotices();
  if (notices.empty()) return;
  QStringList line;
  QStringList full;
  for (const Notice& notice : notices) {
    line << QString::fromLatin1(notice.BarText().c_str());
    full << QString::fromLatin1(notice.MessageText().c_str());
  }
  notice_text_->setProperty("fullText", line.join("    "));
  notice_text_->setToolTip(full.join("\n\n"));
  notice_bar_->show();
  PlaceRows();
  if (keep_told_) keep_told_(form_.ToldNotices());
}

void MainWindow::PlaceBars() {
  if (notice_bar_ == nullptr || change_bar_ == nullptr) return;
  const int height = BarHeight();
  int top = 0;
  if (!notice_bar_->isHidden()) {
    notice_bar_->setGeometry(0, top, width(), height);
    const int button = std::max(notice_dismiss_->sizeHint().width(), 80);
    notice_dismiss_->setGeometry(width() - button - 8, 0, button, height);
    notice_text_->setGeometry(8, 0, width() - button - 24, height);
    // One line, cut with an ellipsis; the whole text is the tooltip.
    const QString text = notice_text_->property("fullText").toString();
    notice_text_->setText(notice_text_->fontMetrics().elidedText(text, Qt::ElideRight, notice_text_->width()));
    notice_bar_->raise();
    top += height;
  }
  if (!change_bar_->isHidden()) {
    change_bar_->setGeometry(0, top, width(), height);
    change_bar_->raise();
  }
}

// ---- Lists changed on other workstations ----

void MainWindow::CreateChangeBar() {
  change_bar_ = new tervalo::ChangeBar(this);
  connect(change_bar_, &tervalo::ChangeBar::refreshClicked, this, [this] {
    PlaceRows();
    Refresh();
  });
}

void MainWindow::ShowChangeBar(const QString& text, bool refresh) {
  // Across the top of the window, above the grids' captions (below the notices, when shown).
  change_bar_->Tell(text, refresh);
  PlaceRows();
}

void MainWindow::UseCheckPeriod(int seconds, std::function<void(int seconds)> keep) {
  keep_check_period_ = nullptr;  // showing the period is not the user's change
  check_period_->setValue(seconds);
  StartChecking(seconds);
  keep_check_period_ = std::move(keep);
}

void MainWindow::StartChecking(int seconds) {
  if (check_timer_ == nullptr) {
    check_timer_ = new QTimer(this);
    connect(check_timer_, &QTimer::timeout, this, &MainWindow::OnCheckTimer);
  }
  check_timer_->stop();
  if (seconds > 0) check_timer_->start(seconds * 1000);
}

void MainWindow::OnCheckTimer() {
  if (busy_ > 0) return;  // the window's own work is on the share; the next period checks
  if (checking_) {
    // The last check has not come back: the share hangs. The window goes on regardless.
    if (check_started_.elapsed() >= check_timer_->interval()) ShowChangeBar(tr("Server not answering"), false);
    return;
  }
  if (!gEpcInfo) return;
  checking_ = true;
  check_started_.start();
  // The check reads the files through the engine's host, taken here on the window's thread; the
  // engine itself is not touched by the check. The findings come back through the window's event
  // queue; once the window has cancelled the watcher (it is closing) they go nowhere.
  watcher_.Start(BoardHost(), WatchBoard(form_.board(), *gEpcInfo), [this, actions = actions_](const ListCheck& check) {
    QMetaObject::invokeMethod(this, [this, check, actions] { OnCheckDone(check, actions); }, Qt::QueuedConnection);
  });
}

void MainWindow::OnCheckDone(const ListCheck& check, int actions_then) {
  checking_ = false;
  // An Update or Refresh meanwhile may have read or written the lists this check compared: its
  // findings may be stale. The next check looks again.
  if (actions_then != actions_ || busy_ > 0) return;
  KeepConfirmedStamps(form_.board(), check.confirmed);
  if (change_bar_->ShowCheck(check)) PlaceRows();
}

QString MainWindow::CountedCaption(const QString& name, int count) {
  return tr("%1 \u00B7 %2").arg(name).arg(count);
}

QString MainWindow::JobsSpoken(int count) { return count == 1 ? tr("1 job") : tr("%1 jobs").arg(count); }

void MainWindow::ShowListStates() {
  const BoardState& board = form_.board();
  const int unassigned = OpenJobCount(board.g);
  label1_->setText(CountedCaption(tr("Unassigned Jobs"), unassigned));
  g_->setAccessibleName(tr("Unassigned Jobs, %1").arg(JobsSpoken(unassigned)));
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    const ScheduleState& state = board.schedules[static_cast<size_t>(n)];
    QLabel* label = lblMECH_[static_cast<size_t>(n)];
    const QString name = QString::fromLatin1(board.mechanic_labels[static_cast<size_t>(n)].c_str());
    const int count = OpenJobCount(*board.mg[static_cast<size_t>(n)]);
    const QString caption = CountedCaption(name, count);
    label->setText(state.loaded ? caption : QString::fromUtf8("\u26A0 ") + caption);
    label->setStyleSheet(state.loaded ? QString() : QStringLiteral("color: #b00000;"));
    label->setToolTip(state.loaded ? tr(kMechanicTip)
                                   : tr("This list could not be read and is not saved here: %1. Refresh tries again.")
                                         .arg(QString::fromLatin1(state.problem.c_str())));
    label->setAccessibleName(name);
    mg_[static_cast<size_t>(n)]->setAccessibleName(
        state.loaded ? tr("%1, %2").arg(name, JobsSpoken(count))
                     : tr("%1, list not read").arg(name));
  }
}

void MainWindow::BoardChanged() {
  ShowListStates();
  if (!search_result_.matched.empty() || !search_->text().isEmpty()) RunSearch();
}

void MainWindow::Refresh() {
  // The tips read the jobs again after a Refresh: what another workstation changed shows.
  details_.clear();
  search_extra_.clear();
  RunAction([this] { form_.btnRefresh_Click(); });
}

void MainWindow::UpdateUndoActions() {
  if (undo_ == nullptr) return;
  undo_->setEnabled(form_.moves().CanUndo());
  redo_->setEnabled(form_.moves().CanRedo());
}

// ---- Moving jobs ----

void MainWindow::WireJobGrid(GridView* view, int grid) {
  view->SetTipProvider([this, grid](int row) { return JobTip(grid, row); });
  view->setContextMenuPolicy(Qt::PreventContextMenu);  // the menu opens on the button's release
  connect(view, &GridView::beforeMouseDown, this,
          [this, view, grid](Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint& pos, bool* cancel) {
            if (button == Qt::RightButton) OnRightPress(view, grid, pos, cancel);
          });
  connect(view, &GridView::dragRowsRequested, this, [this, view, grid] { DragRows(view, grid); });
  connect(view, &GridView::contextMenuRequested, this,
          [this, view, grid](const QPoint& pos) { ShowJobMenu(grid, view->viewport()->mapToGlobal(pos)); });
  connect(view, &GridView::openRequested, this, [this, grid] { OpenJob(grid); });

  DropHandlers handlers;
  handlers.entered = [this](bool from_board) {
    if (!from_board) form_.moves().ExternalDragEntered();
  };
  handlers.accepts = [this, grid](bool from_board) {
    // A list that could not be read takes nothing: the pointer says so while over it.
    if (grid != kUnassigned && !form_.board().schedules[static_cast<size_t>(grid)].loaded) return false;
    return !(grid == kUnassigned && from_board && form_.moves().drag.DragSourceTag == "G");
  };
  handlers.drop = [this, grid](const std::string& text, const PointerPlace& place, bool from_board) {
    return DropOn(grid, text, place, from_board);
  };
  if (grid != kUnassigned) {
    handlers.over = [this, grid](const PointerPlace& place) { form_.moves().DragOver(grid, place); };
    connect(view, &GridView::deleteKeyPressed, this, [this, grid] { RunAction([&] { form_.moves().SendBack(grid); }, ActionKind::kMove); });
    connect(view, &GridView::moveKeyPressed, this, [this, grid](int direction) {
      RunAction([&] { direction < 0 ? form_.moves().MoveUp(grid) : form_.moves().MoveDown(grid); }, ActionKind::kMove);
    });
    connect(view, &GridView::focusLost, this, [this, grid] { form_.moves().FocusLost(grid); });
    connect(view, &GridView::focusGained, this, [this, grid] { OnMechanicFocus(grid); });
  }
  view->SetDropHandlers(std::move(handlers));
}

void MainWindow::WireSortGrid() {
  // A right press picks up the sort field under the pointer (not the current one, which may be
  // another); it follows the pointer while the button is held. A press below the fields does
  // nothing.
  connect(gSort_, &GridView::beforeMouseDown, this,
          [this](Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint& pos, bool* cancel) {
            if (button != Qt::RightButton) return;
            *cancel = true;
            const int row = gSort_->MouseRow(pos);
            if (row >= 0) gSort_->ArmRowDrag(row);
          });
}

void MainWindow::OnRightPress(GridView* view, int grid, const QPoint& pos, bool* cancel) {
  switch (form_.moves().RightPress(grid, view->MouseRow(pos))) {
    case PressResult::kLeaveToGrid: return;
    case PressResult::kSwallow: *cancel = true; return;
    case PressResult::kDragRows:
      *cancel = true;
      view->ArmRowsDrag(pos);
      return;
  }
}

void MainWindow::DragRows(GridView* view, int grid) {
  RunAction([&] {
    form_.moves().StartDrag(grid);
    auto* drag = new QDrag(view);
    drag->setMimeData(view->gridModel().mimeData({}));
    drop_taken_ = false;
    drag->exec(Qt::MoveAction);
    // Only a drop on one of the board's own grids removes the rows here; text dropped on another
    // program leaves the board as it was.
    form_.moves().CompleteDrag(drop_taken_);
  }, ActionKind::kMove);
}

bool MainWindow::DropOn(int grid, const std::string& text, const PointerPlace& place, bool from_board) {
  bool taken = false;
  RunAction([&] {
    JobMoves& moves = form_.moves();
    taken = grid == kUnassigned ? moves.DropOnUnassigned(text, place) : moves.DropOnMechanic(grid, text, place);
  }, ActionKind::kMove);
  if (taken && from_board) drop_taken_ = true;
  if (taken && grid == kUnassigned) g_->setFocus();
  return taken;
}

QMenu* MainWindow::JobMenu(int grid) {
  JobMoves& moves = form_.moves();
  const BoardState& board = form_.board();
  auto* menu = new QMenu(this);
  menu->setObjectName("JobMenu");
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const bool movable = moves.CanMoveFrom(grid);

  QMenu* move_to = menu->addMenu(tr("Move &to"));
  move_to->setObjectName("MoveTo");
  move_to->setEnabled(movable);
  move_to->setToolTipsVisible(true);  // a list that takes no jobs says why
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    if (n == grid) continue;
    const ScheduleState& state = board.schedules[static_cast<size_t>(n)];
    const QString name = QString::fromLatin1(board.mechanics.MechanicName[static_cast<size_t>(n)].c_str());
    QAction* action = move_to->addAction(state.loaded ? name : tr("%1 (list not read)").arg(name), this, [this, grid, n] {
      RunAction([&] { form_.moves().MoveToMechanic(grid, n); }, ActionKind::kMove);
    });
    action->setObjectName(QString("MoveTo_%1").arg(n));
    if (!state.loaded) {
      // This board never saves a list it could not read: a job moved there would be lost. The
      // entry stays in its place, greyed, and says why (also to a keyboard user, in its text).
      action->setEnabled(false);
      const QString why = tr("%1's list could not be read: %2. Refresh reads it again.")
                              .arg(name, QString::fromLatin1(state.problem.c_str()));
      action->setToolTip(why);
      action->setStatusTip(why);
    }
  }
  if (grid != kUnassigned) {
    QAction* back = menu->addAction(tr("&Back to Unassigned"), this, [this, grid] { RunAction([&] { form_.moves().SendBack(grid); }, ActionKind::kMove); });
    back->setObjectName("BackToUnassigned");
    back->setShortcut(QKeySequence::Delete);
    back->setEnabled(movable);
    QAction* up = menu->addAction(tr("Move &Up"), this, [this, grid] { RunAction([&] { form_.moves().MoveUp(grid); }, ActionKind::kMove); });
    up->setObjectName("MoveUp");
    up->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Up));
    up->setEnabled(movable);
    QAction* down = menu->addAction(tr("Move &Down"), this, [this, grid] { RunAction([&] { form_.moves().MoveDown(grid); }, ActionKind::kMove); });
    down->setObjectName("MoveDown");
    down->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down));
    down->setEnabled(movable);
  }
  menu->addSeparator();
  menu->addAction(undo_);
  menu->addAction(redo_);
  menu->addSeparator();
  QAction* open = menu->addAction(tr("&Open Job…"), this, [this, grid] { OpenJob(grid); });
  open->setObjectName("OpenJob");
  open->setShortcut(QKeySequence(Qt::Key_Return));
  open->setEnabled(JobGrid(grid)->grid().Row() >= 0);
  return menu;
}

void MainWindow::ShowJobMenu(int grid, const QPoint& global_pos) {
  UpdateUndoActions();
  JobMenu(grid)->popup(global_pos);
}

void MainWindow::OpenJob(int grid) {
  const GridModel& model = JobGrid(grid)->grid();
  const int row = model.Row();
  if (row < 0 || row >= model.Rows()) return;
  ShowJob(this, FirstMechanicGrid(), form_.board().settings.TallRows, model.TextMatrix(row, grid == kUnassigned ? 1 : 0),
          [this](const std::function<void()>& work) { WithTheShare(work); });
}

void MainWindow::OnMechanicFocus(int n) {
  if (moving_focus_) return;
  const int last = form_.moves().LastGrid;
  const bool last_visible = last >= 0 && last < MechanicGridCount() && mg(last)->isVisible();
  const int target = form_.moves().FocusTarget(n, last_visible);
  if (target == n) return;
  // A grid whose current job is finished hands the focus back to the grid that had it.
  moving_focus_ = true;
  mg(target)->setFocus();
  moving_focus_ = false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == search_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Escape: ClearSearch(); return true;
      case Qt::Key_Return:
      case Qt::Key_Enter: SearchEnter(key->modifiers() & Qt::ShiftModifier); return true;
      default: break;
    }
  }
  if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    for (int n = 0; n < MechanicGridCount(); ++n) {
      if (watched != lblMECH_[static_cast<size_t>(n)]) continue;
      if (form_.board().Mg(n).Rows() > 0) menu_->PopupFor(n, static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- The strip above the grids: finding jobs, the legend, help ----

void MainWindow::CreateTopStrip() {
  search_ = new QLineEdit(this);
  search_->setObjectName("SearchField");
  search_->setPlaceholderText(tr("Find a job (Ctrl+F)"));
  search_->setClearButtonEnabled(true);
  search_->setToolTip(tr("Job or quote number, reference, customer, unit or description; every word must be found. "
                         "Enter or F3: next match, Shift+F3: previous, Esc: clear."));
  search_->setAccessibleName(tr("Find a job"));
  search_->installEventFilter(this);
  connect(search_, &QLineEdit::textEdited, this, &MainWindow::OnSearchEdited);
  // The clear button empties the field without an edit of the user's own.
  connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (text.isEmpty()) OnSearchEdited();
  });
  // The search field comes first when tabbing through the window.
  setTabOrder(search_, g_);

  search_count_ = new QLabel(this);
  search_count_->setObjectName("SearchCount");

  legend_ = CreateLegend(form_.board().settings, this);

  help_button_ = new QPushButton(tr("Help (F1)"), this);
  help_button_->setObjectName("HelpButton");
  help_button_->setFocusPolicy(Qt::NoFocus);
  connect(help_button_, &QPushButton::clicked, this, [this] {
    HelpWindow()->show();
    HelpWindow()->raise();
  });
}

void MainWindow::PlaceTopStrip(int width_twips) {
  // The strip stands right under the bars, whatever the window's height.
  const auto place = [this](QWidget* widget, ControlGeometry geometry) {
    geometry.top += rows_.strip_shift;
    widget->setGeometry(TwipsRect(geometry, *this));
  };
  place(search_, design::kSearchField);
  place(search_count_, design::kSearchCount);
  ControlGeometry help = design::kHelpButton;
  help.left = width_twips - kRightMargin - help.width;
  place(help_button_, help);
  ControlGeometry legend = design::kLegend;
  legend.width = std::max(help.left - kButtonGap - legend.left, 0);
  place(legend_, legend);
}

QDialog* MainWindow::HelpWindow() {
  if (help_window_ == nullptr) help_window_ = CreateHelpWindow(form_.board().settings, JobMenu(0), this);
  return help_window_;
}

void MainWindow::OnSearchEdited() {
  current_hit_ = -1;
  RunSearch();
  if (!search_result_.hits.empty()) GoToMatch(0, false);
}

void MainWindow::RunSearch() {
  const JobQuery query(search_->text().toLatin1().toStdString());
  // The job the user was at stays the current match while it is still found, on whichever list
  // it went to meanwhile.
  const int32_t was = current_hit_ >= 0 ? current_job_ : 0;
  search_result_ = SearchBoard(form_.board(), query, &search_extra_);
  current_hit_ = -1;
  for (size_t i = 0; was > 0 && i < search_result_.hits.size(); ++i) {
    if (HitJob(search_result_.hits[i]) == was) {
      current_hit_ = static_cast<int>(i);
      break;
    }
  }
  current_job_ = current_hit_ >= 0 ? was : 0;
  MarkGrids();
  ShowSearchCount();
}

int32_t MainWindow::HitJob(const SearchHit& hit) const {
  const GridModel& model = JobGrid(hit.grid)->grid();
  if (hit.row < 0 || hit.row >= model.Rows()) return 0;
  return model.JobOf(hit.row).job_number;
}

void MainWindow::MarkGrids() {
  const bool active = !search_result_.matched.empty();
  const SearchHit* current =
      current_hit_ >= 0 ? &search_result_.hits[static_cast<size_t>(current_hit_)] : nullptr;
  for (int grid = kUnassigned; grid < MechanicGridCount(); ++grid) {
    const auto g = static_cast<size_t>(grid + 1);
    GridTableModel& model = JobGrid(grid)->gridModel();
    model.SetSearchMarks(active, active ? search_result_.matched[g] : std::vector<bool>{},
                         current != nullptr && current->grid == grid ? current->row : -1);
  }
}

void MainWindow::ShowSearchCount() {
  const int count = static_cast<int>(search_result_.hits.size());
  QString text;
  if (search_result_.matched.empty()) {
    text.clear();
  } else if (count == 0) {
    text = tr("no match");
  } else if (current_hit_ >= 0) {
    text = tr("%1 of %2").arg(current_hit_ + 1).arg(count);
  } else {
    text = count == 1 ? tr("1 match") : tr("%1 matches").arg(count);
  }
  search_count_->setText(text);
  search_->setAccessibleDescription(text);
}

void MainWindow::GoToMatch(int index, bool select) {
  const int count = static_cast<int>(search_result_.hits.size());
  if (count == 0) return;
  current_hit_ = ((index % count) + count) % count;
  const SearchHit hit = search_result_.hits[static_cast<size_t>(current_hit_)];
  current_job_ = HitJob(hit);
  if (hit.grid != kUnassigned && !mechanic_shown_[static_cast<size_t>(hit.grid)] && scroll_->isVisible()) {
    // Page the mechanics so that the list shows; the focus stays where it is.
    QWidget* focus = QApplication::focusWidget();
    scroll_->setValue(std::min(hit.grid + 1, scroll_->maximum()));
    if (focus != nullptr) focus->setFocus();
  }
  GridView* view = JobGrid(hit.grid);
  if (select) view->grid().Select(hit.row, 0);
  view->ShowRow(hit.row);
  MarkGrids();
  ShowSearchCount();
}

void MainWindow::StepMatch(int step) {
  if (search_result_.hits.empty()) return;
  GoToMatch(current_hit_ < 0 ? (step > 0 ? 0 : -1) : current_hit_ + step, true);
}

void MainWindow::SearchEnter(bool backwards) {
  // A number alone names a job: Enter selects it wherever it is, before any other match.
  if (search_result_.job_hit >= 0 && current_hit_ != search_result_.job_hit && !backwards) {
    GoToMatch(search_result_.job_hit, true);
    return;
  }
  StepMatch(backwards ? -1 : 1);
}

void MainWindow::ClearSearch() {
  // The keys go to the grid of the job the user was at, to act on it.
  GridView* target = nullptr;
  if (current_hit_ >= 0) target = JobGrid(search_result_.hits[static_cast<size_t>(current_hit_)].grid);
  search_->clear();
  current_hit_ = -1;
  RunSearch();
  if (target != nullptr && target->isVisible()) target->setFocus(Qt::OtherFocusReason);
}

// ---- Job tips ----

const JobDetails* MainWindow::Details(int32_t job, QString* error) {
  if (const auto it = details_.find(job); it != details_.end()) return &it->second;
  try {
    JobDetails details = ReadJobDetails(form_.Engine(), job);
    if (details.found) search_extra_[job] = details.SearchText();
    return &details_.emplace(job, std::move(details)).first->second;
  } catch (const EngineError& e) {
    *error = QString::fromLatin1(EngineErrorMessage(e).c_str());
    return nullptr;
  }
}

QString MainWindow::JobTip(int grid, int row) {
  if (busy_ > 0) return {};  // the job's records are read once the window's work is done
  const GridModel& model = JobGrid(grid)->grid();
  if (row < 0 || row >= model.Rows()) return {};
  const RowJob row_job = model.JobOf(row);
  const int32_t job = row_job.job_number;
  if (job < 1) return {};
  const std::vector<std::string> lines = SplitLines(model.TextMatrix(row, grid == kUnassigned ? 1 : 0));
  const auto line = [&lines](size_t i) {
    QString l = i < lines.size() ? QString::fromLatin1(lines[i].c_str()) : QString();
    return l.trimmed().toHtmlEscaped();
  };
  QString error;
  const JobDetails* details = nullptr;
  // Read as the window's other work reads the share: while the server does not answer the window
  // goes on drawing and says so, and the tip shows once the records are read.
  WithTheShare([&] { details = Details(job, &error); });
  if (details == nullptr) return tr("<b>Job %1</b><br>Its records cannot be read: %2").arg(job).arg(error.toHtmlEscaped());
  if (!details->found) {
    return tr("<b>Job %1</b><br>Its record is no longer in the invoice file: it was removed or renumbered, "
              "perhaps on another workstation.<br>Refresh brings the board up to date.")
        .arg(job);
  }
  const auto latin = [](const std::string& s) { return QString::fromLatin1(s.c_str()).toHtmlEscaped(); };
  QString warranty;
  switch (details->warranty) {
    case WarrantyState::kUnknown: warranty = tr("no serial-number record"); break;
    case WarrantyState::kInWarranty: warranty = tr("in warranty until %1").arg(latin(details->warranty_end)); break;
    case WarrantyState::kExpired: warranty = tr("expired %1").arg(latin(details->warranty_end)); break;
  }
  QStringList rows;
  const bool quote = !lines.empty() && lines[0].find("Quote:") != std::string::npos;
  rows << "<b>" + (quote ? tr("Quote %1 \u00B7 Reference %2") : tr("Job %1 \u00B7 Reference %2"))
                      .arg(job)
                      .arg(row_job.reference) +
              "</b>";
  rows << tr("Customer: %1 %2").arg(details->account).arg(latin(details->customer));
  rows << tr("Unit: %1").arg(latin(details->unit));
  if (!details->serial.empty()) rows << tr("Serial number: %1").arg(latin(details->serial));
  rows << tr("Date in and priority: %1").arg(line(1));
  rows << tr("Status: %1").arg(line(2));
  rows << tr("Warranty: %1").arg(warranty);
  return "<p style='white-space:pre'>" + rows.join("<br>") + "</p>";
}

}  // namespace tervalo
