#include "board_ui/help_window.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "board/frm_tervalo.h"
#include "board_ui/grid_table_model.h"

namespace tervalo {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("tervalo::HelpWindow", text); }

QString Swatch(const LegendEntry& entry) {
  return QString("<span style='background-color:%1; color:%2'>&nbsp;%3&nbsp;</span>")
      .arg(entry.back.name(), entry.text.name(), entry.name.toHtmlEscaped());
}

QString Row(const QString& what, const QString& how) {
  return "<tr><td valign='top'><b>" + what + "</b></td><td>" + how + "</td></tr>";
}

// Every action of a menu and its submenus that has a shortcut, with its text without the '&'.
void MenuShortcuts(const QMenu& menu, QStringList& rows) {
  for (const QAction* action : menu.actions()) {
    if (action->menu() != nullptr) MenuShortcuts(*action->menu(), rows);
    if (action->shortcuts().isEmpty()) continue;
    QStringList keys;
    for (const QKeySequence& key : action->shortcuts()) keys << key.toString(QKeySequence::NativeText);
    QString text = action->text();
    text.remove('&');
    rows << Row(keys.join(Tr(" or ")).toHtmlEscaped(), text.toHtmlEscaped());
  }
}

}  // namespace

std::vector<LegendEntry> LegendEntries(const BoardSettings& settings, const QPalette& palette) {
  std::vector<LegendEntry> entries;
  for (int p = 1; p <= kPriorities; ++p) {
    const QString name = QString::fromLatin1(settings.PriorityName(p).c_str()).trimmed();
    if (name.isEmpty()) continue;
    const QColor back = ToQColor(settings.PriorityColorOf(p), palette);
    entries.push_back({name, back, ReadableText(back, QColor())});
  }
  entries.push_back({Tr("Complete / Billed"), ToQColor(kSystemButtonText, palette), QColor(Qt::white)});
  return entries;
}

QWidget* CreateLegend(const BoardSettings& settings, QWidget* parent) {
  auto* legend = new QWidget(parent);
  legend->setObjectName("Legend");
  auto* layout = new QHBoxLayout(legend);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  QStringList names;
  for (const LegendEntry& entry : LegendEntries(settings, legend->palette())) {
    auto* item = new QLabel(entry.name, legend);
    item->setObjectName("LegendEntry");
    item->setStyleSheet(QString("QLabel { background-color: %1; color: %2; border: 1px solid #808080; padding: 0 4px; }")
                            .arg(entry.back.name(), entry.text.name()));
    item->setAccessibleName(Tr("Colour of %1").arg(entry.name));
    layout->addWidget(item);
    names << entry.name;
  }
  layout->addStretch(1);
  // Where the window is too narrow for every swatch, the tip names them all.
  legend->setToolTip(Tr("Row colours: %1. The colours and names come from the shop's settings.").arg(names.join(", ")));
  legend->setAccessibleName(Tr("Legend of row colours: %1").arg(names.join(", ")));
  return legend;
}

QString HelpText(const BoardSettings& settings, const QMenu& job_menu, const QPalette& palette) {
  QString html;
  html += "<h2>" + Tr("Tervalo schedule board") + "</h2>";
  html += "<p>" + Tr("Version %1 (%2)").arg(QCoreApplication::applicationVersion().toHtmlEscaped(),
                                             QString::fromStdString(frmTervalo::Caption()).toHtmlEscaped()) +
          "</p>";

  html += "<h3>" + Tr("Moving jobs") + "</h3><table cellspacing='4'>";
  html += Row(Tr("Give jobs to a mechanic"),
              Tr("Select them in Unassigned Jobs (click, Ctrl+click, Shift+click), press the right button on one of "
                 "them and drag onto the mechanic's list; they go in where you let go."));
  html += Row(Tr("Reorder a list"), Tr("Right-drag the job up or down within the list, or Ctrl+Up / Ctrl+Down."));
  html += Row(Tr("Move to another mechanic"), Tr("Right-drag it onto the other list, or the job menu's Move to."));
  html += Row(Tr("Send jobs back"), Tr("Right-drag them onto Unassigned Jobs, or press Delete."));
  html += Row(Tr("Job menu"), Tr("Right-click a job, or the Menu key or Shift+F10."));
  html += Row(Tr("See a job's card"), Tr("Double-click it, or Enter. Resting the pointer on a job shows its customer, "
                                          "unit, serial number and warranty."));
  html += Row(Tr("Print a list"), Tr("Right-click the mechanic's name: Print 40 Column or Print 80 Column."));
  html += Row(Tr("Sort order"), Tr("Right-drag a field in Sort Order up or down, then Refresh."));
  html += Row(Tr("Save"), Tr("Update (also run by Refresh and on closing) saves every list and marks its jobs."));
  html += "</table>";

  html += "<h3>" + Tr("Keys") + "</h3><table cellspacing='4'>";
  html += Row(Tr("Ctrl+F"), Tr("Find a job: number, reference, customer, unit or description"));
  html += Row(Tr("Enter or F3"), Tr("Next match; a job number alone and Enter selects that job"));
  html += Row(Tr("Shift+Enter or Shift+F3"), Tr("Previous match"));
  html += Row(Tr("Esc"), Tr("Clear the search; the keys go to the job you were at"));
  QStringList menu_rows;
  MenuShortcuts(job_menu, menu_rows);
  html += menu_rows.join("");
  html += Row(Tr("Menu or Shift+F10"), Tr("The job menu"));
  html += Row(Tr("Alt+U, Alt+R, Alt+X"), Tr("Update, Refresh, EXIT"));
  html += Row(Tr("F1"), Tr("This help"));
  html += "</table>";

  html += "<h3>" + Tr("Colours") + "</h3><p>";
  QStringList swatches;
  for (const LegendEntry& entry : LegendEntries(settings, palette)) swatches << Swatch(entry);
  html += swatches.join(" ") + "</p><p>" +
          Tr("A row's colour is its job's priority, as the shop's settings name and colour them; finished jobs sink "
             "to the bottom of their list and show only with Show All Statuses. While a search runs, the jobs it "
             "found are framed in orange (the one you are at more strongly) and the others are washed out.") +
          "</p>";

  html += "<h3>" + Tr("The bars above the grids") + "</h3><p>" +
          Tr("The blue bar tells what start-up, Refresh and Update found: lists put in place, lists that could not be "
             "read, jobs put back; Dismiss closes it. The yellow bar names lists changed on another workstation; its "
             "Refresh brings them in. A name with a warning mark is a list that could not be read: its tip says why.") +
          "</p>";
  return html;
}

QDialog* CreateHelpWindow(const BoardSettings& settings, QMenu* job_menu, QWidget* parent) {
  auto* dialog = new QDialog(parent);
  dialog->setObjectName("HelpWindow");
  dialog->setWindowTitle(Tr("Tervalo Help"));
  auto* layout = new QVBoxLayout(dialog);
  auto* text = new QTextBrowser(dialog);
  text->setObjectName("HelpText");
  text->setHtml(HelpText(settings, *job_menu, dialog->palette()));
  text->setAccessibleName(Tr("Help"));
  delete job_menu;
  layout->addWidget(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
  layout->addWidget(buttons);
  dialog->resize(640, 620);
  return dialog;
}

}  // namespace tervalo
