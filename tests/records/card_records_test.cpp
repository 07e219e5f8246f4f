// The records the job card reads, decoded from hand-written bytes: the further fields of an
// invoice record, its line items, customer and mailing-list addresses and serial-number records.

#include <gtest/gtest.h>

#include "environment/shared_instances.h"
#include "records/address_records.h"
#include "records/invoice_fields.h"
#include "records/serial_number_record.h"
#include "tests/records/record_bytes.h"

namespace tervalo {
namespace {

using testing::RecordBytes;

// Compressed texts: "SN1" = 32*1600 + 27*40 + 5, "REM", "PRT", "OK ", "123", "AB ", "ABC".
constexpr const char* kSN1 = "CC 3D";
constexpr const char* kREM = "C4 AA";
constexpr const char* kPRT = "BA 39";
constexpr const char* kOK = "B2 C0";
constexpr const char* k123 = "20 37";
constexpr const char* kAB = "59 D8";
constexpr const char* kABC = "59 E8";

// Decoding needs no running engine: the shared instances are cleared before each test.
class CardRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSharedInstances(); }
};

TEST_F(CardRecordsTest, InvoiceFieldsComeFromTheirPositions) {
  const std::string record = RecordBytes(512, {{3, "00 00 13 89"},  // bill-to 5001
                                               {7, "00 17 70"},     // ship-to 6000
                                               {14, "00 30 39"},    // meter 1234.5
                                               {51, kSN1},
                                               {63, kABC},
                                               {95, "52 08"},  // 2025-06-29
                                               {100, "1E"},    // delivery 30
                                               {115, "03"},    // page 3
                                               {146, "02"}});
  InvoiceCardFields f;
  f.Unpack(record);
  EXPECT_EQ(f.Bill_To, 5001);
  EXPECT_EQ(f.Ship_To, 6000);
  EXPECT_EQ(f.Meter.ToString(), "1234.5");
  EXPECT_EQ(f.Serial_1, "SN1" + std::string(15, ' '));
  EXPECT_EQ(f.Serial_1_Key, testing::Hex(kSN1) + std::string(10, '\0'))
      << "the stored bytes, not the text";
  EXPECT_EQ(f.Serial_2, "ABC" + std::string(15, ' '));
  EXPECT_EQ(f.Date_In, DateTime::FromYmd(2025, 6, 29));
  EXPECT_EQ(f.Delivery, 30);
  EXPECT_EQ(f.Page, 3);
  EXPECT_EQ(f.Item_Count, 2);
}

TEST_F(CardRecordsTest, InvoiceFieldsBeyondAShortRecordKeepTheirDefaults) {
  InvoiceCardFields f;
  f.Unpack(RecordBytes(100, {{3, "FF FF FF FE"}, {95, "00 00"}, {100, "05"}}));
  EXPECT_EQ(f.Bill_To, -2) << "an L field is signed";
  EXPECT_EQ(f.Date_In, DateTime{kEmptyDate});
  EXPECT_EQ(f.Delivery, 5);
  EXPECT_EQ(f.Page, 0);
  EXPECT_EQ(f.Item_Count, 0);
}

TEST_F(CardRecordsTest, LineItemsAreRemarksOrParts) {
  const std::string sp15(15, ' ');
  const std::string sp18(18, ' ');
  const std::string sp12(12, ' ');
  struct Case {
    std::string bytes;
    std::string code, remark, part, description;
    bool is_remark;
  };
  // Remark 3-26, part number 3-14 and description 17-30 overlap: each reads its own bytes.
  const Case cases[] = {
      {RecordBytes(44, {{1, kREM}, {3, kOK}, {15, k123}, {17, kAB}}), "REM",
       "OK " + sp15 + "123" + "AB " + sp12, "OK " + sp15, "AB " + sp18, true},
      {RecordBytes(44, {{1, kPRT}, {3, k123}, {17, kAB}}), "PRT", "123" + sp18 + "AB " + sp12,
       "123" + sp15, "AB " + sp18, false},
      {RecordBytes(44, {}), "   ", std::string(36, ' '), sp18, std::string(21, ' '), false},
  };
  for (const Case& c : cases) {
    InvoiceLineItem item;
    item.Unpack(c.bytes);
    EXPECT_EQ(item.Item_Code, c.code);
    EXPECT_EQ(item.Remark, c.remark) << c.code;
    EXPECT_EQ(item.Part_Number, c.part) << c.code;
    EXPECT_EQ(item.Description, c.description) << c.code;
    EXPECT_EQ(item.IsRemark(), c.is_remark) << c.code;
  }
}

TEST_F(CardRecordsTest, LineItemsStartAt161AndStopAtTheRecordsEnd) {
  std::string record = RecordBytes(512, {{146, "FF"}, {161, kREM}, {205, kPRT}, {469, kREM}});
  const auto items = LineItemsOf(record, 255);
  ASSERT_EQ(items.size(), 8u) << "eight 44-byte items fill bytes 161-512";
  EXPECT_EQ(items[0].Item_Code, "REM");
  EXPECT_EQ(items[1].Item_Code, "PRT");
  EXPECT_EQ(items[7].Item_Code, "REM");
  EXPECT_EQ(LineItemsOf(record, 2).size(), 2u);
  EXPECT_EQ(LineItemsOf(record.substr(0, 511), 8).size(), 7u) << "a cut item is left out";
}

TEST_F(CardRecordsTest, CustomerAndMailingAddressesStartAtSixAndSeven) {
  const std::string at6 = RecordBytes(128, {{6, kABC}, {84, kAB}});
  const std::string at7 = RecordBytes(128, {{7, kABC}, {85, kAB}});
  CustomerRecord customer;
  customer.Unpack(at6);
  MailingRecord mailing;
  mailing.Unpack(at7);
  const std::string expected = "ABC" + std::string(114, ' ') + "AB ";
  EXPECT_EQ(customer.Address, expected) << "80 bytes from 6 hold 120 characters";
  EXPECT_EQ(mailing.Address, expected) << "80 bytes from 7 hold 120 characters";
  CustomerRecord shifted;
  shifted.Unpack(at7);
  EXPECT_NE(shifted.Address.substr(0, 3), "ABC");
  MailingRecord cut;
  cut.Unpack(at7.substr(0, 85));
  EXPECT_EQ(cut.Address, "") << "an address cut by the record's end is not decoded";
}

TEST_F(CardRecordsTest, AccountKeysAreFourByteLFields) {
  EXPECT_EQ(HexBytes(AccountKey(5001)), "00 00 13 89");
  EXPECT_EQ(HexBytes(AccountKey(-1)), "FF FF FF FF");
}

TEST_F(CardRecordsTest, SerialNumberRecordsHoldWarrantyMonthsAndThePurchaseDay) {
  SerialNumberRecord serial;
  serial.Unpack(RecordBytes(64, {{1, "12"}, {2, "FF"}, {3, "01 02 03"}, {6, "2C 0D"}}));
  EXPECT_EQ(serial.Warranty_Months, 18);
  EXPECT_EQ(serial.Ext_Warranty_Months, 255);
  EXPECT_EQ(serial.Purchase_Day, 11277) << "15 November 1998";
  const FieldList fields = serial.Fields();
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[2], (std::pair<std::string, std::string>{"Purchase_Day", "11277"}));
}

}  // namespace
}  // namespace tervalo
