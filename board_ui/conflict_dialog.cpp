#include "board_ui/conflict_dialog.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tervalo {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("tervalo::ConflictDialog", text); }

QString Latin1(const std::string& text) { return QString::fromLatin1(text.c_str()); }

QString GridName(const std::vector<std::string>& mechanics, int grid) {
  if (grid == kUnassignedGrid || grid < 0 || static_cast<size_t>(grid) >= mechanics.size()) {
    return Tr("Unassigned Jobs");
  }
  return Latin1(mechanics[static_cast<size_t>(grid)]);
}

QString Jobs(const std::vector<int32_t>& jobs) {
  QStringList numbers;
  for (const int32_t job : jobs) numbers << QString::number(job);
  return numbers.join(", ");
}

// "added here: 1, 3; added there: 2": what differs between the two sides of a list.
QString Differences(const ListConflict& list) {
  QStringList parts;
  const auto part = [&](const char* what, const std::vector<int32_t>& jobs) {
    if (!jobs.empty()) parts << Tr(what).arg(Jobs(jobs));
  };
  part("added here: %1", list.added_here);
  part("taken off here: %1", list.removed_here);
  part("added there: %1", list.added_there);
  part("taken off there: %1", list.removed_there);
  return parts.isEmpty() ? Tr("the same jobs in another order") : Tr("Jobs ") + parts.join("; ");
}

// A set of radio buttons in one row of the grid, the first checked; returns them.
std::vector<QRadioButton*> Choices(QDialog& dialog, QGridLayout& rows, int row, const QStringList& texts,
                                   const QStringList& names) {
  auto* group = new QButtonGroup(&dialog);
  std::vector<QRadioButton*> buttons;
  for (int i = 0; i < texts.size(); ++i) {
    auto* button = new QRadioButton(texts[i], &dialog);
    button->setObjectName(names[i]);
    group->addButton(button);
    rows.addWidget(button, row, 1 + i);
    buttons.push_back(button);
  }
  buttons.front()->setChecked(true);
  return buttons;
}

}  // namespace

std::optional<UpdateAnswer> AskHowToSettle(QWidget* parent, const UpdateQuestion& question,
                                           const std::vector<std::string>& mechanics) {
  QDialog dialog(parent);
  dialog.setObjectName("ChangedOnBothSides");
  dialog.setWindowTitle(Tr("Changed on another workstation"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(Tr("Another workstation saved changes to jobs and lists that were changed here too. "
                                  "Choose what to keep:"),
                               &dialog));
  auto* inner = new QWidget;
  auto* rows = new QGridLayout(inner);
  int row = 0;
  std::vector<QRadioButton*> keep_here;
  for (size_t i = 0; i < question.jobs.size(); ++i, ++row) {
    const JobConflict& job = question.jobs[i];
    const QString there = GridName(mechanics, job.there);
    rows->addWidget(new QLabel(Tr("Job %1 was given to %2 on another workstation since this board read it:")
                                   .arg(job.key.first)
                                   .arg(there),
                               inner),
                    row, 0);
    const QString here = job.here == kUnassignedGrid ? Tr("Send it back to Unassigned Jobs")
                                                     : Tr("Move it to %1").arg(GridName(mechanics, job.here));
    const auto buttons = Choices(dialog, *rows, row, {Tr("Keep it with %1").arg(there), here},
                                 {QString("KeepThere_%1").arg(i), QString("KeepHere_%1").arg(i)});
    keep_here.push_back(buttons[1]);
  }
  std::vector<std::vector<QRadioButton*>> list_choices;
  for (size_t i = 0; i < question.lists.size(); ++i, ++row) {
    const ListConflict& list = question.lists[i];
    rows->addWidget(new QLabel(Tr("%1's list was saved on another workstation and changed here too (%2):")
                                   .arg(GridName(mechanics, list.list))
                                   .arg(Differences(list)),
                               inner),
                    row, 0);
    list_choices.push_back(Choices(dialog, *rows, row, {Tr("Keep both sides' changes"), Tr("Keep mine"), Tr("Take theirs")},
                                   {QString("KeepBoth_%1").arg(i), QString("KeepMine_%1").arg(i),
                                    QString("TakeTheirs_%1").arg(i)}));
  }
  auto* scroll = new QScrollArea(&dialog);
  scroll->setWidget(inner);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  layout->addWidget(scroll);
  auto* buttons = new QDialogButtonBox(
      question.can_cancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel : QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.resize(inner->sizeHint().width() + 40, std::min(inner->sizeHint().height() + 80, 600));
  // The keyboard starts on the first choice: an arrow key switches it, Return answers.
  if (QWidget* first = inner->findChild<QRadioButton*>()) first->setFocus();
  // Closing the question without an answer cancels the Update, or at closing keeps the defaults.
  const bool accepted = dialog.exec() == QDialog::Accepted;
  if (!accepted && question.can_cancel) return std::nullopt;
  UpdateAnswer answer = DefaultAnswer(question);
  if (!accepted) return answer;
  for (size_t i = 0; i < keep_here.size(); ++i) answer.keep_here[i] = keep_here[i]->isChecked();
  for (size_t i = 0; i < list_choices.size(); ++i) {
    const auto& choice = list_choices[i];
    answer.lists[i] = choice[1]->isChecked()   ? ListChoice::kKeepMine
                      : choice[2]->isChecked() ? ListChoice::kTakeTheirs
                                               : ListChoice::kKeepBoth;
  }
  return answer;
}

}  // namespace tervalo
