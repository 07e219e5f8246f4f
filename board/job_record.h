#pragma once
// The fields of an INVOL record that the board uses, and the texts it builds from them: status
// text, job text and sort key.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "board/board_state.h"

namespace tervalo {

class cBusinessBasic;

inline constexpr int32_t kKindJob = 80;
inline constexpr int32_t kKindQuote = 81;
inline constexpr int32_t kMechanicBytePosition = 141;

struct JobRecord {
  int32_t kind = 0;            // C at 1: 80 job, 81 quote
  bool is_remark = false;      // begins with "REMRQ"
  std::string remark;          // characters 7 to the end of a remark record
  bool part_list = false;      // flag bit 64 at 116: brand code and model in the part list
  int32_t brand = 0;           // D at 27 (part-list jobs)
  std::string model;           // 18 characters at 30 (part-list jobs)
  std::string key_tail;        // 3 characters at 48 (part-list jobs)
  std::string description1;    // 15 characters expanded from 27 (other jobs)
  std::string description2;    // 21 characters expanded from 37 (other jobs)
  std::string serial1;         // 18 characters expanded from 51 (empty from a SlimJobRecord)
  std::string serial2;         // 18 characters expanded from 63 (empty from a SlimJobRecord)
  int32_t reference = 0;       // L at 75
  int32_t hold = 0;            // B at 79: must be 0 to show
  int32_t date_in = 0;         // C at 95, a day number
  int32_t request_number = 0;  // B at 97, plus 1
  char status = ' ';           // 99
  int32_t job_number = 0;      // C at 101
  int32_t next_link = 0;       // absolute value of K at 110
  int32_t chain_flag = 0;      // B at 115: the chain goes on when 2 or more
  int32_t mechanic = 0;        // B at 141
  int32_t priority = 1;        // B at 156; anything but 1-8 counts as 1
};

JobRecord DecodeJobRecord(cBusinessBasic& engine, const std::string& record);

// What a refresh keeps of each INVOL record it reads in bulk: the fields of the board's rows,
// request chains and marks, 48 bytes instead of a whole record, so that a refresh can keep every
// record of a large file at once. The serial numbers are not kept (the card and the work sheet
// read their records one by one), and of a remark only what a request label shows.
struct SlimJobRecord {
  std::array<char, 24> unit{};  // bytes 27-50: the compressed descriptions, or brand, model, key tail
  int32_t reference = 0;
  int32_t next_link = 0;
  uint16_t kind = 0;
  uint16_t date_in = 0;
  uint16_t job_number = 0;
  uint8_t flags = 0;     // byte 116
  uint8_t hold = 0;
  uint8_t request = 0;   // byte 97 as stored: the request number minus 1
  uint8_t chain_flag = 0;
  uint8_t mechanic = 0;
  uint8_t priority = 0;  // byte 156 as stored
  char status = ' ';
  bool is_remark = false;
};
// A record must reach the last byte a SlimJobRecord takes from it (the priority).
inline constexpr size_t kSlimRecordReach = 156;
// A request label ("Req 1  " and the remark) is 30 characters: at most 23 of a remark show.
inline constexpr size_t kRemarkShown = 23;
// REQUIRES: record.size() >= kSlimRecordReach.
SlimJobRecord SlimJobRecordOf(cBusinessBasic& engine, std::string_view record);
// The first kRemarkShown characters of a remark record's text (from byte 7).
std::string RemarkShown(std::string_view record);
// The record as DecodeJobRecord gives it, but for the serial numbers (empty) and the remark (the
// text given, the beginning that RemarkShown kept).
JobRecord DecodeSlimJobRecord(cBusinessBasic& engine, const SlimJobRecord& slim, std::string remark);
// The chain fields alone, for walking chains without decoding whole records: the record number
// of the next record (absolute value of K at 110) and the flag at 115 (the chain goes on at 2).
int32_t ChainLinkOf(cBusinessBasic& engine, std::string_view record);
int32_t ChainFlagOf(cBusinessBasic& engine, std::string_view record);

// "Open", "Open - " + sub-status name, "Complete", "Billed" or "Initial".
std::string StatusText(char status, const BoardSettings& settings);
// MM/DD/YY of a day number.
std::string DateText(cBusinessBasic& engine, int32_t day_number);
// "mm/dd/yy", as the board's rows and the job card write a date: the last two digits of the year
// (which may be past 99).
std::string MonthDayYear(int32_t month, int32_t day, int32_t year);
// Line 1 to 5 of a job text (line 6, the request label, is added by the caller).
std::string JobText(cBusinessBasic& engine, const JobRecord& job, bool quote,
                    const std::string& line4, const std::string& line5,
                    const BoardSettings& settings);
// The four sort fields: the letter stored in the sort order and the name the sort grid shows.
struct SortField {
  char letter;
  const char* name;
};
inline constexpr SortField kSortFields[] = {
    {'R', "Reference"}, {'P', "Priority"}, {'D', "Date In"}, {'J', "Job Number"}};
// The name of a sort letter, or null; the letter of a name, or '\0'.
const char* SortFieldName(char letter);
char SortFieldLetter(std::string_view name);

// The sort key: for each letter of the sort order its field and one space.
std::string SortKey(std::string_view sort_order, int32_t reference, int32_t priority,
                    int32_t date_in, int32_t job_number);

}  // namespace tervalo
