#pragma once
// A mechanic's job list as a printed work sheet, built as the rows of the print grid PG: the
// 40-column sheet (one narrow column, nine lines per job) for a slip printer, and the 80-column
// sheet (three columns, five lines per job, a framed box for handwritten comments).

#include <chrono>
#include <cstdint>
#include <string>

#include "board/board_state.h"

namespace tervalo {

class cBusinessBasic;

// The sheets, numbered by their count of grid columns.
inline constexpr int kSheet40Columns = 1;
inline constexpr int kSheet80Columns = 3;

// The job line of the 40-column sheet stands out in this size; every other line uses the
// sheet's own font.
inline constexpr int kJobLineFontSize = 12;

// How the sheet goes on paper, besides the rows and column widths of PG.
struct SheetPageSetup {
  std::string document_name;  // WorkSheetName of the mechanic and today
  int orientation = 0;        // 0: as the printer is set, 1: portrait
  int margin = 0;             // left-right and top-bottom margin, twips
  int paper_width = 0;        // twips: a slip printer's roll as wide as the grid; 0: any paper
  // Rows that head every page besides the fixed rows: the 40-column sheet's header (the name and
  // the date), so that a slip continued on a second page still says whose it is.
  int heading_rows = 0;
};

// The name of a mechanic's work sheet as a document, and so as a file a printer dialog proposes:
// "Work sheet ANNA KOWALSKI 2026-12-10". The name keeps only what every file system takes: a
// character that one refuses (/ \ : * ? " < > | and control characters) becomes "-", a point
// (which a dialog may take for the start of an extension) a blank, and runs of blanks one blank.
std::string WorkSheetName(const std::string& mechanic, std::chrono::sys_days today);

// The sheet of a layout (kSheet40Columns or kSheet80Columns); any other count is refused with
// std::invalid_argument. The document name is left empty.
SheetPageSetup SheetLayout(int columns);

// Builds the sheet of mechanic grid `mechanic` (0-based, as in board.mg) into board.PG for
// `today`. Prints the grid's selected rows when more than one is selected, else every row; rows
// of finished jobs (the button-text background) and rows without a job number are left out. A
// job whose index entry or record is missing or damaged prints its number and what is wrong, and
// the other jobs print as usual. Throws std::out_of_range for a mechanic the board does not have.
SheetPageSetup PrintList(BoardState& board, cBusinessBasic& engine, int mechanic, int columns,
                         std::chrono::sys_days today);

}  // namespace tervalo
