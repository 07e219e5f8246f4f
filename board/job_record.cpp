#include "board/job_record.h"

#include <cstdio>
#include <algorithm>

#include "base/basic_text.h"
#include "engine/business_basic.h"

namespace tervalo {
namespace {

// Characters first..first+count-1 of the decimal text of value (the "+ 10000000, characters 2
// to 8" idiom that pads a number with leading zeros).
std::string Digits(int64_t value, int first, int count) {
  return std::string(Mid(std::to_string(value), first, count));
}

}  // namespace

int32_t ChainLinkOf(cBusinessBasic& engine, std::string_view record) {
  const int32_t link = engine.Unpack("K", record, 110);
  return link < 0 ? -link : link;
}

int32_t ChainFlagOf(cBusinessBasic& engine, std::string_view record) {
  return engine.Unpack("B", record, 115);
}

JobRecord DecodeJobRecord(cBusinessBasic& engine, const std::string& record) {
  JobRecord job;
  job.kind = engine.Unpack("C", record, 1);
  job.is_remark = Left(record, 5) == "REMRQ";
  if (job.is_remark) job.remark = std::string(Mid(record, 7));
  job.part_list = (engine.Unpack("B", record, 116) & 64) != 0;
  if (job.part_list) {
    job.brand = engine.Unpack("D", record, 27);
    job.model = std::string(Mid(record, 30, 18));
    job.key_tail = std::string(Mid(record, 48, 3));
  } else {
    std::string first(Mid(record, 27, 10));
    std::string second(Mid(record, 37, 14));
    job.description1 = engine.Ucm(first);
    job.description2 = engine.Ucm(second);
  }
  std::string serial1(Mid(record, 51, 12));
  std::string serial2(Mid(record, 63, 12));
  job.serial1 = engine.Ucm(serial1);
  job.serial2 = engine.Ucm(serial2);
  job.reference = engine.Unpack("L", record, 75);
  job.hold = engine.Unpack("B", record, 79);
  job.date_in = engine.Unpack("C", record, 95);
  job.request_number = engine.Unpack("B", record, 97) + 1;
  const std::string_view status = Mid(record, 99, 1);
  job.status = status.empty() ? ' ' : status[0];
  job.job_number = engine.Unpack("C", record, 101);
  job.next_link = ChainLinkOf(engine, record);
  job.chain_flag = ChainFlagOf(engine, record);
  job.mechanic = engine.Unpack("B", record, kMechanicBytePosition);
  const int32_t priority = engine.Unpack("B", record, 156);
  job.priority = priority >= 1 && priority <= kPriorities ? priority : 1;
  return job;
}

SlimJobRecord SlimJobRecordOf(cBusinessBasic& engine, std::string_view record) {
  SlimJobRecord slim;
  std::copy_n(record.begin() + 26, slim.unit.size(), slim.unit.begin());
  slim.kind = static_cast<uint16_t>(engine.Unpack("C", record, 1));
  slim.is_remark = Left(record, 5) == "REMRQ";
  slim.flags = static_cast<uint8_t>(engine.Unpack("B", record, 116));
  slim.reference = engine.Unpack("L", record, 75);
  slim.hold = static_cast<uint8_t>(engine.Unpack("B", record, 79));
  slim.date_in = static_cast<uint16_t>(engine.Unpack("C", record, 95));
  slim.request = static_cast<uint8_t>(engine.Unpack("B", record, 97));
  slim.status = record[98];
  slim.job_number = static_cast<uint16_t>(engine.Unpack("C", record, 101));
  slim.next_link = ChainLinkOf(engine, record);
  slim.chain_flag = static_cast<uint8_t>(ChainFlagOf(engine, record));
  slim.mechanic = static_cast<uint8_t>(engine.Unpack("B", record, kMechanicBytePosition));
  slim.priority = static_cast<uint8_t>(engine.Unpack("B", record, 156));
  return slim;
}

std::string RemarkShown(std::string_view record) { return std::string(Mid(record, 7, kRemarkShown)); }

JobRecord DecodeSlimJobRecord(cBusinessBasic& engine, const SlimJobRecord& slim, std::string remark) {
  JobRecord job;
  job.kind = slim.kind;
  job.is_remark = slim.is_remark;
  if (job.is_remark) job.remark = std::move(remark);
  job.part_list = (slim.flags & 64) != 0;
  const std::string_view unit(slim.unit.data(), slim.unit.size());
  if (job.part_list) {
    job.brand = engine.Unpack("D", unit, 1);
    job.model = std::string(unit.substr(3, 18));
    job.key_tail = std::string(unit.substr(21, 3));
  } else {
    std::string first(unit.substr(0, 10));
    std::string second(unit.substr(10, 14));
    job.description1 = engine.Ucm(first);
    job.description2 = engine.Ucm(second);
  }
  job.reference = slim.reference;
  job.hold = slim.hold;
  job.date_in = slim.date_in;
  job.request_number = slim.request + 1;
  job.status = slim.status;
  job.job_number = slim.job_number;
  job.next_link = slim.next_link;
  job.chain_flag = slim.chain_flag;
  job.mechanic = slim.mechanic;
  job.priority = slim.priority >= 1 && slim.priority <= kPriorities ? slim.priority : 1;
  return job;
}

std::string StatusText(char status, const BoardSettings& settings) {
  switch (status) {
    case 'O': return "Open";
    case 'C': return "Complete";
    case 'B': return "Billed";
    default:
      if (status >= '1' && status <= '5') return "Open - " + settings.SubStatusName(status - '0');
      return "Initial";
  }
}

std::string DateText(cBusinessBasic& engine, int32_t day_number) {
  int32_t n = day_number, month = 0, day = 0, yy = 0;
  engine.Stma(11, n, month, day, yy);
  return MonthDayYear(month, day, yy);
}

std::string MonthDayYear(int32_t month, int32_t day, int32_t year) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d", month, day, (year % 100 + 100) % 100);
  return text;
}

std::string JobText(cBusinessBasic& engine, const JobRecord& job, bool quote,
                    const std::string& line4, const std::string& line5,
                    const BoardSettings& settings) {
  std::string reference = std::to_string(job.reference) + "       ";
  reference.resize(7);
  std::string number = std::to_string(job.job_number);
  if (number.size() < 4) number.insert(0, 4 - number.size(), ' ');
  return "Ref: " + reference + (quote ? "  Quote: " : "    Job: ") + number + "\n" +
         DateText(engine, job.date_in) + " - " + settings.PriorityName(job.priority) + "\n" +
         StatusText(job.status, settings) + "\n" + line4 + "\n" + line5;
}

namespace {

// Four digits with leading zeros. The job index reaches job 10086: job numbers of 10000 and up
// would wrap to four digits and sort among the first jobs, so they get a ':' (the character
// after '9') in front of their last four digits and sort after 9999; every other key keeps its
// four digits.
std::string JobNumberKey(int32_t job_number) {
  if (job_number >= 10000) return ":" + Digits(int64_t{job_number % 10000} + 10000, 2, 4);
  return Digits(int64_t{job_number} + 10000, 2, 4);
}

}  // namespace

const char* SortFieldName(char letter) {
  for (const SortField& f : kSortFields) {
    if (f.letter == letter) return f.name;
  }
  return nullptr;
}

char SortFieldLetter(std::string_view name) {
  for (const SortField& f : kSortFields) {
    if (name == f.name) return f.letter;
  }
  return '\0';
}

std::string SortKey(std::string_view sort_order, int32_t reference, int32_t priority,
                    int32_t date_in, int32_t job_number) {
  std::string key;
  for (char letter : sort_order) {
    switch (letter) {
      case 'R': key += Digits(int64_t{reference} + 10000000, 2, 7) + " "; break;
      case 'P': key += std::to_string(priority) + " "; break;
      case 'D': key += std::to_string(date_in) + " "; break;
      case 'J': key += JobNumberKey(job_number) + " "; break;
      default: break;
    }
  }
  return key;
}


}  // namespace tervalo
