#pragma once
// The colour legend of the main window's top strip, and the help window that F1 opens: the
// moves, the keys (every shortcut of the job menu among them), what the colours and the bars
// mean, and the program's version.

#include <QDialog>
#include <QMenu>
#include <QString>
#include <QWidget>

#include <utility>
#include <vector>

#include "board/board_state.h"

namespace tervalo {

// The colours a row can have, with their names: each priority the shop has named in its settings,
// in its colour, and the finished jobs' colour. Priorities without a name are left out.
struct LegendEntry {
  QString name;
  QColor back;
  QColor text;
};
std::vector<LegendEntry> LegendEntries(const BoardSettings& settings, const QPalette& palette);

// A row of small colour swatches with their names, one line high.
QWidget* CreateLegend(const BoardSettings& settings, QWidget* parent);

// The help window's text (HTML). `job_menu` is the menu of a job row: its shortcuts are listed.
QString HelpText(const BoardSettings& settings, const QMenu& job_menu, const QPalette& palette);
// The help window, not yet shown; it takes `job_menu` and deletes it.
QDialog* CreateHelpWindow(const BoardSettings& settings, QMenu* job_menu, QWidget* parent);

}  // namespace tervalo
