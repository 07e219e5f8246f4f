// The field codec: packed binary integers, dates, 3-for-2 character compression and the small
// text, number and clock helpers of the engine.

#include <array>
#include <cctype>
#include <chrono>
#include <ctime>

#include "engine/basic_text.h"
#include "engine/business_basic.h"
#include "environment/shared_instances.h"
#include "environment/system.h"

namespace tervalo {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

// Width of an opcode's field in bytes, or 0 for an unknown opcode. REQUIRES: upper case.
int OpcodeWidth(char op) {
  switch (op) {
    case 'B': case 'I': return 1;
    case 'C': case 'J': return 2;
    case 'D': case 'K': return 3;
    case 'L': return 4;
    default: return 0;
  }
}

char OpcodeLetter(std::string_view opcode) {
  return opcode.size() == 1 ? UpperAscii(opcode[0]) : '\0';
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

[[noreturn]] void ThrowUnknownOpcode(const char* source, std::string_view upper) {
  throw EngineError(kErrUnknownOpcode, source, "Unknown OpCode = " + Quoted(upper));
}

void CheckPosition(const char* source, int32_t position) {
  if (position < 1) throw EngineError(kErrInvalidArgument, source, kInvalidArgumentText);
}

int CheckedPackWidth(std::string_view opcode, size_t data_size, int32_t position) {
  const char op = OpcodeLetter(opcode);
  const int width = OpcodeWidth(op);
  if (width == 0) ThrowUnknownOpcode("Pack", UCase(opcode));
  CheckPosition("Pack", position);
  if (data_size < static_cast<size_t>(position) + static_cast<size_t>(width) - 1) {
    throw EngineError(kErrFieldOutside, "Pack",
                      "Invalid Subscript.  Pack " + Quoted(std::string(1, op)) + ", Data$, " +
                          std::to_string(position) + "   Len(Data$) = " + std::to_string(data_size));
  }
  return width;
}

void PackUnchecked(std::string& data, uint32_t value, size_t offset, int width) {
  for (int i = width - 1; i >= 0; --i) {
    data[offset + static_cast<size_t>(i)] = static_cast<char>(value & 0xFF);
    value >>= 8;
  }
}

int32_t UnpackChecked(std::string_view opcode, std::string_view data, int32_t position) {
  const char op = OpcodeLetter(opcode);
  const int width = OpcodeWidth(op);
  if (width == 0) ThrowUnknownOpcode("UnPack", UCase(opcode));
  CheckPosition("UnPack", position);
  const bool is_signed = op == 'I' || op == 'J' || op == 'K' || op == 'L';
  // The sign byte is read before the range check; a position past the end fails here.
  if (is_signed && op != 'L' && static_cast<size_t>(position) > data.size()) {
    throw EngineError(kErrInvalidArgument, "UnPack", kInvalidArgumentText);
  }
  if (data.size() < static_cast<size_t>(position) + static_cast<size_t>(width) - 1) {
    throw EngineError(kErrFieldOutside, "UnPack",
                      "Invalid Subscript.  UnPack(" + Quoted(std::string(1, op)) + ", Data$, " +
                          std::to_string(position) + ")   Len(Data$) = " + std::to_string(data.size()));
  }
  uint32_t value = 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data()) + (position - 1);
  for (int i = 0; i < width; ++i) value = (value << 8) | bytes[i];
  if (is_signed && width < 4 && (bytes[0] & 0x80) != 0) value |= ~0u << (8 * width);
  return static_cast<int32_t>(value);
}

// Month, day and two-digit year read with the window 00-29 = 2000s, 30-99 = 1900s; none when the
// triple is not a real date.
std::optional<sys_days> FromMonthDayYY(int month, int day, int yy) {
  if (month < 1 || month > 12 || day < 1 || day > 31 || yy < 0 || yy > 99) return std::nullopt;
  const int year = yy < 30 ? 2000 + yy : 1900 + yy;
  const year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                           std::chrono::day{static_cast<unsigned>(day)}};
  if (!ymd.ok()) return std::nullopt;
  return sys_days{ymd};
}

// A number MMDDYY (the digits of the pattern "00/00/00") as a date; none when not a date.
std::optional<sys_days> FromMmddyy(int32_t n) {
  if (n <= 0 || n > 999999) return std::nullopt;
  return FromMonthDayYY(n / 10000, (n / 100) % 100, n % 100);
}

int32_t DayNumber(sys_days day) { return static_cast<int32_t>((day - kDayNumberEpoch).count()); }

sys_days FromDayNumber(int32_t n) { return n == 0 ? kEmptyDate : kDayNumberEpoch + days{n}; }

struct LocalClock {
  year_month_day date;
  std::chrono::seconds time_of_day;
};

LocalClock ReadLocalClock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {year_month_day{std::chrono::year{local.tm_year + 1900},
                         std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                         std::chrono::day{static_cast<unsigned>(local.tm_mday)}},
          std::chrono::seconds{local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec}};
}

}  // namespace

void cBusinessBasic::Pack(std::string& OpCode, std::string& Data, int32_t value, int32_t Position) {
  for (char& c : OpCode) c = UpperAscii(c);
  Pack(std::string_view(OpCode), Data, value, Position);
}

void cBusinessBasic::Pack(std::string_view OpCode, std::string& Data, int32_t value,
                          int32_t Position) {
  const int width = CheckedPackWidth(OpCode, Data.size(), Position);
  PackUnchecked(Data, static_cast<uint32_t>(value), static_cast<size_t>(Position - 1), width);
}

int32_t cBusinessBasic::Unpack(std::string& OpCode, std::string_view Data, int32_t Position) {
  for (char& c : OpCode) c = UpperAscii(c);
  return UnpackChecked(OpCode, Data, Position);
}

int32_t cBusinessBasic::Unpack(std::string_view OpCode, std::string_view Data, int32_t Position) {
  return UnpackChecked(OpCode, Data, Position);
}

void cBusinessBasic::PackDate(std::string_view OpCode, std::string& Data, int32_t Position,
                              const DateTime& value) {
  if (OpCode.size() != 1) return;
  const year_month_day ymd = value.Ymd();
  const int yy = static_cast<int>(ymd.year()) % 100;
  const int month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  const int day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  switch (OpCode[0]) {
    case 'C': case 'J': {
      const bool empty = value.day == kEmptyDate && value.time_of_day.count() == 0;
      Pack("C", Data, empty ? 0 : DayNumber(value.day), Position);
      return;
    }
    case 'D': case 'K':
      Pack("D", Data, month * 10000 + day * 100 + yy, Position);
      return;
    case 'R':
      Pack("D", Data, yy * 10000 + month * 100 + day, Position);
      return;
    default:
      return;
  }
}

DateTime cBusinessBasic::UnPackDate(std::string_view OpCode, std::string_view Data,
                                    int32_t Position) {
  DateTime result{kEmptyDate};
  if (OpCode.size() != 1) return result;
  const char op = OpCode[0];
  try {
    if (op == 'C' || op == 'J') {
      result.day = FromDayNumber(Unpack("C", Data, Position));
    } else if (op == 'D' || op == 'K' || op == 'R') {
      int32_t n = Unpack("D", Data, Position);
      if (op == 'R') n = (n % 10000) * 100 + n / 10000;
      result.day = FromMmddyy(n).value_or(kEmptyDate);
    }
  } catch (const EngineError&) {
    // A field outside the record decodes as the empty date.
  }
  return result;
}

std::string cBusinessBasic::Crm(std::string& Source) {
  if (const size_t rest = Source.size() % 3; rest != 0) Source.append(3 - rest, ' ');
  std::string out(Source.size() / 3 * 2, '\0');
  const char* in = Source.data();
  for (size_t g = 0, o = 0; g < Source.size(); g += 3, o += 2) {
    const unsigned v = static_cast<unsigned>(gCharTable.IndexOf(in[g]) * 1600 +
                                             gCharTable.IndexOf(in[g + 1]) * 40 +
                                             gCharTable.IndexOf(in[g + 2]));
    out[o] = static_cast<char>(v >> 8);
    out[o + 1] = static_cast<char>(v & 0xFF);
  }
  return out;
}

std::string cBusinessBasic::Ucm(std::string& Source) {
  if (Source.size() % 2 != 0) Source.push_back('\0');
  std::string out;
  out.reserve(Source.size() / 2 * 3);
  const auto* in = reinterpret_cast<const unsigned char*>(Source.data());
  for (size_t g = 0; g < Source.size(); g += 2) {
    const unsigned v = (static_cast<unsigned>(in[g]) << 8) | in[g + 1];
    // 64000 and above have no first character: index 40 lies past the alphabet.
    if (v / 1600 < static_cast<unsigned>(CharTable::kSize)) out.push_back(gCharTable.At(static_cast<int>(v / 1600)));
    out.push_back(gCharTable.At(static_cast<int>(v / 40 % 40)));
    out.push_back(gCharTable.At(static_cast<int>(v % 40)));
  }
  return out;
}

std::string cBusinessBasic::Trun(std::string_view Source, int32_t flgRemoveControlCharacters) {
  auto removable = [flgRemoveControlCharacters](char c) {
    if (flgRemoveControlCharacters == 0) return c == ' ';
    return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' ';
  };
  size_t end = Source.size();
  while (end > 0 && removable(Source[end - 1])) --end;
  return std::string(Source.substr(0, end));
}

void cBusinessBasic::StrPos(int32_t& Location, std::string_view Source, std::string_view Target) {
  const size_t at = Source.find(Target);
  Location = at == std::string_view::npos ? 0 : static_cast<int32_t>(at + 1);
}

std::vector<std::string> cBusinessBasic::Split(std::string_view Expression,
                                               std::string_view Delimiter, int32_t Limit,
                                               int32_t Compare) {
  std::vector<std::string> pieces;
  if (Delimiter.empty()) {
    if (!Expression.empty()) pieces.emplace_back(Expression);
    return pieces;
  }
  const std::string haystack = Compare == 0 ? std::string(Expression) : UCase(Expression);
  const std::string needle = Compare == 0 ? std::string(Delimiter) : UCase(Delimiter);
  size_t start = 0;
  int32_t cuts = 0;
  while (true) {
    const bool may_cut = Limit < 0 || cuts + 1 < Limit;
    const size_t at = may_cut ? haystack.find(needle, start) : std::string::npos;
    const size_t end = at == std::string::npos ? Expression.size() : at;
    if (end > start) pieces.emplace_back(Expression.substr(start, end - start));
    if (at == std::string::npos) break;
    ++cuts;
    start = at + needle.size();
  }
  return pieces;
}

int32_t cBusinessBasic::Max(int32_t Var1, int32_t Var2) { return Var2 < Var1 ? Var1 : Var2; }
int32_t cBusinessBasic::Min(int32_t Var1, int32_t Var2) { return Var1 < Var2 ? Var1 : Var2; }

void cBusinessBasic::Stma(int32_t Var1, int32_t& Var2, int32_t& Var3, int32_t& Var4, int32_t& Var5,
                          DateTime* Var6) {
  if (Var1 == 11) {
    const sys_days day = FromDayNumber(Var2);
    const year_month_day ymd{day};
    Var3 = static_cast<int32_t>(static_cast<unsigned>(ymd.month()));
    Var4 = static_cast<int32_t>(static_cast<unsigned>(ymd.day()));
    Var5 = static_cast<int32_t>(ymd.year()) % 100;
    if (Var6 != nullptr) *Var6 = DateTime{day};
  } else if (Var1 == 12) {
    if (Var3 == 1 && Var4 == 1 && Var5 == 68) {
      Var2 = 0;
    } else if (const auto day = FromMonthDayYY(Var3, Var4, Var5)) {
      Var2 = DayNumber(*day);
    }
  }
}

void cBusinessBasic::Stma(int32_t Var1, int32_t Var2, std::string_view Var3) {
  if (Var1 != 10 || Var2 != 0 || Var3.size() != 4) return;
  std::string table = gCharTable.Text();
  table.replace(0, 4, Var3);
  gCharTable.Set(table);
}

int32_t cBusinessBasic::Sys(int32_t value) {
  const LocalClock now = ReadLocalClock();
  const int year = static_cast<int>(now.date.year());
  const int month = static_cast<int>(static_cast<unsigned>(now.date.month()));
  const int day = static_cast<int>(static_cast<unsigned>(now.date.day()));
  switch (value) {
    case 1: return day;
    case 2: return month;
    case 3: return year;
    case 4: return static_cast<int32_t>(Val(system_.TerminalID));
    case 28: return month * 10000 + day * 100 + year % 100;
    case 128: return (year % 100) * 10000 + month * 100 + day;
    case 152: {
      int32_t n = 0, m = month, d = day, yy = year % 100;
      Stma(12, n, m, d, yy);
      return n;
    }
    default: return 0;
  }
}

DateTime cBusinessBasic::Now() {
  const LocalClock now = ReadLocalClock();
  return DateTime{sys_days{now.date}, now.time_of_day};
}

}  // namespace tervalo
