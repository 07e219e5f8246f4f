// The field codec: packed integers and dates against hand-written bytes, compressed text, and the
// engine's small text, number and clock helpers.

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "base/basic_text.h"
#include "engine/business_basic.h"
#include "engine/system.h"
#include "environment/shared_instances.h"
#include "host/host.h"

namespace tervalo {
namespace {

// "FF FE" -> the two bytes FF FE.
std::string FromHex(std::string_view hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 3) {
    out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

DateTime Ymd(int year, unsigned month, unsigned day, int hour = 0) {
  return DateTime::FromYmd(year, month, day, hour);
}

const DateTime kEmpty = Ymd(1968, 1, 1);

struct Failure {
  int32_t number = 0;
  std::string source;
  std::string description;
};

// The failure an action raises; number 0 when it raises none.
Failure FailureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EngineError& e) {
    return {e.number(), e.source(), e.description()};
  }
  return {};
}

// An engine whose server does not exist: it is built without tables, which the codec never needs.
class CodecTest : public ::testing::Test {
 protected:
  ~CodecTest() override { gCharTable.Set(CharTable::kDefault); }

  static cSystem UnreachableServer() {
    cSystem system;
    system.mUNCDrive = "NO-SUCH-SERVER-FOR-CODEC-TESTS";
    return system;
  }

  cSystem system_ = UnreachableServer();
  cBusinessBasic engine_{system_, CurrentHost()};
};

// ---- Pack and Unpack ----

struct FieldCase {
  const char* opcode;
  int32_t value;
  const char* bytes;  // what Pack writes
  int32_t unpacked;   // what Unpack reads back from those bytes
};

constexpr FieldCase kFieldCases[] = {
    {"B", 127, "7F", 127},
    {"B", 300, "2C", 44},  // high bytes dropped
    {"B", -1, "FF", 255},
    {"I", -1, "FF", -1},
    {"I", 128, "80", -128},
    {"I", 127, "7F", 127},
    {"C", 0x1234, "12 34", 0x1234},
    {"C", -1, "FF FF", 65535},
    {"C", 0x10005, "00 05", 5},
    {"J", -2, "FF FE", -2},
    {"J", 32767, "7F FF", 32767},
    {"J", 0x8000, "80 00", -32768},
    {"D", 123199, "01 E1 3F", 123199},
    {"D", 0x800000, "80 00 00", 8388608},
    {"D", -1, "FF FF FF", 16777215},
    {"K", 0x800000, "80 00 00", -8388608},
    {"K", 8388607, "7F FF FF", 8388607},
    {"K", -1, "FF FF FF", -1},
    {"L", -2, "FF FF FF FE", -2},
    {"L", INT32_MIN, "80 00 00 00", INT32_MIN},
    {"L", 0x01020304, "01 02 03 04", 0x01020304},
    {"L", INT32_MAX, "7F FF FF FF", INT32_MAX},
};

TEST_F(CodecTest, PackWritesTheLowBytesBigEndianAndUnpackExtendsThem) {
  for (const FieldCase& c : kFieldCases) {
    SCOPED_TRACE(std::string(c.opcode) + " " + std::to_string(c.value));
    // The field sits between untouched neighbours.
    std::string record(6, '\xAA');
    engine_.Pack(c.opcode, record, c.value, 2);
    const std::string bytes = FromHex(c.bytes);
    EXPECT_EQ(HexBytes(record), HexBytes("\xAA" + bytes + std::string(5 - bytes.size(), '\xAA')));
    EXPECT_EQ(engine_.Unpack(c.opcode, "\x11" + bytes + "\x22", 2), c.unpacked);
  }
}

TEST_F(CodecTest, OpcodeLetterIsCaseInsensitiveAndTheCallersVariableIsUpperCased) {
  std::string record(4, '\0');
  std::string pack_op = "l";
  engine_.Pack(pack_op, record, -2, 1);
  EXPECT_EQ(pack_op, "L");
  EXPECT_EQ(HexBytes(record), "FF FF FF FE");

  std::string unpack_op = "j";
  EXPECT_EQ(engine_.Unpack(unpack_op, record, 3), -2);
  EXPECT_EQ(unpack_op, "J");
  EXPECT_EQ(engine_.Unpack("c", record, 3), 65534);

  // A failing call upper-cases the variable as well.
  std::string unknown = "bx";
  EXPECT_EQ(FailureOf([&] { engine_.Pack(unknown, record, 1, 1); }).description,
            "Unknown OpCode = \"BX\"");
  EXPECT_EQ(unknown, "BX");
}

TEST_F(CodecTest, AFieldEndingOnTheLastByteFitsAndOneByteLessFails) {
  struct Case {
    const char* opcode;
    size_t width;
    int32_t unpack_short;  // I reads its sign byte first, which then lies past the end
  } cases[] = {{"B", 1, 31}, {"I", 1, 5},  {"C", 2, 31}, {"J", 2, 31},
               {"D", 3, 31}, {"K", 3, 31}, {"L", 4, 31}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opcode);
    std::string fits(2 + c.width, '\0');
    EXPECT_EQ(FailureOf([&] { engine_.Pack(c.opcode, fits, -1, 3); }).number, 0);
    EXPECT_NE(engine_.Unpack(c.opcode, fits, 3), 0);
    std::string short_by_one(1 + c.width, '\0');
    EXPECT_EQ(FailureOf([&] { engine_.Pack(c.opcode, short_by_one, -1, 3); }).number, 31);
    EXPECT_EQ(short_by_one, std::string(short_by_one.size(), '\0'));
    EXPECT_EQ(FailureOf([&] { (void)engine_.Unpack(c.opcode, short_by_one, 3); }).number,
              c.unpack_short);
  }
}

TEST_F(CodecTest, BadOpcodesAndPositionsFailWithNumberSourceAndText) {
  constexpr const char* kArg = "Invalid procedure call or argument";
  struct Case {
    bool pack;
    const char* opcode;
    size_t length;
    int32_t position;
    int32_t number;
    const char* source;
    const char* description;
  } cases[] = {
      {true, "L", 6, 4, 31, "Pack", "Invalid Subscript.  Pack \"L\", Data$, 4   Len(Data$) = 6"},
      {true, "i", 3, 4, 31, "Pack", "Invalid Subscript.  Pack \"I\", Data$, 4   Len(Data$) = 3"},
      {false, "L", 6, 5, 31, "UnPack",
       "Invalid Subscript.  UnPack(\"L\", Data$, 5)   Len(Data$) = 6"},
      {false, "c", 3, 3, 31, "UnPack",
       "Invalid Subscript.  UnPack(\"C\", Data$, 3)   Len(Data$) = 3"},
      {false, "K", 3, 3, 31, "UnPack",  // the sign byte exists, the field does not fit
       "Invalid Subscript.  UnPack(\"K\", Data$, 3)   Len(Data$) = 3"},
      {false, "D", 3, 4, 31, "UnPack",
       "Invalid Subscript.  UnPack(\"D\", Data$, 4)   Len(Data$) = 3"},
      {false, "J", 3, 4, 5, "UnPack", kArg},  // the sign byte lies past the end
      {false, "I", 0, 1, 5, "UnPack", kArg},
      {true, "B", 3, 0, 5, "Pack", kArg},
      {true, "L", 2, -7, 5, "Pack", kArg},
      {false, "B", 3, 0, 5, "UnPack", kArg},
      {true, "q", 3, 1, 100, "Pack", "Unknown OpCode = \"Q\""},
      {true, "x", 3, 0, 100, "Pack", "Unknown OpCode = \"X\""},  // opcode checked first
      {false, "", 3, 1, 100, "UnPack", "Unknown OpCode = \"\""},
      {false, "bb", 3, 1, 100, "UnPack", "Unknown OpCode = \"BB\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pack ? "Pack " : "UnPack ") + c.opcode + " at " +
                 std::to_string(c.position) + " of " + std::to_string(c.length));
    std::string record(c.length, '\x80');
    const Failure f = FailureOf([&] {
      if (c.pack) {
        engine_.Pack(c.opcode, record, 1, c.position);
      } else {
        (void)engine_.Unpack(c.opcode, record, c.position);
      }
    });
    EXPECT_EQ(f.number, c.number);
    EXPECT_EQ(f.source, c.source);
    EXPECT_EQ(f.description, c.description);
    EXPECT_EQ(record, std::string(c.length, '\x80'));
  }
}

// ---- Dates ----

TEST_F(CodecTest, PackDateWritesDayNumbersAndDateDigits) {
  struct Case {
    const char* opcode;
    DateTime value;
    const char* bytes;  // 3 bytes at position 2 of "\xAA\xAA\xAA\xAA"
  } cases[] = {
      {"C", Ymd(1968, 1, 1), "00 00 AA"},  // the empty date
      {"C", Ymd(1968, 1, 1, 12), "00 01 AA"},
      {"J", Ymd(1968, 1, 2), "00 02 AA"},
      {"C", Ymd(2000, 1, 1, 13), "2D A9 AA"},  // time of day ignored
      {"J", Ymd(2029, 12, 31), "58 76 AA"},
      {"C", Ymd(1967, 12, 30), "FF FF AA"},  // -1, low 16 bits
      {"D", Ymd(1999, 12, 31), "01 E1 3F"},  // 12/31/99
      {"K", Ymd(2029, 12, 31), "01 E0 F9"},  // 12/31/29
      {"R", Ymd(1999, 12, 31), "0F 1F FF"},  // 991231
      {"R", Ymd(2005, 1, 5), "00 C3 B9"},    // 050105
      {"c", Ymd(2000, 1, 1), "AA AA AA"},    // opcode letters are case-sensitive here
      {"X", Ymd(2000, 1, 1), "AA AA AA"},
      {"CC", Ymd(2000, 1, 1), "AA AA AA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opcode);
    std::string record(4, '\xAA');
    engine_.PackDate(c.opcode, record, 2, c.value);
    EXPECT_EQ(HexBytes(record), "AA " + std::string(c.bytes));
  }
}

TEST_F(CodecTest, PackDateOutsideTheRecordFailsAsPack) {
  std::string record(2, '\0');
  const Failure f = FailureOf([&] { engine_.PackDate("C", record, 2, Ymd(2000, 1, 1)); });
  EXPECT_EQ(f.number, 31);
  EXPECT_EQ(f.source, "Pack");
  EXPECT_EQ(f.description, "Invalid Subscript.  Pack \"C\", Data$, 2   Len(Data$) = 2");
  EXPECT_EQ(FailureOf([&] { engine_.PackDate("X", record, 2, Ymd(2000, 1, 1)); }).number, 0);
}

TEST_F(CodecTest, UnPackDateReadsEveryFormAndFallsBackToTheEmptyDate) {
  struct Case {
    const char* opcode;
    const char* bytes;
    DateTime expected;
  } cases[] = {
      {"C", "00 00", kEmpty},
      {"C", "00 01", kEmpty},
      {"C", "00 02", Ymd(1968, 1, 2)},
      {"J", "2D A9", Ymd(2000, 1, 1)},
      {"J", "FF FF", Ymd(2147, 6, 5)},  // unsigned even for J
      {"D", "00 00 00", kEmpty},
      {"D", "00 29 67", Ymd(1999, 1, 5)},    // 010599
      {"K", "01 E0 F9", Ymd(2029, 12, 31)},  // 123129: 29 is 2029
      {"D", "01 E0 FA", Ymd(1930, 12, 31)},  // 123130: 30 is 1930
      {"D", "00 59 74", Ymd(2000, 2, 29)},   // 022900
      {"D", "00 59 93", kEmpty},             // 022931: no such day
      {"D", "02 08 4F", kEmpty},             // 133199: no month 13
      {"D", "01 E1 A3", kEmpty},             // 123299: no day 32
      {"D", "0F 42 40", kEmpty},             // 1000000: seven digits
      {"R", "0F 1F FF", Ymd(1999, 12, 31)},  // 991231
      {"R", "04 71 9F", Ymd(2029, 12, 31)},  // 291231
      {"R", "04 94 45", Ymd(1930, 1, 1)},    // 300101
      {"R", "0F 1C 16", kEmpty},             // 990230
      {"c", "00 02", kEmpty},
      {"X", "00 02 03", kEmpty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.opcode) + " " + c.bytes);
    EXPECT_EQ(engine_.UnPackDate(c.opcode, "\xAA" + FromHex(c.bytes), 2), c.expected);
  }
}

TEST_F(CodecTest, UnPackDateOutsideTheRecordGivesTheEmptyDate) {
  EXPECT_EQ(engine_.UnPackDate("C", "\x2D\xA9", 2), kEmpty);
  EXPECT_EQ(engine_.UnPackDate("R", "\x0F\x1F\xFF", 0), kEmpty);
  EXPECT_EQ(engine_.UnPackDate("J", "", 5), kEmpty);
}

TEST_F(CodecTest, EveryFormRoundTripsTheTwoDigitYearWindow) {
  for (DateTime date = Ymd(1930, 1, 1); date.day <= Ymd(2029, 12, 31).day;
       date.day += std::chrono::days{97}) {
    for (const char* op : {"C", "J", "D", "K", "R"}) {
      // Day numbers start at 1968; earlier dates wrap around in 16 bits.
      if ((op[0] == 'C' || op[0] == 'J') && date.day < kEmpty.day) continue;
      std::string record(3, '\0');
      engine_.PackDate(op, record, 1, date);
      ASSERT_EQ(engine_.UnPackDate(op, record, 1), date) << op << " " << HexBytes(record);
    }
  }
}

// ---- Compressed text ----

TEST_F(CodecTest, CrmPacksThreeCharactersIntoTwoBytesAndPadsTheCallersText) {
  struct Case {
    const char* source;
    const char* padded;  // the caller's text afterwards
    const char* bytes;
  } cases[] = {
      {"ABC", "ABC", "59 E8"},
      {"AB", "AB ", "59 D8"},
      {"ABCD", "ABCD  ", "59 E8 6A 40"},
      {"Z9,", "Z9,", "F5 C9"},
      {"abc", "abc", "00 00"},  // outside the alphabet: index 0
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    std::string source = c.source;
    EXPECT_EQ(HexBytes(engine_.Crm(source)), c.bytes);
    EXPECT_EQ(source, c.padded);
  }
}

TEST_F(CodecTest, UcmExpandsTwoBytesIntoThreeCharactersAndPadsOddInput) {
  struct Case {
    const char* bytes;
    const char* padded;  // the caller's bytes afterwards
    const char* text;
  } cases[] = {
      {"59 E8", "59 E8", "ABC"},
      {"59 D8", "59 D8", "AB "},
      {"59 E8 6A", "59 E8 6A 00", "ABCCYC"},
      {"FF FF", "FF FF", "YB"},  // 65535: no first character
      {"FA 00", "FA 00", "  "},  // 64000
      {"F9 FF", "F9 FF", "ZZZ"},  // 63999
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::string source = FromHex(c.bytes);
    EXPECT_EQ(engine_.Ucm(source), c.text);
    EXPECT_EQ(HexBytes(source), c.padded);
  }
}

TEST_F(CodecTest, ExpandingACompressionGivesThePaddedTextWithForeignCharactersAsSpaces) {
  std::string source = "Part 12/A-7.";
  std::string compressed = engine_.Crm(source);
  EXPECT_EQ(engine_.Ucm(compressed), "P    12/A 7.");
}

TEST_F(CodecTest, StmaTenReplacesTheFirstFourAlphabetCharacters) {
  engine_.Stma(10, 1, "-+*#");  // second argument not 0
  engine_.Stma(10, 0, "-+*");   // not four characters
  std::string abc = "ABC";
  EXPECT_EQ(HexBytes(engine_.Crm(abc)), "59 E8");
  EXPECT_EQ(gCharTable.Text(), CharTable::kDefault);

  engine_.Stma(10, 0, "-+*#");
  EXPECT_EQ(gCharTable.Text(), "-+*#0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  std::string marks = "-+*";
  EXPECT_EQ(HexBytes(engine_.Crm(marks)), "00 2A");
  std::string bytes = FromHex("00 2A 59 E8");
  EXPECT_EQ(engine_.Ucm(bytes), "-+*ABC");
}

// ---- Text helpers ----

TEST_F(CodecTest, TrunRemovesTrailingSpacesOrTrailingLineEndsAndNuls) {
  using namespace std::string_literals;
  struct Case {
    std::string source;
    int32_t flag;
    std::string expected;
  } cases[] = {
      {"AB  ", 0, "AB"},
      {"  A  ", 0, "  A"},
      {"AB\t", 0, "AB\t"},
      {"AB\0"s, 0, "AB\0"s},
      {"", 0, ""},
      {"AB\r\n\0"s, 1, "AB"},
      {"AB \t\n\r\0 "s, 7, "AB"},
      {"AB\x01 ", 1, "AB\x01"},  // other control characters stop the removal
      {"\0\t \r\n"s, 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(HexBytes(c.source) + " flag " + std::to_string(c.flag));
    EXPECT_EQ(engine_.Trun(c.source, c.flag), c.expected);
  }
  EXPECT_EQ(engine_.Trun("AB \t "), "AB \t");
}

TEST_F(CodecTest, StrPosGivesTheFirstOccurrenceByteForByte) {
  struct Case {
    std::string source;
    std::string target;
    int32_t location;
  } cases[] = {
      {"ABCABC", "CA", 3}, {"ABC", "ABC", 1}, {"ABC", "D", 0},
      {"abc", "B", 0},     {"AB", "ABC", 0},  {"\x01\xFF\x80\x80", "\x80", 3},
  };
  for (const Case& c : cases) {
    int32_t location = -1;
    engine_.StrPos(location, c.source, c.target);
    EXPECT_EQ(location, c.location) << c.source << " / " << c.target;
  }
}

TEST_F(CodecTest, SplitDropsEmptyPieces) {
  using Pieces = std::vector<std::string>;
  struct Case {
    const char* expression;
    const char* delimiter;
    int32_t compare;
    Pieces expected;
  } cases[] = {
      {"  a   b  ", " ", 0, {"a", "b"}},
      {"12,A,,B,", ",", 0, {"12", "A", "B"}},
      {"a<><>b<>c", "<>", 0, {"a", "b", "c"}},
      {"aXbxc", "x", 0, {"aXb", "c"}},
      {"aXbxc", "x", 1, {"a", "b", "c"}},
      {"   ", " ", 0, {}},
      {"", ",", 0, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(engine_.Split(c.expression, c.delimiter, -1, c.compare), c.expected)
        << "[" << c.expression << "] by [" << c.delimiter << "]";
  }
}

TEST_F(CodecTest, MaxAndMin) {
  struct Case {
    int32_t a, b, max, min;
  } cases[] = {{1, 2, 2, 1}, {2, 1, 2, 1}, {-5, -5, -5, -5}, {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN}};
  for (const Case& c : cases) {
    EXPECT_EQ(engine_.Max(c.a, c.b), c.max) << c.a << " " << c.b;
    EXPECT_EQ(engine_.Min(c.a, c.b), c.min) << c.a << " " << c.b;
  }
}

// ---- Day numbers ----

struct DayCase {
  int32_t n;
  int32_t month, day, yy;
  DateTime date;
};

constexpr int32_t kUnchanged = -99;

TEST_F(CodecTest, StmaElevenSplitsADayNumber) {
  const DayCase cases[] = {
      {0, 1, 1, 68, kEmpty},          {1, 1, 1, 68, kEmpty},
      {2, 1, 2, 68, Ymd(1968, 1, 2)}, {366, 12, 31, 68, Ymd(1968, 12, 31)},
      {11689, 1, 1, 0, Ymd(2000, 1, 1)}, {22646, 12, 31, 29, Ymd(2029, 12, 31)},
      {-13514, 12, 31, 30, Ymd(1930, 12, 31)},
  };
  for (const DayCase& c : cases) {
    int32_t n = c.n, month = kUnchanged, day = kUnchanged, yy = kUnchanged;
    DateTime date;
    engine_.Stma(11, n, month, day, yy, &date);
    EXPECT_EQ(std::vector<int32_t>({n, month, day, yy}), std::vector<int32_t>({c.n, c.month, c.day, c.yy}));
    EXPECT_EQ(date, c.date) << c.n;
  }
}

TEST_F(CodecTest, StmaTwelveCountsDaysFromTheEpochWithTheEmptyDateAsZero) {
  const DayCase cases[] = {
      {0, 1, 1, 68, {}},     {2, 1, 2, 68, {}},      {366, 12, 31, 68, {}},
      {11689, 1, 1, 0, {}},  {22646, 12, 31, 29, {}}, {-13514, 12, 31, 30, {}},
  };
  for (const DayCase& c : cases) {
    int32_t n = kUnchanged, month = c.month, day = c.day, yy = c.yy;
    engine_.Stma(12, n, month, day, yy);
    EXPECT_EQ(n, c.n) << c.month << "/" << c.day << "/" << c.yy;
    EXPECT_EQ(std::vector<int32_t>({month, day, yy}), std::vector<int32_t>({c.month, c.day, c.yy}));
  }
  int32_t n = 5, month = 6, day = 7, yy = 8;
  engine_.Stma(13, n, month, day, yy);
  EXPECT_EQ(std::vector<int32_t>({n, month, day, yy}), std::vector<int32_t>({5, 6, 7, 8}));
}

// ---- Clock ----

TEST_F(CodecTest, SysReadsTodayAndTheTerminalNumber) {
  for (const int32_t code : {99, 0, -1, 5, 27, 151}) EXPECT_EQ(engine_.Sys(code), 0) << code;
  system_.TerminalID = "17";
  EXPECT_EQ(engine_.Sys(4), 17);
  system_.TerminalID = "";
  EXPECT_EQ(engine_.Sys(4), 0);

  // Read the clock codes between two readings of Now() that fall on the same day.
  DateTime before, after;
  std::vector<int32_t> sys;
  do {
    before = engine_.Now();
    sys.clear();
    for (const int32_t code : {1, 2, 3, 28, 128, 152}) sys.push_back(engine_.Sys(code));
    after = engine_.Now();
  } while (before.day != after.day);
  const auto ymd = before.Ymd();
  const int32_t year = static_cast<int32_t>(ymd.year());
  const auto month = static_cast<int32_t>(static_cast<unsigned>(ymd.month()));
  const auto day = static_cast<int32_t>(static_cast<unsigned>(ymd.day()));
  const auto day_number = static_cast<int32_t>((before.day - kDayNumberEpoch).count());
  EXPECT_EQ(sys, std::vector<int32_t>({day, month, year, month * 10000 + day * 100 + year % 100,
                                       (year % 100) * 10000 + month * 100 + day, day_number}));
}

// The machine's host with its clock stopped at a chosen local time.
class StoppedClockHost : public PosixHost {
 public:
  std::chrono::local_seconds now{};
  std::chrono::local_seconds Now() override { return now; }
};

TEST_F(CodecTest, TheClockCodesAndNowReadTheHostsClock) {
  using namespace std::chrono;
  StoppedClockHost host;
  cBusinessBasic engine(system_, host);
  struct Case {
    local_seconds at;
    std::vector<int32_t> sys;  // codes 1, 2, 3, 28, 128, 152
    DateTime now;
  } cases[] = {
      {local_days{year{2000} / 1 / 1}, {1, 1, 2000, 10100, 101, 11689}, DateTime::FromYmd(2000, 1, 1)},
      {local_days{year{1999} / 12 / 31} + 12h + 30min + 5s,
       {31, 12, 1999, 123199, 991231, 11688},
       DateTime::FromYmd(1999, 12, 31, 12, 30, 5)},
      // Past 2029 the day number still counts from the full year.
      {local_days{year{2031} / 3 / 15} + 23h + 59min + 59s,
       {15, 3, 2031, 31531, 310315, 23085},
       DateTime::FromYmd(2031, 3, 15, 23, 59, 59)},
  };
  for (const Case& c : cases) {
    host.now = c.at;
    std::vector<int32_t> sys;
    for (const int32_t code : {1, 2, 3, 28, 128, 152}) sys.push_back(engine.Sys(code));
    EXPECT_EQ(sys, c.sys) << c.sys[3];
    EXPECT_EQ(engine.Now(), c.now) << c.sys[3];
  }
}

TEST_F(CodecTest, NowIsTheLocalDateAndTimeOfDay) {
  const DateTime now = engine_.Now();
  EXPECT_GE(now.time_of_day.count(), 0);
  EXPECT_LT(now.time_of_day.count(), 86400);
  // Local time lies within a day of universal time.
  const auto utc_day = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
  EXPECT_LE(std::chrono::abs(now.day - utc_day).count(), 1);
}

}  // namespace
}  // namespace tervalo
