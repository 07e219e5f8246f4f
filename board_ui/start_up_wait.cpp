#include "board_ui/start_up_wait.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "board/frm_tervalo.h"
#include "environment/catalog_config.h"
#include "environment/shared_instances.h"
#include "host/waiting_host.h"

namespace tervalo {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("tervalo::StartUpWait", text); }

// "\\SERVER\SHARE" once the catalog configuration is read, else a plain word.
QString ServerName() {
  if (!gEpcInfo || gEpcInfo->Server.empty()) return Tr("the server");
  return QString::fromLatin1(("\\\\" + gEpcInfo->Server + "\\" + gEpcInfo->DataShare).c_str());
}

}  // namespace

StartUpWait::StartUpWait(std::function<void()> quit) : QWidget(nullptr, Qt::Dialog) {
  setObjectName("StartUpWait");
  setWindowTitle(QString::fromStdString(frmTervalo::Caption()));
  auto* layout = new QVBoxLayout(this);
  text_ = new QLabel(this);
  text_->setObjectName("StartUpWaitText");
  layout->addWidget(text_);
  auto* button = new QPushButton(Tr("&Quit"), this);
  button->setObjectName("StartUpQuit");
  QObject::connect(button, &QPushButton::clicked, this, [quit = std::move(quit)] { quit(); });
  layout->addWidget(button, 0, Qt::AlignRight);
}

void StartUpWait::Waited(std::chrono::milliseconds waited) {
  using namespace std::chrono_literals;
  if (waited >= 1s) {
    text_->setText(Tr("Reading the board from %1: no answer for %2 s").arg(ServerName()).arg(waited / 1s));
    if (!isVisible()) show();
  }
  // No board exists yet that a click could meet half-way: every event is taken.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool LoadTellingTheWait(frmTervalo& form, WaitingHost* waiting, const std::function<void()>& quit) {
  if (waiting == nullptr) return form.Form_Load();
  StartUpWait wait(quit);
  const WaitingHost::Scope scope(*waiting, [&wait](std::chrono::milliseconds waited) { wait.Waited(waited); });
  return form.Form_Load();
}

}  // namespace tervalo
