#pragma once
// frmJob, the job card: a modal, read-only window over the main window with the job's accounts
// and address, the unit, serial numbers, warranty dates, delivery method, priority and the
// requested services. Its contents come whole from board/job_card; the Bill To / Ship To options
// switch the address and mark the account shown. Every text can be selected and copied.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <memory>
#include <string>

#include "board/grid_model.h"
#include "board/job_card.h"
#include "board/window_layout.h"
#include "board_ui/share_work.h"

class QWidget;

namespace tervalo {

class GridTableModel;
class GridView;

class frmJob : public QDialog {
  Q_OBJECT

 public:
  explicit frmJob(const JobCard& card, QWidget* parent = nullptr);
  ~frmJob() override;

  // The controls, by their names on the card.
  QRadioButton* OptBillto() const { return OptBillto_; }
  QRadioButton* OptShipto() const { return OptShipto_; }
  QLineEdit* txtAccount() const { return txtAccount_; }
  QLineEdit* txtShipto() const { return txtShipto_; }
  QPlainTextEdit* txtAddr() const { return txtAddr_; }
  QLineEdit* txtPart() const { return txtPart_; }
  QLineEdit* txtDelivery() const { return txtDelivery_; }
  QLineEdit* txtSN1() const { return txtSN1_; }
  QLineEdit* txtSN2() const { return txtSN2_; }
  QLineEdit* txtMeter() const { return txtMeter_; }
  QLineEdit* txtCat() const { return txtCat_; }
  QLineEdit* txtDateIn() const { return txtDateIn_; }
  QLineEdit* txtPurchase() const { return txtPurchase_; }
  QLineEdit* txtWarr() const { return txtWarr_; }
  QLineEdit* txtExtWarr() const { return txtExtWarr_; }
  GridView* Gitems() const { return Gitems_; }
  const GridModel& items() const { return items_; }
  QPushButton* btnClose() const { return btnClose_; }

  // Places the card below the top of the first mechanic grid of the main window; `grid` is that
  // grid's rectangle in the coordinates the card is placed in.
  void PlaceOver(const QRect& grid);

 private:
  void CreateControls();
  void Fill();
  // The Bill To / Ship To options.
  void ShowAddress(AddressOption option);
  QLineEdit* AddField(const char* name, const ControlGeometry& geometry);
  void AddLabel(const char* name, const char* caption, const ControlGeometry& geometry);
  void SetGeometryTwips(QWidget* widget, const ControlGeometry& geometry);

  JobCard card_;
  GridModel items_{1};
  std::unique_ptr<GridTableModel> items_model_;

  QRadioButton* OptBillto_ = nullptr;
  QRadioButton* OptShipto_ = nullptr;
  QLineEdit* txtAccount_ = nullptr;
  QLineEdit* txtShipto_ = nullptr;
  QPlainTextEdit* txtAddr_ = nullptr;
  QLineEdit* txtPart_ = nullptr;
  QLineEdit* txtDelivery_ = nullptr;
  QLineEdit* txtSN1_ = nullptr;
  QLineEdit* txtSN2_ = nullptr;
  QLineEdit* txtMeter_ = nullptr;
  QLineEdit* txtCat_ = nullptr;
  QLineEdit* txtDateIn_ = nullptr;
  QLineEdit* txtPurchase_ = nullptr;
  QLineEdit* txtWarr_ = nullptr;
  QLineEdit* txtExtWarr_ = nullptr;
  GridView* Gitems_ = nullptr;
  QPushButton* btnClose_ = nullptr;
};

// Opens the card of the job a grid row's text names, modally over the main window and placed over
// its first mechanic grid `grid` (see PlaceOver); a text without a job number does nothing.
// `tall_rows`: the board's rows name their request. When the card cannot be built, its message
// (after the data engine's own, when the engine failed) is shown instead, and the board goes on.
void ShowJob(QWidget* main_window, const QRect& grid, bool tall_rows, const std::string& job_text,
             const ShareWork& on_share = {});

}  // namespace tervalo
