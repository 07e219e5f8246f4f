// The real main window on small companies under the offscreen platform: its controls, the
// layout for the window's width, paging the mechanic grids, "Show All Statuses", and closing.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QBrush>
#include <QLabel>
#include <QApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolTip>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "board/change_watcher.h"
#include "board/frm_tervalo.h"
#include "board/job_text.h"
#include "board_ui/help_window.h"
#include "board_ui/main_window.h"
#include "board_ui/twips.h"
#include "environment/shared_instances.h"
#include "tests/board_ui/qt_test_app.h"
#include "tests/support/call_gate.h"
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

  // Stops the checks, closes the window (which saves) and ends the engine, before a host the test
  // put in place goes.
  void Close() {
    window_->StartChecking(0);
    window_->close();
    window_.reset();
    ResetSharedInstances();
  }

  // One mechanic with job 7 on his list, the window open, and a check every second whose first
  // call on the share `share` holds (it must be the host in use).
  template <typename Share>
  MainWindow& OpenWithAHangingCheck(Share& share) {
    AddMechanics(1);
    company_.AddJob({7, {Job(42, 'O', 3)}});
    schedules_[3] = {company_.ScheduleLine(Job(42, 'O', 3), 7)};
    MainWindow& w = Open();
    w.StartChecking(1);
    static_cast<void>(QTest::qWaitFor([&] { return share.hanging() == 1; }, 5000));  // the caller checks
    return w;
  }

  // Two mechanics, job 8 unassigned and MECHANIC 3's list (job 7) refused by `faults` (the host in
  // use), the window open.
  MainWindow& OpenWithAnUnreadableList(testing::FaultHost& faults) {
    AddMechanics(2);
    schedules_[3] = {company_.ScheduleLine(Job(42, 'O', 3), 7)};
    company_.AddJob({7, {Job(42, 'O', 3)}});
    company_.AddJob({8, {Job(43)}});
    faults.unreadable = "SCHEDULE.3";
    return Open();
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
  w.resize(w.width(), w.minimumHeight());  // the designed height: the grids are not stretched

  EXPECT_EQ(w.windowTitle(), QString("Quorlin     Rev: %1.%2.%3")
                                 .arg(TERVALO_VERSION_MAJOR)
                                 .arg(TERVALO_VERSION_MINOR)
                                 .arg(TERVALO_VERSION_REVISION));
  // Places in pixels at 96 dpi (15 twips each), below the strip of the search field and legend.
  struct Control {
    QWidget* widget;
    QString text;
    QString tip;
    QRect geometry;
  };
  const Control controls[] = {
      {w.Label1(), QString::fromUtf8("Unassigned Jobs \u00B7 1"), "", QRect(24, 44, 145, 17)},
      {w.g(), "", "", QRect(8, 68, 167, 441)},
      {w.Label2(), "Sort Order", "", QRect(56, 516, 65, 17)},
      {w.gSort(), "",
       "Left-Click to Select Sort Field.  Click and Hold Right-Button to Drag Up or Down.  Click 'Refresh' to Resort. ",
       QRect(32, 532, 105, 70)},
      {w.chkHide(), "Show All Statuses", "Also Show Complete & Billed Jobs", QRect(224, 532, 121, 25)},
      {w.btnRefresh(), "&Refresh", "Resort 'Available' Jobs Grid", QRect(40, 612, 81, 33)},
  };
  for (const Control& c : controls) {
    const std::string name = c.widget->objectName().toStdString();
    QString text;
    if (auto* label = qobject_cast<QLabel*>(c.widget)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(c.widget)) text = button->text();
    EXPECT_EQ(text, c.text) << name;
    EXPECT_EQ(c.widget->toolTip(), c.tip) << name;
    EXPECT_EQ(c.widget->geometry(), c.geometry) << name;
    EXPECT_TRUE(c.widget->isVisibleTo(&w)) << name;
  }
  EXPECT_EQ(w.btnExit()->text(), "E&XIT");
  EXPECT_EQ(w.btnUpdate()->text(), "&Update");

  EXPECT_EQ(w.lblMECH(0)->text(), QString::fromUtf8("MECHANIC 3 \u00B7 0"));
  EXPECT_EQ(w.lblMECH(1)->text(), QString::fromUtf8("MECHANIC 4 \u00B7 0"));
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
  w.resize(w.width(), w.minimumHeight());
  ASSERT_EQ(w.MechanicGridCount(), 1);
  EXPECT_EQ(w.lblMECH(0)->text(), "Mechanic # 1");
  EXPECT_EQ(w.lblMECH(0)->geometry(), QRect(215, 47, 155, 20));
  EXPECT_EQ(w.mg(0)->geometry(), QRect(216, 68, 153, 441));
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

TEST_F(MainWindowTest, ARightDragInSortOrderMovesThePressedFieldAndRefreshSavesTheOrder) {
  AddMechanics(1);
  MainWindow& w = Open();
  GridView* fields = w.gSort();
  const auto at = [&](int row) { return fields->visualRect(fields->model()->index(row, 0)).center(); };
  const auto mouse = [&](QEvent::Type type, const QPoint& pos, Qt::MouseButtons held) {
    QMouseEvent event(type, pos, fields->viewport()->mapToGlobal(pos), Qt::RightButton, held, Qt::NoModifier);
    QApplication::sendEvent(fields->viewport(), &event);
  };
  const auto names = [&] {
    QStringList shown;
    for (int r = 0; r < fields->model()->rowCount(); ++r) shown << fields->model()->index(r, 0).data().toString();
    return shown;
  };
  ASSERT_EQ(names(), (QStringList{"Reference", "Priority", "Date In", "Job Number"}));
  QTest::mouseClick(fields->viewport(), Qt::LeftButton, {}, at(1));  // "Priority" is the current field
  // "Job Number" is pressed with the right button and carried to the top.
  mouse(QEvent::MouseButtonPress, at(3), Qt::RightButton);
  mouse(QEvent::MouseMove, at(2), Qt::RightButton);
  mouse(QEvent::MouseMove, at(0) - QPoint(0, 40), Qt::RightButton);  // above the fields: the top
  mouse(QEvent::MouseButtonRelease, at(0), Qt::NoButton);
  EXPECT_EQ(names(), (QStringList{"Job Number", "Reference", "Priority", "Date In"}));
  EXPECT_EQ(w.form().board().gSort.Row(), 0) << "the carried field stays current";

  QTest::mouseClick(w.btnRefresh(), Qt::LeftButton);
  std::ifstream file0(share_.DataDirectory() / "FILE0", std::ios::binary);
  file0.seekg(499 * 512 + 24);
  std::string order(4, ' ');
  file0.read(order.data(), 4);
  EXPECT_EQ(order, "JRPD");
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
  // The move is still not saved, and the line says so after what failed.
  const QString still = QString::fromUtf8(" \u00B7 1 move not saved");
  const QStringList not_saved{"Not saved at " + failed_before + ": MECHANIC 4" + still,
                              "Not saved at " + minute() + ": MECHANIC 4" + still};
  EXPECT_TRUE(not_saved.contains(w.StatusLine()->text())) << w.StatusLine()->text().toStdString();
  EXPECT_TRUE(w.windowTitle().endsWith("1 move not saved")) << w.windowTitle().toStdString();
  ASSERT_EQ(host_.messages.size(), 1u) << "and the message says why";
  fs::remove(share_.DataDirectory() / "SCHEDULE.4");
  QTest::mouseClick(w.btnUpdate(), Qt::LeftButton);
  EXPECT_TRUE(w.StatusLine()->text().startsWith("Saved ")) << w.StatusLine()->text().toStdString();
  EXPECT_EQ(w.windowTitle(), QString::fromStdString(frmTervalo::Caption()));
}

// From the first move after a save until the next one, the status line and the window's title
// count the moves not saved, through the window's own ways of moving and taking moves back.
TEST_F(MainWindowTest, TheStatusLineAndTitleCountTheMovesNotSaved) {
  AddMechanics(2);
  for (int32_t job = 1; job <= 3; ++job) company_.AddJob({job, {Job(10 + job)}});
  MainWindow& w = Open();
  const QString caption = QString::fromStdString(frmTervalo::Caption());
  BoardState& board = w.form().board();
  // What the status line and the title say, the title as the part after the caption.
  const auto shown = [&] {
    const QString title = w.windowTitle();
    EXPECT_TRUE(title.startsWith(caption)) << title.toStdString();
    return w.StatusLine()->text().toStdString() + " | " + title.mid(caption.size()).trimmed().toStdString();
  };
  const std::string none = " | ";
  const std::string one = "1 move not saved | \u2013 1 move not saved";
  const std::string two = "2 moves not saved | \u2013 2 moves not saved";
  const std::string three = "3 moves not saved | \u2013 3 moves not saved";
  ASSERT_EQ(shown(), none);

  board.g.Select(0, 0, 1);
  w.JobMenu(kUnassigned)->findChild<QAction*>("MoveTo_1")->trigger();
  EXPECT_EQ(shown(), one);
  board.Mg(1).Select(1, 0);
  w.mg(1)->setFocus();
  QTest::keyClick(w.mg(1), Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(shown(), two);
  QTest::keyClick(w.mg(1), Qt::Key_Delete);
  EXPECT_EQ(shown(), three);
  w.UndoAction()->trigger();
  w.UndoAction()->trigger();
  EXPECT_EQ(shown(), one);
  w.UndoAction()->trigger();
  EXPECT_EQ(shown(), none) << "undone back to the board as it was read";
  w.RedoAction()->trigger();
  w.RedoAction()->trigger();
  EXPECT_EQ(shown(), two);

  QTest::mouseClick(w.btnUpdate(), Qt::LeftButton);
  const std::string saved = shown();
  EXPECT_EQ(saved.rfind("Saved ", 0), 0u) << saved;
  EXPECT_EQ(saved.substr(saved.size() - none.size()), none);
  // Undoing a saved move is a change not saved; redoing it brings back the saved board.
  w.UndoAction()->trigger();
  EXPECT_EQ(shown(), one);
  w.RedoAction()->trigger();
  EXPECT_EQ(shown(), saved);
  board.g.Select(0, 0);
  w.JobMenu(kUnassigned)->findChild<QAction*>("MoveTo_0")->trigger();
  EXPECT_EQ(shown(), one);
  QTest::mouseClick(w.btnRefresh(), Qt::LeftButton);
  EXPECT_EQ(shown().rfind("Saved ", 0), 0u) << shown();
  EXPECT_EQ(w.windowTitle(), caption);
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
  testing::FaultHost faults(host_);
  ScopedHost scoped(faults);
  MainWindow& w = OpenWithAnUnreadableList(faults);
  EXPECT_TRUE(w.lblMECH(0)->text().startsWith(QString::fromUtf8("\u26A0 ")));
  EXPECT_TRUE(w.lblMECH(0)->toolTip().contains("Input/output error")) << w.lblMECH(0)->toolTip().toStdString();
  EXPECT_EQ(w.lblMECH(1)->text(), QString::fromUtf8("MECHANIC 4 \u00B7 0"));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find("MECHANIC 3: "), std::string::npos);
  // The share answers again: Refresh reads the list and the mark goes.
  faults.unreadable.clear();
  QTest::mouseClick(w.btnRefresh(), Qt::LeftButton);
  EXPECT_EQ(w.lblMECH(0)->text(), QString::fromUtf8("MECHANIC 3 \u00B7 1"));
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
  Close();
}

// A list that could not be read is never saved here, so it takes no job: its entry under "Move to"
// is greyed and says why, and a drag over its grid is refused.
TEST_F(MainWindowTest, AListThatCannotBeReadIsGreyedUnderMoveToWithTheReasonAndRefusesDrops) {
  testing::FaultHost faults(host_);
  ScopedHost scoped(faults);
  MainWindow& w = OpenWithAnUnreadableList(faults);
  w.form().board().g.Select(0, 0);
  std::unique_ptr<QMenu> menu(w.JobMenu(kUnassigned));
  auto* move_to = menu->findChild<QMenu*>("MoveTo");
  ASSERT_NE(move_to, nullptr);
  EXPECT_TRUE(move_to->isEnabled());
  EXPECT_TRUE(move_to->toolTipsVisible());
  struct Entry {
    const char* name;
    bool enabled;
    const char* text;
  };
  for (const Entry& e : {Entry{"MoveTo_0", false, "MECHANIC 3 (list not read)"}, Entry{"MoveTo_1", true, "MECHANIC 4"}}) {
    const QAction* action = move_to->findChild<QAction*>(e.name);
    ASSERT_NE(action, nullptr) << e.name;
    EXPECT_EQ(action->isEnabled(), e.enabled) << e.name;
    EXPECT_EQ(action->text(), e.text);
  }
  QAction* unreadable = move_to->findChild<QAction*>("MoveTo_0");
  const QString why = unreadable->toolTip();
  EXPECT_TRUE(why.startsWith("MECHANIC 3's list could not be read: ")) << why.toStdString();
  EXPECT_TRUE(why.contains("Input/output error")) << why.toStdString();
  EXPECT_EQ(unreadable->statusTip(), why);
  // The pointer resting on the greyed entry shows why.
  move_to->popup(w.mapToGlobal(QPoint(20, 20)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(move_to));
  const QPoint at = move_to->actionGeometry(unreadable).center();
  QHelpEvent hover(QEvent::ToolTip, at, move_to->mapToGlobal(at));
  QApplication::sendEvent(move_to, &hover);
  EXPECT_EQ(QToolTip::text(), why);
  move_to->close();
  unreadable->trigger();  // greyed: nothing happens
  EXPECT_EQ(w.form().board().g.Rows(), 1);
  EXPECT_FALSE(w.form().moves().CanUndo());

  // A job dragged over the unreadable list is refused there, taken over the other.
  QMimeData job;
  job.setText(QString::fromLatin1(w.form().board().g.TextMatrix(0, 1).c_str()));
  for (const int n : {0, 1}) {
    QWidget* viewport = w.mg(n)->viewport();
    const QPoint middle = viewport->rect().center();
    QDragEnterEvent enter(middle, Qt::MoveAction, &job, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent over(middle, Qt::MoveAction, &job, Qt::RightButton, Qt::NoModifier);
    over.setAccepted(n == 0);
    QApplication::sendEvent(viewport, &over);
    QDragLeaveEvent leave;
    QApplication::sendEvent(viewport, &leave);
    EXPECT_EQ(over.isAccepted(), n == 1) << "over mechanic grid " << n;
  }
  menu.reset();
  Close();
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

// The share as the change checks meet it: counts the calls made from other threads than the
// window's (the checks'), and, while held, keeps each of them waiting at a gate until the test
// releases it.
class CheckShareHost : public HostWrapper {
 public:
  CheckShareHost(Host& target, bool held) : HostWrapper(target), gate_(held) {}

  HostResult<FileStamp> StampOf(std::string_view path) override {
    Hang();
    return HostWrapper::StampOf(path);
  }
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override {
    Hang();
    return HostWrapper::OpenShared(path, create);
  }
  HostResult<std::vector<std::string>> ReadTextLines(std::string_view path) override {
    Hang();
    return HostWrapper::ReadTextLines(path);
  }

  int calls() { return gate_.arrived(); }
  // The calls waiting now.
  int hanging() { return gate_.waiting(); }
  void Release() { gate_.Open(); }

 private:
  void Hang() {
    if (std::this_thread::get_id() != window_thread_) gate_.Pass();
  }

  const std::thread::id window_thread_ = std::this_thread::get_id();
  testing::CallGate gate_;
};

// Waits until a check that starts after this call has come back and the window has taken its
// findings; false when none came back within ten seconds.
bool ACheckCameBack(CheckShareHost& share) {
  if (!QTest::qWaitFor([] { return ChangeWatcher::Running() == 0; }, 10000)) return false;
  QCoreApplication::processEvents();
  const int before = share.calls();
  const bool back = QTest::qWaitFor([&] { return share.calls() > before && ChangeWatcher::Running() == 0; }, 10000);
  QCoreApplication::processEvents();  // the findings come through the window's event queue
  return back;
}

TEST_F(MainWindowTest, TheBarNamesListsSavedOnAnotherWorkstationWithinTwoChecks) {
  AddMechanics(2);
  const auto moved = company_.AddJob({8, {Job(43, 'O', 3)}});
  company_.AddJob({7, {Job(42, 'O', 3)}});
  schedules_[3] = {company_.ScheduleLine(Job(42, 'O', 3), 7), company_.ScheduleLine(Job(43, 'O', 3), 8)};
  CheckShareHost share(host_, false);
  ScopedHost scoped(share);
  MainWindow& w = Open();
  w.StartChecking(1);
  ASSERT_TRUE(ACheckCameBack(share));
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
  ASSERT_TRUE(ACheckCameBack(share));
  EXPECT_FALSE(w.ChangeBar()->isVisible());
  Close();
}

TEST_F(MainWindowTest, ACheckThatHangsSaysTheServerIsNotAnsweringUntilTheShareAnswersAgain) {
  CheckShareHost share(host_, true);
  ScopedHost scoped(share);
  MainWindow& w = OpenWithAHangingCheck(share);
  ASSERT_EQ(share.hanging(), 1) << "the check reached the share";
  // The next period finds the check still waiting.
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.ChangeBar()->isVisible(); }, 5000));
  EXPECT_EQ(w.ChangeBarText()->text(), "Server not answering");
  EXPECT_TRUE(w.ChangeBar()->findChild<QPushButton*>("ChangeBarRefresh")->isHidden()) << "nothing to refresh";
  EXPECT_EQ(share.calls(), 1) << "no second check while the first hangs";
  // The share answers: the next check finds nothing changed and the bar goes.
  share.Release();
  ASSERT_TRUE(ACheckCameBack(share));
  EXPECT_FALSE(w.ChangeBar()->isVisible());
  Close();
}


TEST_F(MainWindowTest, ClosingWhileTheShareHangsInACheckDoesNotWaitForTheShare) {
  CheckShareHost share(host_, true);
  ScopedHost scoped(share);
  MainWindow& w = OpenWithAHangingCheck(share);
  ASSERT_EQ(share.hanging(), 1) << "the check reached the share";
  w.close();  // the save at closing runs on the window's thread, which the share answers
  window_.reset();
  EXPECT_EQ(share.hanging(), 1) << "the window went while the check still waited for the share";
  // The check ends on its own once the share answers, and nothing is told of it.
  share.Release();
  EXPECT_TRUE(QTest::qWaitFor([] { return ChangeWatcher::Running() == 0; }, 5000));
  QCoreApplication::processEvents();
  EXPECT_TRUE(host_.messages.empty());
  ResetSharedInstances();
}

TEST_F(MainWindowTest, TheGridsFillTheWindowsHeightAndABarTakesItsRoomAboveThem) {
  AddMechanics(2);
  company_.AddJob({7, {Job(42, 'O', 9)}});  // marked for a mechanic who is not on the board
  form_.KeepNotices({});
  MainWindow& w = Open();
  const int row_height = w.g()->RowHeightPixels();
  ASSERT_TRUE(w.NoticeBar()->isVisible());
  const QRect with_bar = w.g()->geometry();
  EXPECT_GE(w.SearchField()->y(), w.NoticeBar()->geometry().bottom()) << "nothing hides under the bar";
  EXPECT_GT(w.Label1()->y(), w.SearchField()->geometry().bottom());
  QTest::mouseClick(w.NoticeBar()->findChild<QPushButton*>("NoticeBarDismiss"), Qt::LeftButton);
  EXPECT_EQ(w.g()->y(), with_bar.y() - w.NoticeBar()->height()) << "the grids move up into the bar's room";
  EXPECT_EQ(w.g()->geometry().bottom(), with_bar.bottom());

  for (const int extra : {0, 240, 500}) {
    SCOPED_TRACE("taller by " + std::to_string(extra));
    w.resize(w.width(), w.minimumHeight() + extra);
    EXPECT_EQ(w.g()->height(), TwipsToPixelsY(design::kUnassignedGrid.height, w) + extra);
    EXPECT_EQ(w.mg(1)->geometry().bottom(), w.g()->geometry().bottom());
    EXPECT_EQ(w.g()->RowHeightPixels(), row_height) << "rows keep their height";
    // The controls below the grids stand under them, the status line at the window's bottom.
    for (QWidget* below : {static_cast<QWidget*>(w.Label2()), static_cast<QWidget*>(w.gSort()),
                           static_cast<QWidget*>(w.chkHide()), static_cast<QWidget*>(w.btnRefresh()),
                           static_cast<QWidget*>(w.btnUpdate())}) {
      EXPECT_GT(below->y(), w.g()->geometry().bottom()) << below->objectName().toStdString();
    }
    EXPECT_LE(w.StatusLine()->geometry().bottom(), w.height());
    EXPECT_GT(w.StatusLine()->geometry().bottom(), w.height() - TwipsToPixelsY(600, w));
  }
}

TEST_F(MainWindowTest, TheWindowsPlaceIsKeptWhenItClosesAndComesBack) {
  AddMechanics(1);
  MainWindow& w = Open();
  QByteArray kept;
  w.KeepGeometry([&](const QByteArray& geometry) { kept = geometry; });
  w.resize(w.minimumWidth() + 37, w.minimumHeight() + 53);
  w.close();
  ASSERT_FALSE(kept.isEmpty());
  MainWindow again(form_);
  ASSERT_TRUE(again.restoreGeometry(kept));
  EXPECT_EQ(again.size(), QSize(w.minimumWidth() + 37, w.minimumHeight() + 53));
}

TEST_F(MainWindowTest, CaptionsCountTheOpenJobsAndFollowMovesUndoAndRefresh) {
  AddMechanics(2);
  for (int32_t job = 1; job <= 3; ++job) company_.AddJob({job, {Job(10 + job)}});
  const InvoiceRecord open = Job(14, 'O', 3);
  const InvoiceRecord billed = Job(15, 'B', 3);
  company_.AddJob({4, {open}});
  company_.AddJob({5, {billed}});
  InvoiceRecord was_open = billed;
  was_open.status = 'O';
  schedules_[3] = {company_.ScheduleLine(open, 4), company_.ScheduleLine(was_open, 5)};
  MainWindow& w = Open();
  const auto captions = [&] {
    return std::vector<std::string>{w.Label1()->text().toStdString(), w.lblMECH(0)->text().toStdString(),
                                    w.lblMECH(1)->text().toStdString(), w.g()->accessibleName().toStdString(),
                                    w.mg(0)->accessibleName().toStdString(), w.mg(1)->accessibleName().toStdString()};
  };
  const std::vector<std::string> at_start{"Unassigned Jobs \u00B7 3", "MECHANIC 3 \u00B7 1", "MECHANIC 4 \u00B7 0",
                                          "Unassigned Jobs, 3 jobs", "MECHANIC 3, 1 job", "MECHANIC 4, 0 jobs"};
  EXPECT_EQ(captions(), at_start) << "the billed job is not counted";

  // Two jobs go to MECHANIC 4 through the job menu, one comes back with Delete, then undo.
  w.form().board().g.Select(0, 0, 1);
  w.JobMenu(kUnassigned)->findChild<QAction*>("MoveTo_1")->trigger();
  EXPECT_EQ(captions(), (std::vector<std::string>{"Unassigned Jobs \u00B7 1", "MECHANIC 3 \u00B7 1", "MECHANIC 4 \u00B7 2",
                                                  "Unassigned Jobs, 1 job", "MECHANIC 3, 1 job", "MECHANIC 4, 2 jobs"}));
  w.form().board().Mg(1).Select(0, 0);
  w.mg(1)->setFocus();
  QTest::keyClick(w.mg(1), Qt::Key_Delete);
  EXPECT_EQ(captions()[0], "Unassigned Jobs \u00B7 2");
  EXPECT_EQ(captions()[2], "MECHANIC 4 \u00B7 1");
  w.UndoAction()->trigger();
  EXPECT_EQ(captions()[0], "Unassigned Jobs \u00B7 1");
  EXPECT_EQ(captions()[2], "MECHANIC 4 \u00B7 2");
  // Refresh saves and reads the board again: the counts stay those of the lists.
  QTest::mouseClick(w.btnRefresh(), Qt::LeftButton);
  EXPECT_EQ(captions()[0], "Unassigned Jobs \u00B7 1");
  EXPECT_EQ(captions()[2], "MECHANIC 4 \u00B7 2");
}

// Jobs for finding: 7, 8 and 9 unassigned, 10 on MECHANIC 3's list and 11 on the tenth mechanic's
// (MECHANIC 12), which the narrowest window does not show at first.
class FindJobsTest : public MainWindowTest {
 protected:
  static InvoiceRecord Unit(int32_t reference, const char* unit, const char* description, int32_t mechanic = 0) {
    InvoiceRecord r = Job(reference, 'O', mechanic);
    r.description1 = unit;
    r.description2 = description;
    return r;
  }
  MainWindow& OpenBoard() {
    AddMechanics(10);
    company_.AddJob({7, {Unit(42, "HARLAN MOWER", "WONT START")}});
    company_.AddJob({8, {Unit(43, "TOLVER GEN", "2.5KW NO OUTPUT")}});
    company_.AddJob({9, {Unit(44, "HARLAN TRIMMER", "CARB")}});
    company_.AddJob({10, {Unit(45, "HARLAN EDGER", "BELT", 3)}});
    company_.AddJob({11, {Unit(46, "HARLAN SAW", "CHAIN", 12)}});
    schedules_[3] = {company_.ScheduleLine(Unit(45, "HARLAN EDGER", "BELT", 3), 10)};
    schedules_[12] = {company_.ScheduleLine(Unit(46, "HARLAN SAW", "CHAIN", 12), 11)};
    MainWindow& w = Open();
    ResizeTo(kMinimumWindowWidth);
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    return w;
  }
  // The job of the grid's current row, and whether it is selected.
  int32_t CurrentJob(MainWindow& w, int grid) {
    const GridModel& model = grid == kUnassigned ? w.form().board().g : w.form().board().Mg(grid);
    if (model.Row() < 0 || !model.IsSelected(model.Row())) return 0;
    return GetJobNumber(model.TextMatrix(model.Row(), grid == kUnassigned ? 1 : 0));
  }
  SearchMark Mark(MainWindow& w, int grid, int row) {
    QAbstractItemModel* model = (grid == kUnassigned ? w.g() : w.mg(grid))->model();
    return static_cast<SearchMark>(model->data(model->index(row, grid == kUnassigned ? 1 : 0), kSearchRole).toInt());
  }
  void Type(MainWindow& w, const QString& text) {
    w.SearchField()->clear();
    QTest::keyClicks(w.SearchField(), text);
  }
};

TEST_F(FindJobsTest, TypingMarksTheMatchesAndEnterAndF3WalkThemAcrossEveryList) {
  MainWindow& w = OpenBoard();
  QTest::keyClick(w.g(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(QApplication::focusWidget(), w.SearchField()) << "Ctrl+F";
  QTest::keyClicks(w.SearchField(), "harlan");
  EXPECT_EQ(w.SearchCount()->text(), "1 of 4");
  // g is sorted by reference: jobs 7, 8, 9.
  EXPECT_EQ(Mark(w, kUnassigned, 0), SearchMark::kCurrent);
  EXPECT_EQ(Mark(w, kUnassigned, 1), SearchMark::kDimmed) << "job 8 is washed out, not removed";
  EXPECT_EQ(Mark(w, kUnassigned, 2), SearchMark::kMatch);
  EXPECT_EQ(w.g()->model()->rowCount(), 3);

  QTest::keyClick(w.SearchField(), Qt::Key_Return);
  EXPECT_EQ(w.SearchCount()->text(), "2 of 4");
  EXPECT_EQ(CurrentJob(w, kUnassigned), 9);
  QTest::keyClick(w.SearchField(), Qt::Key_F3);
  EXPECT_EQ(CurrentJob(w, 0), 10);
  // The last match is on a list the window does not show: the mechanics page to it.
  ASSERT_FALSE(w.mg(9)->isVisible());
  QTest::keyClick(w.SearchField(), Qt::Key_F3);
  EXPECT_EQ(w.SearchCount()->text(), "4 of 4");
  EXPECT_TRUE(w.mg(9)->isVisible());
  EXPECT_EQ(CurrentJob(w, 9), 11);
  EXPECT_EQ(QApplication::focusWidget(), w.SearchField()) << "the keys stay in the field";
  QTest::keyClick(w.SearchField(), Qt::Key_F3);
  EXPECT_EQ(w.SearchCount()->text(), "1 of 4") << "round to the first";
  QTest::keyClick(w.SearchField(), Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(w.SearchCount()->text(), "4 of 4");

  // Esc clears the search; the keys go to the list of the job the user was at.
  QTest::keyClick(w.SearchField(), Qt::Key_Escape);
  EXPECT_TRUE(w.SearchField()->text().isEmpty());
  EXPECT_TRUE(w.SearchCount()->text().isEmpty());
  EXPECT_EQ(Mark(w, kUnassigned, 1), SearchMark::kNone);
  EXPECT_EQ(QApplication::focusWidget(), w.mg(9));
}

TEST_F(FindJobsTest, TheTextIsTakenLiterallyAndAJobNumberAndEnterSelectsThatJob) {
  MainWindow& w = OpenBoard();
  struct Case {
    const char* text;
    const char* count;
  };
  for (const Case& c : {Case{"2.5kw", "1 of 1"}, Case{"2.5", "1 of 1"}, Case{"2x5", "no match"},
                        Case{"h.*n", "no match"}, Case{"[a-z]", "no match"}, Case{"harlan chain", "1 of 1"}}) {
    Type(w, c.text);
    EXPECT_EQ(w.SearchCount()->text(), c.count) << c.text;
  }
  // "4" is in every job's reference (42-46): the job numbered 11 is found among them by its number.
  Type(w, "11");
  QTest::keyClick(w.SearchField(), Qt::Key_Return);
  EXPECT_EQ(CurrentJob(w, 9), 11);
  EXPECT_TRUE(w.mg(9)->isVisible());
}

TEST_F(FindJobsTest, TheSearchFollowsAMovedJob) {
  MainWindow& w = OpenBoard();
  Type(w, "tolver");
  QTest::keyClick(w.SearchField(), Qt::Key_Return);
  ASSERT_EQ(CurrentJob(w, kUnassigned), 8);
  w.JobMenu(kUnassigned)->findChild<QAction*>("MoveTo_0")->trigger();
  ASSERT_EQ(w.Search().hits.size(), 1u);
  EXPECT_EQ(w.Search().hits[0].grid, 0) << "found on MECHANIC 3's list now";
  EXPECT_EQ(w.SearchCount()->text(), "1 of 1");
  EXPECT_EQ(Mark(w, 0, 1), SearchMark::kCurrent);
  EXPECT_EQ(Mark(w, 0, 0), SearchMark::kDimmed);
  EXPECT_EQ(w.lblMECH(0)->text(), QString::fromUtf8("MECHANIC 3 \u00B7 2"));
}

class JobTipsTest : public MainWindowTest {
 protected:
  void ClearIndexEntry(int32_t job) {
    std::fstream file0(share_.DataDirectory() / "FILE0", std::ios::binary | std::ios::in | std::ios::out);
    file0.seekp(451 * 512 + 4 * job);
    file0.write("\0\0\0\0", 4);
  }
  int RowOf(const GridModel& grid, int col, int32_t job) {
    for (int r = 0; r < grid.Rows(); ++r) {
      if (GetJobNumber(grid.TextMatrix(r, col)) == job) return r;
    }
    return -1;
  }
};

TEST_F(JobTipsTest, ATipTellsTheCardsFirstLinesAndAJobWhoseRecordWentMissingSaysSo) {
  AddMechanics(1);
  company_.AddCustomer({5005, "MEI TANAKA"});
  company_.AddSerial({"SN740185", 240, 0, testing::kDay});  // twenty years
  company_.AddSerial({"SN1", 1, 0, testing::kDay});
  InvoiceRecord in_warranty = Job(42);
  in_warranty.bill_to = 5005;
  in_warranty.serial1 = "SN740185";
  InvoiceRecord expired = Job(43);
  expired.serial1 = "SN1";
  company_.AddJob({7, {in_warranty}});
  company_.AddJob({8, {expired}});
  company_.AddJob({9, {Job(44)}});
  company_.AddJob({10, {Job(45)}});
  MainWindow& w = Open();
  const GridModel& g = w.form().board().g;

  // The pointer rests on job 7.
  const QRect row7 = w.g()->visualRect(w.g()->model()->index(RowOf(g, 1, 7), 1));
  QHelpEvent hover(QEvent::ToolTip, row7.center(), w.g()->viewport()->mapToGlobal(row7.center()));
  QApplication::sendEvent(w.g()->viewport(), &hover);
  const QString tip = QToolTip::text();
  for (const char* part : {"Job 7", "Reference 42", "5005 MEI TANAKA", "HARLAN MOWER / HR217 WONT START", "SN740185",
                           "Open", "Rush", "in warranty until 06/29/45"}) {
    EXPECT_TRUE(tip.contains(part)) << part << " in " << tip.toStdString();
  }
  EXPECT_TRUE(w.JobTip(kUnassigned, RowOf(g, 1, 8)).contains("expired 07/29/25"));
  EXPECT_TRUE(w.JobTip(kUnassigned, RowOf(g, 1, 9)).contains("no serial-number record"));
  // What a tip read is searched too: the customer's name finds the job.
  QTest::keyClicks(w.SearchField(), "tanaka");
  EXPECT_EQ(w.SearchCount()->text(), "1 of 1");

  // Another workstation removes jobs 7, 8 and 10: the tips read before are kept until the next
  // Refresh; a job not read before says that its record is gone, and nothing more.
  for (const int32_t job : {7, 8, 10}) ClearIndexEntry(job);
  EXPECT_TRUE(w.JobTip(kUnassigned, RowOf(g, 1, 7)).contains("MEI TANAKA"));
  EXPECT_TRUE(w.JobTip(kUnassigned, RowOf(g, 1, 8)).contains("expired"));
  const QString missing = w.JobTip(kUnassigned, RowOf(g, 1, 10));
  EXPECT_TRUE(missing.contains("no longer in the invoice file")) << missing.toStdString();
  EXPECT_FALSE(missing.contains("HARLAN")) << "no old data";
  // Refresh reads the board again: the removed jobs are gone, and job 9's tip is read anew.
  QTest::mouseClick(w.btnRefresh(), Qt::LeftButton);
  EXPECT_EQ(g.Rows(), 1);
  EXPECT_TRUE(w.JobTip(kUnassigned, RowOf(g, 1, 9)).contains("Job 9"));
}

TEST_F(MainWindowTest, F1OpensTheHelpWithTheKeysOfTheJobMenuTheColoursAndTheVersion) {
  AddMechanics(1);
  MainWindow& w = Open();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QTest::keyClick(&w, Qt::Key_F1);
  QDialog* help = w.HelpWindow();
  EXPECT_TRUE(help->isVisible());
  const QString text = help->findChild<QTextBrowser*>("HelpText")->toPlainText();
  QStringList keys;
  QMenu* menu = w.JobMenu(0);
  for (const QAction* action : menu->actions()) {
    for (const QKeySequence& key : action->shortcuts()) keys << key.toString(QKeySequence::NativeText);
  }
  delete menu;
  EXPECT_GE(keys.size(), 6) << "Delete, Ctrl+Up, Ctrl+Down, undo, redo, Return";
  for (const QString& key : keys) EXPECT_TRUE(text.contains(key)) << key.toStdString();
  for (const char* part : {"Ctrl+F", "F3", "Esc", "Normal", "Rush", "Complete / Billed", "blue bar", "yellow bar"}) {
    EXPECT_TRUE(text.contains(part)) << part;
  }
  EXPECT_TRUE(text.contains(QString::fromStdString(frmTervalo::Caption()).simplified())) << text.toStdString();

  // The legend above the grids shows the same colours.
  QStringList legend;
  for (const QLabel* entry : w.Legend()->findChildren<QLabel*>("LegendEntry")) legend << entry->text();
  EXPECT_EQ(legend, (QStringList{"Normal", "Rush", "Complete / Billed"}));
  help->close();
}

}  // namespace
}  // namespace tervalo
