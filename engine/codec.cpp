// The field codec: packed binary integers, dates, 3-for-2 character compression and the small
// text, number and clock helpers of the engine.

#include "engine/codec.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "base/basic_text.h"
#include "base/coding.h"
#include "engine/business_basic.h"
#include "engine/engine_tables.h"
#include "engine/system.h"

namespace tervalo {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

// What an opcode letter (either case) means: its field width (0 for an unknown letter), whether
// Unpack extends the sign of a short field, and the letter in upper case.
struct Opcode {
  uint8_t width = 0;
  bool sign_extends = false;
  char upper = '\0';
};

constexpr std::array<Opcode, 256> MakeOpcodeTable() {
  std::array<Opcode, 256> table{};
  const auto define = [&table](char letter, uint8_t width, bool sign_extends) {
    const Opcode op{width, sign_extends, letter};
    table[static_cast<unsigned char>(letter)] = op;
    table[static_cast<unsigned char>(letter - 'A' + 'a')] = op;
  };
  define('B', 1, false);
  define('C', 2, false);
  define('D', 3, false);
  define('I', 1, true);
  define('J', 2, true);
  define('K', 3, true);
  define('L', 4, false);  // all four bytes: signed without extension
  return table;
}

constexpr std::array<Opcode, 256> kOpcodes = MakeOpcodeTable();

// The opcode's meaning; width 0 when it is not one known letter.
inline Opcode Lookup(std::string_view opcode) {
  return opcode.size() == 1 ? kOpcodes[static_cast<unsigned char>(opcode[0])] : Opcode{};
}

// The failures are built out of line so that the success path of Pack and Unpack stays a few
// instructions long and allocates nothing.

[[noreturn, gnu::cold, gnu::noinline]] void FailUnknownOpcode(const char* source,
                                                             std::string_view opcode) {
  throw EngineError(kErrUnknownOpcode, source, "Unknown OpCode = \"" + UCase(opcode) + "\"");
}

[[noreturn, gnu::cold, gnu::noinline]] void FailInvalidArgument(const char* source) {
  throw EngineError(kErrInvalidArgument, source, kInvalidArgumentText);
}

[[noreturn, gnu::cold, gnu::noinline]] void FailPackRange(char op, int32_t position, size_t length) {
  throw EngineError(kErrFieldOutside, "Pack",
                    std::string("Invalid Subscript.  Pack \"") + op + "\", Data$, " +
                        std::to_string(position) + "   Len(Data$) = " + std::to_string(length));
}

[[noreturn, gnu::cold, gnu::noinline]] void FailUnpackRange(char op, int32_t position,
                                                           size_t length) {
  throw EngineError(kErrFieldOutside, "UnPack",
                    std::string("Invalid Subscript.  UnPack(\"") + op + "\", Data$, " +
                        std::to_string(position) + ")   Len(Data$) = " + std::to_string(length));
}

// True when the field of the given width at the 1-based position lies inside length bytes.
// REQUIRES: position >= 1.
inline bool FieldFits(int32_t position, int width, size_t length) {
  return static_cast<size_t>(position) + static_cast<size_t>(width) - 1 <= length;
}

// Writes the low-order op.width bytes of value, most significant first, at the 1-based position;
// higher bytes are dropped. The opcode text is only for the failure message.
inline void PackField(Opcode op, std::string_view opcode, std::string& data, int32_t value,
                      int32_t position) {
  if (op.width == 0) [[unlikely]] FailUnknownOpcode("Pack", opcode);
  if (position < 1) [[unlikely]] FailInvalidArgument("Pack");
  if (!FieldFits(position, op.width, data.size())) [[unlikely]] {
    FailPackRange(op.upper, position, data.size());
  }
  EncodeBigEndian(data.data() + (position - 1), static_cast<uint32_t>(value), op.width);
}

inline int32_t UnpackField(Opcode op, std::string_view opcode, std::string_view data,
                           int32_t position) {
  if (op.width == 0) [[unlikely]] FailUnknownOpcode("UnPack", opcode);
  if (position < 1) [[unlikely]] FailInvalidArgument("UnPack");
  // I, J and K read their sign byte before the field is checked; past the end that read fails.
  if (op.sign_extends && static_cast<size_t>(position) > data.size()) [[unlikely]] {
    FailInvalidArgument("UnPack");
  }
  if (!FieldFits(position, op.width, data.size())) [[unlikely]] {
    FailUnpackRange(op.upper, position, data.size());
  }
  const char* in = data.data() + (position - 1);
  const int unused = 32 - 8 * op.width;
  // The field in the top op.width bytes. When four bytes are there to read at once (one load),
  // the ones past the field are shifted out below.
  const uint32_t bits = static_cast<size_t>(position) + 3 <= data.size()
                            ? DecodeBigEndian32(in)
                            : DecodeBigEndian(in, op.width) << unused;
  // Shifting down from the top extends the sign arithmetically or fills with zeros.
  if (op.sign_extends) return static_cast<int32_t>(bits) >> unused;
  return static_cast<int32_t>(bits >> unused);
}

// Upper-cases the caller's opcode variable, as callers of Pack and Unpack expect, and returns
// its meaning.
inline Opcode UpperCaseOpcode(std::string& opcode) {
  const Opcode op = Lookup(opcode);
  if (op.width != 0) {
    opcode[0] = op.upper;
  } else {
    opcode = UCase(opcode);
  }
  return op;
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

// The unsigned C or D field that holds a date; none when it lies outside the record, which a date
// read takes as the empty date rather than as a failure.
std::optional<int32_t> DateField(char letter, std::string_view data, int32_t position) {
  const Opcode op = kOpcodes[static_cast<unsigned char>(letter)];
  if (position < 1 || !FieldFits(position, op.width, data.size())) return std::nullopt;
  return UnpackField(op, std::string_view(&letter, 1), data, position);
}

int32_t DayNumber(sys_days day) { return static_cast<int32_t>((day - kDayNumberEpoch).count()); }

sys_days FromDayNumber(int32_t n) { return n == 0 ? kEmptyDate : kDayNumberEpoch + days{n}; }

struct LocalClock {
  year_month_day date;
  std::chrono::seconds time_of_day;
};

// The workstation's date and time of day, from the host's clock.
LocalClock ReadLocalClock(Host& host) {
  const std::chrono::local_seconds now = host.Now();
  const std::chrono::local_days today = std::chrono::floor<days>(now);
  return {year_month_day{today}, now - today};
}

}  // namespace

namespace codec {

void Pack(std::string& OpCode, std::string& Data, int32_t value, int32_t Position) {
  PackField(UpperCaseOpcode(OpCode), OpCode, Data, value, Position);
}

void Pack(std::string_view OpCode, std::string& Data, int32_t value, int32_t Position) {
  PackField(Lookup(OpCode), OpCode, Data, value, Position);
}

int32_t Unpack(std::string& OpCode, std::string_view Data, int32_t Position) {
  return UnpackField(UpperCaseOpcode(OpCode), OpCode, Data, Position);
}

int32_t Unpack(std::string_view OpCode, std::string_view Data, int32_t Position) {
  return UnpackField(Lookup(OpCode), OpCode, Data, Position);
}

void PackDate(std::string_view OpCode, std::string& Data, int32_t Position, const DateTime& value) {
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

DateTime UnPackDate(std::string_view OpCode, std::string_view Data, int32_t Position) {
  DateTime result{kEmptyDate};
  if (OpCode.size() != 1) return result;
  const char op = OpCode[0];
  if (op == 'C' || op == 'J') {
    if (const auto n = DateField('C', Data, Position)) result.day = FromDayNumber(*n);
  } else if (op == 'D' || op == 'K' || op == 'R') {
    if (auto n = DateField('D', Data, Position)) {
      if (op == 'R') *n = (*n % 10000) * 100 + *n / 10000;  // YYMMDD to MMDDYY
      result.day = FromMmddyy(*n).value_or(kEmptyDate);
    }
  }
  return result;
}

std::string Crm(const CharTable& alphabet, std::string& Source) {
  if (const size_t rest = Source.size() % 3; rest != 0) Source.append(3 - rest, ' ');
  std::string out(Source.size() / 3 * 2, '\0');
  const char* in = Source.data();
  char* o = out.data();
  for (size_t g = 0; g < Source.size(); g += 3, o += 2) {
    const auto v =
        static_cast<uint32_t>(alphabet.IndexOf(in[g]) * 1600 + alphabet.IndexOf(in[g + 1]) * 40 +
                              alphabet.IndexOf(in[g + 2]));
    EncodeBigEndian16(o, v);
  }
  return out;
}

std::string Ucm(const CharTable& alphabet, std::string& Source) {
  if (Source.size() % 2 != 0) Source.push_back('\0');
  std::string out(Source.size() / 2 * 3, '\0');
  const char* in = Source.data();
  const char* letters = alphabet.Text().data();
  char* o = out.data();
  for (size_t g = 0; g < Source.size(); g += 2) {
    const uint32_t v = DecodeBigEndian16(in + g);
    // 64000 and above have no first character: index 40 lies past the alphabet.
    if (v / 1600 < static_cast<unsigned>(CharTable::kSize)) *o++ = letters[v / 1600];
    *o++ = letters[v / 40 % 40];
    *o++ = letters[v % 40];
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

}  // namespace codec

// The engine's codec calls: the functions above with the engine's alphabet.

void cBusinessBasic::Pack(std::string& OpCode, std::string& Data, int32_t value, int32_t Position) {
  codec::Pack(OpCode, Data, value, Position);
}

void cBusinessBasic::Pack(std::string_view OpCode, std::string& Data, int32_t value,
                          int32_t Position) {
  codec::Pack(OpCode, Data, value, Position);
}

int32_t cBusinessBasic::Unpack(std::string& OpCode, std::string_view Data, int32_t Position) {
  return codec::Unpack(OpCode, Data, Position);
}

int32_t cBusinessBasic::Unpack(std::string_view OpCode, std::string_view Data, int32_t Position) {
  return codec::Unpack(OpCode, Data, Position);
}

void cBusinessBasic::PackDate(std::string_view OpCode, std::string& Data, int32_t Position,
                              const DateTime& value) {
  codec::PackDate(OpCode, Data, Position, value);
}

DateTime cBusinessBasic::UnPackDate(std::string_view OpCode, std::string_view Data,
                                    int32_t Position) {
  return codec::UnPackDate(OpCode, Data, Position);
}

std::string cBusinessBasic::Crm(std::string& Source) { return codec::Crm(gCharTable, Source); }

std::string cBusinessBasic::Ucm(std::string& Source) { return codec::Ucm(gCharTable, Source); }

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
    // A triple that is no date leaves the day number as it was.
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
  const LocalClock now = ReadLocalClock(host_);
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
    // Counted from the full date: going through the two-digit year of Stma 12 would give dates
    // of the 1930s from 2030 on.
    case 152: return DayNumber(sys_days{now.date});
    default: return 0;
  }
}

DateTime cBusinessBasic::Now() {
  const LocalClock now = ReadLocalClock(host_);
  return DateTime{sys_days{now.date}, now.time_of_day};
}

}  // namespace tervalo
