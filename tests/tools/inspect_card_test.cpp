// tervalo-inspect card: the card as JSON and as plain lines, its failure, and a card of the
// demo company.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/support/card_company.h"
#include "tools/inspect/inspect_commands.h"
#include "tools/share_builders/demo_company.h"

namespace tervalo {
namespace {

using share::InvoiceRecord;
using testing::CardPage;

class InspectCardTest : public testing::CardCompanyTest {
 protected:
  int Run(const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    ResetSharedInstances();
    return inspect::Run(args, "", out_, err_);
  }

  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(InspectCardTest, JsonHoldsEveryFieldOfTheCard) {
  company_.AddCustomer({5001, "ACME / CO"});
  company_.AddSerial({"SN100", 18, 12, 11277});
  InvoiceRecord page = CardPage(42);
  page.ship_to = 6000;
  page.items.push_back({"REM", "NOTE", ""});
  company_.AddJob({7, {page}});
  Build();

  ASSERT_EQ(Run({"card", "7", "--json"}), 0) << err_.str();
  const auto card = nlohmann::ordered_json::parse(out_.str());
  std::vector<std::string> keys;
  for (const auto& [key, value] : card.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"caption", "account", "shipto", "address_billto",
                                            "address_shipto", "part", "delivery", "sn1", "sn2",
                                            "meter", "priority", "date_in", "purchase", "warranty",
                                            "ext_warranty", "items"}));
  const std::string blank(30, ' ');
  EXPECT_EQ(card["caption"], "Job: 7     Reference: 42");
  EXPECT_EQ(card["account"], 5001);
  EXPECT_EQ(card["shipto"], "6000");
  EXPECT_EQ(card["address_billto"],
            "ACME   CO" + std::string(21, ' ') + "\r\n" + blank + "\r\n" + blank + "\r\n" + blank);
  EXPECT_EQ(card["address_shipto"], blank + "\r\n" + blank + "\r\n" + blank + "\r\n" + blank)
      << "6000 is on no file";
  EXPECT_EQ(card["meter"], 1234.5);
  EXPECT_EQ(card["date_in"], "2025-06-29");
  EXPECT_EQ(card["purchase"], "11/15/98");
  EXPECT_EQ(card["warranty"], "05/15/00");
  EXPECT_EQ(card["ext_warranty"], "05/15/01");
  ASSERT_EQ(card["items"].size(), 2u);
  EXPECT_EQ(card["items"][0]["back"], 2147483653u) << "the system window colour";
  EXPECT_EQ(card["items"][1]["back"], 0xFFFFC0);
  EXPECT_EQ(card["items"][1]["text"], "NOTE" + std::string(32, ' '));
}

TEST_F(InspectCardTest, PlainFormIsOneFieldALineAndFailuresExitOne) {
  InvoiceRecord page = CardPage(42);
  page.page = 201;
  company_.SetIndexEntry(8, company_.AddRecord(page));
  company_.AddJob({7, {CardPage(42)}});
  Build();

  ASSERT_EQ(Run({"card", "7"}), 0) << err_.str();
  EXPECT_EQ(out_.str().substr(0, 41), "caption:        Job: 7     Reference: 42\n");
  EXPECT_NE(out_.str().find("\nmeter:          1234.5\n"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("\nitem:           &H80000005  PRT 75404060  BELT DECK"),
            std::string::npos);

  EXPECT_EQ(Run({"card", "8"}), 1);
  EXPECT_EQ(err_.str(), "Error Trying to Display Job! \n");
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(Run({"card", "0"}), 2);
  EXPECT_EQ(Run({"card", "7", "--request"}), 2);
}

TEST_F(InspectCardTest, TheRequestOptionChoosesATallRowsRequest) {
  file0_.tall_rows = true;
  InvoiceRecord first = CardPage(41);
  first.request = 1;
  InvoiceRecord second = CardPage(43);
  second.request = 2;
  company_.AddJob({7, {first, second}});
  Build();
  ASSERT_EQ(Run({"card", "7", "--request", "2", "--json"}), 0) << err_.str();
  EXPECT_EQ(nlohmann::json::parse(out_.str())["caption"],
            "Job: 7     Request # 2     Reference: 43");
  ASSERT_EQ(Run({"card", "7", "--json"}), 0);
  EXPECT_EQ(nlohmann::json::parse(out_.str())["caption"],
            "Job: 7     Request # 1     Reference: 41");
  EXPECT_EQ(Run({"card", "7", "--request", "3"}), 1);
}

// The demo company's first job: three pages with remarks and parts, a ship-to account, a
// customer address with a "/" and a "." fourth line, and a serial number under warranty.
class DemoCardTest : public testing::TempShareTest {};

TEST_F(DemoCardTest, TheDemoCompanysFirstJobOpens) {
  share::BuildDemoCompany(base_, host_.computer_name);
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(inspect::Run({"card", "101", "--json"}, "", out, err), 0) << err.str();
  const auto card = nlohmann::json::parse(out.str());
  EXPECT_EQ(card["shipto"], "7100");
  const std::string billto = card["address_billto"];
  EXPECT_EQ(billto.substr(0, 30), "GREENFIELD LAWN   GARDEN      ");
  EXPECT_EQ(billto.substr(96), std::string(30, ' ')) << "the fourth line starts with \".\"";
  EXPECT_EQ(card["items"].size(), 5u);
  EXPECT_NE(card["warranty"], "");
}

}  // namespace
}  // namespace tervalo
