#include "board_ui/board_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QSettings>
#include <QSignalBlocker>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <set>
#include <string>

#include "board/frm_tervalo.h"
#include "board/job_card.h"
#include "board/job_index.h"
#include "board/job_text.h"
#include "board_ui/job_dialog.h"
#include "board_ui/main_window.h"
#include "board_ui/message_boxes.h"
#include "board_ui/print_grid.h"
#include "board_ui/start_up_wait.h"
#include "environment/shared_instances.h"
#include "host/waiting_host.h"

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
    QString error;
    if (!WriteSheetPdf(form.board().PG, setup, options.pdf, &error)) {
      std::cerr << "tervalo: cannot write " << options.pdf.toStdString()
                << (error.isEmpty() ? "" : ": " + error.toStdString()) << "\n";
      return 1;
    }
  } catch (const EngineError& error) {
    ReportEngineError(error);
    return 1;
  }
  return 0;
}

bool SavePicture(const QPixmap& picture, const QString& file) {
  if (picture.save(file, "PNG")) return true;
  std::cerr << "tervalo: cannot write " << file.toStdString() << "\n";
  return false;
}

// The text of job `job`'s row as the board shows it, in the unassigned grid or a mechanic's
// list; empty when the board has no such row.
std::string JobRowText(BoardState& board, int job) {
  for (int r = 0; r < board.g.Rows(); ++r) {
    if (board.g.JobOf(r).job_number == job) return board.g.TextMatrix(r, 1);
  }
  for (const auto& grid : board.mg) {
    for (int r = 0; r < grid->Rows(); ++r) {
      if (grid->JobOf(r).job_number == job) return grid->TextMatrix(r, 0);
    }
  }
  return {};
}

// The job card as a double-click on the job's row opens it, over the shown board.
bool SaveCardScreenshot(frmTervalo& form, MainWindow& window, const BoardOptions& options) {
  const std::string text = JobRowText(form.board(), options.card_job);
  if (text.empty()) {
    std::cerr << "tervalo: the board has no job " << options.card_job << "\n";
    return false;
  }
  const CardOutcome outcome = ShowJob(*gEngine, text, form.board().settings.TallRows);
  if (!outcome.card) {
    if (outcome.engine_error) ReportEngineError(*outcome.engine_error);
    std::cerr << "tervalo: " << outcome.message << "\n";
    return false;
  }
  frmJob card(*outcome.card, &window);
  card.PlaceOver(window.FirstMechanicGrid());
  card.show();
  QApplication::processEvents();
  return SavePicture(card.grab(), options.screenshot);
}

bool SaveScreenshot(frmTervalo& form, MainWindow& window, const BoardOptions& options) {
  window.resize(
      std::max(options.width > 0 ? options.width : kDefaultScreenshotWidth, window.minimumWidth()),
      window.height());
  window.show();
  QApplication::processEvents();
  if (options.card_job > 0) return SaveCardScreenshot(form, window, options);
  return SavePicture(window.grab(), options.screenshot);
}

// The program's options. Help and usage come from the same parser that reads them, so they
// cannot drift apart.
struct BoardParser {
  BoardParser() {
    parser.setApplicationDescription(
        "The schedule board of the service department: every open repair job, unassigned or on\n"
        "a mechanic's list, on the shop's data share.");
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (QCommandLineOption* option : {&platform, &style, &reverse}) {
      option->setFlags(QCommandLineOption::HiddenFromHelp);
    }
    for (QCommandLineOption* option : {&help, &version, &ini, &screenshot, &width, &card, &print,
                                       &columns, &pdf, &poll, &platform, &style, &reverse}) {
      parser.addOption(*option);
    }
  }

  QCommandLineParser parser;
  // Qt's own help option would add --help-all, which lists Qt's options only once a QApplication
  // exists; --help is read before there is one.
  QCommandLineOption help{{"h", "help"}, "Show this help and exit."};
  QCommandLineOption version{{"v", "version"}, "Show the program's version and exit."};
  QCommandLineOption ini{"ini",
                         "Read the catalog configuration from PATH instead of vltCatalog.ini in "
                         "the temporary directory.",
                         "PATH"};
  QCommandLineOption screenshot{"screenshot",
                                "Render the loaded board to a PNG file and exit, without a window.",
                                "FILE.png"};
  QCommandLineOption width{"width", "Width of the screenshot in pixels (default 1280).", "PIXELS"};
  QCommandLineOption card{"card",
                          "With --screenshot: picture the job card of job number JOB as a "
                          "double-click on its row opens it, instead of the board.",
                          "JOB"};
  QCommandLineOption print{
      "print",
      "Write the work sheet of this mechanic to the --pdf file and exit, without a window.",
      "MECHANIC_NUMBER"};
  QCommandLineOption columns{"columns", "The work sheet's form: 40 (slip printer) or 80 (page).",
                             "40|80"};
  QCommandLineOption pdf{"pdf", "The PDF file the work sheet is written to.", "FILE"};
  QCommandLineOption poll{"poll",
                          "Check every SECONDS whether another workstation saved a list (0: never), "
                          "for this run only; the window's \"Check for changes every\" box sets it "
                          "for good (default 15).",
                          "SECONDS"};
  // Qt's own options, read by QApplication itself.
  QCommandLineOption platform{"platform", "", "NAME"};
  QCommandLineOption style{"style", "", "NAME"};
  QCommandLineOption reverse{"reverse", ""};
};

constexpr const char* kSynopsis =
    "usage: tervalo [--ini PATH] [--poll SECONDS]\n"
    "       tervalo [--ini PATH] --screenshot FILE.png [--width PIXELS] [--card JOB]\n"
    "       tervalo [--ini PATH] --print MECHANIC_NUMBER --columns 40|80 --pdf FILE\n"
    "       tervalo --help | --version\n\n";

constexpr const char* kExitStatusHelp =
    "\nWithout --screenshot or --print the board opens its window.\n"
    "\nExit status: 0 done; 1 the board could not load, the mechanic is not on the board, or a\n"
    "file cannot be written; 2 a wrong command line.\n";

// A value that must be a whole number above 0; an option not given leaves `value` at 0.
bool PositiveNumber(const QCommandLineParser& parser, const QCommandLineOption& option,
                    const char* what, int& value, QString& error) {
  if (!parser.isSet(option)) return true;
  bool ok = false;
  value = parser.value(option).toInt(&ok);
  if (!ok || value <= 0) error = what;
  return error.isEmpty();
}

// Options that do not go together, or that need each other.
QString Conflict(const BoardOptions& options) {
  const bool printing =
      options.print_mechanic > 0 || options.print_columns > 0 || !options.pdf.isEmpty();
  if (options.width > 0 && options.screenshot.isEmpty()) return "--width goes with --screenshot";
  if (options.card_job > 0 && options.screenshot.isEmpty()) return "--card goes with --screenshot";
  if (printing && !options.screenshot.isEmpty()) return "--print and --screenshot go separately";
  if (printing &&
      (options.print_mechanic == 0 || options.pdf.isEmpty() || options.print_columns == 0)) {
    return "--print, --columns and --pdf go together";
  }
  if (printing && options.print_columns != 40 && options.print_columns != 80)
    return "--columns is 40 or 80";
  return {};
}

}  // namespace

BoardCommandLine ParseBoardCommandLine(const QStringList& arguments) {
  BoardParser p;
  BoardCommandLine result;
  auto wrong = [&](const QString& error) {
    result.action = BoardCommandLine::Action::kWrong;
    result.error = error;
    return result;
  };
  if (!p.parser.parse(QStringList{"tervalo"} + arguments)) return wrong(p.parser.errorText());
  if (p.parser.isSet(p.help)) {
    result.action = BoardCommandLine::Action::kHelp;
    return result;
  }
  if (p.parser.isSet(p.version)) {
    result.action = BoardCommandLine::Action::kVersion;
    return result;
  }
  if (!p.parser.positionalArguments().isEmpty()) {
    return wrong("unexpected argument " + p.parser.positionalArguments().constFirst());
  }
  BoardOptions& options = result.options;
  options.ini = p.parser.value(p.ini);
  options.screenshot = p.parser.value(p.screenshot);
  options.pdf = p.parser.value(p.pdf);
  QString error;
  if (!PositiveNumber(p.parser, p.width, "--width needs a number of pixels", options.width,
                      error) ||
      !PositiveNumber(p.parser, p.card, "--card needs a job number", options.card_job, error) ||
      !PositiveNumber(p.parser, p.print, "--print needs a mechanic number", options.print_mechanic,
                      error) ||
      !PositiveNumber(p.parser, p.columns, "--columns is 40 or 80", options.print_columns, error)) {
    return wrong(error);
  }
  if (p.parser.isSet(p.poll)) {
    bool ok = false;
    options.poll = p.parser.value(p.poll).toInt(&ok);
    if (!ok || options.poll < 0) return wrong("--poll needs a number of seconds (0: never)");
  }
  if (const QString conflict = Conflict(options); !conflict.isEmpty()) return wrong(conflict);
  return result;
}

std::optional<BoardOptions> ParseBoardOptions(const QStringList& arguments, QString& error) {
  const BoardCommandLine line = ParseBoardCommandLine(arguments);
  switch (line.action) {
    case BoardCommandLine::Action::kRun:
      return line.options;
    case BoardCommandLine::Action::kWrong:
      error = line.error;
      break;
    case BoardCommandLine::Action::kHelp:
    case BoardCommandLine::Action::kVersion:
      error = "--help and --version run no board";
      break;
  }
  return std::nullopt;
}

QString BoardUsage() {
  BoardParser p;
  // The parser's own first line ("Usage: <executable_name> [options]") gives way to the program's
  // forms, written as tervalo-inspect writes its usage.
  QString help = p.parser.helpText();
  help.remove(0, help.indexOf('\n') + 1);
  return kSynopsis + help + kExitStatusHelp;
}

QString BoardVersionLine() { return "tervalo " + QCoreApplication::applicationVersion() + "\n"; }

int CheckPeriodSeconds(const BoardOptions& options, const QSettings& settings) {
  if (options.poll >= 0) return options.poll;
  bool ok = false;
  const int stored = settings.value(kPollSetting, kDefaultPollSeconds).toInt(&ok);
  return ok && stored >= 0 ? stored : kDefaultPollSeconds;
}

int RunBoard(const BoardOptions& options) {
  frmTervalo form;
  form.SetConfigurationFile(QFile::encodeName(options.ini).toStdString());
  // The window tells what start-up finds in its bar, each lasting thing once on this workstation;
  // a run without a window tells it on the error output.
  QSettings settings("Tervalo", "Tervalo");
  if (!options.windowless()) {
    std::set<std::string> told;
    for (const QString& key : settings.value(kToldSetting).toStringList()) told.insert(key.toStdString());
    form.KeepNotices(std::move(told));
  }
  // A server that does not answer during start-up is told in a small window with a Quit; quitting
  // then ends the program at once (start-up has nothing unsaved), the call on the share with it.
  const auto quit = [] {
    std::fflush(nullptr);
    std::_Exit(1);
  };
  try {
    if (!LoadTellingTheWait(form, options.windowless() ? nullptr : dynamic_cast<WaitingHost*>(&BoardHost()), quit)) {
      return 1;
    }
  } catch (const EngineError& error) {
    ReportEngineError(error);
    return 1;
  } catch (const std::exception& error) {
    BoardHost().ShowMessage({std::string("Tervalo could not start: ") + error.what(), "Tervalo",
                             MessageIcon::kCritical});
    return 1;
  }
  if (options.print_mechanic > 0) return WriteMechanicSheet(form, options);
  MainWindow window(form);
  if (!options.screenshot.isEmpty()) {
    // The picture shows the period the window would check at, without checking.
    const QSignalBlocker quiet(window.CheckPeriod());
    window.CheckPeriod()->setValue(CheckPeriodSeconds(options, settings));
    return SaveScreenshot(form, window, options) ? 0 : 1;
  }
  window.KeepNotices([&settings](const std::set<std::string>& told) {
    QStringList keys;
    for (const std::string& key : told) keys << QString::fromStdString(key);
    settings.setValue(kToldSetting, keys);
    settings.sync();
  });
  // How often to look for lists saved elsewhere: the command line's choice for this run, else the
  // user's setting. Only the window's own box changes the setting.
  window.UseCheckPeriod(CheckPeriodSeconds(options, settings), [&settings](int seconds) {
    settings.setValue(kPollSetting, seconds);
    settings.sync();
  });
  // The window comes back where the user left it; the first start fills the screen.
  if (!window.restoreGeometry(settings.value(kGeometrySetting).toByteArray())) window.FillAvailableArea();
  window.KeepGeometry([&settings](const QByteArray& geometry) {
    settings.setValue(kGeometrySetting, geometry);
    settings.sync();
  });
  window.show();
  return QApplication::exec();
}

}  // namespace tervalo
