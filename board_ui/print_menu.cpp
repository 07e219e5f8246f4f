#include "board_ui/print_menu.h"

#include <QAction>
#include <QPoint>

#include "board_ui/print_grid.h"

namespace tervalo {

PrintMenu::PrintMenu(frmTervalo& form, QWidget* parent, ShareWork on_share)
    : QMenu(parent), form_(form), on_share_(std::move(on_share)) {
  setObjectName("Menu");
  QAction* print40 = addAction(tr("Print 40 Column"));
  print40->setObjectName("Print40");
  connect(print40, &QAction::triggered, this, [this] { PrintMechanicList(parentWidget(), form_, PrintMechanic_, 1, on_share_); });
  QAction* print80 = addAction(tr("Print 80 Column"));
  print80->setObjectName("Print80");
  connect(print80, &QAction::triggered, this, [this] { PrintMechanicList(parentWidget(), form_, PrintMechanic_, 3, on_share_); });
}

void PrintMenu::PopupFor(int mechanic, const QPoint& global_pos) {
  PrintMechanic_ = mechanic;
  popup(global_pos);
}

}  // namespace tervalo
