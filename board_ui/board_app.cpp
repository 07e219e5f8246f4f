#include "board_ui/board_app.h"

#include <QApplication>
#include <QPixmap>

#include <iostream>

#include "board/frm_tervalo.h"
#include "board_ui/main_window.h"
#include "board_ui/message_boxes.h"

namespace tervalo {
namespace {

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
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if ((arg == "--screenshot" || arg == "--width") && i + 1 >= arguments.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    if (arg == "--screenshot") {
      options.screenshot = arguments[++i];
    } else if (arg == "--width") {
      bool ok = false;
      options.width = arguments[++i].toInt(&ok);
      if (!ok || options.width <= 0) {
        error = "--width needs a number of pixels";
        return std::nullopt;
      }
    } else {
      error = "unknown argument " + arg;
      return std::nullopt;
    }
  }
  if (options.width > 0 && options.screenshot.isEmpty()) {
    error = "--width goes with --screenshot";
    return std::nullopt;
  }
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
  MainWindow window(form);
  if (!options.screenshot.isEmpty()) return SaveScreenshot(window, options) ? 0 : 1;
  window.show();
  return QApplication::exec();
}

}  // namespace tervalo
