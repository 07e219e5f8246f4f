#include "board_ui/conflict_dialog.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tervalo {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("tervalo::ConflictDialog", text); }

}  // namespace

std::optional<std::vector<bool>> AskWhichListsToKeep(QWidget* parent, const std::vector<std::string>& mechanics,
                                                     bool can_cancel) {
  QDialog dialog(parent);
  dialog.setObjectName("ChangedOnBothSides");
  dialog.setWindowTitle(Tr("Changed on another workstation"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(
      Tr("Another workstation saved these mechanics' lists since this board read them, and they were "
         "changed here too.\nWhich list should be kept?"),
      &dialog));
  auto* rows = new QGridLayout;
  std::vector<QRadioButton*> keep;
  for (size_t i = 0; i < mechanics.size(); ++i) {
    const int row = static_cast<int>(i);
    rows->addWidget(new QLabel(QString::fromLatin1(mechanics[i].c_str()), &dialog), row, 0);
    auto* mine = new QRadioButton(Tr("Keep mine"), &dialog);
    mine->setObjectName(QString("KeepMine_%1").arg(row));
    auto* theirs = new QRadioButton(Tr("Take theirs"), &dialog);
    theirs->setObjectName(QString("TakeTheirs_%1").arg(row));
    theirs->setChecked(true);
    auto* group = new QButtonGroup(&dialog);
    group->addButton(mine);
    group->addButton(theirs);
    rows->addWidget(mine, row, 1);
    rows->addWidget(theirs, row, 2);
    keep.push_back(mine);
    // The keyboard starts on the first list's choice: an arrow key switches it, Return answers.
    if (i == 0) theirs->setFocus();
  }
  layout->addLayout(rows);
  auto* buttons = new QDialogButtonBox(can_cancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel : QDialogButtonBox::Ok,
                                       &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  // Closing the question without an answer cancels the Update, or at closing takes theirs.
  if (dialog.exec() != QDialog::Accepted && can_cancel) return std::nullopt;
  std::vector<bool> answers;
  for (QRadioButton* mine : keep) answers.push_back(dialog.result() == QDialog::Accepted && mine->isChecked());
  return answers;
}

}  // namespace tervalo
