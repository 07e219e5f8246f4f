// frmJob on the offscreen platform: its controls and captions, the Bill To / Ship To options,
// Esc, and ShowJob opening it below the first mechanic grid or reporting why it cannot.

#include "board_ui/job_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBrush>
#include <QClipboard>
#include <QTest>
#include <QTimer>

#include "board/frm_tervalo.h"
#include "board_ui/grid_view.h"
#include "board_ui/main_window.h"
#include "board_ui/twips.h"
#include "tests/board_ui/qt_test_app.h"
#include "tests/support/card_company.h"

namespace tervalo {
namespace {

using testing::CardPage;

class JobDialogTest : public testing::CardCompanyTest {
 protected:
  void SetUp() override {
    company_.AddCustomer({5001, "BILL TO CUSTOMER"});
    company_.AddMailing({6000, "SHIP TO YARD"});
    company_.AddSerial({"SN100", 18, 0, 11277});
    share::InvoiceRecord page = CardPage(42);
    page.ship_to = 6000;
    page.items.push_back({"REM", "CALL FIRST", ""});
    company_.AddJob({7, {page}});
    share::InvoiceRecord damaged = CardPage(43);
    damaged.page = 201;
    company_.SetIndexEntry(8, company_.AddRecord(damaged));
    Write();
    ASSERT_TRUE(form_.Form_Load());
  }

  JobCard Card7() {
    const CardOutcome outcome = ShowJob(*gEngine, testing::RowText(7), false);
    EXPECT_TRUE(outcome.card) << outcome.message;
    return outcome.card.value_or(JobCard{});
  }

  static QColor Base(const QWidget* widget) { return widget->palette().color(QPalette::Base); }

  // Runs ShowJob; a card it opens is described and closed with Esc.
  struct Opened {
    QString title;
    QPoint position;
  };
  std::optional<Opened> RunShowJob(MainWindow& window, int32_t job) {
    std::optional<Opened> opened;
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        opened = Opened{modal->windowTitle(), modal->pos()};
        QTest::keyClick(modal, Qt::Key_Escape);
      }
    });
    closer.start(0);
    ShowJob(&window, window.FirstMechanicGrid(), form_.board().settings.TallRows, testing::RowText(job));
    return opened;
  }

  frmTervalo form_;
};

TEST_F(JobDialogTest, ShowsEveryFieldWithItsLabel) {
  frmJob dialog(Card7());
  EXPECT_EQ(dialog.windowTitle(), "Job: 7     Reference: 42");
  EXPECT_TRUE(dialog.isModal());
  EXPECT_EQ(dialog.width(), TwipsToPixelsX(5295, dialog));
  EXPECT_EQ(dialog.Gitems()->width(), TwipsToPixelsX(5055, dialog));
  const std::pair<const char*, const char*> labels[] = {{"lblPart", "Repair Part"},
                                                        {"lblDelivery", "Delivery"},
                                                        {"lblSN1", "Serial # 1"},
                                                        {"lblSN2", "Serial # 2"},
                                                        {"lblMeter", "Meter"},
                                                        {"lblCat", "Priority"},
                                                        {"lblDateIn", "Date In"},
                                                        {"lblPurchase", "Purchased"},
                                                        {"lblWarr", "Warranty"},
                                                        {"lblExtWarr", "Ext Warranty"},
                                                        {"lblItems", "Requested Services"}};
  for (const auto& [name, caption] : labels) {
    const auto* label = dialog.findChild<QLabel*>(name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->text(), caption);
  }
  EXPECT_EQ(dialog.OptBillto()->text(), "Bill To");
  EXPECT_EQ(dialog.OptShipto()->text(), "Ship To");
  EXPECT_EQ(dialog.btnClose()->text(), "Close");
  const std::pair<QLineEdit*, QString> fields[] = {
      {dialog.txtAccount(), "5001"},
      {dialog.txtShipto(), "6000"},
      {dialog.txtPart(), "HARLAN MOWER / HR217 WONT START"},
      {dialog.txtDelivery(), "METHOD 2       "},
      {dialog.txtSN1(), "SN100             "},
      {dialog.txtSN2(), "ENG7              "},
      {dialog.txtMeter(), "1234.5"},
      {dialog.txtCat(), "Rush       "},
      {dialog.txtPurchase(), "11/15/98"},
      {dialog.txtWarr(), "05/15/00"},
      {dialog.txtExtWarr(), ""}};
  for (const auto& [field, text] : fields) {
    EXPECT_EQ(field->text(), text) << field->objectName().toStdString();
    // Read-only, and shown so: text without a field's frame.
    EXPECT_TRUE(field->isReadOnly()) << field->objectName().toStdString();
    EXPECT_FALSE(field->hasFrame()) << field->objectName().toStdString();
  }
  for (QWidget* field : {static_cast<QWidget*>(dialog.txtPart()), static_cast<QWidget*>(dialog.txtDateIn()),
                         static_cast<QWidget*>(dialog.txtAddr())}) {
    EXPECT_EQ(Base(field), field->palette().color(QPalette::Window)) << field->objectName().toStdString();
  }
  // Every date in one form, the board's: mm/dd/yy.
  EXPECT_EQ(dialog.txtDateIn()->text(), "06/29/25");
  EXPECT_TRUE(dialog.txtAddr()->isReadOnly());
  EXPECT_EQ(dialog.txtAddr()->frameShape(), QFrame::NoFrame);
  ASSERT_EQ(dialog.items().Rows(), 2);
  EXPECT_EQ(dialog.items().Cell(1, 0).back, Color{0xFFFFC0});
  EXPECT_EQ(dialog.Gitems()->model()->rowCount(), 2);
}

TEST_F(JobDialogTest, TheOptionsSwitchTheAddressAndTheAccountBackgrounds) {
  frmJob dialog(Card7());
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  const QColor selected(0xFF, 0xE0, 0xC0);  // &HC0E0FF
  const QColor other(0xE0, 0xE0, 0xE0);
  EXPECT_TRUE(dialog.OptBillto()->isChecked());
  EXPECT_TRUE(dialog.txtAddr()->toPlainText().startsWith("BILL TO CUSTOMER"));
  EXPECT_EQ(dialog.txtAddr()->toPlainText().count('\n'), 3) << "four lines";
  EXPECT_EQ(Base(dialog.txtAccount()), selected);
  EXPECT_EQ(Base(dialog.txtShipto()), other);

  QTest::mouseClick(dialog.OptShipto(), Qt::LeftButton);
  EXPECT_TRUE(dialog.OptShipto()->isChecked());
  EXPECT_TRUE(dialog.txtAddr()->toPlainText().startsWith("SHIP TO YARD"));
  EXPECT_EQ(Base(dialog.txtAccount()), other);
  EXPECT_EQ(Base(dialog.txtShipto()), selected);

  QTest::mouseClick(dialog.OptBillto(), Qt::LeftButton);
  EXPECT_TRUE(dialog.txtAddr()->toPlainText().startsWith("BILL TO CUSTOMER"));
  EXPECT_EQ(Base(dialog.txtAccount()), selected);

  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible()) << "Esc closes the card";
}

TEST_F(JobDialogTest, ColouredFieldsAndServicesKeepReadableTextUnderADarkDesktop) {
  const QPalette saved = QApplication::palette();
  QPalette dark = saved;
  dark.setColor(QPalette::Text, Qt::white);
  dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
  QApplication::setPalette(dark);
  {
    frmJob dialog(Card7());
    for (const QWidget* field : {static_cast<QWidget*>(dialog.txtAccount()), static_cast<QWidget*>(dialog.txtShipto())}) {
      EXPECT_EQ(field->palette().color(QPalette::Text), QColor(Qt::black)) << field->objectName().toStdString();
    }
    const QAbstractItemModel& items = *dialog.Gitems()->model();
    EXPECT_EQ(items.data(items.index(1, 0), Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::black))
        << "a remark on its pale yellow";
  }
  QApplication::setPalette(saved);
}

TEST_F(JobDialogTest, TheSelectedServicesCanBeCopied) {
  frmJob dialog(Card7());
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QApplication::clipboard()->clear();
  dialog.Gitems()->setFocus();
  dialog.Gitems()->selectAll();
  QTest::keySequence(dialog.Gitems(), QKeySequence::Copy);
  EXPECT_EQ(QApplication::clipboard()->text(),
            "PRT 75404060  BELT DECK" + QString(12, ' ') + "\rCALL FIRST" + QString(26, ' '));
}

TEST_F(JobDialogTest, ShowJobOpensTheCardBelowTheFirstMechanicGrid) {
  MainWindow window(form_);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const auto opened = RunShowJob(window, 7);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->title, "Job: 7     Reference: 42");
  const QPoint expected = window.frameGeometry().topLeft() + window.mg(0)->pos() +
                          QPoint(0, TwipsToPixelsY(500, window));
  EXPECT_EQ(opened->position, expected);
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(JobDialogTest, ACardThatCannotOpenIsReportedAndTheBoardGoesOn) {
  MainWindow window(form_);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_FALSE(RunShowJob(window, 8)) << "no card";
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text, "Error Trying to Display Job! ");
  EXPECT_TRUE(RunShowJob(window, 7)) << "the next card opens";
}

}  // namespace
}  // namespace tervalo
