#pragma once
// The bar across the top of the window that tells what the change check found: the lists saved on
// another workstation ("Changed on another workstation: Unassigned Jobs, DAVE RUIZ") with a
// Refresh button, files it could not look at, or a share that does not answer.

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "board/list_watch.h"

namespace tervalo {

class ChangeBar : public QWidget {
  Q_OBJECT

 public:
  explicit ChangeBar(QWidget* parent);

  // Shows `text`, with the Refresh button when `refresh`.
  void Tell(const QString& text, bool refresh);
  // The text of a check's findings, with the Refresh button when lists or jobs changed; a check
  // that found nothing hides the bar. True when the bar's visibility changed.
  bool ShowCheck(const ListCheck& check);
  QLabel* text() const { return text_; }

 signals:
  // The bar's Refresh button was clicked; the bar has hidden itself.
  void refreshClicked();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLabel* text_ = nullptr;
  QPushButton* refresh_ = nullptr;
};

}  // namespace tervalo
