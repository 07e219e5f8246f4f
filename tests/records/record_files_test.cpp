// Product lines and parts read from installed files: the collection of active lines and its
// skipping rules, the record-number checks of Read, the commodity walk over "COMODI", and
// record lengths taken from the resolution entries.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/part_record.h"
#include "records/product_line.h"
#include "tests/records/record_bytes.h"
#include "tools/share_builders/data_file_builder.h"
#include "tools/share_builders/records_builder.h"

namespace tervalo {
namespace {

using share::ProductLineEntry;
using share::RecordsBuilder;
using testing::ErrorOf;

ProductLineEntry Line(int32_t number, int32_t status = 1, char comodity = 'A',
                      std::string further = "") {
  ProductLineEntry l;
  l.line = number;
  l.status = status;
  l.comodity = comodity;
  l.further_comodities = std::move(further);
  l.name = "LINE " + std::to_string(number);
  return l;
}

class RecordFilesTest : public testing::TempShareTest {
 protected:
  // Writes the builder's files and starts the engine on them. `leave_out` names a logical file
  // whose link is not written.
  void Install(const RecordsBuilder& builder, const std::string& leave_out = "") {
    std::vector<std::string> links;
    for (const auto& link : builder.Links()) {
      if (leave_out.empty() || link.find(":" + leave_out + " ") == std::string::npos)
        links.push_back(link);
    }
    WriteBasicShare(links);
    builder.Write();
    StartEngine();
  }

  std::vector<int32_t> LineNumbers(const clnLines& lines) {
    std::vector<int32_t> numbers;
    for (const auto& line : lines) numbers.push_back(line->Line);
    return numbers;
  }
};

TEST_F(RecordFilesTest, CollectionHoldsActiveLinesBelowOneThousandKeyedByNumber) {
  RecordsBuilder builder(share_);
  builder.AddLine(Line(10));
  builder.AddLine(Line(20, 0));  // status 0: deleted
  builder.AddLine(Line(1000));   // not a line of its own
  builder.AddLine(Line(5, -1));  // negative status
  builder.AddLine(Line(999, 2));
  builder.AddLine(Line(30));
  builder.SetSpareRecords(3);  // never used: status 0
  Install(builder);

  clnLines lines;
  EXPECT_EQ(lines.Count(), 3);
  EXPECT_EQ(LineNumbers(lines), (std::vector<int32_t>{10, 999, 30}));
  EXPECT_EQ(lines.Item("999")->RecNo, 5);
  EXPECT_EQ(lines.Item(3)->Line_Name, "LINE 30" + std::string(23, ' '));
  EXPECT_EQ(ErrorOf([&] { lines.Item("20"); }).substr(0, 13), "5 Collection:");
  EXPECT_EQ(ErrorOf([&] { lines.Item("010"); }).substr(0, 13), "5 Collection:");
  EXPECT_EQ(ErrorOf([&] { lines.Item(4); }).substr(0, 13), "9 Collection:");

  lines.Remove("10");
  EXPECT_EQ(lines.Item(1)->Line, 999);
  auto extra = std::make_shared<clsLines>();
  extra->Read(2);  // the deleted record can still be read on request
  lines.Add(extra, "20");
  EXPECT_EQ(lines.Item("20")->Line, 20);
  EXPECT_EQ(ErrorOf([&] { lines.Add(extra, "20"); }).substr(0, 15), "457 Collection:");
}

TEST_F(RecordFilesTest, TwoActiveRecordsOfOneLineEndTheCollection) {
  RecordsBuilder builder(share_);
  builder.AddLine(Line(10));
  builder.AddLine(Line(10, 3));
  Install(builder);
  EXPECT_EQ(ErrorOf([] { clnLines lines; }).substr(0, 15), "457 Collection:");
}

TEST_F(RecordFilesTest, CollectionWithoutTheLineFileFails) {
  WriteBasicShare();
  StartEngine();
  EXPECT_EQ(ErrorOf([] { clnLines lines; }), "-10 LogicalOpen: File not Found: \"LINEL\"");
}

TEST_F(RecordFilesTest, ReadChecksTheRecordNumberAgainstTheMasterFile) {
  RecordsBuilder builder(share_);
  builder.AddLine(Line(10));
  builder.AddLine(Line(20));
  builder.SetSpareRecords(1);  // LastRecord 3
  share::PartEntry part;
  part.part_number = "AB-1";
  builder.AddPart(part);
  builder.SetSpareRecords(1);
  Install(builder);

  clsLines line;
  line.Read(2);
  EXPECT_EQ(line.Line, 20);
  EXPECT_EQ(line.RecNo, 2);
  for (int32_t bad : {0, -1, 4}) {
    EXPECT_EQ(ErrorOf([&] { line.Read(bad); }),
              "81 Read: Illegal Record Number for File: LINEL and Record: " + std::to_string(bad));
  }
  EXPECT_EQ(line.Line, 20);
  EXPECT_EQ(line.RecNo, 2);
  line.Read(3);  // a spare record: all zero
  EXPECT_EQ(line.Line, 0);

  clsParts parts;
  parts.Read(1);
  EXPECT_EQ(parts.Part_w_Dash.substr(0, 5), "AB-1 ");
  EXPECT_EQ(parts.Record_Number, 1);
  EXPECT_EQ(ErrorOf([&] { parts.Read(3); }),
            "81 Read: Read - Illegal Record Number for File: PARTL and Record: 3");
  EXPECT_EQ(parts.Record_Number, 1);
}

TEST_F(RecordFilesTest, ReadWithoutALinkNamesTheMissingFileAndDecodesNothing) {
  for (const char* leave_out : {"LINEL", "ELINEL", "PARTL", "EPARTL"}) {
    RecordsBuilder builder(share_);
    builder.AddLine(Line(10));
    share::PartEntry part;
    part.part_number = "AB-1";
    builder.AddPart(part);
    Install(builder, leave_out);
    clsLines line;
    line.Line = 77;
    clsParts parts;
    const bool is_line = std::string(leave_out).find("LINEL") != std::string::npos;
    const std::string error = ErrorOf([&] { is_line ? line.Read(1) : parts.Read(1); });
    EXPECT_EQ(error, std::string("-10 iLreadFile: LogicalFile parameter is undefined: logical "
                                 "file \"") +
                         leave_out + "\" is not in the link table or its resolution file");
    EXPECT_EQ(line.Line, 77) << leave_out;
    EXPECT_EQ(line.RecNo, 0) << leave_out;
    EXPECT_EQ(parts.Record_Number, 0) << leave_out;
  }
}

TEST_F(RecordFilesTest, ComoditiesFollowTheLineOwnEntryInTheIndex) {
  RecordsBuilder builder(share_);
  const int32_t with_more = builder.AddLine(Line(10, 1, 'E', "FG"));
  const int32_t alone = builder.AddLine(Line(20, 1, 'U'));
  builder.AddLine(Line(21, 1, 'V', "W"));  // the next line's keys must not be taken
  // Line 40's own commodity C is missing from the index: the search ends on D, which is kept.
  const int32_t unlisted = builder.AddLineRecord(share::EncodeProductLine(Line(40, 1, 'C')));
  builder.AddComodity(40, 'D');
  builder.AddComodity(40, 'E');
  // Line 50's other commodity sorts before its own, where the walk does not look.
  const int32_t earlier = builder.AddLine(Line(50, 1, 'Z', "A"));
  // Line 60 comes after every key: the search finds no higher key at all.
  const int32_t last = builder.AddLineRecord(share::EncodeProductLine(Line(60, 1, 'B')));
  Install(builder);

  const std::pair<int32_t, std::vector<std::string>> cases[] = {
      {with_more, {"E", "F", "G"}},
      {alone, {"U"}},
      {unlisted, {"C", "D", "E"}},
      {earlier, {"Z"}},
      {last, {"B"}},
  };
  for (const auto& [record, comodities] : cases) {
    clsLines line;
    line.Read(record);
    EXPECT_EQ(line.Comodities, comodities) << "line " << line.Line;
  }
}

TEST_F(RecordFilesTest, RecordLengthsComeFromTheResolutionEntries) {
  share::RecordLengths other_split;
  other_split.line = 100;  // YTD_Sales (99-102) spans both files
  other_split.line_extension = 124;
  other_split.part = 50;  // so does Level_2_Price (49-51)
  other_split.part_extension = 238;
  RecordsBuilder builder(share_, other_split);
  share::AddSampleRecords(builder);
  Install(builder);

  clsLines line;
  line.Read(1);
  EXPECT_EQ(line.Line, 10);
  EXPECT_EQ(line.YTD_Sales.ToString(), "60218.75");
  EXPECT_EQ(line.YTD_COGS.ToString(), "35500.1");
  EXPECT_EQ(line.Primary_Vendor, 4410);
  clsParts part;
  part.Read(1);
  EXPECT_EQ(part.Level_2_Price.ToString(), "4.25");
  EXPECT_EQ(part.Cost.ToString(), "2.31");
  EXPECT_EQ(part.Description, "SPARK PLUG           ");
}

TEST_F(RecordFilesTest, ShortInstalledRecordsLeaveTheFieldsBeyondThemAlone) {
  share::RecordLengths short_files;
  short_files.line = 64;
  short_files.line_extension = 64;  // 128 bytes: up to DataBase_Name
  RecordsBuilder builder(share_, short_files);
  share::AddSampleRecords(builder);
  Install(builder);

  clsLines line;
  line.Warranty = -5;
  line.Read(1);
  EXPECT_EQ(line.Line, 10);
  EXPECT_EQ(line.DataBase_Name, "SEP");
  EXPECT_EQ(line.Warranty, -5) << "position 129 lies past the record";
  EXPECT_EQ(line.Line_Type, "P");
  EXPECT_EQ(line.Primary_Vendor, 0);
}

TEST_F(RecordFilesTest, SampleRecordsDecodeToTheValuesTheyWereBuiltFrom) {
  RecordsBuilder builder(share_);
  share::AddSampleRecords(builder);
  Install(builder);

  clnLines lines;
  ASSERT_EQ(lines.Count(), 2);
  const auto engines = lines.Item("10");
  EXPECT_EQ(engines->Alpha_Line, "ENG");
  EXPECT_EQ(engines->Comodities, (std::vector<std::string>{"E", "F", "G"}));
  EXPECT_EQ(engines->Price_Def_3_Perc, -5);
  EXPECT_EQ(engines->Cost_of_Mdse.ToString(), "18430.5");
  EXPECT_EQ(engines->MTD_Sales.ToString(), "5123.4");
  EXPECT_EQ(engines->YTD_Sales.ToString(), "60218.75");
  EXPECT_EQ(engines->YTD_No_Sales, 412);
  EXPECT_TRUE(engines->ReCalculateMax);
  EXPECT_EQ(engines->Line_Type, "R");
  EXPECT_EQ(engines->Seas_Date_Last_Gen, DateTime::FromYmd(2024, 3, 1));
  EXPECT_EQ(lines.Item("20")->Line_Type, "U");

  clsParts plug;
  plug.Read(1);
  EXPECT_EQ(plug.Part_w_Dash, "RC-12YC" + std::string(12, ' '));
  EXPECT_EQ(plug.Package_Code, "BOX");
  EXPECT_EQ(plug.Comodity + plug.Unit_of_Measure + plug.Return_Flag, "E E");
  EXPECT_EQ(plug.Quantity_On_Hand.ToString(), "84.5");
  EXPECT_EQ(plug.Level_3_Price.ToString(), "3.99");
  EXPECT_EQ(plug.Date_Last_Change, DateTime::FromYmd(2024, 2, 14));
  EXPECT_EQ(plug.Date_Last_Recvd, DateTime::FromYmd(2024, 2, 20));
  EXPECT_EQ(plug.MTD_Demand_1_back, 21);
  EXPECT_EQ(plug.MTD_Demand_4_back, 19);
  EXPECT_EQ(plug.Bin, "A-14  ");
  clsParts belt;
  belt.Read(2);
  EXPECT_TRUE(belt.Meter);
  EXPECT_EQ(belt.Sub_Part_w_Dash, "754-0406" + std::string(8, ' '));
}

}  // namespace
}  // namespace tervalo
