// The product line record decoded from and encoded into hand-written bytes: every opcode, both
// fixed-point scales, compressed and plain text, the yes/no flag, the date, the year-to-date
// rule, the overlapping reorder codes, and records too short for their fields.

#include "records/product_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "environment/shared_instances.h"
#include "tests/records/record_bytes.h"

namespace tervalo {
namespace {

using testing::HexAt;
using testing::RecordBytes;

constexpr size_t kCombinedLength = 224;  // LINEL 128 + ELINEL 96, the builder's default split

// Bytes the class never writes: the status word, 30-32, 192, 199-202 and the tail past 222.
constexpr int kUnwritten[] = {1, 2, 30, 31, 32, 192, 199, 200, 201, 202, 223, 224};

std::string LineRecord(char fill = '\0') {
  return RecordBytes(
      kCombinedLength,
      {
          {1, "00 01"},  // status (not a field)
          {3, "00 2A"},  // Line C
          {5, "59 E8"},  // Alpha_Line "ABC"
          {7, "74 CC 8D CA 04 96 C7 08 00 00 00 00 00 00 00 00 00 00 00 00"},  // Line_Name
          {27, "59 45"},                    // Auto_Order "Y", Comodity "E"
          {29, "C8"},                       // Distributor_Number B, unsigned
          {33, "FF FE 00 19 00 12"},        // C fields: 65534, 25, 18
          {39, "41 4E 41 4E 20 20"},        // Sequencing_ANAN "ANAN  "
          {45, "50 52 00 4F 52 31"},        // Sequencing_Prior with a NUL kept
          {51, "01 02 FF F6"},              // Price_Def_1: 1, 2, J -10
          {71, "06 01 7F FF"},              // Price_Def_6: 6, 1, 32767
          {75, "00 01 E2 40 FF FF FF 9C"},  // Cost_of_Mdse 1234.56, Cost_of_Freight -1.00
          {83, "00 00 00 05 00 00 13 A1 00 00 0B B8"},      // MTD 5, 50.25, 30.00
          {95, "00 00 00 0A 00 00 27 10 FF FF FF FF"},      // YTD stored 10, 100.00, -0.01
          {107, "80 00 00 00 7F FF FF FF 00 00 00 00"},     // PYTD: L range ends, 21474836.47
          {119, "00 64 4E 00 0F 59 01 F4 CA ED"},           // 100, "N", 15, "Y", 500, "SEP"
          {129, "0C 06 00 0A 0C 00 14 18 00 1E 24 00 28"},  // Warranty, service policies
          {142, "52"},                                      // Line_Type "R"
          {143, "00 00 04 D2 02 00 00 11 3A"},              // Unit_Counter 1234, A_P 2 / 4410
          {152, "80 00 00 07"},                             // J -32768, 7
          {156, "80 00 00 7F FF FF"},                       // K -8388608, 8388607
          {162, "00 00 00 63 00 00 00 58"},                 // 99, 88
          {170, "FF FF FE 00 01 00"},                       // K -2, 256
          {176, "00 00 01 00 00 00 00 FF 00 01 86 A0 FF FF FF FF"},
          {193, "00 00 11 3A 53 0F"},  // Primary_Vendor, "S", 15
          {203, "41 42"},              // Seas_ReOrder_Codes "AB" + the next bytes
          {205, "2D A9"},              // Seas_Date_Last_Gen 2000-01-01 (11689)
          {207, "00 00 30 39 00 00 00 01 FF FF FF FF 00 00 00 02"},  // EOM / EOY costs
      },
      fill);
}

std::map<std::string, std::string> AsMap(const FieldList& fields) {
  return {fields.begin(), fields.end()};
}

class ProductLineTest : public testing::RecordEngineTest {};

TEST_F(ProductLineTest, DecodesEveryKindOfField) {
  clsLines line;
  line.Unpack(LineRecord());
  const auto fields = AsMap(line.Fields());
  const std::pair<const char*, const char*> expected[] = {
      {"Line", "42"},
      {"Alpha_Line", "ABC"},
      {"Line_Name", "ENGINE PARTS                  "},
      {"Auto_Order", "Y"},
      {"Comodity", "E"},
      {"Comodities(0)", "E"},  // no "COMODI" installed: only the line's own
      {"Distributor_Number", "200"},
      {"Stock_Depth", "65534"},
      {"Re_Order_Percent", "25"},
      {"Low_GP_Waring_Perc", "18"},
      {"Sequencing_ANAN", "ANAN  "},
      {"Sequencing_Prior", "PR\\x00OR1"},
      {"Price_Def_1_Level", "1"},
      {"Price_Def_1_Use", "2"},
      {"Price_Def_1_Perc", "-10"},
      {"Price_Def_6_Perc", "32767"},
      {"Cost_of_Mdse", "1234.56"},
      {"Cost_of_Freight", "-1"},
      {"MTD_No_Sales", "5"},
      {"MTD_Sales", "50.25"},
      {"MTD_COGS", "30"},
      {"YTD_No_Sales", "15"},   // stored 10 plus this month's 5
      {"YTD_Sales", "150.25"},  // stored 100.00 plus 50.25
      {"YTD_COGS", "29.99"},    // stored -0.01 plus 30.00
      {"PYTD_No_Sales", "-2147483648"},
      {"PYTD_Sales", "21474836.47"},
      {"Default_Cost_GP", "100"},
      {"Taxable", "N"},
      {"Default_Frt_Markup", "15"},
      {"ReCalculateMax", "True"},
      {"High_Stock_Amount", "500"},
      {"DataBase_Name", "SEP"},
      {"Warranty", "12"},
      {"SerPol_No_Months_1", "6"},
      {"SerPol_List_Perc_4", "40"},
      {"Line_Type", "R"},
      {"Unit_Counter", "1234"},
      {"A_P_Company", "2"},
      {"A_P_Vendor", "4410"},
      {"MTD_Items_Ordered", "-32768"},
      {"MTD_Pieces_Ordered", "-8388608"},
      {"MTD_Pieces_Filled", "8388607"},
      {"YTD_Items_Ordered", "-2"},
      {"YTD_Items_Filled", "256"},
      {"YTD_Dollars_Ord", "100000"},
      {"YTD_Dollars_Filled", "-1"},
      {"Primary_Vendor", "4410"},
      {"Order_Type_Switch", "S"},
      {"Seas_percentage", "15"},
      {"Seas_ReOrder_Codes", "AB-\\xA9\\x00"},  // two characters and the bytes of date and cost
      {"Seas_Date_Last_Gen", "2000-01-01"},
      {"EOM_Mdse_Cost", "12345"},
      {"EOY_Mdse_Cost", "-1"},
      {"EOY_Freight_Cost", "2"},
      {"RecNo", "0"},
  };
  for (const auto& [name, value] : expected) {
    ASSERT_TRUE(fields.count(name)) << name;
    EXPECT_EQ(fields.at(name), value) << name;
  }
  EXPECT_EQ(line.YTD_Sales, FixedPoint::FromStored(15025, 100));
  EXPECT_EQ(line.Seas_Date_Last_Gen, DateTime::FromYmd(2000, 1, 1));
}

TEST_F(ProductLineTest, FieldsListEveryFieldInDeclarationOrder) {
  clsLines line;
  const FieldList fields = line.Fields();
  std::vector<std::string> names;
  for (const auto& [name, value] : fields) names.push_back(name);
  ASSERT_EQ(names.size(), clsLines::FieldTable().size());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(names[i], clsLines::FieldTable()[i].layout.name);
  }
  EXPECT_EQ(names.front(), "Line");
  EXPECT_EQ(names[2], "AlternateAlpha");
  EXPECT_EQ(names[6], "Comodities");  // empty before anything was read
  EXPECT_EQ(names.back(), "RecNo");
}

TEST_F(ProductLineTest, PackWritesEveryFieldBackAndNothingElse) {
  const std::string original = LineRecord();
  clsLines line;
  line.Unpack(original);

  std::string same = original;
  line.Pack(same);
  EXPECT_EQ(HexAt(same, 1, kCombinedLength), HexAt(original, 1, kCombinedLength));

  // Over a record of EE bytes: every field's bytes come from the fields, the rest stays EE.
  std::string over_filler(kCombinedLength, '\xEE');
  line.Pack(over_filler);
  for (int p = 1; p <= static_cast<int>(kCombinedLength); ++p) {
    const bool unwritten =
        std::find(std::begin(kUnwritten), std::end(kUnwritten), p) != std::end(kUnwritten);
    EXPECT_EQ(HexAt(over_filler, p, p), unwritten ? "EE" : HexAt(original, p, p)) << "byte " << p;
  }
}

TEST_F(ProductLineTest, LineTypeOtherThanUOrRReadsAsP) {
  const std::pair<const char*, const char*> cases[] = {
      {"55", "U"}, {"52", "R"}, {"50", "P"}, {"58", "P"}, {"75", "P"}, {"00", "P"}, {"20", "P"}};
  for (const auto& [byte, type] : cases) {
    clsLines line;
    line.Unpack(RecordBytes(kCombinedLength, {{142, byte}}));
    EXPECT_EQ(line.Line_Type, type) << byte;
  }
  // Writing does not apply the rule: the field goes out as it stands.
  clsLines line;
  line.Line_Type = "X";
  std::string record(kCombinedLength, '\0');
  line.Pack(record);
  EXPECT_EQ(HexAt(record, 142, 142), "58");
}

TEST_F(ProductLineTest, ReCalculateMaxIsUpperCaseYOnly) {
  for (const auto& [byte, flag] :
       {std::pair{"59", true}, {"79", false}, {"4E", false}, {"00", false}}) {
    clsLines line;
    line.Unpack(RecordBytes(kCombinedLength, {{124, byte}}));
    EXPECT_EQ(line.ReCalculateMax, flag) << byte;
  }
  EXPECT_TRUE(IsYes("Y"));
  EXPECT_FALSE(IsYes("YES"));
  EXPECT_EQ(YesNo(true), "Y");
  EXPECT_EQ(YesNo(false), "N");
  clsLines line;
  std::string record(kCombinedLength, '\0');
  line.ReCalculateMax = true;
  line.Pack(record);
  EXPECT_EQ(HexAt(record, 124, 124), "59");
  line.ReCalculateMax = false;
  line.Pack(record);
  EXPECT_EQ(HexAt(record, 124, 124), "4E");
}

TEST_F(ProductLineTest, YearToDateIsStoredWithoutTheCurrentMonth) {
  clsLines line;
  line.MTD_No_Sales = 5;
  line.YTD_No_Sales = 15;
  line.MTD_Sales = FixedPoint::Parse("50.25").value();
  line.YTD_Sales = FixedPoint::Parse("150.25").value();
  line.MTD_COGS = FixedPoint::Parse("30").value();
  line.YTD_COGS = FixedPoint::Parse("10").value();  // below the month: stored negative
  std::string record(kCombinedLength, '\0');
  line.Pack(record);
  EXPECT_EQ(HexAt(record, 95, 106), "00 00 00 0A 00 00 27 10 FF FF F8 30");

  clsLines back;
  back.Unpack(record);
  EXPECT_EQ(back.YTD_No_Sales, 15);
  EXPECT_EQ(back.YTD_Sales.ToString(), "150.25");
  EXPECT_EQ(back.YTD_COGS.ToString(), "10");
}

TEST_F(ProductLineTest, MoneyIsRoundedHalfToEvenOnWriting) {
  const std::pair<const char*, const char*> cases[] = {{"0.005", "00 00 00 00"},
                                                       {"0.015", "00 00 00 02"},
                                                       {"-0.025", "FF FF FF FE"},
                                                       {"0.0051", "00 00 00 01"},
                                                       {"-21474836.48", "80 00 00 00"}};
  for (const auto& [value, bytes] : cases) {
    clsLines line;
    line.Cost_of_Mdse = FixedPoint::Parse(value).value();
    std::string record(kCombinedLength, '\0');
    line.Pack(record);
    EXPECT_EQ(HexAt(record, 75, 78), bytes) << value;
  }
}

TEST_F(ProductLineTest, SeasonalReorderCodesKeepTwoCharactersOfTheirOwn) {
  clsLines line;
  line.Seas_ReOrder_Codes = "ABCDE";
  line.Seas_Date_Last_Gen = DateTime::FromYmd(2000, 1, 1);
  line.EOM_Mdse_Cost = 12345;
  std::string record(kCombinedLength, '\0');
  line.Pack(record);
  EXPECT_EQ(HexAt(record, 203, 210), "41 42 2D A9 00 00 30 39");
  clsLines back;
  back.Unpack(record);
  EXPECT_EQ(back.Seas_ReOrder_Codes, std::string("AB\x2D\xA9\x00", 5));
  EXPECT_EQ(back.Seas_Date_Last_Gen, DateTime::FromYmd(2000, 1, 1));
}

TEST_F(ProductLineTest, ShortRecordSkipsTheFieldsItDoesNotHold) {
  clsLines line;
  line.Unpack(LineRecord());
  // 26 bytes: up to the end of Line_Name. Every field after keeps its value, except plain text
  // wholly past the end, which reads as empty: the line type then reads as "P" and the flag as
  // not "Y".
  line.Unpack(RecordBytes(26, {{3, "00 07"}, {5, "60 51"}, {7, "74 CC"}}));
  EXPECT_EQ(line.Line, 7);
  EXPECT_EQ(line.Alpha_Line, "BCD");
  EXPECT_EQ(line.Line_Name, "ENG" + std::string(27, ' '));
  EXPECT_EQ(line.Auto_Order, "");
  EXPECT_EQ(line.Comodity, "");
  EXPECT_EQ(line.Distributor_Number, 200);
  EXPECT_EQ(line.Cost_of_Mdse.ToString(), "1234.56");
  EXPECT_EQ(line.YTD_Sales.ToString(), "150.25");
  EXPECT_EQ(line.DataBase_Name, "SEP");
  EXPECT_EQ(line.EOY_Freight_Cost, 2);
  EXPECT_EQ(line.Line_Type, "P");
  EXPECT_FALSE(line.ReCalculateMax);
  EXPECT_EQ(line.Seas_Date_Last_Gen, DateTime{kEmptyDate}) << "a date outside the record is empty";

  // A compressed field cut by the end of the record is skipped, not half decoded.
  line.Unpack(RecordBytes(15, {{5, "59 E8"}, {7, "59 E8 59 E8"}}));
  EXPECT_EQ(line.Line_Name, "ENG" + std::string(27, ' '));
  EXPECT_EQ(line.Alpha_Line, "ABC");
  EXPECT_EQ(line.Line, 0);

  line.Unpack("");
  EXPECT_EQ(line.Alpha_Line, "ABC");
  EXPECT_EQ(line.Stock_Depth, 65534);
}

TEST_F(ProductLineTest, PackIntoAShortRecordFillsWhatFitsAndNeverLengthensIt) {
  clsLines line;
  line.Unpack(LineRecord());
  // Plain text is cut at the end; a number that does not fit wholly is not written.
  std::string cut(41, '\xEE');
  line.Pack(cut);
  ASSERT_EQ(cut.size(), 41u);
  EXPECT_EQ(HexAt(cut, 33, 41), "FF FE 00 19 00 12 41 4E 41");
  std::string short_record(145, '\xEE');
  line.Pack(short_record);
  ASSERT_EQ(short_record.size(), 145u);
  EXPECT_EQ(HexAt(short_record, 140, 145), "00 28 52 EE EE EE");
  std::string empty;
  line.Pack(empty);
  EXPECT_TRUE(empty.empty());
}

TEST_F(ProductLineTest, ValuesThatDoNotFitTheirFieldAreSkipped) {
  const std::string original = LineRecord();
  clsLines line;
  line.Unpack(original);
  line.Cost_of_Mdse = FixedPoint::Parse("30000000").value();  // 3e9 hundredths: beyond L
  line.YTD_No_Sales = -2147483647;                            // minus MTD 5 overflows
  std::string record = original;
  line.Pack(record);
  EXPECT_EQ(HexAt(record, 75, 78), HexAt(original, 75, 78));
  EXPECT_EQ(HexAt(record, 95, 98), HexAt(original, 95, 98));

  // A stored year that overflows with this month added keeps the previous value.
  clsLines sums;
  sums.YTD_No_Sales = 77;
  sums.Unpack(RecordBytes(kCombinedLength, {{83, "00 00 00 01"}, {95, "7F FF FF FF"}}));
  EXPECT_EQ(sums.MTD_No_Sales, 1);
  EXPECT_EQ(sums.YTD_No_Sales, 77);
}

TEST_F(ProductLineTest, CompressedGroupsOutsideTheAlphabetDecodeShort) {
  // FF FF is 65535, past 64000: the group gives two characters instead of three.
  clsLines line;
  line.Unpack(RecordBytes(kCombinedLength, {{5, "FF FF"}}));
  EXPECT_EQ(line.Alpha_Line.size(), 2u);
  // Lower-case and other characters outside the alphabet are written as spaces.
  line.Alpha_Line = "a#C";
  std::string record(kCombinedLength, '\0');
  line.Pack(record);
  EXPECT_EQ(HexAt(record, 5, 6), "00 10");
}

TEST_F(ProductLineTest, NoEngineIsAnError) {
  ResetSharedInstances();
  EXPECT_EQ(testing::ErrorOf([] { clsLines line; }).substr(0, 9), "91 Record");
}

}  // namespace
}  // namespace tervalo
