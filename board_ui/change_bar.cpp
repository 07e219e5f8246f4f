#include "board_ui/change_bar.h"

#include <QPalette>
#include <QResizeEvent>
#include <QStringList>

namespace tervalo {

ChangeBar::ChangeBar(QWidget* parent) : QWidget(parent) {
  setObjectName("ChangeBar");
  setAutoFillBackground(true);
  QPalette bar_palette = palette();
  bar_palette.setColor(QPalette::Window, QColor(0xFF, 0xF2, 0xB3));
  setPalette(bar_palette);
  text_ = new QLabel(this);
  refresh_ = new QPushButton(tr("Refresh"), this);
  refresh_->setObjectName("ChangeBarRefresh");
  connect(refresh_, &QPushButton::clicked, this, [this] {
    hide();
    emit refreshClicked();
  });
  hide();
}

void ChangeBar::Tell(const QString& text, bool refresh) {
  text_->setText(text);
  refresh_->setVisible(refresh);
  show();
}

bool ChangeBar::ShowCheck(const ListCheck& check) {
  QStringList parts;
  QStringList names;
  // New jobs land in the unassigned grid.
  if (check.jobs_changed) names << tr("Unassigned Jobs");
  for (const std::string& name : check.changed) names << QString::fromLatin1(name.c_str());
  if (!names.isEmpty()) parts << tr("Changed on another workstation: %1").arg(names.join(", "));
  if (!check.problems.empty()) {
    QStringList problems;
    for (const std::string& p : check.problems) problems << QString::fromLatin1(p.c_str());
    parts << tr("Could not check: %1").arg(problems.join(", "));
  }
  if (parts.isEmpty()) {
    if (isHidden()) return false;
    hide();
    return true;
  }
  Tell(parts.join("    "), !names.isEmpty());
  return true;
}

void ChangeBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int w = event->size().width();
  const int h = event->size().height();
  text_->setGeometry(8, 0, w - 100, h);
  refresh_->setGeometry(w - 88, 0, 80, h);
}

}  // namespace tervalo
