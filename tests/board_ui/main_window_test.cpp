// The real main window on small companies under the offscreen platform: its controls, the
// layout for the window's width, paging the mechanic grids, "Show All Statuses", and closing.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QBrush>
#include <QLabel>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "board/frm_tervalo.h"
#include "board_ui/main_window.h"
#include "board_ui/twips.h"
#include "environment/shared_instances.h"
#include "tests/board_ui/qt_test_app.h"
#include "tests/support/board_records.h"
#include "tests/support/fault_host.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/company_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;
using share::InvoiceRecord;

// An open job of priority "Rush", marked for a mechanic when one is given.
InvoiceRecord Job(int32_t reference, char status = 'O', int32_t mechanic = 0) {
  return testing::Scheduled(testing::Job(reference, status, testing::kRush), mechanic);
}

class MainWindowTest : public testing::TempShareTest {
 protected:
  MainWindowTest() : file0_(testing::NormalAndRushFile0()), company_(share_) {}

  void AddMechanics(int count) {
    for (int i = 0; i < count; ++i) company_.AddMechanic({3 + i, "MECHANIC " + std::to_string(3 + i)});
  }

  MainWindow& Open() {
    company_.SetFile0(file0_);
    company_.Write(temp_dir_, host_.computer_name);
    for (const auto& [number, lines] : schedules_) company_.WriteSchedule(number, lines);
    EXPECT_TRUE(form_.Form_Load());
    window_ = std::make_unique<MainWindow>(form_);
    window_->show();  // a hidden window hears of its new sizes only when shown
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    return *window_;
  }

  // Resizes the window to a width in twips and returns the width the layout saw.
  int ResizeTo(int twips) {
    window_->resize(window_->Px(twips), window_->height());
    return window_->WidthTwips();
  }

  std::vector<int> VisibleMechanics() const {
    std::vector<int> shown;
    for (int n = 0; n < window_->MechanicGridCount(); ++n) {
      const bool grid = window_->mg(n)->isVisibleTo(window_.get());
      EXPECT_EQ(window_->lblMECH(n)->isVisibleTo(window_.get()), grid) << "label and grid of mechanic " << n;
      if (grid) shown.push_back(n);
    }
    return shown;
  }

  unsigned char InvoiceByte(int32_t record, int position) {
    std::ifstream in(share_.DataDirectory() / "INVDB", std::ios::binary);
    in.seekg(static_cast<std::streamoff>(record) * share::kInvoiceRecordLength + position - 1);
    return static_cast<unsigned char>(in.get());
  }

  share::BoardFile0 file0_;
  share::CompanyBuilder company_;
  std::map<int32_t, std::vector<std::string>> schedules_;
  frmTervalo form_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, ControlsCarryTheirCaptionsTipsAndPlaces) {
  AddMechanics(2);
  company_.AddJob({7, {Job(42)}});
  MainWindow& w = Open();

  EXPECT_EQ(w.windowTitle().toStdString(), frmTervalo::Caption());
  struct Control {
    QWidget* widget;
    QString text;
    QString tip;
    ControlGeometry geometry;
  };
  const Control controls[] = {
      {w.Label1(), "Unassigned Jobs", "", design::kLabel1},
      {w.g(), "", "", design::kUnassignedGrid},
      {w.Label2(), "Sort Order", "", design::kLabel2},
      {w.gSort(), "",
       "Left-Click to Select Sort Field.  Click and Hold Right-Button to Drag Up or Down.  Click 'Refresh' to Resort. ",
       design::kSortGrid},
      {w.chkHide(), "Show All Statuses", "Also Show Complete & Billed Jobs", design::kChkHide},
      {w.btnRefresh(), "&Refresh", "Resort 'Available' Jobs Grid", design::kBtnRefresh},
  };
  for (const Control& c : controls) {
    const std::string name = c.widget->objectName().toStdString();
    QString text;
    if (auto* label = qobject_cast<QLabel*>(c.widget)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(c.widget)) text = button->text();
    EXPECT_EQ(text, c.text) << name;
    EXPECT_EQ(c.widget->toolTip(), c.tip) << name;
    EXPECT_EQ(c.widget->geometry(), TwipsRect(c.geometry, w)) << name;
    EXPECT_TRUE(c.widget->isVisibleTo(&w)) << name;
  }
  EXPECT_EQ(w.btnExit()->text(), "E&XIT");
  EXPECT_EQ(w.btnUpdate()->text(), "&Update");

  EXPECT_EQ(w.lblMECH(0)->text(), "MECHANIC 3");
  EXPECT_EQ(w.lblMECH(1)->text(), "MECHANIC 4");
  EXPECT_EQ(w.lblMECH(1)->toolTip(), "'Right-Click' to Print");
  EXPECT_TRUE(w.g()->isColumnHidden(0)) << "the sort key";
  EXPECT_EQ(w.g()->model()->rowCount(), 1);
  EXPECT_EQ(w.gSort()->model()->data(w.gSort()->model()->index(0, 0)).toString(), "Reference");
  ASSERT_EQ(w.Menu()->actions().size(), 2);
  EXPECT_EQ(w.Menu()->actions()[0]->text(), "Print 40 Column");
  EXPECT_EQ(w.Menu()->actions()[1]->text(), "Print 80 Column");
}

TEST_F(MainWindowTest, TheWindowKeepsItsMinimumWidthAndLaysTheMechanicsOutForItsWidth) {
  AddMechanics(10);
  MainWindow& w = Open();
  EXPECT_EQ(w.minimumWidth(), w.Px(kMinimumWindowWidth));
  w.resize(w.Px(6000), w.height());
  EXPECT_EQ(w.width(), w.minimumWidth());

  struct Case {
    int width_twips;
    int shown;  // mechanic grids on the first page
  };
  for (const Case& c : {Case{kMinimumWindowWidth, 4}, Case{15000, 4}, Case{3240 + 7 * 2400, 7},
                        Case{3240 + 10 * 2400 + 600, 10}}) {
    const int width = ResizeTo(c.width_twips);
    SCOPED_TRACE("width " + std::to_string(width));
    std::vector<int> expected;
    for (int n = 0; n < c.shown; ++n) expected.push_back(n);
    EXPECT_EQ(VisibleMechanics(), expected);
    EXPECT_EQ(w.form().PageSize(), c.shown);
    for (int n = 0; n < c.shown; ++n) {
      EXPECT_EQ(w.mg(n)->x(), w.Px(kFirstMechanicLeft + n * kMechanicColumnStep)) << "grid " << n;
      EXPECT_EQ(w.lblMECH(n)->x(), w.mg(n)->x()) << "label " << n;
    }
    EXPECT_EQ(w.Scroll()->isVisibleTo(&w), c.shown < 10);
    if (c.shown < 10) {
      EXPECT_EQ(w.Scroll()->maximum(), 10 - c.shown + 1);
    }
    EXPECT_EQ(w.btnExit()->x(), w.Px(width / 2 + 1560 - 510));
    EXPECT_EQ(w.Scroll()->x(), w.Px(width / 2 + 1200 - 510));
    // Update, then EXIT, side by side on one row, both whole.
    EXPECT_LT(w.btnUpdate()->geometry().right(), w.btnExit()->x());
    EXPECT_EQ(w.btnUpdate()->y(), w.btnExit()->y());
    EXPECT_LE(w.btnExit()->geometry().right(), w.width());
  }
}

TEST_F(MainWindowTest, TheScrollBarPagesTheMechanicGrids) {
  AddMechanics(10);
  MainWindow& w = Open();
  ResizeTo(kMinimumWindowWidth);
  ASSERT_EQ(w.form().PageSize(), 4);
  w.Scroll()->setValue(4);
  EXPECT_EQ(VisibleMechanics(), (std::vector<int>{3, 4, 5, 6}));
  for (int k = 3; k <= 6; ++k) {
    EXPECT_EQ(w.mg(k)->x(), w.Px(kFirstMechanicLeft + (k - 3) * (design::kMechanicGrid.width + 105))) << k;
  }
  w.Scroll()->setValue(7);
  EXPECT_EQ(VisibleMechanics(), (std::vector<int>{6, 7, 8, 9}));
  // A new layout shows the first page again, and the bar says so.
  ResizeTo(kMinimumWindowWidth + 600);
  EXPECT_EQ(VisibleMechanics(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(w.Scroll()->value(), 1);
}

TEST_F(MainWindowTest, WithoutMechanicsTheFirstColumnKeepsItsDesign) {
  MainWindow& w = Open();
  ASSERT_EQ(w.MechanicGridCount(), 1);
  EXPECT_EQ(w.lblMECH(0)->text(), "Mechanic # 1");
  EXPECT_EQ(w.lblMECH(0)->geometry(), TwipsRect(design::kMechanicLabel, w));
  EXPECT_EQ(w.mg(0)->geometry(), TwipsRect(design::kMechanicGrid, w));
  EXPECT_EQ(VisibleMechanics(), (std::vector<int>{0}));
  EXPECT_FALSE(w.Scroll()->isVisibleTo(&w));
}

TEST_F(MainWindowTest, ShowAllStatusesShowsAndHidesFinishedJobs) {
  AddMechanics(1);
  const InvoiceRecord open = Job(42, 'O', 3);
  const InvoiceRecord billed = Job(43, 'B', 3);
  company_.AddJob({7, {open}});
  company_.AddJob({8, {billed}});
  // Scheduled while it was open; billed since.
  InvoiceRecord was_open = billed;
  was_open.status = 'O';
  schedules_[3] = {company_.ScheduleLine(was_open, 8), company_.ScheduleLine(open, 7)};
  MainWindow& w = Open();

  GridView* grid = w.mg(0);
  ASSERT_EQ(grid->model()->rowCount(), 2);
  EXPECT_FALSE(grid->isRowHidden(0));
  EXPECT_TRUE(grid->isRowHidden(1)) << "the billed job sank to the bottom, hidden";
  EXPECT_EQ(grid->model()->data(grid->model()->index(1, 0), Qt::ForegroundRole).value<QBrush>().color(),
            QColor(Qt::white));
  QTest::mouseClick(w.chkHide(), Qt::LeftButton);
  EXPECT_TRUE(w.form().board().chkHide);
  EXPECT_FALSE(grid->isRowHidden(1));
  QTest::mouseClick(w.chkHide(), Qt::LeftButton);
  EXPECT_TRUE(grid->isRowHidden(1));
}

TEST_F(MainWindowTest, ExitClosesAndEveryCloseSavesFirst) {
  AddMechanics(2);
  const auto records = company_.AddJob({7, {Job(42)}});
  MainWindow& w = Open();
  // The user gave the job to the second mechanic (number 4).
  BoardState& board = w.form().board();
  board.Mg(1).AddItem(board.g.TextMatrix(0, 1));
  EXPECT_EQ(InvoiceByte(records.back(), 141), 0);

  QTest::mouseClick(w.btnExit(), Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(InvoiceByte(records.back(), 141), 4);
  EXPECT_TRUE(fs::exists(share_.DataDirectory() / "SCHEDULE.4"));
  EXPECT_FALSE(fs::exists(share_.DataDirectory() / "SCHEDULE.3")) << "an empty list leaves no file";
  EXPECT_TRUE(host_.messages.empty());
}

// Answers the next "not saved" question at closing with the button of that caption, after running
// `before` (to change what the next save will meet). Returns how many times it was asked.
class CloseAnswers : public QObject {
 public:
  CloseAnswers(std::vector<std::pair<QString, std::function<void()>>> answers) : answers_(std::move(answers)) {
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, &CloseAnswers::Answer);
    timer_.start();
  }
  int asked() const { return asked_; }

 private:
  void Answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || box->objectName() != "CloseNotSaved" || asked_ >= static_cast<int>(answers_.size())) return;
    const auto& [caption, before] = answers_[static_cast<size_t>(asked_++)];
    if (before) before();
    for (QAbstractButton* button : box->buttons()) {
      if (button->text() == caption) button->click();
    }
  }

  std::vector<std::pair<QString, std::function<void()>>> answers_;
  QTimer timer_;
  int asked_ = 0;
};

TEST_F(MainWindowTest, TheStatusLineSaysWhenUpdateSavedAndWhatItCouldNotSave) {
  AddMechanics(2);
  company_.AddJob({7, {Job(42)}});
  MainWindow& w = Open();
  EXPECT_TRUE(w.StatusLine()->text().isEmpty());
  EXPECT_TRUE(w.StatusLine()->isVisibleTo(&w));
  EXPECT_GT(w.StatusLine()->y(), w.btnRefresh()->geometry().bottom());
  EXPECT_LE(w.StatusLine()->geometry().bottom(), w.height());
  // The status names the minute of the click; one taken before and one after cover a new minute.
  const auto minute = [this] {
    const auto now = host_.Now();
    const auto time = std::chrono::hh_mm_ss(now - std::chrono::floor<std::chrono::days>(now));
    return QString::asprintf("%02d:%02d", static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()));
  };
  const QString before = minute();
  QTest::mouseClick(w.btnUpdate(), Qt::LeftButton);
  const QStringList saved{"Saved " + before, "Saved " + minute()};
  EXPECT_TRUE(saved.contains(w.StatusLine()->text())) << w.StatusLine()->text().toStdString();

  // The second mechanic's list cannot be replaced: a folder took its file's name.
  w.form().board().g.Select(0, 0);
  ASSERT_TRUE(w.form().moves().MoveToMechanic(kUnassigned, 1));
  fs::create_directory(share_.DataDirectory() / "SCHEDULE.4");
  const QString failed_before = minute();
  QTest::mouseClick(w.btnUpdate(), Qt::LeftButton);
  const QStringList not_saved{"Not saved at " + failed_before + ": MECHANIC 4", "Not saved at " + minute() + ": MECHANIC 4"};
  EXPECT_TRUE(not_saved.contains(w.StatusLine()->text())) << w.StatusLine()->text().toStdString();
  ASSERT_EQ(host_.messages.size(), 1u) << "and the message says why";
  fs::remove(share_.DataDirectory() / "SCHEDULE.4");
}

TEST_F(MainWindowTest, AFailedSaveAtClosingOffersTryAgainOrCloseWithoutSaving) {
  AddMechanics(2);
  const auto records = company_.AddJob({7, {Job(42)}});
  MainWindow& w = Open();
  BoardState& board = w.form().board();
  board.g.Select(0, 0);
  ASSERT_TRUE(w.form().moves().MoveToMechanic(kUnassigned, 1));
  // The second mechanic's file cannot be replaced: a folder took its name.
  const fs::path blocked = share_.DataDirectory() / "SCHEDULE.4";
  fs::create_directory(blocked);
  CloseAnswers answers({{"Try Again", nullptr}, {"Try Again", [&] { fs::remove(blocked); }}});
  w.close();
  EXPECT_EQ(answers.asked(), 2);
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(fs::is_regular_file(blocked)) << "saved at the second try";
  EXPECT_EQ(InvoiceByte(records.back(), 141), 4);
}

TEST_F(MainWindowTest, CloseWithoutSavingLeavesTheFilesAsTheyWere) {
  AddMechanics(2);
  const auto records = company_.AddJob({7, {Job(42)}});
  MainWindow& w = Open();
  w.form().board().g.Select(0, 0);
  ASSERT_TRUE(w.form().moves().MoveToMechanic(kUnassigned, 1));
  fs::create_directory(share_.DataDirectory() / "SCHEDULE.4");
  CloseAnswers answers({{"Close Without Saving", nullptr}});
  w.close();
  EXPECT_EQ(answers.asked(), 1);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(InvoiceByte(records.back(), 141), 0) << "no mark for a list that was not saved";
}

TEST_F(MainWindowTest, AListThatCannotBeReadIsMarkedOnItsLabelUntilARefreshReadsIt) {
  AddMechanics(2);
  schedules_[3] = {company_.ScheduleLine(Job(42, 'O', 3), 7)};
  company_.AddJob({7, {Job(42, 'O', 3)}});
  company_.AddJob({8, {Job(43)}});
  testing::FaultHost faults(host_);
  faults.unreadable = "SCHEDULE.3";
  ScopedHost scoped(faults);
  MainWindow& w = Open();
  EXPECT_TRUE(w.lblMECH(0)->text().startsWith(QString::fromUtf8("\u26A0 ")));
  EXPECT_TRUE(w.lblMECH(0)->toolTip().contains("Input/output error")) << w.lblMECH(0)->toolTip().toStdString();
  EXPECT_EQ(w.lblMECH(1)->text(), "MECHANIC 4");
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find("MECHANIC 3: "), std::string::npos);
  // The share answers again: Refresh reads the list and the mark goes.
  faults.unreadable.clear();
  QTest::mouseClick(w.btnRefresh(), Qt::LeftButton);
  EXPECT_EQ(w.lblMECH(0)->text(), "MECHANIC 3");
  EXPECT_EQ(w.form().board().Mg(0).Rows(), 1);
  // The grid shows the row it read, and a job dropped there shows too.
  ASSERT_EQ(w.mg(0)->model()->rowCount(), 1);
  EXPECT_FALSE(w.mg(0)->isRowHidden(0));
  EXPECT_EQ(w.mg(0)->model()->data(w.mg(0)->model()->index(0, 0)).toString(),
            QString::fromLatin1(w.form().board().Mg(0).TextMatrix(0, 0).c_str()));
  w.form().board().g.Select(0, 0);
  ASSERT_EQ(w.form().board().g.Rows(), 1);
  ASSERT_TRUE(w.form().moves().MoveToMechanic(kUnassigned, 0));
  EXPECT_EQ(w.mg(0)->model()->rowCount(), 2);
  w.close();
  window_.reset();
  ResetSharedInstances();
}

TEST_F(MainWindowTest, TheCheckPeriodBoxShowsThePeriodAndKeepsOnlyTheUsersChange) {
  AddMechanics(1);
  MainWindow& w = Open();
  std::vector<int> kept;
  w.UseCheckPeriod(20, [&](int seconds) { kept.push_back(seconds); });
  QSpinBox* box = w.CheckPeriod();
  EXPECT_EQ(box->value(), 20);
  EXPECT_EQ(box->text(), "20 s");
  EXPECT_TRUE(kept.empty()) << "the period given to the window is not kept";
  EXPECT_TRUE(box->isVisibleTo(&w));
  EXPECT_LE(box->geometry().right(), w.width());
  EXPECT_LT(w.StatusLine()->geometry().right(), box->x());
  // The user steps it down and types a new one; each is kept.
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(kept, (std::vector<int>{19}));
  box->selectAll();
  QTest::keyClicks(box, "0");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(kept, (std::vector<int>{19, 0}));
  EXPECT_EQ(box->text(), "never");
  w.StartChecking(0);
}

TEST_F(MainWindowTest, NoticesShowInTheirBarOnceWithoutAMessageBoxAndCanBeDismissed) {
  AddMechanics(1);
  company_.AddJob({7, {Job(42, 'O', 9)}});  // marked for a mechanic who is not on the board
  form_.KeepNotices({});
  MainWindow& w = Open();
  std::vector<std::set<std::string>> kept;
  w.KeepNotices([&](const std::set<std::string>& told) { kept.push_back(told); });
  EXPECT_TRUE(host_.messages.empty()) << "no message box";
  ASSERT_TRUE(w.NoticeBar()->isVisible());
  EXPECT_EQ(w.NoticeBar()->geometry().top(), 0);
  EXPECT_EQ(w.NoticeBar()->width(), w.width());
  EXPECT_EQ(w.NoticeBarText()->text(), "Jobs marked for a mechanic but on no list, put back: Job 7: Unassigned Jobs")
      << w.NoticeBarText()->text().toStdString();
  EXPECT_NE(w.NoticeBarText()->toolTip().indexOf("Job 7: Unassigned Jobs"), -1);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0], (std::set<std::string>{"job:Job 7: Unassigned Jobs"})) << "kept for the next start-up";

  QTest::mouseClick(w.NoticeBar()->findChild<QPushButton*>("NoticeBarDismiss"), Qt::LeftButton);
  EXPECT_FALSE(w.NoticeBar()->isVisible());
  // A Refresh finds the same job again: told already, the bar stays away.
  QTest::mouseClick(w.btnRefresh(), Qt::LeftButton);
  EXPECT_FALSE(w.NoticeBar()->isVisible());
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(MainWindowTest, TheBarNamesListsSavedOnAnotherWorkstationWithinTwoChecks) {
  AddMechanics(2);
  const auto moved = company_.AddJob({8, {Job(43, 'O', 3)}});
  company_.AddJob({7, {Job(42, 'O', 3)}});
  schedules_[3] = {company_.ScheduleLine(Job(42, 'O', 3), 7), company_.ScheduleLine(Job(43, 'O', 3), 8)};
  MainWindow& w = Open();
  w.StartChecking(1);
  QTest::qWait(1500);
  EXPECT_FALSE(w.ChangeBar()->isVisible()) << "nothing changed yet";
  // Another workstation moves job 8 to the second mechanic and saves.
  company_.WriteSchedule(4, {company_.ScheduleLine(Job(43, 'O', 4), 8)});
  company_.WriteSchedule(3, {company_.ScheduleLine(Job(42, 'O', 3), 7)});
  {
    std::fstream invol(share_.DataDirectory() / "INVDB", std::ios::binary | std::ios::in | std::ios::out);
    invol.seekp(static_cast<std::streamoff>(moved.back()) * share::kInvoiceRecordLength + 140);
    invol.put(4);
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.ChangeBar()->isVisible(); }, 2500));
  EXPECT_EQ(w.ChangeBarText()->text(), "Changed on another workstation: MECHANIC 3, MECHANIC 4");
  // Its Refresh takes the other list and the bar goes.
  QTest::mouseClick(w.ChangeBar()->findChild<QPushButton*>("ChangeBarRefresh"), Qt::LeftButton);
  EXPECT_EQ(w.form().board().Mg(0).Rows(), 1);
  EXPECT_EQ(w.form().board().Mg(1).Rows(), 1);
  QTest::qWait(1500);
  EXPECT_FALSE(w.ChangeBar()->isVisible());
  w.StartChecking(0);
}

}  // namespace
}  // namespace tervalo
