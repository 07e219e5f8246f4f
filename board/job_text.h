#pragma once
// What the board reads out of a row's job text: its lines, the job, reference and request
// numbers, and whether the job is finished. The one home of these rules; every grid uses them.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tervalo {

// Splits a job text at line feeds.
std::vector<std::string> SplitLines(std::string_view text);
// Splits a grid's Clip (or a dragged text) at carriage returns into its rows.
std::vector<std::string> SplitRows(std::string_view text);
std::string JoinLines(const std::vector<std::string>& lines);

// The job number of a job text: the value of the 4 characters just before the first line feed
// (a fifth digit in front of them belongs to the number too). 0 when there is no line feed.
int32_t GetJobNumber(std::string_view job_text);
// The reference number: the value of characters 6 to 12.
int32_t ReferenceNumberOf(std::string_view job_text);
// The request number a tall row shows: the value of characters 5-6 of its sixth line; 0 when the
// text has fewer lines.
int32_t RequestNumberOf(std::string_view job_text);
// A job is finished when its third line contains "Complete" or "Billed".
bool IsFinished(std::string_view job_text);

// Whether a text is a job text as the board makes them: a job number (GetJobNumber at least 1),
// five lines (six on tall rows: the request label after them) and no control byte but the line
// feeds. Only such texts go into a grid, from a schedule file or from another program's drop:
// every row the board writes to a list is one its next reading of the list takes back.
bool IsJobText(std::string_view job_text);

// What the board's logic reads out of a row's job text, read once where the row is made or its
// text replaced, and carried beside the text (GridModel::JobOf).
struct RowJob {
  int32_t job_number = 0;  // GetJobNumber
  int32_t reference = 0;   // ReferenceNumberOf
  int32_t request = 0;     // RequestNumberOf
  bool finished = false;   // IsFinished
  friend bool operator==(const RowJob&, const RowJob&) = default;
};
RowJob RowJobOf(std::string_view job_text);

// A job as the board tells its rows apart: job number and, on tall rows, the request the row
// shows (0 on normal rows, whose text names no request).
using JobKey = std::pair<int32_t, int32_t>;

}  // namespace tervalo
