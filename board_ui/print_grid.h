#pragma once
// Printing a work sheet: the print grid PG painted onto a QPrinter page by page, the print
// preview of the label's print menu, and a PDF written without any dialog.

#include <QString>
#include <vector>

#include "board/grid_model.h"
#include "board/print_list.h"
#include "board_ui/share_work.h"

class QPrinter;
class QWidget;

namespace tervalo {

class frmTervalo;

// The size of every line that has no size of its own.
inline constexpr int kSheetFontPoints = 9;

// The body rows (those below the fixed rows) that one page holds, first to last.
struct PageRows {
  int first = 0;
  int last = -1;
  friend bool operator==(const PageRows&, const PageRows&) = default;
};

// Splits the body rows of `sheet` into pages of `page_height` (after the heading rows, which head
// every page: its fixed rows, or the first `heading_rows` when there are more), given every row's
// height. A job's lines form one group that starts at a blank row (no text, no frame) and runs to
// the next one; a page ends before a group that does not fit, so a job is never cut in two. Only
// a group taller than a whole page is cut, at a row.
std::vector<PageRows> PaginateSheet(const GridModel& sheet, const std::vector<int>& row_heights,
                                    int page_height, int heading_rows = 0);

// The printer's document name, orientation and margins as the sheet asks. For a PDF the page
// is the sheet's own: a slip printer's roll width when it has one, else the printer's paper.
void ApplyPageSetup(QPrinter& printer, const SheetPageSetup& setup);

// Paints the sheet onto the printer: column widths in twips through the printer's resolution,
// each cell's font size and frame, a text too wide for its column on further lines of its row,
// page breaks between jobs with the heading rows on every page. A slip printed to a PDF is one
// page as long as its rows. False when the printer cannot be painted on (a PDF file that cannot
// be written, a printer that refuses the job).
bool PrintGrid(const GridModel& sheet, QPrinter& printer, const SheetPageSetup& setup);

// Writes the sheet to a PDF file without any dialog. False when the file cannot be written, with
// the system's reason in `error` when it is given.
bool WriteSheetPdf(const GridModel& sheet, const SheetPageSetup& setup, const QString& file,
                   QString* error = nullptr);

// The label menu's "Print 40 Column" (columns 1) and "Print 80 Column" (columns 3) for mechanic
// grid `mechanic`: builds the sheet and shows it in a print preview titled with the sheet's name;
// the preview's Print (Ctrl+P) asks for the printer and prints, "Save as PDF..." saves it.
// Without any printer installed Print writes a PDF, proposed as the sheet's name in the user's
// documents (or home) folder. A failure of the data engine is reported and nothing is printed.
void PrintMechanicList(QWidget* parent, frmTervalo& form, int mechanic, int columns, const ShareWork& on_share = {});

}  // namespace tervalo
