#pragma once
// The program's run: start-up of the board, then the window until it closes; with --screenshot,
// a picture of the loaded window for machines without a display; with --print, one mechanic's
// work sheet written to a PDF without any window.

#include <QSettings>
#include <QString>
#include <QStringList>
#include <optional>

namespace tervalo {

inline constexpr int kDefaultScreenshotWidth = 1280;
inline constexpr int kDefaultPollSeconds = 15;
// The key of the check period in the user's settings.
inline constexpr const char* kPollSetting = "poll";
// The key of what this workstation has told in its notice bar (jobs put back, lists not read).
inline constexpr const char* kToldSetting = "told";
// The key of the main window's size, position and maximised state.
inline constexpr const char* kGeometrySetting = "window/geometry";

struct BoardOptions {
  QString ini;  // catalog configuration file; empty: vltCatalog.ini in the temporary directory
  QString screenshot;      // PNG file to render the loaded window to; empty: show the window
  int width = 0;           // window width in pixels for the screenshot; 0: kDefaultScreenshotWidth
  int card_job = 0;        // with a screenshot: picture this job's card instead of the board
  int print_mechanic = 0;  // mechanic number whose work sheet goes to `pdf`; 0: no sheet
  int print_columns = 0;   // 40 or 80
  QString pdf;
  // Seconds between checks for lists saved on other workstations; 0 turns them off; -1: the
  // user's setting (15 unless changed). A number given holds for this run only.
  int poll = -1;

  // A picture or a sheet is made without a window and without anyone at the screen.
  bool windowless() const { return !screenshot.isEmpty() || print_mechanic > 0; }
};

// What a command line asks of the program.
struct BoardCommandLine {
  enum class Action { kRun, kHelp, kVersion, kWrong };
  Action action = Action::kRun;
  BoardOptions options;  // kRun: what to run
  QString error;         // kWrong: what is wrong, for the error output before the usage
};

// Reads the arguments after the program name as QCommandLineParser does ("--pdf FILE" or
// "--pdf=FILE", -h/--help, -v/--version): "[--ini PATH] [--screenshot FILE.png [--width PIXELS]]"
// or "[--ini PATH] --print MECHANIC_NUMBER --columns 40|80 --pdf FILE". Needs no application
// object, so that --help and --version work without a display. Qt's own -platform, -style and
// -reverse are accepted and left for QApplication.
BoardCommandLine ParseBoardCommandLine(const QStringList& arguments);

// The options of a command line that runs the board; `error` set and nothing returned for a
// wrong one, and for --help and --version, which run nothing.
std::optional<BoardOptions> ParseBoardOptions(const QStringList& arguments, QString& error);

// The --help text: usage, options, exit status.
QString BoardUsage();
// The --version line: program name and version (QCoreApplication's application version).
QString BoardVersionLine();

// The check period of a run: --poll when given, else the user's setting (kept by the window's
// box), else kDefaultPollSeconds.
int CheckPeriodSeconds(const BoardOptions& options, const QSettings& settings);

// Runs Form_Load on the configuration file `options.ini` (the workstation's own when empty),
// then shows the window until it closes (or saves the screenshot, or writes the work sheet
// without showing the window). A failure of the data engine during start-up is shown in one
// critical message and gives status 1; a start-up that ended with its own message (no
// configuration) gives 1 quietly; an unknown mechanic or a PDF that cannot be written is told on
// the error output and gives 1. Needs a QApplication.
int RunBoard(const BoardOptions& options);

}  // namespace tervalo
