// tervalo-inspect on a small company: what each command prints and its exit status.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/support/temp_share.h"
#include "tools/inspect/inspect_commands.h"
#include "tools/share_builders/company_builder.h"
#include "tools/share_builders/records_builder.h"

namespace tervalo {
namespace {

class InspectTest : public testing::TempShareTest {
 protected:
  void SetUp() override {
    share::CompanyBuilder company(share_);
    share::BoardFile0 file0;
    file0.priority_names = {"Normal", "Rush"};
    company.SetFile0(file0);
    company.AddMechanic({3, "DAVE RUIZ"});
    company.AddMechanic({9, "ANNA KOWALSKI"});
    share::InvoiceRecord job;
    job.reference = 42;
    job.date_in = 21000;
    job.description1 = "HARLAN MOWER";
    company.AddJob({7, {job}});
    share::InvoiceRecord scheduled = job;
    scheduled.reference = 43;
    scheduled.mechanic = 3;
    company.AddJob({8, {scheduled}});
    share::RecordsBuilder records(share_);
    share::ProductLineEntry line;
    line.line = 12;
    line.alpha_line = "ENG";
    line.name = "SMALL ENGINE PARTS";
    records.AddLine(line);
    share::PartEntry part;
    part.line = 12;
    part.part_number = "754-04060";
    part.description = "BELT DECK";
    records.AddPart(part);
    records.Write();
    company.AddLinks(records.Links());
    company.Write(temp_dir_, host_.computer_name);
    company.WriteSchedule(3, {company.ScheduleLine(scheduled, 8)});
  }

  int Run(const std::vector<std::string>& args, std::string ini = "") {
    out_.str("");
    err_.str("");
    return inspect::Run(args, ini, out_, err_);
  }

  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(InspectTest, PrintsIdentityLinksEntriesAndRecords) {
  EXPECT_EQ(Run({"whoami"}), 0);
  EXPECT_NE(out_.str().find("Terminal number: 7"), std::string::npos);
  EXPECT_EQ(Run({"links"}), 0);
  EXPECT_NE(out_.str().find(":CO1:MANI"), std::string::npos);
  EXPECT_EQ(Run({"entries", "MANI"}), 0);
  EXPECT_NE(out_.str().find("MANI        I"), std::string::npos);
  EXPECT_EQ(Run({"record", "INVOL", "1"}), 0);
  EXPECT_EQ(out_.str().substr(0, 25), "    1  00 50 00 00 00 00 ");
}

TEST_F(InspectTest, FindsWalksCountsAndVerifiesIndexes) {
  EXPECT_EQ(Run({"find", "MANI", "0004"}), 0);
  EXPECT_EQ(out_.str(), "        -2  00 09\n") << "the next higher key, negated";
  EXPECT_EQ(Run({"walk", "MANI"}), 0);
  EXPECT_EQ(out_.str(), "         1  00 03\n         2  00 09\n");
  EXPECT_EQ(Run({"walk", "MANI", "--reverse"}), 0);
  EXPECT_EQ(out_.str(), "         2  00 09\n         1  00 03\n");
  EXPECT_EQ(Run({"count", "MANI"}), 0);
  EXPECT_EQ(out_.str(), "2\n");
  EXPECT_EQ(Run({"verify", "MANI"}), 0);
  EXPECT_EQ(out_.str(), "MANI: sound, 2 keys\n");
}

TEST_F(InspectTest, PrintsTheBoardAsStartUpBuildsIt) {
  ASSERT_EQ(Run({"board", "--json"}), 0) << err_.str();
  const auto board = nlohmann::json::parse(out_.str());
  ASSERT_EQ(board["unassigned"].size(), 1u);
  EXPECT_EQ(board["unassigned"][0]["sort_key"], "0000042 1 21000 0007 ");
  EXPECT_EQ(board["mechanics"].size(), 2u);
  EXPECT_EQ(board["mechanics"][1]["name"], "ANNA KOWALSKI");
  EXPECT_EQ(Run({"board"}), 0);
  EXPECT_NE(out_.str().find("Mechanic 9 ANNA KOWALSKI (0):"), std::string::npos);
}

TEST_F(InspectTest, PrintsProductLineAndPartRecordsFieldByField) {
  ASSERT_EQ(Run({"line", "1"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Line_Name           SMALL ENGINE PARTS"), std::string::npos)
      << out_.str();
  ASSERT_EQ(Run({"part", "1", "--json"}), 0) << err_.str();
  const auto part = nlohmann::ordered_json::parse(out_.str());
  EXPECT_EQ(part["Line"], "12");
  EXPECT_EQ(part.begin().key(), "Line") << "fields keep the record's order";
  EXPECT_EQ(Run({"part", "9"}), 1);
  EXPECT_NE(err_.str().find("error 81 (Read): Read - Illegal Record Number for File: PARTL and "
                            "Record: 9\n"),
            std::string::npos)
      << err_.str();
}

TEST_F(InspectTest, RecordsWhoseFileHasNoLinkNameTheFile) {
  // The link table without the product line and part files.
  share_.WriteLinksFile({share_.LinkFor("INVOL", "INVLK")});
  for (const auto& [command, file] : {std::pair{"line", "LINEL"}, {"part", "PARTL"}}) {
    EXPECT_EQ(Run({command, "1"}), 1);
    EXPECT_EQ(err_.str(),
              std::string("tervalo-inspect: error -10 (iLreadFile): LogicalFile parameter "
                          "is undefined: logical file \"") +
                  file + "\" is not in the link table or its resolution file\n");
  }
}

TEST_F(InspectTest, ControlBytesOfTheConfigurationAreShownEscaped) {
  share::CatalogSettings settings;
  settings.server = "SRV\x07";
  settings.directory = "CO1";
  share::WriteCatalogIni(temp_dir_, settings);
  EXPECT_EQ(Run({"links"}), 1);
  EXPECT_EQ(err_.str(),
            "tervalo-inspect: The link share \\\\SRV\\x07\\VLTRLNK\\ cannot be reached.\n");
}

TEST_F(InspectTest, PrintsTheWorkSheetWithItsSizesAndFrames) {
  ASSERT_EQ(Run({"sheet", "3", "--columns", "80", "--json"}), 0) << err_.str();
  const auto sheet = nlohmann::json::parse(out_.str());
  EXPECT_EQ(sheet["fixed_rows"], 1);
  EXPECT_EQ(sheet["margin"], 360);
  EXPECT_EQ(sheet["col_widths"], nlohmann::json({2600, 3300, 4400}));
  ASSERT_EQ(sheet["rows"].size(), 6u);
  EXPECT_EQ(sheet["rows"][0]["cells"][0]["text"], "DAVE RUIZ");
  EXPECT_EQ(sheet["rows"][2]["cells"][0]["text"], "Job: 8");
  EXPECT_EQ(sheet["rows"][2]["cells"][1]["text"], "Reference: 43");
  EXPECT_EQ(sheet["rows"][2]["cells"][2]["border"],
            nlohmann::json(
                {{"color", "&H000000"}, {"left", 1}, {"top", 1}, {"right", 1}, {"bottom", 0}}));
  EXPECT_FALSE(sheet["rows"][1]["cells"][2].contains("border"));

  ASSERT_EQ(Run({"sheet", "3", "--columns", "40"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("\n   2  \"Job: 8\" 12pt\n   3  \"Reference: 43\"\n"),
            std::string::npos)
      << out_.str();
  EXPECT_NE(out_.str().find("\n  10  \".\"\n"), std::string::npos) << out_.str();
  ASSERT_EQ(Run({"sheet", "3", "--columns", "80"}), 0) << err_.str();
  EXPECT_NE(
      out_.str().find(
          "   2  \"Job: 8\" | \"Reference: 43\" | \"Comments\" frame &H000000 left top right\n"),
      std::string::npos)
      << out_.str();

  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"sheet", "3"}, 2, "missing --columns"},
      {{"sheet", "3", "--columns", "60"}, 2, "--columns is 40 or 80"},
      {{"sheet", "3", "--columns"}, 2, "missing --columns"},
      {{"sheet", "three", "--columns", "40"}, 2, "MECHANIC_NUMBER is not a number"},
      {{"sheet", "3", "--columns", "40", "--wide"}, 2, "unknown argument --wide"},
      {{"sheet", "5", "--columns", "40"}, 1, "the board has no mechanic 5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.args), c.status) << c.message;
    EXPECT_NE(err_.str().find(c.message), std::string::npos) << err_.str();
  }
}

TEST_F(InspectTest, ReportsWrongCommandLinesAndMissingData) {
  EXPECT_EQ(Run({"frobnicate"}), 2);
  EXPECT_EQ(Run({"record", "INVOL", "x"}), 2);
  EXPECT_NE(err_.str().find("N is not a number: x"), std::string::npos);
  EXPECT_EQ(Run({"find", "MANI", "0G"}), 2);
  EXPECT_EQ(Run({"record", "INVOL", "99"}), 1);
  EXPECT_NE(err_.str().find("error 81 (iLreadFile): Illegal Record Number for File: INVOL"),
            std::string::npos);
  EXPECT_EQ(Run({"count", "NOPE"}), 1);
  EXPECT_EQ(Run({"links"}, (temp_dir_ / "missing.ini").string()), 1);
  EXPECT_NE(err_.str().find("You are missing file: "), std::string::npos);
}

}  // namespace
}  // namespace tervalo
