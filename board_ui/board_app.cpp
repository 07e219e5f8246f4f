#include "board_ui/board_app.h"

#include <QApplication>
#include <QPixmap>

#include <iostream>

#include "board/frm_tervalo.h"
#include "board_ui/main_window.h"
#include "board_ui/message_boxes.h"
#include "board_ui/print_grid.h"

namespace tervalo {
namespace {

// The work sheet of one mechanic as a PDF, from the board as start-up loaded it.
int WriteMechanicSheet(frmTervalo& form, const BoardOptions& options) {
  const int mechanic = form.board().mechanics.IndexOf(options.print_mechanic);
  if (mechanic < 0) {
    std::cerr << "tervalo: the board has no mechanic " << options.print_mechanic << "\n";
    return 1;
  }
  const int columns = options.print_columns == 40 ? kSheet40Columns : kSheet80Columns;
  try {
    const SheetPageSetup setup = form.PrintList(mechanic, columns);
    if (!WriteSheetPdf(form.board().PG, setup, options.pdf)) {
      std::cerr << "tervalo: cannot write " << options.pdf.toStdString() << "\n";
      return 1;
    }
  } catch (const EngineError& error) {
    ReportEngineError(error);
    return 1;
  }
  return 0;
}

bool SaveScreenshot(MainWindow& window, const BoardOptions& options) {
  window.resize(std::max(options.width > 0 ? options.width : kDefaultScreenshotWidth, window.minimumWidth()),
                window.height());
  window.show();
  QApplication::processEvents();
  if (!window.grab().save(options.screenshot, "PNG")) {
    std::cerr << "tervalo: cannot write " << options.screenshot.toStdString() << "\n";
    return false;
  }
  return true;
}

}  // namespace

std::optional<BoardOptions> ParseBoardOptions(const QStringList& arguments, QString& error) {
  BoardOptions options;
  const QStringList with_value = {"--screenshot", "--width", "--print", "--columns", "--pdf"};
  auto number = [&](const QString& text, const QString& what) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value <= 0) error = what;
    return ok && value > 0 ? value : 0;
  };
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (!with_value.contains(arg)) {
      error = "unknown argument " + arg;
      return std::nullopt;
    }
    if (i + 1 >= arguments.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    const QString& value = arguments[++i];
    if (arg == "--screenshot") options.screenshot = value;
    if (arg == "--width") options.width = number(value, "--width needs a number of pixels");
    if (arg == "--print") options.print_mechanic = number(value, "--print needs a mechanic number");
    if (arg == "--columns") options.print_columns = number(value, "--columns is 40 or 80");
    if (arg == "--pdf") options.pdf = value;
    if (!error.isEmpty()) return std::nullopt;
  }
  const bool printing = options.print_mechanic > 0 || options.print_columns > 0 || !options.pdf.isEmpty();
  if (options.width > 0 && options.screenshot.isEmpty()) {
    error = "--width goes with --screenshot";
  } else if (printing && !options.screenshot.isEmpty()) {
    error = "--print and --screenshot go separately";
  } else if (printing && (options.print_mechanic == 0 || options.pdf.isEmpty() || options.print_columns == 0)) {
    error = "--print, --columns and --pdf go together";
  } else if (printing && options.print_columns != 40 && options.print_columns != 80) {
    error = "--columns is 40 or 80";
  }
  if (!error.isEmpty()) return std::nullopt;
  return options;
}

int RunBoard(const BoardOptions& options) {
  frmTervalo form;
  try {
    if (!form.Form_Load()) return 1;
  } catch (const EngineError& error) {
    ReportEngineError(error);
    return 1;
  } catch (const std::exception& error) {
    CurrentHost().ShowMessage({std::string("Tervalo could not start: ") + error.what(), "Tervalo",
                               MessageIcon::kCritical});
    return 1;
  }
  if (options.print_mechanic > 0) return WriteMechanicSheet(form, options);
  MainWindow window(form);
  if (!options.screenshot.isEmpty()) return SaveScreenshot(window, options) ? 0 : 1;
  window.show();
  return QApplication::exec();
}

}  // namespace tervalo
