#include "board_ui/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>

#include <algorithm>

#include "board_ui/message_boxes.h"
#include "board_ui/twips.h"

namespace tervalo {
namespace {

constexpr int kWindowFontPoints = 8;  // the size the twips geometry was drawn for
constexpr int kRightMargin = 120;     // twips between a control and the window's right edge
constexpr int kJobLines = 5;          // text lines of a job row when the grids set no height
// The widest first line of a job text: the width the job font must fit into a mechanic column.
constexpr const char* kWidestJobLine = "Ref: 8888888  Quote: 8888";

const char* const kMechanicTip = "'Right-Click' to Print";
const char* const kSortTip =
    "Left-Click to Select Sort Field.  Click and Hold Right-Button to Drag Up or Down.  Click 'Refresh' to Resort. ";

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

QFont BoldFont(QFont font) {
  font.setBold(true);
  return font;
}

}  // namespace

int UpdateButtonLeft(int width) {
  const int fits = width - kRightMargin - design::kBtnUpdate.width;
  return std::min(design::kBtnUpdate.left, fits);
}

MainWindow::MainWindow(frmTervalo& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName("frmTervalo");
  setWindowTitle(QString::fromStdString(frmTervalo::Caption()));
  QFont window_font = font();
  window_font.setPointSize(kWindowFontPoints);
  setFont(window_font);

  CreateControls();
  CreateMechanicColumns();

  setMinimumSize(Px(kMinimumWindowWidth), TwipsToPixelsY(kDesignClientHeight, *this));
  resize(PreferredWidth(), TwipsToPixelsY(kDesignClientHeight, *this));
  ApplyLayout();
}

MainWindow::~MainWindow() {
  // The views go before the models they show.
  qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
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
  widget->setGeometry(TwipsRect(geometry, *this));
}

void MainWindow::CreateControls() {
  BoardState& board = form_.board();

  label1_ = new QLabel("Unassigned Jobs", this);
  label1_->setObjectName("Label1");
  label1_->setFont(BoldFont(font()));
  SetGeometryTwips(label1_, design::kLabel1);

  g_model_ = std::make_unique<GridTableModel>(board.g);
  g_ = new GridView(*g_model_, kJobLines, this);
  g_->setObjectName("g");
  g_->HideColumn(0);  // the sort key
  SetGeometryTwips(g_, design::kUnassignedGrid);

  label2_ = new QLabel("Sort Order", this);
  label2_->setObjectName("Label2");
  label2_->setFont(NarrowFont(font()));
  SetGeometryTwips(label2_, design::kLabel2);

  gSort_model_ = std::make_unique<GridTableModel>(board.gSort);
  gSort_ = new GridView(*gSort_model_, 1, this);
  gSort_->setObjectName("gSort");
  gSort_->setSelectionMode(QAbstractItemView::SingleSelection);
  gSort_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // always the four sort fields
  gSort_->setToolTip(kSortTip);
  SetGeometryTwips(gSort_, design::kSortGrid);

  chkHide_ = new QCheckBox("Show All Statuses", this);
  chkHide_->setObjectName("chkHide");
  chkHide_->setToolTip("Also Show Complete & Billed Jobs");
  chkHide_->setChecked(board.chkHide);
  SetGeometryTwips(chkHide_, design::kChkHide);
  connect(chkHide_, &QCheckBox::toggled, this, [this](bool checked) { RunAction([&] { form_.chkHide_Click(checked); }); });

  scroll_ = new QScrollBar(Qt::Horizontal, this);
  scroll_->setObjectName("Scroll");
  SetGeometryTwips(scroll_, design::kScroll);
  scroll_->hide();
  connect(scroll_, &QScrollBar::valueChanged, this, &MainWindow::OnScroll);

  btnRefresh_ = new QPushButton("&Refresh", this);
  btnRefresh_->setObjectName("btnRefresh");
  btnRefresh_->setToolTip("Resort 'Available' Jobs Grid");
  SetGeometryTwips(btnRefresh_, design::kBtnRefresh);
  connect(btnRefresh_, &QPushButton::clicked, this, [this] { RunAction([this] { form_.btnRefresh_Click(); }); });

  btnExit_ = new QPushButton("E&XIT", this);
  btnExit_->setObjectName("btnExit");
  SetGeometryTwips(btnExit_, design::kBtnExit);
  connect(btnExit_, &QPushButton::clicked, this, &QWidget::close);

  btnUpdate_ = new QPushButton("&Update", this);
  btnUpdate_->setObjectName("btnUpdate");
  SetGeometryTwips(btnUpdate_, design::kBtnUpdate);
  connect(btnUpdate_, &QPushButton::clicked, this, [this] { RunAction([this] { form_.btnUpdate_Click(); }); });

  // The scratch and print grid is never shown.
  PG_model_ = std::make_unique<GridTableModel>(board.PG);
  PG_ = new GridView(*PG_model_, 1, this);
  PG_->setObjectName("PG");
  SetGeometryTwips(PG_, design::kPrintGrid);
  PG_->hide();

  // The print menu of a mechanic's label; printing is wired to it with the print sheet.
  menu_ = new QMenu(this);
  menu_->setObjectName("Menu");
  print40_ = menu_->addAction("Print 40 Column");
  print40_->setObjectName("Print40");
  print80_ = menu_->addAction("Print 80 Column");
  print80_->setObjectName("Print80");
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
    label->setToolTip(kMechanicTip);
    label->setFont(BoldFont(font()));
    lblMECH_.push_back(label);

    mg_models_.push_back(std::make_unique<GridTableModel>(board.Mg(n)));
    auto* grid = new GridView(*mg_models_.back(), kJobLines, this);
    grid->setObjectName(QString("mg_%1").arg(n));
    grid->setFont(job_font);
    mg_.push_back(grid);
    setTabOrder(previous, grid);
    previous = grid;

    mechanic_left_.push_back(0);
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
  ApplyLayout();
}

void MainWindow::ApplyLayout() {
  if (isMinimized()) return;
  const int width = frmTervalo::ApplyMinimumWidth(WidthTwips());
  const MechanicLayout& layout = form_.Form_Resize(width);

  ControlGeometry exit = design::kBtnExit;
  exit.left = layout.exit_left;
  SetGeometryTwips(btnExit_, exit);
  ControlGeometry update = design::kBtnUpdate;
  update.left = UpdateButtonLeft(width);
  SetGeometryTwips(btnUpdate_, update);
  ControlGeometry scroll = design::kScroll;
  scroll.left = layout.scroll_left;
  SetGeometryTwips(scroll_, scroll);

  const int count = form_.board().mechanics.MechanicCount;
  for (int n = 0; n < count; ++n) {
    PlaceMechanic(n, layout.lefts[static_cast<size_t>(n)], layout.visible[static_cast<size_t>(n)]);
  }
  // The bar starts again at the first page, which is the page now shown.
  const QSignalBlocker block(scroll_);
  scroll_->setRange(1, layout.scroll_max);
  scroll_->setPageStep(std::max(layout.page_size, 1));
  scroll_->setValue(1);
  scroll_->setVisible(layout.scroll_visible);
}

void MainWindow::OnScroll(int value) {
  const int count = form_.board().mechanics.MechanicCount;
  if (count == 0) return;
  const auto shown = PageMechanicGrids(value, form_.PageSize(), count, mechanic_left_[0], design::kMechanicGrid.width);
  for (int n = 0; n < count; ++n) {
    lblMECH_[static_cast<size_t>(n)]->hide();
    mg_[static_cast<size_t>(n)]->hide();
  }
  for (const PagePlacement& p : shown) PlaceMechanic(p.index, p.left, true);
  scroll_->setFocus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Every close saves first and is never cancelled.
  RunAction([this] { form_.Form_QueryUnload(); });
  event->accept();
}

void MainWindow::RunAction(const std::function<void()>& action) {
  try {
    action();
  } catch (const EngineError& error) {
    ReportEngineError(error);
    QCoreApplication::exit(1);
  }
}

}  // namespace tervalo
