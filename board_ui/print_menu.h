#pragma once
// The menu a right-click on a mechanic's name opens: "Print 40 Column" and "Print 80 Column" of
// that mechanic's list. It keeps which mechanic it was last opened for.

#include <QMenu>

class QAction;
class QPoint;
class QWidget;

namespace tervalo {

class frmTervalo;

class PrintMenu : public QMenu {
  Q_OBJECT

 public:
  PrintMenu(frmTervalo& form, QWidget* parent);

  // Opens the menu at `global_pos` for mechanic grid `mechanic`.
  void PopupFor(int mechanic, const QPoint& global_pos);
  // The mechanic grid the menu prints.
  int PrintMechanic() const { return PrintMechanic_; }

 private:
  frmTervalo& form_;
  int PrintMechanic_ = 0;
};

}  // namespace tervalo
