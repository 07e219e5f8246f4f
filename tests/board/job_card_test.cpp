// The job card's contents: addresses, warranty dates, the page chain, the request a tall row
// chooses, the caption, and the failures that keep a card from opening, on small companies.

#include "board/job_card.h"

#include <gtest/gtest.h>

#include <fstream>

#include "board/job_loading.h"
#include "records/serial_number_record.h"
#include "tests/support/card_company.h"

namespace tervalo {
namespace {

using share::InvoiceRecord;
using testing::CardPage;

// Four address lines, each padded to 30 characters.
std::string Address(const std::string& l1, const std::string& l2 = "", const std::string& l3 = "",
                    const std::string& l4 = "") {
  std::string text;
  for (std::string line : {l1, l2, l3, l4}) {
    line.resize(30, ' ');
    text += line;
  }
  return text;
}

const std::string kBlankLine(30, ' ');

TEST(FormatAddressTest, PadsToFourLinesOfThirtyJoinedByCrLf) {
  const std::string blank4 =
      kBlankLine + "\r\n" + kBlankLine + "\r\n" + kBlankLine + "\r\n" + kBlankLine;
  EXPECT_EQ(FormatAddress(""), blank4);
  EXPECT_EQ(FormatAddress("ACME"), "ACME" + std::string(26, ' ') + "\r\n" + kBlankLine + "\r\n" +
                                       kBlankLine + "\r\n" + kBlankLine);
  const std::string full = Address("ONE", "TWO", "THREE", "FOUR");
  EXPECT_EQ(FormatAddress(full + "EXTRA"), full.substr(0, 30) + "\r\n" + full.substr(30, 30) +
                                               "\r\n" + full.substr(60, 30) + "\r\n" +
                                               full.substr(90, 30));
}

TEST(SelectAddressTest, TheChosenOptionMarksItsAccountAndShowsItsAddress) {
  JobCard card;
  card.address_billto = Address("BILL");
  card.address_shipto = Address("SHIP");
  const AddressView bill = SelectAddress(card, AddressOption::kBillTo);
  EXPECT_EQ(bill.account_back, Color{0xC0E0FF});
  EXPECT_EQ(bill.shipto_back, Color{0xE0E0E0});
  EXPECT_EQ(bill.text, FormatAddress(card.address_billto));
  const AddressView ship = SelectAddress(card, AddressOption::kShipTo);
  EXPECT_EQ(ship.account_back, Color{0xE0E0E0});
  EXPECT_EQ(ship.shipto_back, Color{0xC0E0FF});
  EXPECT_EQ(ship.text, FormatAddress(card.address_shipto));
}

class SerialDatesTest : public testing::TempShareTest {
 protected:
  void SetUp() override {
    WriteBasicShare();
    StartEngine();
  }
};

TEST_F(SerialDatesTest, WarrantyEndsAreWholeMonthsOnWithTheDayKept) {
  struct Case {
    int32_t purchase_day, warranty, extended;
    const char *purchase, *warranty_end, *extended_end;
  };
  const Case cases[] = {
      {11277, 18, 0, "11/15/98", "05/15/00", ""},  // across the century, no extension
      {11277, 18, 12, "11/15/98", "05/15/00", "05/15/01"},
      {11354, 1, 0, "01/31/99", "02/31/99", ""},  // no calendar check
      {11658, 12, 11, "12/01/99", "12/01/00", "11/01/01"},
      {11672, 1, 1, "12/15/99", "01/15/00", "02/15/00"},  // month 13 becomes January
      {0, 0, 0, "01/01/68", "01/01/68", ""},              // the empty date
      {11277, 0, 24, "11/15/98", "11/15/98", "11/15/00"},
  };
  for (const Case& c : cases) {
    SerialNumberRecord serial;
    serial.Purchase_Day = c.purchase_day;
    serial.Warranty_Months = c.warranty;
    serial.Ext_Warranty_Months = c.extended;
    const WarrantyDates dates = SerialDates(*gEngine, serial);
    EXPECT_EQ(dates.purchase, c.purchase) << c.purchase_day;
    EXPECT_EQ(dates.warranty, c.warranty_end) << c.purchase_day << " + " << c.warranty;
    EXPECT_EQ(dates.ext_warranty, c.extended_end)
        << c.purchase_day << " + " << c.warranty << " + " << c.extended;
  }
}

class JobCardTest : public testing::CardCompanyTest {};

TEST_F(JobCardTest, AOnePageJobShowsEveryField) {
  company_.AddCustomer({5001, Address("GREEN LAWN CARE", "1450 MILL ROAD", "FAIRVIEW OH 44120")});
  company_.AddSerial({"SN100", 18, 0, 11277});
  InvoiceRecord page = CardPage(42);
  page.items.push_back({"REM", "CALL BEFORE REPAIR", ""});
  company_.AddJob({7, {page}});
  Build();

  const CardOutcome outcome = Card(7);
  ASSERT_TRUE(outcome.card) << outcome.message;
  const JobCard& card = *outcome.card;
  EXPECT_EQ(card.caption, "Job: 7     Reference: 42");
  EXPECT_EQ(card.account, 5001);
  EXPECT_EQ(card.shipto, "");
  EXPECT_EQ(card.address_billto, Address("GREEN LAWN CARE", "1450 MILL ROAD", "FAIRVIEW OH 44120"));
  EXPECT_EQ(card.address_shipto, std::string(120, ' '));
  EXPECT_EQ(card.part, "HARLAN MOWER / HR217 WONT START");
  EXPECT_EQ(card.delivery, "METHOD 2       ");
  EXPECT_EQ(card.sn1, "SN100             ");
  EXPECT_EQ(card.sn2, "ENG7              ");
  EXPECT_EQ(card.meter, "1234.5");
  EXPECT_EQ(card.priority, "Rush       ");
  EXPECT_EQ(card.date_in, DateTime::FromYmd(2025, 6, 29));
  EXPECT_EQ(card.purchase, "11/15/98");
  EXPECT_EQ(card.warranty, "05/15/00");
  EXPECT_EQ(card.ext_warranty, "");
  ASSERT_EQ(card.items.size(), 2u);
  EXPECT_EQ(card.items[0].text, "PRT 75404060  BELT DECK" + std::string(12, ' '));
  EXPECT_EQ(card.items[0].back, kSystemWindowBackground);
  EXPECT_EQ(card.items[1].text, "CALL BEFORE REPAIR" + std::string(18, ' '));
  EXPECT_EQ(card.items[1].back, Color{0xFFFFC0});
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(JobCardTest, AddressesComeFromCustomersThenTheMailingList) {
  struct Case {
    int32_t account;
    std::string customer;  // empty: none
    std::string mailing;
    std::string expected;
  };
  const Case cases[] = {
      {5001, Address("ACME", "1 MAIN ST", "TOWN", ". ON HOLD"), "",
       Address("ACME", "1 MAIN ST", "TOWN")},
      {5002, Address("LAWN / GARDEN"), "", Address("LAWN   GARDEN")},
      {5003, Address("LAWN / GARDEN / TOOLS"), "",
       Address("LAWN   GARDEN / TOOLS")},  // the first only
      {5004, Address(std::string(28, 'A') + "/"), "",
       Address(std::string(28, 'A') + " ")},  // position 29
      {5005, Address(std::string(29, 'A') + "/"), "",
       Address(std::string(29, 'A') + "/")},  // position 30
      {5006, "", Address("PROSPECT / CO", "", "", ". NOTE"),
       Address("PROSPECT / CO", "", "", ". NOTE")},
      {5007, Address("CUSTOMER"), Address("MAILING"), Address("CUSTOMER")},
      {5008, "", "", std::string(120, ' ')},
  };
  for (const Case& c : cases) {
    if (!c.customer.empty()) company_.AddCustomer({c.account, c.customer});
    if (!c.mailing.empty()) company_.AddMailing({c.account, c.mailing});
  }
  company_.AddCustomer({-5001, Address("NEGATIVE")});  // sorts after every positive key
  Build();
  for (const Case& c : cases) EXPECT_EQ(GetAddress(*gEngine, c.account), c.expected) << c.account;
  EXPECT_EQ(GetAddress(*gEngine, 5000), std::string(120, ' ')) << "a near key is not the account";
}

TEST_F(JobCardTest, DeliveryNamesOnlyForMethodsOneToThirty) {
  const std::pair<int32_t, std::string> cases[] = {
      {0, ""}, {1, "METHOD 1       "}, {30, "METHOD 30      "}, {31, ""}, {255, ""}};
  int32_t job = 10;
  for (const auto& [method, name] : cases) {
    InvoiceRecord page = CardPage();
    page.delivery = method;
    company_.AddJob({job++, {page}});
  }
  Build();
  job = 10;
  for (const auto& [method, name] : cases) {
    const CardOutcome outcome = Card(job++);
    ASSERT_TRUE(outcome.card);
    EXPECT_EQ(outcome.card->delivery, name) << method;
  }
}

TEST_F(JobCardTest, PrioritiesOutsideOneToEightShowPriorityOne) {
  const std::pair<int32_t, std::string> cases[] = {{0, "Normal     "},
                                                   {1, "Normal     "},
                                                   {8, "Hold       "},
                                                   {9, "Normal     "},
                                                   {255, "Normal     "}};
  int32_t job = 10;
  for (const auto& [priority, name] : cases) {
    InvoiceRecord page = CardPage();
    page.priority = priority;
    company_.AddJob({job++, {page}});
  }
  Build();
  job = 10;
  for (const auto& [priority, name] : cases) {
    const CardOutcome outcome = Card(job++);
    ASSERT_TRUE(outcome.card);
    EXPECT_EQ(outcome.card->priority, name) << priority;
  }
}

TEST_F(JobCardTest, AThreePageJobListsItsItemsFromPageOne) {
  std::vector<InvoiceRecord> pages(3, CardPage());
  pages[0].items = {{"PRT", "111", "PAGE ONE"}};
  pages[1].items = {{"REM", "PAGE TWO REMARK", ""}, {"PRT", "222", "PAGE TWO"}};
  pages[2].items = {{"PRT", "333", "PAGE THREE"}};
  pages[2].reference = 77;  // the card's fields come from the last page
  company_.AddJob({5, {CardPage()}});
  const std::vector<int32_t> records = company_.AddJob({7, pages});
  Build();

  JobRecordReader reader(*gEngine);
  const PageList list = LoadPages(reader, records[2]);
  EXPECT_EQ(list.count, 3);
  EXPECT_EQ((std::vector<int32_t>{list.record[1], list.record[2], list.record[3]}), records);

  const CardOutcome outcome = Card(7);
  ASSERT_TRUE(outcome.card);
  std::vector<std::string> texts;
  for (const CardItem& item : outcome.card->items) texts.push_back(item.text.substr(0, 14));
  EXPECT_EQ(texts, (std::vector<std::string>{"PRT 111  PAGE ", "PAGE TWO REMAR", "PRT 222  PAGE ",
                                             "PRT 333  PAGE "}));
  EXPECT_EQ(outcome.card->items[1].back, Color{0xFFFFC0});
  EXPECT_EQ(outcome.card->caption, "Job: 7     Reference: 77");
}

TEST_F(JobCardTest, AShipToAccountShowsItsNumberAndAddress) {
  company_.AddCustomer({5001, Address("BILL TO")});
  company_.AddMailing({6000, Address("HARBOR RENTALS", "900 DOCK ST")});
  InvoiceRecord page = CardPage();
  page.ship_to = 6000;
  company_.AddJob({7, {page}});
  Build();
  const CardOutcome outcome = Card(7);
  ASSERT_TRUE(outcome.card);
  EXPECT_EQ(outcome.card->shipto, "6000");
  EXPECT_EQ(outcome.card->address_shipto, Address("HARBOR RENTALS", "900 DOCK ST"));
  EXPECT_EQ(SelectAddress(*outcome.card, AddressOption::kShipTo).text,
            FormatAddress(Address("HARBOR RENTALS", "900 DOCK ST")));
}

TEST_F(JobCardTest, QuotesAndPartListUnitsAndMissingSerialNumbers) {
  company_.AddPart({101, "ZT5400 ZERO TURN", "A01", "ZT5400 54IN DECK"});
  InvoiceRecord quote = CardPage(42);
  quote.kind = 81;
  company_.AddJob({1500, {quote}});
  InvoiceRecord listed = CardPage(43);
  listed.part_list = true;
  listed.brand = 101;
  listed.model = "ZT5400 ZERO TURN";
  listed.key_tail = "A01";
  company_.AddJob({8, {listed}});
  listed.brand = 1200;
  company_.AddJob({9, {listed}});
  Build();

  const CardOutcome q = Card(1500);
  ASSERT_TRUE(q.card);
  EXPECT_EQ(q.card->caption, "Quote: 1500     Reference: 42");
  EXPECT_EQ(q.card->purchase, "") << "no serial-number record";
  EXPECT_EQ(q.card->warranty, "");
  EXPECT_EQ(q.card->ext_warranty, "");
  EXPECT_EQ(q.card->address_billto, std::string(120, ' '));
  const CardOutcome found = Card(8);
  ASSERT_TRUE(found.card);
  EXPECT_EQ(found.card->part, "ZT5400 ZERO TURN   / ZT5400 54IN DECK     ");
  const CardOutcome missing = Card(9);
  ASSERT_TRUE(missing.card);
  EXPECT_EQ(missing.card->part, "ZT5400 ZERO TURN   / NOT FOUND");
}

TEST_F(JobCardTest, TallRowsShowTheRequestOfTheRow) {
  InvoiceRecord first = CardPage(41);
  first.request = 1;
  first.items = {{"PRT", "111", "REQUEST ONE"}};
  InvoiceRecord second = CardPage(43);
  second.request = 2;
  second.items = {{"PRT", "222", "REQUEST TWO"}};
  company_.AddJob({7, {first, second}});
  Build();

  const CardOutcome two = Card(7, true, "Req 2                         ");
  ASSERT_TRUE(two.card);
  EXPECT_EQ(two.card->caption, "Job: 7     Request # 2     Reference: 43");
  ASSERT_EQ(two.card->items.size(), 1u);
  EXPECT_EQ(two.card->items[0].text.substr(0, 21), "PRT 222  REQUEST TWO ");

  const CardOutcome one = Card(7, true);  // a text without "Req " stands for request 1
  ASSERT_TRUE(one.card);
  EXPECT_EQ(one.card->caption, "Job: 7     Request # 1     Reference: 41");
  ASSERT_EQ(one.card->items.size(), 1u);
  EXPECT_EQ(one.card->items[0].text.substr(0, 21), "PRT 111  REQUEST ONE ");

  const CardOutcome flat = Card(7, false, "Req 2");
  ASSERT_TRUE(flat.card);
  EXPECT_EQ(flat.card->caption, "Job: 7     Reference: 43")
      << "without tall rows the label is not read";
  EXPECT_EQ(flat.card->items.size(), 2u);
}

TEST_F(JobCardTest, DamagedJobsGiveTheCardsMessageAndNeverHang) {
  InvoiceRecord page = CardPage();
  // Page 0: no pages at all.
  page.page = 0;
  company_.SetIndexEntry(20, company_.AddRecord(page));
  // A page above 200.
  page.page = 201;
  company_.SetIndexEntry(21, company_.AddRecord(page));
  // Pages 3 and 2 linking to each other.
  const int32_t loop = company_.AddRecord({});
  page.page = 3;
  page.link = loop + 2;
  company_.SetIndexEntry(22, company_.AddRecord(page));
  page.page = 2;
  page.link = loop + 1;
  company_.AddRecord(page);
  // A link past the end of INVOL.
  page.page = 2;
  page.link = 9999;
  company_.SetIndexEntry(23, company_.AddRecord(page));
  // Page 3 linking straight to page 1: page 2 is missing.
  InvoiceRecord first = CardPage();
  first.page = 1;
  page.page = 3;
  page.link = company_.AddRecord(first);
  company_.SetIndexEntry(24, company_.AddRecord(page));
  // An index entry past the end of INVOL.
  company_.SetIndexEntry(25, 9999);
  // A sound job to open afterwards.
  company_.AddJob({26, {CardPage()}});
  Build();

  const std::pair<int32_t, const char*> cases[] = {
      {20, "Error in Page Array! "},         {21, "Error Trying to Display Job! "},
      {22, "Error Trying to Display Job! "}, {23, "Error Trying to Display Job! "},
      {24, "Error Trying to Display Job! "}, {25, "Error Trying to Display Job! "},
      {27, "Error Trying to Display Job! "},  // no index entry
  };
  for (const auto& [job, message] : cases) {
    const CardOutcome outcome = Card(job);
    EXPECT_FALSE(outcome.card) << job;
    EXPECT_EQ(outcome.message, message) << job;
    EXPECT_FALSE(outcome.engine_error) << job;
  }
  EXPECT_TRUE(Card(26).card) << "a failed card leaves the board usable";
}

TEST_F(JobCardTest, RequestsOutsideTheJobGiveTheCardsMessage) {
  InvoiceRecord first = CardPage(41);
  first.request = 1;
  InvoiceRecord second = CardPage(43);
  second.request = 2;
  company_.AddJob({7, {first, second}});
  Build();
  for (const char* label : {"Req 31", "Req 5 ", "Req 00", "Req 99"}) {
    const CardOutcome outcome = Card(7, true, label);
    EXPECT_FALSE(outcome.card) << label;
    EXPECT_EQ(outcome.message, "Error Trying to Display Job! ") << label;
  }
}

TEST_F(JobCardTest, ATextWithoutAJobNumberOpensNothing) {
  company_.AddJob({7, {CardPage()}});
  Build();
  for (const char* text : {"", "no line feed", "Ref: 42         Job:    0\nrest"}) {
    const CardOutcome outcome = ShowJob(*gEngine, text, false);
    EXPECT_FALSE(outcome.card) << text;
    EXPECT_EQ(outcome.message, "") << text;
  }
}

TEST_F(JobCardTest, ADamagedCustomerIndexGivesTheEnginesFailureThenTheCards) {
  company_.AddCustomer({5001, Address("ACME")});
  company_.AddJob({7, {CardPage()}});
  Build();
  // An entry length of 0 in the index header.
  const int32_t header_block = gEngine->LogicalOpen("CUSTI")->Position;
  {
    std::fstream file(share_.DataDirectory() / "CUSTDB",
                      std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(header_block) * 512);
    file.write("\0\0", 2);
  }
  const CardOutcome outcome = Card(7);
  EXPECT_FALSE(outcome.card);
  EXPECT_EQ(outcome.message, "Error Trying to Display Job! ");
  ASSERT_TRUE(outcome.engine_error);
  EXPECT_EQ(outcome.engine_error->number(), 101);
}

}  // namespace
}  // namespace tervalo
