#include "board_ui/job_dialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>

#include "board/job_card_layout.h"
#include "board/job_record.h"
#include "board_ui/grid_table_model.h"
#include "board_ui/grid_view.h"
#include "board_ui/message_boxes.h"
#include "board_ui/twips.h"
#include "environment/shared_instances.h"
#include "host/host.h"

namespace tervalo {
namespace {

namespace cd = card_design;

constexpr int kWindowFontPoints = 8;

QString Text(const std::string& bytes) { return CellText(bytes); }

// A date as the card's other dates and the board's rows write it.
QString CardDate(const DateTime& date) {
  const auto ymd = date.Ymd();
  return QString::fromStdString(MonthDayYear(static_cast<int32_t>(static_cast<unsigned>(ymd.month())),
                                             static_cast<int32_t>(static_cast<unsigned>(ymd.day())),
                                             static_cast<int32_t>(ymd.year())));
}

// The card's fields are read-only: shown as text on the window's own background, without the
// frame of a field one types into; their text can still be selected and copied.
void ShowAsText(QWidget* field) {
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  palette.setColor(QPalette::Text, palette.color(QPalette::WindowText));
  field->setPalette(palette);
  field->setFocusPolicy(Qt::ClickFocus);  // Tab goes between the options and Close
}

// A field's background, with its text in black or white, whichever reads on it.
void SetBackground(QWidget* widget, Color color) {
  QPalette palette = widget->palette();
  const QColor back = ToQColor(color, palette);
  palette.setColor(QPalette::Base, back);
  palette.setColor(QPalette::Text, ReadableText(back, palette.color(QPalette::Text)));
  widget->setPalette(palette);
}

// The labels' widths were drawn for a narrower face than most workstations' sans serif: a caption
// that would be cut at its label's edge is set half a point smaller at a time, down to 6.5 points.
QFont FitCaption(QFont font, const QString& caption, int width) {
  for (double points = font.pointSizeF(); points > 6.5; points -= 0.5) {
    font.setPointSizeF(points);
    if (QFontMetrics(font).horizontalAdvance(caption) <= width) return font;
  }
  font.setPointSizeF(6.5);
  return font;
}

}  // namespace

frmJob::frmJob(const JobCard& card, QWidget* parent) : QDialog(parent), card_(card) {
  setObjectName("frmJob");
  setWindowTitle(tr("Job"));
  setModal(true);
  QFont window_font = font();
  window_font.setPointSize(kWindowFontPoints);
  setFont(window_font);
  CreateControls();
  setFixedSize(TwipsToPixelsX(cd::kClientWidth, *this), TwipsToPixelsY(cd::kClientHeight, *this));
  Fill();
}

frmJob::~frmJob() {
  // The grid's view goes before the model it shows.
  delete Gitems_;
}

void frmJob::SetGeometryTwips(QWidget* widget, const ControlGeometry& geometry) {
  widget->setGeometry(TwipsRect(geometry, *this));
}

QLineEdit* frmJob::AddField(const char* name, const ControlGeometry& geometry) {
  auto* field = new QLineEdit(this);
  field->setObjectName(name);
  field->setReadOnly(true);  // selectable and copyable, never edited
  field->setFrame(false);
  ShowAsText(field);
  SetGeometryTwips(field, geometry);
  return field;
}

void frmJob::AddLabel(const char* name, const char* caption, const ControlGeometry& geometry) {
  auto* label = new QLabel(tr(caption), this);
  label->setObjectName(name);
  SetGeometryTwips(label, geometry);
  label->setFont(FitCaption(font(), label->text(), label->width()));
}

void frmJob::CreateControls() {
  OptBillto_ = new QRadioButton(tr("Bill To"), this);
  OptBillto_->setObjectName("OptBillto");
  SetGeometryTwips(OptBillto_, cd::kOptBillto);
  txtAccount_ = AddField("txtAccount", cd::kTxtAccount);
  OptShipto_ = new QRadioButton(tr("Ship To"), this);
  OptShipto_->setObjectName("OptShipto");
  SetGeometryTwips(OptShipto_, cd::kOptShipto);
  txtShipto_ = AddField("txtShipto", cd::kTxtShipto);
  txtAddr_ = new QPlainTextEdit(this);
  txtAddr_->setObjectName("txtAddr");
  txtAddr_->setReadOnly(true);
  txtAddr_->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtAddr_->setFrameShape(QFrame::NoFrame);
  txtAddr_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  txtAddr_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ShowAsText(txtAddr_);
  SetGeometryTwips(txtAddr_, cd::kTxtAddr);

  AddLabel("lblPart", "Repair Part", cd::kLblPart);
  txtPart_ = AddField("txtPart", cd::kTxtPart);
  AddLabel("lblDelivery", "Delivery", cd::kLblDelivery);
  txtDelivery_ = AddField("txtDelivery", cd::kTxtDelivery);
  AddLabel("lblCat", "Priority", cd::kLblCat);
  txtCat_ = AddField("txtCat", cd::kTxtCat);
  AddLabel("lblSN1", "Serial # 1", cd::kLblSN1);
  txtSN1_ = AddField("txtSN1", cd::kTxtSN1);
  AddLabel("lblMeter", "Meter", cd::kLblMeter);
  txtMeter_ = AddField("txtMeter", cd::kTxtMeter);
  AddLabel("lblSN2", "Serial # 2", cd::kLblSN2);
  txtSN2_ = AddField("txtSN2", cd::kTxtSN2);
  AddLabel("lblDateIn", "Date In", cd::kLblDateIn);
  txtDateIn_ = AddField("txtDateIn", cd::kTxtDateIn);
  AddLabel("lblPurchase", "Purchased", cd::kLblPurchase);
  txtPurchase_ = AddField("txtPurchase", cd::kTxtPurchase);
  AddLabel("lblWarr", "Warranty", cd::kLblWarr);
  txtWarr_ = AddField("txtWarr", cd::kTxtWarr);
  AddLabel("lblExtWarr", "Ext Warranty", cd::kLblExtWarr);
  txtExtWarr_ = AddField("txtExtWarr", cd::kTxtExtWarr);

  AddLabel("lblItems", "Requested Services", cd::kLblItems);
  items_.SetColWidth(0, cd::kItemsWidth);
  items_model_ = std::make_unique<GridTableModel>(items_);
  Gitems_ = new GridView(*items_model_, 1, this);
  Gitems_->setObjectName("Gitems");
  SetGeometryTwips(Gitems_, cd::kGitems);
  auto* copy = new QAction(Gitems_);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  Gitems_->addAction(copy);
  connect(copy, &QAction::triggered, this,
          [this] { QApplication::clipboard()->setText(Text(items_.Clip())); });

  btnClose_ = new QPushButton(tr("Close"), this);
  btnClose_->setObjectName("btnClose");
  SetGeometryTwips(btnClose_, cd::kBtnClose);
  connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);

  connect(OptBillto_, &QRadioButton::clicked, this,
          [this] { ShowAddress(AddressOption::kBillTo); });
  connect(OptShipto_, &QRadioButton::clicked, this,
          [this] { ShowAddress(AddressOption::kShipTo); });
}

void frmJob::Fill() {
  setWindowTitle(Text(card_.caption));
  txtAccount_->setText(QString::number(card_.account));
  txtShipto_->setText(Text(card_.shipto));
  txtPart_->setText(Text(card_.part));
  txtDelivery_->setText(Text(card_.delivery));
  txtSN1_->setText(Text(card_.sn1));
  txtSN2_->setText(Text(card_.sn2));
  txtMeter_->setText(Text(card_.meter));
  txtCat_->setText(Text(card_.priority));
  txtDateIn_->setText(CardDate(card_.date_in));
  txtPurchase_->setText(Text(card_.purchase));
  txtWarr_->setText(Text(card_.warranty));
  txtExtWarr_->setText(Text(card_.ext_warranty));
  items_.SetRows(0);
  for (const CardItem& item : card_.items) {
    items_.AddItem(item.text);
    const int row = items_.Rows() - 1;
    items_.SetBackColor(row, 0, row, 0, item.back);
  }
  OptBillto_->setChecked(true);
  ShowAddress(AddressOption::kBillTo);
  btnClose_->setDefault(true);
  btnClose_->setFocus();
}

void frmJob::ShowAddress(AddressOption option) {
  const AddressView view = SelectAddress(card_, option);
  SetBackground(txtAccount_, view.account_back);
  SetBackground(txtShipto_, view.shipto_back);
  // The address box shows lines; the card's CR LF pairs become line breaks.
  QString text = Text(view.text);
  text.replace("\r\n", "\n");
  txtAddr_->setPlainText(text);
}

void frmJob::PlaceOver(const QRect& grid) {
  if (grid.isNull()) return;
  // The distance is measured on the main window's screen, where the grid is.
  const QWidget& window = parentWidget() != nullptr ? *parentWidget() : *this;
  move(grid.x(), grid.y() + TwipsToPixelsY(cd::kBelowMechanicGrid, window));
}

void ShowJob(QWidget* main_window, const QRect& grid, bool tall_rows, const std::string& job_text,
             const ShareWork& on_share) {
  if (!gEngine) return;
  CardOutcome outcome;
  RunOnShare(on_share, [&] { outcome = ShowJob(*gEngine, job_text, tall_rows); });
  if (outcome.engine_error) ReportEngineError(*outcome.engine_error);
  if (!outcome.message.empty()) {
    BoardHost().ShowMessage({outcome.message, "Tervalo", MessageIcon::kExclamation});
  }
  if (!outcome.card) return;
  frmJob card(*outcome.card, main_window);
  card.PlaceOver(grid);
  card.exec();
}

}  // namespace tervalo
