// The built programs as a shell, a script or a desktop starts them: the command line without any
// display, and the pictures of the board and of a job card at the scale factors of HiDPI screens.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "board/job_card_layout.h"
#include "board_ui/main_window.h"
#include "tests/support/run_program.h"
#include "tools/share_builders/demo_company.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

using Outcome = testing::ProgramOutcome;
using testing::RunProgram;

class ProgramsTest : public ::testing::Test {
 protected:
  ProgramsTest()
      : dir_(fs::temp_directory_path() / ("tervalo-programs-" + std::to_string(::getpid()))) {
    fs::create_directories(dir_);
  }
  ~ProgramsTest() override { fs::remove_all(dir_); }

  Outcome Run(std::vector<std::string> argv, const std::map<std::string, std::string>& env = {}) {
    return RunProgram(std::move(argv), env, dir_);
  }

  fs::path dir_;
};

TEST_F(ProgramsTest, HelpVersionAndWrongCommandLinesNeedNoDisplay) {
  const std::string board = TERVALO_BOARD_PROGRAM;
  const std::string inspect = TERVALO_INSPECT_PROGRAM;
  const std::string version = TERVALO_VERSION_TEXT;
  struct Case {
    std::vector<std::string> argv;
    int status;
    std::string out;  // expected at the start of the standard output
    std::string err;  // expected somewhere in the error output; empty: nothing at all
  };
  const Case cases[] = {
      {{board, "--version"}, 0, "tervalo " + version + "\n", ""},
      {{board, "-v"}, 0, "tervalo " + version + "\n", ""},
      {{board, "--help"}, 0, "usage: tervalo [--ini PATH] [--poll SECONDS]\n", ""},
      {{inspect, "--version"}, 0, "tervalo-inspect " + version + "\n", ""},
      {{inspect, "--help"}, 0, "usage: tervalo-inspect [--ini PATH] COMMAND", ""},
      {{board, "--frobnicate"},
       2,
       "",
       "tervalo: Unknown option 'frobnicate'.\n\nusage: tervalo [--ini PATH]"},
      {{board, "--width", "900"},
       2,
       "",
       "tervalo: --width goes with --screenshot\n\nusage: tervalo"},
      {{board, "--card", "101"}, 2, "", "--card goes with --screenshot"},
      {{inspect, "--frobnicate", "links"},
       2,
       "",
       "tervalo-inspect: unknown option --frobnicate\n\nusage:"},
      {{inspect, "--ini"}, 2, "", "--ini needs a PATH"},
  };
  for (const Case& c : cases) {
    const std::string name = c.argv[1];
    const Outcome o = Run(c.argv);
    EXPECT_EQ(o.status, c.status) << name << "\n" << o.err;
    EXPECT_EQ(o.out.substr(0, c.out.size()), c.out) << name;
    if (c.err.empty()) {
      EXPECT_EQ(o.err, "") << name;
    } else {
      EXPECT_NE(o.err.find(c.err), std::string::npos) << name << "\n" << o.err;
    }
  }
}

// The demo company (this machine as terminal 7) and the environment that points the board at it.
class ScaledPicturesTest : public ProgramsTest {
 protected:
  void SetUp() override {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const share::DemoLocation where = share::BuildDemoCompany(dir_ / "demo", host);
    const fs::path runtime = dir_ / "runtime";
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    env_ = {{"TERVALO_UNC_ROOT", where.unc_root.string()},
            {"TMPDIR", where.temp_dir.string()},
            {"XDG_RUNTIME_DIR", runtime.string()}};
  }

  // The picture `args` make at a scale factor, and the same at 1: so far as layout goes the
  // first must be the second enlarged.
  QImage Picture(const std::vector<std::string>& args, const char* factor) {
    const std::string file = (dir_ / (std::string("picture-") + factor + ".png")).string();
    std::vector<std::string> argv = {TERVALO_BOARD_PROGRAM, "--screenshot", file};
    argv.insert(argv.end(), args.begin(), args.end());
    auto env = env_;
    env["QT_SCALE_FACTOR"] = factor;
    const Outcome o = Run(argv, env);
    EXPECT_EQ(o.status, 0) << o.err;
    return QImage(QString::fromStdString(file));
  }

  std::map<std::string, std::string> env_;
};

// The mean difference per colour channel (0-255) between a picture scaled down to the size of
// a reference and the reference. Text is drawn afresh at each size, so small differences remain
// where glyphs are; a control out of place or cut short makes large ones.
double MeanDifference(const QImage& picture, const QImage& reference) {
  const QImage a = picture.scaled(reference.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
  const QImage b = reference.convertToFormat(QImage::Format_RGB32);
  double sum = 0;
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  }
  return sum / (3.0 * b.width() * b.height());
}

TEST_F(ScaledPicturesTest, TheBoardAndTheCardScaleWithTheScreenWithoutADisplay) {
  // At 96 dpi: 15 twips a pixel.
  struct Subject {
    const char* name;
    std::vector<std::string> args;
    int width;
    int height;
  };
  const Subject subjects[] = {
      {"board", {"--width", "1000"}, 1000, kDesignClientHeight / 15},
      {"card of job 101",
       {"--card", "101"},
       card_design::kClientWidth / 15,
       card_design::kClientHeight / 15},
  };
  for (const Subject& s : subjects) {
    SCOPED_TRACE(s.name);
    const QImage reference = Picture(s.args, "1");
    ASSERT_EQ(reference.size(), QSize(s.width, s.height));
    // A picture shifted by a few pixels, as a control out of place would be, is far off.
    const QImage shifted = reference.copy(4, 4, s.width, s.height);
    const double misplaced = MeanDifference(shifted, reference);
    for (const char* factor : {"1.5", "2"}) {
      SCOPED_TRACE(factor);
      const double f = std::stod(factor);
      const QImage picture = Picture(s.args, factor);
      EXPECT_NEAR(picture.width(), s.width * f, 1);
      EXPECT_NEAR(picture.height(), s.height * f, 1);
      const double difference = MeanDifference(picture, reference);
      EXPECT_LT(difference, misplaced / 2)
          << "difference " << difference << ", shifted by 4 pixels " << misplaced;
    }
  }
}

TEST_F(ScaledPicturesTest, ASheetForAFolderThatDoesNotExistIsToldOnceInTheProgramsOwnWords) {
  const fs::path pdf = dir_ / "missing" / "sheet.pdf";
  const Outcome o = Run({TERVALO_BOARD_PROGRAM, "--print", "4", "--columns", "40", "--pdf", pdf.string()}, env_);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("tervalo: cannot write " + pdf.string() + ": No such file or directory\n"), std::string::npos)
      << o.err;
  EXPECT_EQ(o.err.find("QPainter"), std::string::npos) << o.err;
  EXPECT_FALSE(fs::exists(pdf));
}

TEST_F(ScaledPicturesTest, AJobNotOnTheBoardHasNoCardPicture) {
  const Outcome o = Run(
      {TERVALO_BOARD_PROGRAM, "--screenshot", (dir_ / "x.png").string(), "--card", "9999"}, env_);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("tervalo: the board has no job 9999"), std::string::npos) << o.err;
  EXPECT_FALSE(fs::exists(dir_ / "x.png"));
}

}  // namespace
}  // namespace tervalo
