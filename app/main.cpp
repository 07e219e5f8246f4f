// Tervalo: the schedule board of the service department. Starts the board on this workstation's
// catalog configuration (or the file given with --ini) and shows it; `--screenshot FILE.png
// [--width PIXELS]` renders the loaded board to a picture instead, and `--print MECHANIC_NUMBER
// --columns 40|80 --pdf FILE` writes that mechanic's work sheet to a PDF and ends. Run
// `tervalo --help` for the options.

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "board/change_watcher.h"
#include "board_ui/board_app.h"
#include "board_ui/message_boxes.h"
#include "environment/shared_instances.h"
#include "host/waiting_host.h"

namespace {

// A run that shows no window (a picture or a work sheet) also works where there is no display:
// Qt then draws on its offscreen platform unless told otherwise.
void UseOffscreenWithoutDisplay(const tervalo::BoardOptions& options) {
  const bool display =
      std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  if (options.windowless() && !display && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
}

// A change check still on the share when the window closed reads through the program's host,
// which lives until the program ends. Waits a little for such checks; when one does not end in
// time (the share hangs) the program ends at once, without tearing down what the check uses.
bool ChecksEnded(std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (tervalo::ChangeWatcher::Running() > 0) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The icon of every window: the one built into the program, else the installed icon theme's.
QIcon WindowIcon() {
#ifdef TERVALO_WINDOW_ICONS
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) icon.addFile(QString(":/icons/tervalo-%1.png").arg(size));
  return icon;
#else
  return QIcon::fromTheme("tervalo");
#endif
}

QStringList ArgumentsAfterName(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication::setApplicationName("Tervalo");
  QApplication::setApplicationVersion(TERVALO_VERSION_TEXT);

  // The command line is read before Qt connects to a display, so --help, --version and a wrong
  // command line need none.
  using Action = tervalo::BoardCommandLine::Action;
  const tervalo::BoardCommandLine command_line =
      tervalo::ParseBoardCommandLine(ArgumentsAfterName(argc, argv));
  switch (command_line.action) {
    case Action::kHelp:
      std::cout << tervalo::BoardUsage().toStdString();
      return 0;
    case Action::kVersion:
      std::cout << tervalo::BoardVersionLine().toStdString();
      return 0;
    case Action::kWrong:
      std::cerr << "tervalo: " << command_line.error.toStdString() << "\n\n"
                << tervalo::BoardUsage().toStdString();
      return 2;
    case Action::kRun:
      break;
  }

  UseOffscreenWithoutDisplay(command_line.options);
  QApplication app(argc, argv);
  QApplication::setWindowIcon(WindowIcon());
  // A picture or a sheet is made without anyone at the screen: messages go to the error output.
  if (!command_line.options.windowless()) tervalo::InstallMessageBoxHandler();

  // The share is read through a host that lets the window draw while the share is slow. It lives
  // as long as the program: the engine and a change check still running use it to the end.
  tervalo::WaitingHost share(tervalo::CurrentHost());
  const tervalo::ScopedHost through_it(share);
  const int status = tervalo::RunBoard(command_line.options);
  if (!ChecksEnded(std::chrono::seconds(2))) {
    std::fflush(nullptr);
    std::_Exit(status);
  }
  tervalo::ResetSharedInstances();
  return status;
}
