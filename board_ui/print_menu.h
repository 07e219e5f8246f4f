#pragma once
// The menu a right-click on a mechanic's name opens: "Print 40 Column" and "Print 80 Column" of
// that mechanic's list. It keeps which mechanic it was last opened for.

#include <QMenu>
#include "board_ui/share_work.h"

class QAction;
class QPoint;
class QWidget;

namespace tervalo {

class frmTervalo;

class PrintMenu : public QMenu {
  Q_OBJECT

 public:
  // `on_share`: how the sheet's records are read (the window's way, which keeps it drawing).
  PrintMenu(frmTervalo& form, QWidget* parent, ShareWork on_share = {});

  // Opens the menu at `global_pos` for mechanic grid `mechanic`.
  void PopupFor(int mechanic, const QPoint& global_pos);
  // The mechanic grid the menu prints.
  int PrintMechanic() const { return PrintMechanic_; }

 private:
  frmTervalo& form_;
  ShareWork on_share_;
  int PrintMechanic_ = 0;
};

}  // namespace tervalo
