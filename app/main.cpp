// Tervalo: the schedule board of the service department. Starts the board on this workstation's
// catalog configuration and shows it; `--screenshot FILE.png [--width PIXELS]` renders the loaded
// board to a picture instead (for machines without a display).

#include <QApplication>

#include <iostream>

#include "board_ui/board_app.h"
#include "board_ui/message_boxes.h"
#include "environment/shared_instances.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tervalo");

  QString error;
  const auto options = tervalo::ParseBoardOptions(QApplication::arguments().mid(1), error);
  if (!options) {
    std::cerr << "tervalo: " << error.toStdString() << "\n"
              << "usage: tervalo [--screenshot FILE.png [--width PIXELS]]\n";
    return 2;
  }
  // A picture is taken without anyone at the screen: messages go to the error output then.
  if (options->screenshot.isEmpty()) tervalo::InstallMessageBoxHandler();

  const int status = tervalo::RunBoard(*options);
  tervalo::ResetSharedInstances();
  return status;
}
