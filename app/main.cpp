// Tervalo: the schedule board of the service department. Starts the board on this workstation's
// catalog configuration and shows it; `--screenshot FILE.png [--width PIXELS]` renders the loaded
// board to a picture instead (for machines without a display), and `--print MECHANIC_NUMBER
// --columns 40|80 --pdf FILE` writes that mechanic's work sheet to a PDF and ends.

#include <QApplication>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "board_ui/board_app.h"
#include "board_ui/message_boxes.h"
#include "environment/shared_instances.h"

namespace {

// A run that shows no window (a picture or a work sheet) also works where there is no display:
// Qt then draws on its offscreen platform unless told otherwise.
void UseOffscreenWithoutDisplay(int argc, char** argv) {
  const bool windowless = std::any_of(argv + 1, argv + argc, [](const char* arg) {
    return std::strcmp(arg, "--print") == 0 || std::strcmp(arg, "--screenshot") == 0;
  });
  const bool display = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  if (windowless && !display && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
}

}  // namespace

int main(int argc, char** argv) {
  UseOffscreenWithoutDisplay(argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tervalo");

  QString error;
  const auto options = tervalo::ParseBoardOptions(QApplication::arguments().mid(1), error);
  if (!options) {
    std::cerr << "tervalo: " << error.toStdString() << "\n"
              << "usage: tervalo [--screenshot FILE.png [--width PIXELS]]\n"
              << "       tervalo --print MECHANIC_NUMBER --columns 40|80 --pdf FILE\n";
    return 2;
  }
  // A picture or a sheet is made without anyone at the screen: messages go to the error output.
  if (options->screenshot.isEmpty() && options->print_mechanic == 0) tervalo::InstallMessageBoxHandler();

  const int status = tervalo::RunBoard(*options);
  tervalo::ResetSharedInstances();
  return status;
}
