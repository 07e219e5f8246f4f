#include "board_ui/print_grid.h"

#include <optional>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTextLayout>
#include <QToolBar>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "board/frm_tervalo.h"
#include "board_ui/grid_table_model.h"
#include "board_ui/message_boxes.h"
#include "board_ui/twips.h"

namespace tervalo {
namespace {

// Room between a cell's text and its edges, twips: as much as the board's grids leave on screen.
constexpr int kCellPaddingX = 60;
constexpr int kCellPaddingY = 30;
// A frame line of width 1 is one screen pixel at 96 DPI.
constexpr int kTwipsPerLineWidth = 15;
constexpr double kTwipsPerPoint = 20.0;
constexpr int kPortrait = 1;
// The longest page a slip printed to a PDF is given: 200 inches, the most a PDF page may be.
constexpr double kLongestRoll = 14400;

// The sheet's face: Arial, for which Liberation Sans (the same widths) stands in where Arial is
// not installed, so that the sheet is laid out as the columns were measured for.
QFont SheetFont(const GridCell& cell) {
  QFont font;
  font.setFamilies({"Arial", "Liberation Sans", "Arimo"});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(cell.font_size.value_or(kSheetFontPoints));
  return font;
}

bool IsBlankRow(const GridModel& sheet, int row) {
  for (int c = 0; c < sheet.Cols(); ++c) {
    const GridCell& cell = sheet.Cell(row, c);
    if (!cell.text.empty() || cell.border) return false;
  }
  return true;
}

// A cell's text laid out for its column on the printer: on one line when it fits, else on as
// many as it needs, broken at blanks (or, for a word longer than the column, within the word), so
// that no value is ever cut at the column's edge.
class CellLines {
 public:
  CellLines(const GridCell& cell, int width, const QPaintDevice& device)
      : layout_(CellText(cell.text), SheetFont(cell), &device) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout_.setTextOption(option);
    layout_.beginLayout();
    for (QTextLine line = layout_.createLine(); line.isValid(); line = layout_.createLine()) {
      line.setLineWidth(std::max(width, 1));
      line.setPosition(QPointF(0, height_));
      height_ += line.height();
    }
    layout_.endLayout();
    height_ = std::max(height_, static_cast<double>(QFontMetrics(SheetFont(cell), &device).height()));
  }
  double height() const { return height_; }
  void Draw(QPainter& painter, const QPointF& at) const { layout_.draw(&painter, at); }

 private:
  QTextLayout layout_;
  double height_ = 0;
};

// Lays out and paints rows of one sheet for one printer, in the printer's pixels.
class SheetPainter {
 public:
  SheetPainter(const GridModel& sheet, QPrinter& printer) : sheet_(sheet), printer_(printer) {}

  int RowHeight(int row) const {
    double text_height = 0;
    for (int c = 0; c < sheet_.Cols(); ++c) text_height = std::max(text_height, Lines(row, c).height());
    return static_cast<int>(std::ceil(text_height)) + 2 * TwipsToPixelsY(kCellPaddingY, printer_);
  }

  void PaintRow(QPainter& painter, int row, int top, int height) const {
    int left = 0;
    for (int c = 0; c < sheet_.Cols(); ++c) {
      const int width = TwipsToPixelsX(sheet_.ColWidth(c), printer_);
      PaintCell(painter, row, c, QRect(left, top, width, height));
      left += width;
    }
  }

 private:
  int TextWidth(int col) const {
    return TwipsToPixelsX(sheet_.ColWidth(col), printer_) - 2 * TwipsToPixelsX(kCellPaddingX, printer_);
  }
  CellLines Lines(int row, int col) const { return CellLines(sheet_.Cell(row, col), TextWidth(col), printer_); }

  void PaintCell(QPainter& painter, int row, int col, const QRect& rect) const {
    const GridCell& cell = sheet_.Cell(row, col);
    const QPalette palette;
    if (cell.back) painter.fillRect(rect, ToQColor(*cell.back, palette));
    painter.setPen(cell.fore ? ToQColor(*cell.fore, palette) : QColor(Qt::black));
    // The text stands in the middle of its row, as a single line of the grid does.
    const CellLines lines = Lines(row, col);
    lines.Draw(painter, QPointF(rect.left() + TwipsToPixelsX(kCellPaddingX, printer_),
                                rect.top() + (rect.height() - lines.height()) / 2));
    if (cell.border) PaintBorder(painter, *cell.border, rect);
  }

  int LineWidth(int width) const {
    return std::max(1, TwipsToPixelsX(width * kTwipsPerLineWidth, printer_));
  }

  void PaintBorder(QPainter& painter, const CellBorder& border, const QRect& r) const {
    const QColor color = ToQColor(border.color, QPalette());
    if (border.left > 0)
      painter.fillRect(QRect(r.left(), r.top(), LineWidth(border.left), r.height()), color);
    if (border.top > 0)
      painter.fillRect(QRect(r.left(), r.top(), r.width(), LineWidth(border.top)), color);
    if (border.right > 0) {
      const int w = LineWidth(border.right);
      painter.fillRect(QRect(r.left() + r.width() - w, r.top(), w, r.height()), color);
    }
    if (border.bottom > 0) {
      const int w = LineWidth(border.bottom);
      painter.fillRect(QRect(r.left(), r.top() + r.height() - w, r.width(), w), color);
    }
  }

  const GridModel& sheet_;
  QPrinter& printer_;
};

// A slip printed to a PDF is one page as long as its rows (up to kLongestRoll), as a slip
// printer's roll is cut after the last line; a longer slip goes on further pages of that length.
void FitRollLength(QPrinter& printer, const SheetPageSetup& setup, const std::vector<int>& heights) {
  if (printer.outputFormat() != QPrinter::PdfFormat || setup.paper_width <= 0) return;
  const double pixels = std::accumulate(heights.begin(), heights.end(), 0.0);
  const double margins = 2 * setup.margin / kTwipsPerPoint;
  const double length = std::min(std::ceil(pixels * 72.0 / printer.resolution() + margins) + 1, kLongestRoll);
  printer.setPageSize(QPageSize(QSizeF(setup.paper_width / kTwipsPerPoint, length), QPageSize::Point,
                                "Work sheet", QPageSize::ExactMatch));
  printer.setPageOrientation(QPageLayout::Portrait);
  const double margin = setup.margin / kTwipsPerPoint;
  printer.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Point);
}

QString SuggestedPdfName(const SheetPageSetup& setup) {
  return QString::fromStdString(setup.document_name) + ".pdf";
}

// Where a sheet printed to a file goes unless the user says otherwise: the user's documents
// folder when there is one, else the home folder.
QString SuggestedPdfPath(const SheetPageSetup& setup) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  return QDir(folder).filePath(SuggestedPdfName(setup));
}

// The preview's own Print, also on Ctrl+P: it asks for the printer (or the file) and prints.
void AddPrintShortcut(QPrintPreviewDialog& preview) {
  for (QAction* action : preview.findChildren<QAction*>()) {
    if (action->text().remove('&') == QPrintPreviewDialog::tr("Print")) {
      action->setShortcut(QKeySequence::Print);
      action->setObjectName("Print");
      return;
    }
  }
}

// The preview's extra tool: the sheet saved as PDF, on its own page set-up, wherever the user
// chooses.
void AddSavePdfAction(QPrintPreviewDialog& preview, const GridModel& sheet,
                      const SheetPageSetup& setup) {
  auto* save = new QAction("Save as PDF...", &preview);
  save->setObjectName("SavePdf");
  if (auto* toolbar = preview.findChild<QToolBar*>()) {
    toolbar->addSeparator();
    toolbar->addAction(save);
  } else {
    preview.addAction(save);
  }
  QObject::connect(save, &QAction::triggered, &preview, [&preview, &sheet, setup] {
    const QString file = QFileDialog::getSaveFileName(&preview, "Save as PDF",
                                                      SuggestedPdfPath(setup), "PDF files (*.pdf)");
    if (file.isEmpty()) return;
    QString error;
    if (!WriteSheetPdf(sheet, setup, file, &error)) {
      BoardHost().ShowMessage({"The work sheet could not be saved to " + file.toStdString() + ": " +
                                   error.toStdString(),
                               "Tervalo", MessageIcon::kExclamation});
    }
  });
}

}  // namespace

std::vector<PageRows> PaginateSheet(const GridModel& sheet, const std::vector<int>& row_heights,
                                    int page_height, int heading_rows) {
  const int rows = std::min(sheet.Rows(), static_cast<int>(row_heights.size()));
  const int fixed = std::clamp(std::max(sheet.FixedRows(), heading_rows), 0, rows);
  const int heading = std::accumulate(row_heights.begin(), row_heights.begin() + fixed, 0);
  const int room = std::max(page_height - heading, 1);
  std::vector<PageRows> pages;
  PageRows page{fixed, fixed - 1};
  int used = 0;
  auto place = [&](int first, int last, int height) {
    if (used > 0 && used + height > room) {
      pages.push_back(page);
      page = {first, first - 1};
      used = 0;
    }
    page.last = last;
    used += height;
  };
  for (int row = fixed; row < rows;) {
    int end = row + 1;
    while (end < rows && !IsBlankRow(sheet, end)) ++end;
    const int height = std::accumulate(row_heights.begin() + row, row_heights.begin() + end, 0);
    if (height <= room) {
      place(row, end - 1, height);
    } else {
      for (int r = row; r < end; ++r) place(r, r, row_heights[static_cast<size_t>(r)]);
    }
    row = end;
  }
  pages.push_back(page);
  return pages;
}

void ApplyPageSetup(QPrinter& printer, const SheetPageSetup& setup) {
  printer.setDocName(QString::fromStdString(setup.document_name));
  if (printer.outputFormat() == QPrinter::PdfFormat && setup.paper_width > 0) {
    const double length = printer.pageLayout().fullRectPoints().height();
    printer.setPageSize(QPageSize(QSizeF(setup.paper_width / kTwipsPerPoint, length),
                                  QPageSize::Point, "Work sheet", QPageSize::ExactMatch));
  }
  if (setup.orientation == kPortrait) printer.setPageOrientation(QPageLayout::Portrait);
  const double margin = setup.margin / kTwipsPerPoint;
  printer.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Point);
}

bool PrintGrid(const GridModel& sheet, QPrinter& printer, const SheetPageSetup& setup) {
  const SheetPainter rows(sheet, printer);
  std::vector<int> heights;
  for (int r = 0; r < sheet.Rows(); ++r) heights.push_back(rows.RowHeight(r));
  FitRollLength(printer, setup, heights);
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const int page_height = printer.pageLayout().paintRectPixels(printer.resolution()).height();
  const int heading = std::min(std::max(sheet.FixedRows(), setup.heading_rows), sheet.Rows());
  bool first_page = true;
  for (const PageRows& page : PaginateSheet(sheet, heights, page_height, setup.heading_rows)) {
    if (!first_page && !printer.newPage()) return false;
    first_page = false;
    int top = 0;
    auto paint = [&](int r) {
      rows.PaintRow(painter, r, top, heights[static_cast<size_t>(r)]);
      top += heights[static_cast<size_t>(r)];
    };
    for (int r = 0; r < heading; ++r) paint(r);
    for (int r = page.first; r <= page.last; ++r) paint(r);
  }
  return painter.end();
}

bool WriteSheetPdf(const GridModel& sheet, const SheetPageSetup& setup, const QString& file,
                   QString* error) {
  // The file is opened once before the printer takes it, so that a file that cannot be written is
  // told with the system's reason rather than by the printer's own warnings.
  QFile probe(file);
  if (!probe.open(QIODevice::WriteOnly)) {
    if (error != nullptr) *error = probe.errorString();
    return false;
  }
  probe.close();
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(file);
  ApplyPageSetup(printer, setup);
  return PrintGrid(sheet, printer, setup);
}

void PrintMechanicList(QWidget* parent, frmTervalo& form, int mechanic, int columns, const ShareWork& on_share) {
  SheetPageSetup setup;
  std::optional<EngineError> failure;
  RunOnShare(on_share, [&] {
    try {
      setup = form.PrintList(mechanic, columns);
    } catch (const EngineError& error) {
      failure = error;
    }
  });
  if (failure) {
    ReportEngineError(*failure);
    return;
  }
  const GridModel& sheet = form.board().PG;
  QPrinter printer(QPrinter::HighResolution);
  // Without a printer the sheet goes to a PDF file, named after the sheet, in the user's folder.
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(SuggestedPdfPath(setup));
  }
  ApplyPageSetup(printer, setup);

  // One way to print: the preview first; its Print asks for the printer and prints.
  QPrintPreviewDialog preview(&printer, parent);
  preview.setObjectName("WorkSheetPreview");
  preview.setWindowTitle(QString::fromStdString(setup.document_name));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [&sheet, setup](QPrinter* target) { PrintGrid(sheet, *target, setup); });
  AddPrintShortcut(preview);
  AddSavePdfAction(preview, sheet, setup);
  preview.exec();
}

}  // namespace tervalo
