// The question about lists changed on two workstations: one row per mechanic, "Take theirs" unless
// the user picks "Keep mine", Cancel only when the Update may be cancelled.

#include "board_ui/conflict_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
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

TEST(ConflictDialogTest, TakesTheirsUnlessMineIsChosen) {
  WhenAsked([](QWidget& dialog) {
    dialog.findChild<QRadioButton*>("KeepMine_1")->click();
    Button(dialog, QDialogButtonBox::Ok)->click();
  });
  const auto answer = AskWhichListsToKeep(nullptr, {"DAVE RUIZ", "ANNA KOWALSKI", "MARCUS BELL"}, true);
  ASSERT_TRUE(answer);
  EXPECT_EQ(*answer, (std::vector<bool>{false, true, false}));
}

TEST(ConflictDialogTest, CancelOnlyWhenTheUpdateMayBeCancelled) {
  WhenAsked([](QWidget& dialog) { Button(dialog, QDialogButtonBox::Cancel)->click(); });
  EXPECT_FALSE(AskWhichListsToKeep(nullptr, {"DAVE RUIZ"}, true));

  WhenAsked([](QWidget& dialog) {
    EXPECT_EQ(Button(dialog, QDialogButtonBox::Cancel), nullptr);
    dialog.findChild<QRadioButton*>("KeepMine_0")->click();
    Button(dialog, QDialogButtonBox::Ok)->click();
  });
  const auto closing = AskWhichListsToKeep(nullptr, {"DAVE RUIZ"}, false);
  ASSERT_TRUE(closing);
  EXPECT_EQ(*closing, (std::vector<bool>{true}));
}

}  // namespace
}  // namespace tervalo
