// The part record decoded from and encoded into hand-written bytes: the part number with its
// separator codes, the six packed codes, tenths and hundredths, R and J dates, the flag bytes
// whose other bits stay, the serial-number bits, the demand runs, and bad input.

#include "records/part_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "tests/records/record_bytes.h"

namespace tervalo {
namespace {

using testing::HexAt;
using testing::RecordBytes;

constexpr size_t kCombinedLength = 288;  // PARTL 128 + EPARTL 160

std::string PartRecord(char fill = '\0') {
  return RecordBytes(
      kCombinedLength,
      {
          {3, "00 0A"},                                // Line
          {5, "59 DD 26 BD 00 00 00 00 00 00 00 00"},  // "AB123X" and spaces
          {17, "2D 78"},                               // separator codes "37 "
          {19, "62 45"},                               // Package_Code "BOX"
          {21, "74 5F 59 E8"},                         // six codes "EKRABC"
          {25, "FF FF 00 02 00 03"},                   // J -1, C 2, C 3
          {33, "00 78 41"},                            // 120, Price_Code "A"
          {36, "00 00 7D 00 28 00 05"},                // on hand 12.5 (tenths), 40, 5
          {43, "00 01 F3 00 01 C1 00 01 A9 00 01 8F 00 00 00 FF FF 9C"},  // list, levels 1-5
          {61, "00 00 E7 7F FF FF 80 00 00"},            // cost 2.31, freight resale, cost
          {70, "03 AA 56 0F 1F FF"},                     // R dates 2024-02-14, 1999-12-31
          {76, "00 12 00 01 FF FE 00 CB 00 03 00 04"},   // sales and picks
          {88, "B7 37"},                                 // flag bytes, unnamed bits set too
          {90, "00 01 0E FF 03 53 52 41"},               // weight, days, location, "SRA"
          {98, "02 E8 A6"},                              // Date_Stocked 2019-06-30
          {101, "00 64 00 C8"},                          // YTD demand 2 and 1 back
          {105, "00 0C"},                                // MTD_Demand_12_back
          {117, "FF FA"},                                // MTD_Demand_6_back
          {127, "00 01"},                                // MTD_Demand_1_back
          {129, "46 30 1A 44 3E 80 00 00 00 00 32 00"},  // sub-part "7540406", codes "4  "
          {141, "41 2D 31 34 20 20"},                    // Bin "A-14  "
          {148, "80 00 00 FF FF F6 00 27 10"},           // D tenths, K -10, K 100.00
          {158, "00 00 E4 00 02"},                       // average cost 2.28, layaway 2
          {163, "00 00 13 A1 FF FF FF 9C 00 01 E2 40 00 00 00 00"},  // L money
          {179, "CC 96 C5 80 B9 4A 7D 00 00 00 00 00 00 00"},        // "SPARK PLUG"
          {193, "00 2A 00 24"},              // YTD demand 3 back, MTD 36 back
          {241, "00 0D 00 0C"},              // MTD 13 back, Alt 12 back
          {265, "FF FF 00 07 00 08 00 09"},  // Alt 1 back, usage, points
          {273, "8B 50 19 03 2D A9 00 18 4E 02 00 30 5A 01 00 00"},
      },
      fill);
}

std::map<std::string, std::string> AsMap(const FieldList& fields) {
  return {fields.begin(), fields.end()};
}

class PartRecordTest : public testing::RecordEngineTest {};

TEST_F(PartRecordTest, DecodesEveryKindOfField) {
  clsParts part;
  part.Unpack(PartRecord());
  const auto fields = AsMap(part.Fields());
  const std::pair<const char*, const char*> expected[] = {
      {"Line", "10"},
      {"Part_Number", "AB123X            "},
      {"Part_w_Dash", "AB-123-X            "},
      {"Package_Code", "BOX"},
      {"Comodity", "E"},
      {"Unit_of_Measure", "K"},
      {"Return_Flag", "R"},
      {"Mfg_Popularity", "A"},
      {"Dlr_Popularity", "B"},
      {"Order_Code", "C"},
      {"Package_Quantity", "-1"},
      {"Matched_Set_Qty", "2"},
      {"Maximum_Stock_Lvl", "120"},
      {"Price_Code", "A"},
      {"Quantity_On_Hand", "12.5"},
      {"Quantity_On_Order", "40"},
      {"List_Price", "4.99"},
      {"Level_1_Price", "4.49"},
      {"Level_4_Price", "0"},
      {"Level_5_Price", "-1"},
      {"Cost", "2.31"},
      {"F_Freight_Resale", "83886.07"},
      {"F_Freight_Cost", "-83886.08"},
      {"Date_Last_Change", "2024-02-14"},
      {"Date_Last_Demand", "1999-12-31"},
      {"YTD_Number_Picks", "-2"},
      {"YTD_Number_Sold", "203"},
      {"Price_Lock_Factors", "True"},
      {"Order_In_Sets", "False"},
      {"Monthly_Max", "True"},
      {"Price_Lock_All", "False"},
      {"Seasonal", "True"},
      {"Label", "True"},
      {"Meter", "False"},
      {"Serial_Numbers", "2"},
      {"Days_On_Order", "14"},
      {"Days_Back_Ordered", "255"},
      {"Last_Tran_Codes", "SRA"},
      {"Date_Stocked", "2019-06-30"},
      {"YTD_Demand_2_back", "100"},
      {"MTD_Demand_12_back", "12"},
      {"MTD_Demand_6_back", "-6"},
      {"MTD_Demand_1_back", "1"},
      {"Sub_Part_Number", "7540406        "},
      {"Sub_Part_w_Dash", "754-0406        "},
      {"Bin", "A-14  "},
      {"Quantity_Alloc", "838860.8"},  // D is unsigned
      {"Year_End_Quantity", "-10"},
      {"Year_End_Cost", "100"},
      {"Average_Cost", "2.28"},
      {"MTD_Sales", "50.25"},
      {"MTD_Cost", "-1"},
      {"YTD_Sales", "1234.56"},
      {"Description", "SPARK PLUG           "},
      {"YTD_Demand_3_back", "42"},
      {"MTD_Demand_36_back", "36"},
      {"MTD_Demand_13_back", "13"},
      {"Alt_Demand_12_back", "12"},
      {"Alt_Demand_1_back", "-1"},
      {"Line_Point", "9"},
      {"Lock_Line_Point", "True"},
      {"Stockout_Updated", "False"},
      {"Date_Last_Stockout", "2024-02-20"},
      {"Date_Last_Recvd", "2000-01-01"},
      {"Econ_Order_Qty", "24"},
      {"Order_Type_Switch", "N"},
      {"Zone", "Z"},
      {"Spring_Order_Qty", "65536"},
      {"Record_Number", "0"},
  };
  for (const auto& [name, value] : expected) {
    ASSERT_TRUE(fields.count(name)) << name;
    EXPECT_EQ(fields.at(name), value) << name;
  }
  EXPECT_EQ(part.Fields().size(), clsParts::FieldTable().size());
  EXPECT_EQ(part.Fields()[51].first, "MTD_Demand_12_back") << "demand runs highest month first";
}

TEST_F(PartRecordTest, PackWritesEveryFieldBackAndKeepsWhatNoFieldNames) {
  const std::string original = PartRecord();
  clsParts part;
  part.Unpack(original);

  std::string same = original;
  part.Pack(same);
  EXPECT_EQ(HexAt(same, 1, kCombinedLength), HexAt(original, 1, kCombinedLength));

  // Over EE bytes: unused bytes, the six codes and the sub-part codes stay EE; in the flag bytes
  // only the named bits come from the fields.
  const std::map<int, int> kNamedBits = {{88, 0xEC}, {89, 0x3A}, {273, 0x06}};
  const std::vector<int> kUnwritten = {1, 2, 21, 22, 23, 24, 31, 32, 139, 140, 147, 157};
  std::string over_filler(kCombinedLength, '\xEE');
  part.Pack(over_filler);
  for (int p = 1; p <= static_cast<int>(kCombinedLength); ++p) {
    const auto original_byte = static_cast<unsigned char>(original[static_cast<size_t>(p - 1)]);
    int expected = original_byte;
    if (std::find(kUnwritten.begin(), kUnwritten.end(), p) != kUnwritten.end()) expected = 0xEE;
    if (auto bits = kNamedBits.find(p); bits != kNamedBits.end()) {
      expected = (0xEE & ~bits->second) | (original_byte & bits->second);
    }
    EXPECT_EQ(static_cast<unsigned char>(over_filler[static_cast<size_t>(p - 1)]), expected)
        << "byte " << p;
  }
}

TEST_F(PartRecordTest, SerialNumbersUseTwoBits) {
  const std::pair<const char*, int> reads[] = {
      {"00", 0}, {"10", 1}, {"20", 2}, {"30", 2}, {"CF", 0}};
  for (const auto& [byte, serial] : reads) {
    clsParts part;
    part.Unpack(RecordBytes(kCombinedLength, {{89, byte}}));
    EXPECT_EQ(part.Serial_Numbers, serial) << byte;
  }
  const std::pair<int16_t, const char*> writes[] = {{0, "C5"}, {1, "D5"}, {2, "F5"}};
  for (const auto& [serial, byte] : writes) {
    clsParts part;
    part.Serial_Numbers = serial;
    std::string record = RecordBytes(kCombinedLength, {{89, "F5"}});
    part.Pack(record);
    EXPECT_EQ(HexAt(record, 89, 89), byte) << serial;
  }
}

TEST_F(PartRecordTest, QuantitiesAreTenthsAndMoneyHundredths) {
  clsParts part;
  part.Quantity_On_Hand = FixedPoint::Parse("12.5").value();
  part.Quantity_Alloc = FixedPoint::Parse("0.25").value();  // a half tenth: to even, 2
  part.List_Price = FixedPoint::Parse("19.995").value();    // a half cent: to even, 2000
  part.Level_1_Price = FixedPoint::Parse("-0.01").value();
  std::string record(kCombinedLength, '\0');
  part.Pack(record);
  EXPECT_EQ(HexAt(record, 36, 38), "00 00 7D");
  EXPECT_EQ(HexAt(record, 148, 150), "00 00 02");
  EXPECT_EQ(HexAt(record, 43, 48), "00 07 D0 FF FF FF");
}

struct PartNumberCase {
  const char* written;     // Part_w_Dash as set
  const char* stored_hex;  // bytes 5-18
  const char* read_back;   // Part_w_Dash after reading, trailing spaces removed
};

TEST_F(PartRecordTest, PartNumberIsStoredWithoutSeparatorsAndReadBackWithDashes) {
  const PartNumberCase cases[] = {
      {" AB-123-X ", "59 DD 26 BD 00 00 00 00 00 00 00 00 2D 78", "AB-123-X"},
      // Four separators: the first three codes fit, the fourth is lost.
      {"A-B-C-D-E", "59 E8 6D 10 00 00 00 00 00 00 00 00 26 CA", "A-B-C-DE"},
      // Lower-case letters count as separators and come back as dashes.
      {"ab-12", "20 30 00 00 00 00 00 00 00 00 00 00 20 37", "---12"},
  };
  for (const auto& c : cases) {
    clsParts part;
    part.Part_w_Dash = c.written;
    part.Part_Number = "IGNORED";  // not written: the number comes from Part_w_Dash
    std::string record(kCombinedLength, '\0');
    part.Pack(record);
    EXPECT_EQ(HexAt(record, 5, 18), c.stored_hex) << c.written;
    clsParts back;
    back.Unpack(record);
    const auto end = back.Part_w_Dash.find_last_not_of(' ');
    EXPECT_EQ(back.Part_w_Dash.substr(0, end + 1), c.read_back) << c.written;
  }
  // A separator at position 19 to 21 (codes J, K, L) is dropped on reading.
  clsParts part;
  part.Unpack(RecordBytes(kCombinedLength, {{5, "59 DD 26 BD"}, {17, "8F C0"}}));
  EXPECT_EQ(part.Part_w_Dash, "AB123X" + std::string(12, ' '));
}

TEST_F(PartRecordTest, BinReadsNulsAsSpaces) {
  clsParts part;
  part.Unpack(RecordBytes(kCombinedLength, {{141, "41 00 31 00 00 00"}}));
  EXPECT_EQ(part.Bin, "A 1   ");
  part.Bin = "B7";
  std::string record(kCombinedLength, '\0');
  part.Pack(record);
  EXPECT_EQ(HexAt(record, 141, 146), "42 37 20 20 20 20");
}

TEST_F(PartRecordTest, BadBytesAndShortRecordsSkipFields) {
  clsParts part;
  part.Unpack(PartRecord());
  // The part number's 14 bytes cut short: the dashed number is skipped, the 12 bytes of the
  // plain number still read.
  part.Unpack(RecordBytes(17, {{5, "8F C0"}}));
  EXPECT_EQ(part.Part_w_Dash, "AB-123-X            ");
  EXPECT_EQ(part.Part_Number, "J                 ");

  // 65535 in the first group of the six codes decodes to two characters: the five codes after
  // them still read, the sixth is missing and keeps its value.
  part.Unpack(RecordBytes(30, {{21, "FF FF 00 00"}}));
  EXPECT_EQ(part.Comodity, "Y");
  EXPECT_EQ(part.Unit_of_Measure, "B");
  EXPECT_EQ(part.Dlr_Popularity, " ");
  EXPECT_EQ(part.Order_Code, "C");
  // Everything past byte 30 kept its value; plain text past the end reads as empty.
  EXPECT_EQ(part.Maximum_Stock_Lvl, 120);
  EXPECT_EQ(part.Quantity_On_Hand.ToString(), "12.5");
  EXPECT_TRUE(part.Seasonal);
  EXPECT_EQ(part.Serial_Numbers, 2);
  EXPECT_EQ(part.Description, "SPARK PLUG           ");
  EXPECT_EQ(part.Spring_Order_Qty, 65536);
  EXPECT_EQ(part.Price_Code, "");
  EXPECT_EQ(part.Bin, "");

  // Writing into a short record touches only what fits wholly; the flag byte at its very end
  // still keeps its unnamed bits.
  std::string short_record(88, '\xEE');
  part.Pack(short_record);
  ASSERT_EQ(short_record.size(), 88u);
  EXPECT_EQ(HexAt(short_record, 84, 88), "00 03 00 04 A6");
  std::string empty;
  part.Pack(empty);
  EXPECT_TRUE(empty.empty());
}

}  // namespace
}  // namespace tervalo
