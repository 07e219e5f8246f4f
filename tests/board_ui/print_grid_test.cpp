// Printing the work sheet: page breaks that keep a job together, the PDF that `tervalo --print`
// writes (read back with poppler's pdftotext, pdfinfo and pdftoppm), and the print
// preview of the label's print menu with its Print.

#include "board_ui/print_grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <QImage>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "board/frm_tervalo.h"
#include "board_ui/board_app.h"
#include "tests/board_ui/qt_test_app.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/company_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

// A sheet of text rows; "" is a blank row, "#" a row framed but without text.
GridModel SheetOf(const std::vector<std::string>& rows, int fixed_rows = 0) {
  GridModel sheet(1);
  for (const std::string& row : rows) {
    sheet.AddItem(row == "#" ? "" : row);
    if (row == "#")
      sheet.SetCellBorder(sheet.Rows() - 1, 0, sheet.Rows() - 1, 0, kBlack, 1, 0, 1, 0, 0, 0);
  }
  sheet.SetFixedRows(fixed_rows);
  return sheet;
}

TEST(PaginateSheetTest, PagesBreakBetweenJobsAndFixedRowsHeadEveryPage) {
  struct Case {
    const char* name;
    std::vector<std::string> rows;
    int fixed_rows;
    int page_height;  // every row is 10 high
    std::vector<PageRows> pages;
  };
  const std::vector<std::string> three_jobs = {"head", "", "j1", "a", "", "j2",
                                               "b",    "", "j3", "c", "."};
  const Case cases[] = {
      {"everything fits", three_jobs, 0, 1000, {{0, 10}}},
      {"a job that does not fit goes to the next page",
       three_jobs,
       0,
       50,
       {{0, 3}, {4, 6}, {7, 10}}},
      {"a job that just fits stays", three_jobs, 0, 70, {{0, 6}, {7, 10}}},
      {"fixed rows take room on every page", three_jobs, 1, 50, {{1, 3}, {4, 6}, {7, 10}}},
      {"framed rows without text stay with their job",
       {"h", "", "j1", "#", "#", "", "j2", "#", "#"},
       1,
       50,
       {{1, 4}, {5, 8}}},
      {"a job taller than a page is cut at a row",
       {"", "j1", "a", "b", "c", "", "j2"},
       0,
       30,
       {{0, 2}, {3, 4}, {5, 6}}},
      {"only fixed rows: one page", {"head"}, 1, 50, {{1, 0}}},
      {"nothing at all: one empty page", {}, 0, 50, {{0, -1}}},
  };
  for (const Case& c : cases) {
    const GridModel sheet = SheetOf(c.rows, c.fixed_rows);
    const std::vector<int> heights(c.rows.size(), 10);
    EXPECT_EQ(PaginateSheet(sheet, heights, c.page_height), c.pages) << c.name;
  }
}

// The output of a command; empty when it cannot run.
std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

bool HasPoppler() { return !Output("command -v pdftotext pdfinfo pdftoppm").empty(); }

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

struct PageSize {
  double width = 0;
  double height = 0;
};

PageSize PdfPageSize(const fs::path& pdf) {
  std::smatch m;
  const std::string info = Output("pdfinfo " + Quoted(pdf));
  if (!std::regex_search(info, m, std::regex(R"(Page size:\s+([0-9.]+) x ([0-9.]+) pts)")))
    return {};
  return {std::stod(m[1]), std::stod(m[2])};
}

// The words of a PDF with their boxes in points, in reading order (pdftotext -bbox).
struct PdfWord {
  int page = 0;
  double x_min = 0;
  double y_min = 0;
  double x_max = 0;
  double y_max = 0;
  std::string text;
};

std::vector<PdfWord> PdfWords(const fs::path& pdf) {
  std::vector<PdfWord> words;
  const std::string html = Output("pdftotext -bbox " + Quoted(pdf) + " -");
  const std::regex word(
      R"re(<page |<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
  int page = 0;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    if (!m[1].matched) {
      ++page;
      continue;
    }
    words.push_back({page, std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]});
  }
  return words;
}

// The words' texts joined without blanks: a value broken over two lines reads whole.
std::string JoinedWords(const std::vector<PdfWord>& words) {
  std::string text;
  for (const PdfWord& w : words) text += w.text;
  return text;
}

std::string WithoutBlanks(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

std::string TodayText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%m/%d/%y", &local);
  return text;
}

// The ISO date of today, as work sheets are named.
std::string TodayIso() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

class PrintPdfTest : public testing::TempShareTest {
 protected:
  PrintPdfTest() : company_(share_) {
    file0_.priority_names = {"Normal", "Rush"};
    company_.AddMechanic({3, "DAVE RUIZ"});
    company_.AddMechanic({4, "ANNA KOWALSKI"});
  }

  // Jobs first..last, scheduled to mechanic 3 and in its schedule file.
  void AddJobs(int32_t first, int32_t last) {
    for (int32_t job = first; job <= last; ++job) {
      share::InvoiceRecord r;
      r.reference = 4000 + job;
      r.date_in = 21000;
      r.description1 = "HARLAN MOWER";
      r.description2 = "HR217 WONT START";
      r.priority = 1 + job % 2;
      r.mechanic = 3;
      company_.AddJob({job, {r}});
      schedule_.push_back(company_.ScheduleLine(r, job));
    }
  }

  void Build() {
    company_.SetFile0(file0_);
    company_.Write(temp_dir_, host_.computer_name);
    company_.WriteSchedule(3, schedule_);
  }

  // `tervalo --print MECHANIC --columns COLUMNS --pdf FILE`, from its command line on.
  int RunPrint(const QStringList& arguments) {
    QString error;
    const auto options = ParseBoardOptions(arguments, error);
    EXPECT_TRUE(options) << error.toStdString();
    return options ? RunBoard(*options) : 2;
  }

  fs::path Pdf(const char* name) { return base_ / name; }

  share::BoardFile0 file0_;
  share::CompanyBuilder company_;
  std::vector<std::string> schedule_;
  frmTervalo form_;
};

TEST_F(PrintPdfTest, TheFortyColumnPdfHoldsEveryJobInOrderOnANarrowPortraitPage) {
  ASSERT_TRUE(HasPoppler()) << "poppler-utils is missing: run scripts/install-deps.sh";
  AddJobs(7, 9);
  Build();
  const fs::path pdf = Pdf("sheet40.pdf");
  ASSERT_EQ(
      RunPrint({"--print", "3", "--columns", "40", "--pdf", QString::fromStdString(pdf.string())}),
      0);
  EXPECT_TRUE(host_.messages.empty());

  const std::string text = Output("pdftotext -layout " + Quoted(pdf) + " -");
  // The text layout closes up runs of blanks, so the header's "  --  " reads " -- ".
  size_t at = text.find("DAVE RUIZ -- " + TodayText());
  EXPECT_NE(at, std::string::npos) << text;
  for (const char* line :
       {"Job: 7", "Reference: 4007", "Priority: Rush", "Job: 8", "Reference: 4008",
        "Priority: Normal", "Job: 9", "Reference: 4009", "Priority: Rush"}) {
    at = text.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " in order in\n" << text;
  }
  const PageSize page = PdfPageSize(pdf);
  EXPECT_DOUBLE_EQ(page.width, 3300 / 20.0) << "as wide as the sheet";
  EXPECT_GT(page.height, 2 * page.width);
  EXPECT_TRUE(
      std::regex_search(Output("pdfinfo " + Quoted(pdf)), std::regex("Title:\\s+Work sheet DAVE RUIZ " + TodayIso())))
      << "the document is named after the mechanic and the day";
}

TEST_F(PrintPdfTest, TheLongestValuesFitTheirColumnsInArialsWidths) {
  ASSERT_TRUE(HasPoppler()) << "poppler-utils is missing: run scripts/install-deps.sh";
  ASSERT_NE(Output("fc-list 'Liberation Sans'").find("Liberation"), std::string::npos)
      << "fonts-liberation2 is missing: run scripts/install-deps.sh";
  // A name of 30 characters, serial numbers of 18 and descriptions of 15 and 21, of wide letters.
  const std::string name = "MAXIMILIAN WORTHINGTON MCMAHON";
  company_.AddMechanic({5, name});
  share::InvoiceRecord r;
  r.reference = 9999999;
  r.date_in = 21000;
  r.description1 = "MMMMMWWWWWMMMMM";
  r.description2 = "WWWWWMMMMMWWWWWMMMMMW";
  r.serial1 = "MWMWMWMWMWMWMWMWMW";
  r.serial2 = "WMWMWMWMWMWMWMWMWM";
  r.mechanic = 5;
  company_.AddJob({9999, {r}});
  Build();
  company_.WriteSchedule(5, {company_.ScheduleLine(r, 9999)});
  struct Layout {
    const char* columns;
    double margin;
    std::vector<double> widths;  // points
  };
  for (const Layout& layout : {Layout{"40", 0, {165}}, Layout{"80", 18, {130, 165, 220}}}) {
    SCOPED_TRACE(std::string(layout.columns) + " columns");
    const fs::path pdf = Pdf((std::string("long") + layout.columns + ".pdf").c_str());
    ASSERT_EQ(RunPrint({"--print", "5", "--columns", layout.columns, "--pdf", QString::fromStdString(pdf.string())}), 0);
    EXPECT_NE(Output("pdffonts " + Quoted(pdf)).find("LiberationSans"), std::string::npos)
        << "the sheet is set in Arial's widths";
    const std::vector<PdfWord> words = PdfWords(pdf);
    ASSERT_FALSE(words.empty());
    // Every word stays inside the column it starts in.
    for (const PdfWord& w : words) {
      double left = layout.margin;
      for (const double width : layout.widths) {
        if (w.x_min < left + width) {
          EXPECT_LE(w.x_max, left + width + 0.5) << w.text;
          break;
        }
        left += width;
      }
    }
    // And every value is there whole.
    const std::string text = JoinedWords(words);
    for (const std::string& value : {name, "SN 1: " + r.serial1, "SN 2: " + r.serial2, "Brand: " + r.description1,
                                     "Desc: " + r.description2, std::string("Reference: 9999999")}) {
      EXPECT_NE(text.find(WithoutBlanks(value)), std::string::npos) << value << " in " << text;
    }
    EXPECT_NE(text.find(TodayText()), std::string::npos) << "the date";
  }
}

TEST_F(PrintPdfTest, ALongSlipRunsOnOnePageAsLongAsItsRowsAndAFurtherPageRepeatsItsHeader) {
  ASSERT_TRUE(HasPoppler()) << "poppler-utils is missing: run scripts/install-deps.sh";
  AddJobs(101, 103);
  Build();
  const fs::path short_slip = Pdf("short.pdf");
  ASSERT_EQ(RunPrint({"--print", "3", "--columns", "40", "--pdf", QString::fromStdString(short_slip.string())}), 0);
  const PageSize page = PdfPageSize(short_slip);
  const std::vector<PdfWord> words = PdfWords(short_slip);
  ASSERT_FALSE(words.empty());
  EXPECT_EQ(words.back().text, ".");
  EXPECT_EQ(words.back().page, 1) << "one page";
  EXPECT_GT(words.back().y_max, page.height - 20) << "the slip ends right after its last line: " << page.height;

  // 180 jobs are longer than a PDF page may be: the slip goes on, with its header, on a second.
  schedule_.clear();
  AddJobs(201, 380);
  Build();
  const fs::path long_slip = Pdf("long.pdf");
  ASSERT_EQ(RunPrint({"--print", "3", "--columns", "40", "--pdf", QString::fromStdString(long_slip.string())}), 0);
  const std::string info = Output("pdfinfo " + Quoted(long_slip));
  EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
  for (int p = 1; p <= 2; ++p) {
    const std::string text =
        Output("pdftotext -layout -f " + std::to_string(p) + " -l " + std::to_string(p) + " " + Quoted(long_slip) + " -");
    EXPECT_EQ(text.find("DAVE RUIZ -- " + TodayText()), text.find_first_not_of(" \n")) << "page " << p;
  }
}

TEST_F(PrintPdfTest, TheEightyColumnPdfRepeatsItsHeaderAndNeverCutsAJob) {
  ASSERT_TRUE(HasPoppler()) << "poppler-utils is missing: run scripts/install-deps.sh";
  AddJobs(101, 150);
  Build();
  const fs::path pdf = Pdf("sheet80.pdf");
  ASSERT_EQ(
      RunPrint({"--print", "3", "--columns", "80", "--pdf", QString::fromStdString(pdf.string())}),
      0);
  const PageSize page = PdfPageSize(pdf);
  EXPECT_LT(page.width, page.height) << "portrait";

  const std::string info = Output("pdfinfo " + Quoted(pdf));
  std::smatch m;
  ASSERT_TRUE(std::regex_search(info, m, std::regex(R"(Pages:\s+(\d+))")));
  const int pages = std::stoi(m[1]);
  ASSERT_GE(pages, 2) << "fifty jobs do not fit one page";
  int jobs = 0;
  for (int p = 1; p <= pages; ++p) {
    const std::string text = Output("pdftotext -layout -f " + std::to_string(p) + " -l " +
                                    std::to_string(p) + " " + Quoted(pdf) + " -");
    EXPECT_EQ(text.find("DAVE RUIZ"), text.find_first_not_of(" \n"))
        << "page " << p << " starts with the header";
    const std::regex job_line(R"(Job: (\d+) +Reference: (\d+))");
    int page_jobs = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), job_line);
         it != std::sregex_iterator(); ++it) {
      const int job = std::stoi((*it)[1]);
      EXPECT_EQ(job, 101 + jobs + page_jobs) << "in order";
      EXPECT_EQ(std::stoi((*it)[2]), 4000 + job);
      ++page_jobs;
    }
    int priorities = 0;
    for (size_t at = text.find("Priority: "); at != std::string::npos;
         at = text.find("Priority: ", at + 1)) {
      ++priorities;
    }
    EXPECT_EQ(priorities, page_jobs)
        << "page " << p << ": every job's last line is on the page of its first";
    jobs += page_jobs;
  }
  EXPECT_EQ(jobs, 50);
}

TEST_F(PrintPdfTest, TheCommentsBoxIsDrawnWhereTheColumnWidthsPutIt) {
  ASSERT_TRUE(HasPoppler()) << "poppler-utils is missing: run scripts/install-deps.sh";
  AddJobs(7, 7);
  Build();
  const fs::path pdf = Pdf("box.pdf");
  ASSERT_EQ(
      RunPrint({"--print", "3", "--columns", "80", "--pdf", QString::fromStdString(pdf.string())}),
      0);
  // At 72 DPI a pixel is a point: 20 twips.
  ASSERT_EQ(Output("pdftoppm -r 72 -png -singlefile " + Quoted(pdf) + " " + Quoted(base_ / "box")),
            "");
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString((base_ / "box.png").string())));
  const int left = (360 + 2600 + 3300) / 20;  // margin, columns 0 and 1
  const int right = left + 4400 / 20 - 1;     // column 2
  auto dark_rows = [&](int x) {
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    return dark;
  };
  EXPECT_GT(dark_rows(left), 40) << "left side of the box";
  EXPECT_GT(dark_rows(right), 40) << "right side of the box";
  EXPECT_EQ(dark_rows(left - 3), 0) << "nothing just outside it";
  EXPECT_EQ(dark_rows(right + 3), 0);
}

TEST_F(PrintPdfTest, AnUnknownMechanicOrAnUnwritablePdfEndsWithStatusOne) {
  AddJobs(7, 7);
  Build();
  struct Case {
    const char* name;
    QString mechanic;
    fs::path pdf;
  };
  const Case cases[] = {
      {"no such mechanic", "5", Pdf("unknown.pdf")},
      {"a folder that does not exist", "3", base_ / "missing" / "sheet.pdf"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunPrint({"--print", c.mechanic, "--columns", "40", "--pdf",
                        QString::fromStdString(c.pdf.string())}),
              1)
        << c.name;
    EXPECT_FALSE(fs::exists(c.pdf)) << c.name;
  }
  // Mechanic 4 has no jobs: a sheet with the header alone is still a sheet.
  EXPECT_EQ(RunPrint({"--print", "4", "--columns", "80", "--pdf",
                      QString::fromStdString(Pdf("empty.pdf").string())}),
            0);
  EXPECT_TRUE(fs::exists(Pdf("empty.pdf")));
}

TEST_F(PrintPdfTest, ThePrintMenuShowsThePreviewWhosePrintAsksForThePrinterAndPrints) {
  AddJobs(7, 8);
  Build();
  ASSERT_TRUE(form_.Form_Load());
  // A sheet printed to a file goes to the home folder (there is no documents folder in it).
  const QByteArray home = qgetenv("HOME");
  qputenv("HOME", QByteArray::fromStdString(base_.string()));
  const bool has_printer = !QPrinterInfo::availablePrinters().isEmpty();
  const std::string name = "Work sheet DAVE RUIZ " + TodayIso();
  std::vector<std::string> shown;
  QString title;
  QString output_file;
  // Each modal dialog is noted as it appears: the preview's Print is pressed, the printer dialog
  // prints (to the PDF file when there is no printer, else it is cancelled).
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* preview = qobject_cast<QPrintPreviewDialog*>(modal)) {
      if (!shown.empty()) return;
      shown.push_back("preview");
      title = preview->windowTitle();
      EXPECT_NE(preview->findChild<QAction*>("SavePdf"), nullptr);
      QAction* print = preview->findChild<QAction*>("Print");
      ASSERT_NE(print, nullptr);
      EXPECT_EQ(print->shortcut(), QKeySequence(QKeySequence::Print));
      QTimer::singleShot(0, print, &QAction::trigger);
    } else if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) {
      shown.push_back("print dialog");
      output_file = dialog->printer()->outputFileName();
      has_printer ? dialog->reject() : dialog->accept();
    }
  });
  closer.start(20);
  QTimer::singleShot(10000, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  PrintMechanicList(nullptr, form_, 0, kSheet40Columns);
  closer.stop();
  qputenv("HOME", home);

  EXPECT_EQ(form_.board().PG.TextMatrix(2, 0), "Job: 7") << "the sheet was built first";
  EXPECT_EQ(shown, (std::vector<std::string>{"preview", "print dialog"}));
  EXPECT_EQ(title.toStdString(), name);
  if (!has_printer) {
    EXPECT_EQ(output_file.toStdString(), (base_ / (name + ".pdf")).string());
    EXPECT_TRUE(fs::is_regular_file(base_ / (name + ".pdf"))) << "printed at the first try";
  }
}

}  // namespace
}  // namespace tervalo
