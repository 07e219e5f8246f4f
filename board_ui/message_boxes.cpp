#include "board_ui/message_boxes.h"

#include <iostream>

#include "board/path_hint.h"
#include "engine/business_basic.h"
#include "environment/shared_instances.h"

namespace tervalo {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kCritical:
      return QMessageBox::Critical;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

void InstallMessageBoxHandler() {
  CurrentHost().SetMessageBoxHandler([](const MessageBoxRequest& request) {
    // Every box is the program's own, whatever part of it speaks; the text also goes to the error
    // output, where whoever started the program (and looks after the workstation) finds it.
    std::cerr << "Tervalo: " << request.text << std::endl;
    QMessageBox box(ToQtIcon(request.icon), "Tervalo", QString::fromStdString(request.text), QMessageBox::Ok);
    box.exec();
  });
}

Host& BoardHost() { return gEngine ? gEngine->host() : CurrentHost(); }

std::string EngineErrorMessage(const EngineError& error) {
  return EngineErrorText(error) + LocalPathHint(BoardHost(), error.description());
}

void ReportEngineError(const EngineError& error) {
  BoardHost().ShowMessage({EngineErrorMessage(error), "Tervalo", MessageIcon::kCritical});
}

}  // namespace tervalo
