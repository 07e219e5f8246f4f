// The question about what two workstations changed: each job in conflict and each list changed on
// both sides named with what differs, defaults that lose no list's changes, Cancel only when the
// Update may be cancelled.

#include "board_ui/conflict_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "tests/board_ui/qt_test_app.h"

namespace tervalo {
namespace {

// Runs `answer` on the question once it is open.
void WhenAsked(const std::function<void(QWidget&)>& answer) {
  QTimer::singleShot(0, [answer] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->objectName(), "ChangedOnBothSides");
    answer(*dialog);
  });
}

QPushButton* Button(QWidget& dialog, QDialogButtonBox::StandardButton which) {
  return dialog.findChild<QDialogButtonBox*>()->button(which);
}

// Job 7 given to ANNA KOWALSKI there and to DAVE RUIZ here; job 5 sent back here and given to
// ANNA KOWALSKI there; DAVE RUIZ's list and MARCUS BELL's changed on both sides.
UpdateQuestion Question(bool can_cancel) {
  UpdateQuestion question;
  question.jobs = {{{7, 0}, "", 0, 1}, {{5, 0}, "", kUnassignedGrid, 1}};
  question.lists = {{0, {1}, {}, {2}, {}}, {2, {}, {3}, {}, {4}}};
  question.can_cancel = can_cancel;
  return question;
}
const std::vector<std::string> kMechanics{"DAVE RUIZ", "ANNA KOWALSKI", "MARCUS BELL"};

QString LabelsOf(QWidget& dialog) {
  QStringList texts;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
  for (const QRadioButton* button : dialog.findChildren<QRadioButton*>()) texts << button->text();
  return texts.join("\n");
}

TEST(ConflictDialogTest, NamesTheJobsAndDifferencesAndLosesNoMoveByDefault) {
  QString shown;
  WhenAsked([&](QWidget& dialog) {
    shown = LabelsOf(dialog);
    Button(dialog, QDialogButtonBox::Ok)->click();
  });
  const auto answer = AskHowToSettle(nullptr, Question(true), kMechanics);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->keep_here, (std::vector<bool>{false, false}));
  EXPECT_EQ(answer->lists, (std::vector<ListChoice>{ListChoice::kKeepBoth, ListChoice::kKeepBoth}));
  for (const char* text : {"Job 7 was given to ANNA KOWALSKI on another workstation since this board read it:",
                           "Keep it with ANNA KOWALSKI", "Move it to DAVE RUIZ", "Send it back to Unassigned Jobs",
                           "DAVE RUIZ's list was saved on another workstation and changed here too (Jobs added here: "
                           "1; added there: 2):",
                           "MARCUS BELL's list was saved on another workstation and changed here too (Jobs taken off "
                           "here: 3; taken off there: 4):"}) {
    EXPECT_TRUE(shown.contains(text)) << text << " in\n" << shown.toStdString();
  }
}

TEST(ConflictDialogTest, TakesEachChoice) {
  WhenAsked([](QWidget& dialog) {
    dialog.findChild<QRadioButton*>("KeepHere_1")->click();
    dialog.findChild<QRadioButton*>("KeepMine_0")->click();
    dialog.findChild<QRadioButton*>("TakeTheirs_1")->click();
    Button(dialog, QDialogButtonBox::Ok)->click();
  });
  const auto answer = AskHowToSettle(nullptr, Question(true), kMechanics);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->keep_here, (std::vector<bool>{false, true}));
  EXPECT_EQ(answer->lists, (std::vector<ListChoice>{ListChoice::kKeepMine, ListChoice::kTakeTheirs}));
}

TEST(ConflictDialogTest, CancelOnlyWhenTheUpdateMayBeCancelled) {
  WhenAsked([](QWidget& dialog) { Button(dialog, QDialogButtonBox::Cancel)->click(); });
  EXPECT_FALSE(AskHowToSettle(nullptr, Question(true), kMechanics));

  WhenAsked([](QWidget& dialog) {
    EXPECT_EQ(Button(dialog, QDialogButtonBox::Cancel), nullptr);
    dialog.findChild<QRadioButton*>("KeepHere_0")->click();
    Button(dialog, QDialogButtonBox::Ok)->click();
  });
  const auto closing = AskHowToSettle(nullptr, Question(false), kMechanics);
  ASSERT_TRUE(closing);
  EXPECT_EQ(closing->keep_here, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace tervalo
