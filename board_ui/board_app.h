#pragma once
// The program's run: start-up of the board, then the window until it closes; with --screenshot,
// a picture of the loaded window for machines without a display; with --print, one mechanic's
// work sheet written to a PDF without any window.

#include <QString>
#include <QStringList>

#include <optional>

namespace tervalo {

inline constexpr int kDefaultScreenshotWidth = 1280;

struct BoardOptions {
  QString screenshot;  // PNG file to render the loaded window to; empty: show the window
  int width = 0;       // window width in pixels for the screenshot; 0: kDefaultScreenshotWidth
  int print_mechanic = 0;  // mechanic number whose work sheet goes to `pdf`; 0: no sheet
  int print_columns = 0;   // 40 or 80
  QString pdf;
};

// Reads "--screenshot FILE.png [--width PIXELS]" or "--print MECHANIC_NUMBER --columns 40|80
// --pdf FILE" (arguments after the program name). Sets `error` and returns nothing when they are
// not understood.
std::optional<BoardOptions> ParseBoardOptions(const QStringList& arguments, QString& error);

// Runs Form_Load, then shows the window until it closes (or saves the screenshot, or writes the
// work sheet without showing the window). A failure of the data engine during start-up is shown
// in one critical message and gives status 1; a start-up that ended with its own message (no
// configuration) gives 1 quietly; an unknown mechanic or a PDF that cannot be written is told on
// the error output and gives 1. Needs a QApplication.
int RunBoard(const BoardOptions& options);

}  // namespace tervalo
