// The program's run: its arguments, the one message of a failed start-up, and the picture of the
// loaded board taken without a display.

#include "board_ui/board_app.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QSettings>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "board_ui/main_window.h"
#include "board_ui/twips.h"
#include "tests/board_ui/qt_test_app.h"
#include "tests/support/board_records.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/company_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

using Action = BoardCommandLine::Action;

TEST(BoardCommandLineTest, ArgumentsAreReadOrRefused) {
  struct Case {
    QStringList arguments;
    Action action;
    QString screenshot;
    int width;
    QString ini;
  };
  const Case cases[] = {
      {{}, Action::kRun, "", 0, ""},
      {{"--screenshot", "board.png"}, Action::kRun, "board.png", 0, ""},
      {{"--screenshot", "board.png", "--width", "900"}, Action::kRun, "board.png", 900, ""},
      {{"--width", "900", "--screenshot", "b.png"}, Action::kRun, "b.png", 900, ""},
      {{"--screenshot=b.png", "--width=900"}, Action::kRun, "b.png", 900, ""},
      {{"--ini", "/etc/shop2.ini"}, Action::kRun, "", 0, "/etc/shop2.ini"},
      {{"--ini=shop2.ini", "--screenshot", "b.png"}, Action::kRun, "b.png", 0, "shop2.ini"},
      {{"-platform", "offscreen", "-reverse"},
       Action::kRun,
       "",
       0,
       ""},  // Qt's own, for QApplication
      {{"--help"}, Action::kHelp, "", 0, ""},
      {{"-h", "--frobnicate"}, Action::kWrong, "", 0, ""},  // an unknown option wins over help
      {{"--screenshot", "b.png", "-h"}, Action::kHelp, "", 0, ""},
      {{"--version"}, Action::kVersion, "", 0, ""},
      {{"-v"}, Action::kVersion, "", 0, ""},
      {{"--width", "900"}, Action::kWrong, "", 0, ""},  // a width without a picture means nothing
      {{"--screenshot"}, Action::kWrong, "", 0, ""},
      {{"--ini"}, Action::kWrong, "", 0, ""},
      {{"--screenshot", "b.png", "--width", "wide"}, Action::kWrong, "", 0, ""},
      {{"--screenshot", "b.png", "--width", "-5"}, Action::kWrong, "", 0, ""},
      {{"--frobnicate"}, Action::kWrong, "", 0, ""},
      {{"board.png"}, Action::kWrong, "", 0, ""},
  };
  for (const Case& c : cases) {
    const BoardCommandLine line = ParseBoardCommandLine(c.arguments);
    const std::string name = c.arguments.join(' ').toStdString();
    ASSERT_EQ(line.action, c.action) << name << ": " << line.error.toStdString();
    EXPECT_EQ(line.error.isEmpty(), c.action != Action::kWrong) << name;
    if (c.action != Action::kRun) continue;
    EXPECT_EQ(line.options.screenshot, c.screenshot) << name;
    EXPECT_EQ(line.options.width, c.width) << name;
    EXPECT_EQ(line.options.ini, c.ini) << name;
    EXPECT_EQ(line.options.windowless(), !c.screenshot.isEmpty()) << name;
  }
}

TEST(BoardCommandLineTest, PrintArgumentsComeTogetherOrAreRefused) {
  struct Case {
    QStringList arguments;
    bool ok;
    int mechanic;
    int columns;
  };
  const Case cases[] = {
      {{"--print", "3", "--columns", "40", "--pdf", "s.pdf"}, true, 3, 40},
      {{"--pdf", "s.pdf", "--columns", "80", "--print", "12"}, true, 12, 80},
      {{"--print=3", "--columns=40", "--pdf=s.pdf"}, true, 3, 40},
      {{"--print", "3", "--columns", "40"}, false, 0, 0},  // where to?
      {{"--print", "3", "--pdf", "s.pdf"}, false, 0, 0},
      {{"--columns", "40", "--pdf", "s.pdf"}, false, 0, 0},
      {{"--print", "3", "--columns", "60", "--pdf", "s.pdf"}, false, 0, 0},
      {{"--print", "DAVE", "--columns", "40", "--pdf", "s.pdf"}, false, 0, 0},
      {{"--print", "0", "--columns", "40", "--pdf", "s.pdf"}, false, 0, 0},
      {{"--print", "3", "--columns", "40", "--pdf"}, false, 0, 0},
      {{"--print", "3", "--columns", "40", "--pdf", "s.pdf", "--screenshot", "b.png"}, false, 0, 0},
  };
  for (const Case& c : cases) {
    const BoardCommandLine line = ParseBoardCommandLine(c.arguments);
    const std::string name = c.arguments.join(' ').toStdString();
    ASSERT_EQ(line.action, c.ok ? Action::kRun : Action::kWrong)
        << name << ": " << line.error.toStdString();
    if (!c.ok) continue;
    EXPECT_EQ(line.options.print_mechanic, c.mechanic) << name;
    EXPECT_EQ(line.options.print_columns, c.columns) << name;
    EXPECT_EQ(line.options.pdf, "s.pdf") << name;
    EXPECT_TRUE(line.options.screenshot.isEmpty()) << name;
    EXPECT_TRUE(line.options.windowless()) << name;
  }
}

TEST(BoardCommandLineTest, TheUsageNamesEveryOptionButQtsOwn) {
  const QString usage = BoardUsage();
  for (const char* option :
       {"--help", "--version", "--ini <PATH>", "--screenshot <FILE.png>", "--width <PIXELS>",
        "--print <MECHANIC_NUMBER>", "--columns <40|80>", "--pdf <FILE>", "--poll <SECONDS>",
        "--card <JOB>", "Exit status", "usage: tervalo [--ini PATH] [--poll SECONDS]\n"}) {
    EXPECT_TRUE(usage.contains(option)) << option << " in\n" << usage.toStdString();
  }
  EXPECT_FALSE(usage.contains("platform")) << usage.toStdString();
}

TEST(CheckPeriodTest, TheCommandLineHoldsForTheRunAndOtherwiseTheSettingOrFifteenSeconds) {
  const fs::path folder = fs::temp_directory_path() / ("tervalo-period-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  struct Case {
    int poll;         // --poll; -1: not given
    QVariant stored;  // the user's setting; invalid: none
    int seconds;
  };
  const Case cases[] = {
      {-1, QVariant(), 15}, {-1, 30, 30}, {5, 30, 5}, {0, 30, 0}, {7, QVariant(), 7},
      {-1, 0, 0},           {-1, "soon", 15}, {-1, -4, 15},
  };
  for (const Case& c : cases) {
    const QString file = QString::fromStdString((folder / "settings.ini").string());
    QFile::remove(file);
    QSettings settings(file, QSettings::IniFormat);
    if (c.stored.isValid()) settings.setValue(kPollSetting, c.stored);
    BoardOptions options;
    options.poll = c.poll;
    EXPECT_EQ(CheckPeriodSeconds(options, settings), c.seconds) << c.poll << " " << c.stored.toString().toStdString();
    EXPECT_EQ(settings.value(kPollSetting), c.stored) << "the command line is not kept";
  }
  fs::remove_all(folder);
}

class BoardAppTest : public testing::TempShareTest {
 protected:
  BoardAppTest() : company_(share_) {}

  void Build() {
    company_.SetFile0(testing::NormalAndRushFile0());
    company_.AddMechanic({3, "DAVE RUIZ"});
    share::InvoiceRecord job;
    job.reference = 42;
    job.priority = 2;
    job.date_in = 21000;
    job.description1 = "HARLAN MOWER";
    job.description2 = "HR217 WONT START";
    company_.AddJob({7, {job}});
    company_.Write(temp_dir_, host_.computer_name);
  }

  std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  share::CompanyBuilder company_;
};

TEST_F(BoardAppTest, AStartUpFailureShowsOneCriticalMessageAndEndsWithAnError) {
  Build();
  fs::remove(share_.LinkShare() / "ttymap");
  EXPECT_EQ(RunBoard({}), 1);
  ASSERT_EQ(host_.messages.size(), 1u);
  const MessageBoxRequest& m = host_.messages[0];
  EXPECT_EQ(m.icon, MessageIcon::kCritical);
  EXPECT_NE(m.text.find("Terminal File 'ttymap' not found"), std::string::npos) << m.text;
  EXPECT_NE(m.text.find("Error -10 in vltDataEngine_Initialization"), std::string::npos) << m.text;
}

TEST_F(BoardAppTest, AMissingConfigurationEndsWithOnlyItsOwnMessage) {
  EXPECT_EQ(RunBoard({}), 1);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].title, "Tervalo");
  EXPECT_EQ(host_.messages[0].icon, MessageIcon::kCritical);
}

TEST_F(BoardAppTest, AShareThatCannotBeReachedIsNamedWithTheLocalPathLookedAt) {
  Build();
  fs::remove_all(unc_root_ / "SRV" / "VLTRLNK");
  EXPECT_EQ(RunBoard({}), 1);
  ASSERT_EQ(host_.messages.size(), 1u);
  const MessageBoxRequest& m = host_.messages[0];
  EXPECT_EQ(m.title, "Tervalo");
  EXPECT_EQ(m.icon, MessageIcon::kCritical);
  EXPECT_NE(m.text.find("\\\\SRV\\VLTRLNK\\ is looked for at " + (unc_root_ / "SRV" / "VLTRLNK").string() + "/"),
            std::string::npos)
      << m.text;
  EXPECT_NE(m.text.find("TERVALO_UNC_ROOT"), std::string::npos) << m.text;
}

TEST_F(BoardAppTest, TheIniOptionLoadsAnotherConfigurationFile) {
  Build();
  const fs::path moved = base_ / "shop2" / "catalog.ini";
  fs::create_directories(moved.parent_path());
  fs::rename(temp_dir_ / "vltCatalog.ini", moved);
  BoardOptions options;
  options.screenshot = QString::fromStdString((base_ / "board.png").string());
  EXPECT_EQ(RunBoard(options), 1) << "no configuration in the temporary directory any more";
  host_.messages.clear();
  options.ini = QString::fromStdString(moved.string());
  EXPECT_EQ(RunBoard(options), 0);
  EXPECT_TRUE(host_.messages.empty()) << host_.messages.front().text;
}

TEST_F(BoardAppTest, TheScreenshotShowsTheLoadedBoardAndSavesNothing) {
  Build();
  const std::string invoices_before = FileBytes(share_.DataDirectory() / "INVDB");
  const fs::path picture = base_ / "board.png";
  BoardOptions options;
  options.screenshot = QString::fromStdString(picture.string());
  options.width = 1000;
  ASSERT_EQ(RunBoard(options), 0);
  EXPECT_TRUE(host_.messages.empty());

  QImage image;
  ASSERT_TRUE(image.load(options.screenshot));
  EXPECT_EQ(image.width(), 1000);
  EXPECT_EQ(image.height(), TwipsToPixels(kDesignClientHeight, image.logicalDpiY()));
  // Something was drawn: the job's priority colour (&HB4B4FF) shows in the unassigned grid.
  const QRect grid = TwipsRect(design::kUnassignedGrid, image);
  std::set<QRgb> colours;
  for (int y = grid.top(); y < grid.bottom(); y += 3)
    colours.insert(image.pixel(grid.left() + 20, y) & 0xFFFFFF);
  EXPECT_TRUE(colours.count(qRgb(0xFF, 0xB4, 0xB4) & 0xFFFFFF)) << "the job's row";
  EXPECT_EQ(FileBytes(share_.DataDirectory() / "INVDB"), invoices_before);
  EXPECT_FALSE(fs::exists(share_.DataDirectory() / "SCHEDULE.3"));
}

}  // namespace
}  // namespace tervalo
