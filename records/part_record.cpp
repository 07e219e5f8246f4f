#include "records/part_record.h"

#include "engine/business_basic.h"

namespace tervalo {
namespace {

using P = clsParts;
using E = Encoding;

constexpr int32_t kCents = FixedPoint::kHundredths;
constexpr int32_t kTenths = FixedPoint::kTenths;

std::vector<FieldBinding<clsParts>> MakeFieldTable() {
  return {
      // Bytes 1-2 are not used by the class.
      IntegerField("Line", 'C', 3, &P::Line),
      // Bytes 5-16 hold 18 characters of number, 17-18 three separator codes.
      TextField("Part_Number", E::kCompressed, 5, 12, &P::Part_Number, /*read_only=*/true),
      TextField("Part_w_Dash", E::kDashedNumber, 5, 14, &P::Part_w_Dash),
      TextField("Package_Code", E::kCompressed, 19, 2, &P::Package_Code),
      CompressedCharField("Comodity", 21, 4, 0, &P::Comodity),
      CompressedCharField("Unit_of_Measure", 21, 4, 1, &P::Unit_of_Measure),
      CompressedCharField("Return_Flag", 21, 4, 2, &P::Return_Flag),
      CompressedCharField("Mfg_Popularity", 21, 4, 3, &P::Mfg_Popularity),
      CompressedCharField("Dlr_Popularity", 21, 4, 4, &P::Dlr_Popularity),
      CompressedCharField("Order_Code", 21, 4, 5, &P::Order_Code),
      IntegerField("Package_Quantity", 'J', 25, &P::Package_Quantity),
      IntegerField("Matched_Set_Qty", 'C', 27, &P::Matched_Set_Qty),
      IntegerField("Manual_Minimum", 'C', 29, &P::Manual_Minimum),
      // 31-32 unused.
      IntegerField("Maximum_Stock_Lvl", 'C', 33, &P::Maximum_Stock_Lvl),
      TextField("Price_Code", E::kPlain, 35, 1, &P::Price_Code),
      FixedField("Quantity_On_Hand", 'K', 36, kTenths, &P::Quantity_On_Hand),
      IntegerField("Quantity_On_Order", 'C', 39, &P::Quantity_On_Order),
      IntegerField("Qty_Back_Ordered", 'C', 41, &P::Qty_Back_Ordered),
      FixedField("List_Price", 'K', 43, kCents, &P::List_Price),
      FixedField("Level_1_Price", 'K', 46, kCents, &P::Level_1_Price),
      FixedField("Level_2_Price", 'K', 49, kCents, &P::Level_2_Price),
      FixedField("Level_3_Price", 'K', 52, kCents, &P::Level_3_Price),
      FixedField("Level_4_Price", 'K', 55, kCents, &P::Level_4_Price),
      FixedField("Level_5_Price", 'K', 58, kCents, &P::Level_5_Price),
      FixedField("Cost", 'K', 61, kCents, &P::Cost),
      FixedField("F_Freight_Resale", 'K', 64, kCents, &P::F_Freight_Resale),
      FixedField("F_Freight_Cost", 'K', 67, kCents, &P::F_Freight_Cost),
      DateField("Date_Last_Change", 'R', 70, &P::Date_Last_Change),
      DateField("Date_Last_Demand", 'R', 73, &P::Date_Last_Demand),
      IntegerField("MTD_Number_Sold", 'J', 76, &P::MTD_Number_Sold),
      IntegerField("MTD_Lost_Sales", 'C', 78, &P::MTD_Lost_Sales),
      IntegerField("YTD_Number_Picks", 'J', 80, &P::YTD_Number_Picks),
      IntegerField("YTD_Number_Sold", 'J', 82, &P::YTD_Number_Sold),
      IntegerField("YTD_Picks_Lost", 'C', 84, &P::YTD_Picks_Lost),
      IntegerField("YTD_Lost_Sales", 'C', 86, &P::YTD_Lost_Sales),
      BitField("Price_Lock_Factors", 88, 4, &P::Price_Lock_Factors),
      BitField("Order_In_Sets", 88, 8, &P::Order_In_Sets),
      BitField("Monthly_Max", 88, 32, &P::Monthly_Max),
      BitField("Price_Lock_All", 88, 64, &P::Price_Lock_All),
      BitField("Seasonal", 88, 128, &P::Seasonal),
      BitField("Label", 89, 2, &P::Label),
      BitField("Meter", 89, 8, &P::Meter),
      FieldBinding<clsParts>{{"Serial_Numbers", E::kSerialNumbers, 'B', 89, 1}, &P::Serial_Numbers},
      IntegerField("Weight", 'C', 90, &P::Weight),
      IntegerField("Days_On_Order", 'B', 92, &P::Days_On_Order),
      IntegerField("Days_Back_Ordered", 'B', 93, &P::Days_Back_Ordered),
      IntegerField("Location", 'B', 94, &P::Location),
      TextField("Last_Tran_Codes", E::kPlain, 95, 3, &P::Last_Tran_Codes),
      DateField("Date_Stocked", 'R', 98, &P::Date_Stocked),
      IntegerField("YTD_Demand_2_back", 'J', 101, &P::YTD_Demand_2_back),
      IntegerField("YTD_Demand_1_back", 'J', 103, &P::YTD_Demand_1_back),
      // n months back at 129 - 2n.
      IntegerField("MTD_Demand_12_back", 'J', 105, &P::MTD_Demand_12_back),
      IntegerField("MTD_Demand_11_back", 'J', 107, &P::MTD_Demand_11_back),
      IntegerField("MTD_Demand_10_back", 'J', 109, &P::MTD_Demand_10_back),
      IntegerField("MTD_Demand_9_back", 'J', 111, &P::MTD_Demand_9_back),
      IntegerField("MTD_Demand_8_back", 'J', 113, &P::MTD_Demand_8_back),
      IntegerField("MTD_Demand_7_back", 'J', 115, &P::MTD_Demand_7_back),
      IntegerField("MTD_Demand_6_back", 'J', 117, &P::MTD_Demand_6_back),
      IntegerField("MTD_Demand_5_back", 'J', 119, &P::MTD_Demand_5_back),
      IntegerField("MTD_Demand_4_back", 'J', 121, &P::MTD_Demand_4_back),
      IntegerField("MTD_Demand_3_back", 'J', 123, &P::MTD_Demand_3_back),
      IntegerField("MTD_Demand_2_back", 'J', 125, &P::MTD_Demand_2_back),
      IntegerField("MTD_Demand_1_back", 'J', 127, &P::MTD_Demand_1_back),
      // Bytes 129-138 hold 15 characters of sub-part number, 139-140 its separator codes, which
      // are read but never written.
      TextField("Sub_Part_Number", E::kCompressed, 129, 10, &P::Sub_Part_Number),
      TextField("Sub_Part_w_Dash", E::kDashedNumber, 129, 12, &P::Sub_Part_w_Dash,
                /*read_only=*/true),
      TextField("Bin", E::kPlainNulAsSpace, 141, 6, &P::Bin),
      // 147 unused.
      FixedField("Quantity_Alloc", 'D', 148, kTenths, &P::Quantity_Alloc),
      IntegerField("Year_End_Quantity", 'K', 151, &P::Year_End_Quantity),
      FixedField("Year_End_Cost", 'K', 154, kCents, &P::Year_End_Cost),
      // 157 unused.
      FixedField("Average_Cost", 'K', 158, kCents, &P::Average_Cost),
      IntegerField("LayAway", 'C', 161, &P::LayAway),
      FixedField("MTD_Sales", 'L', 163, kCents, &P::MTD_Sales),
      FixedField("MTD_Cost", 'L', 167, kCents, &P::MTD_Cost),
      FixedField("YTD_Sales", 'L', 171, kCents, &P::YTD_Sales),
      FixedField("YTD_Cost", 'L', 175, kCents, &P::YTD_Cost),
      TextField("Description", E::kCompressed, 179, 14, &P::Description),
      IntegerField("YTD_Demand_3_back", 'J', 193, &P::YTD_Demand_3_back),
      // n months back at 267 - 2n.
      IntegerField("MTD_Demand_36_back", 'J', 195, &P::MTD_Demand_36_back),
      IntegerField("MTD_Demand_35_back", 'J', 197, &P::MTD_Demand_35_back),
      IntegerField("MTD_Demand_34_back", 'J', 199, &P::MTD_Demand_34_back),
      IntegerField("MTD_Demand_33_back", 'J', 201, &P::MTD_Demand_33_back),
      IntegerField("MTD_Demand_32_back", 'J', 203, &P::MTD_Demand_32_back),
      IntegerField("MTD_Demand_31_back", 'J', 205, &P::MTD_Demand_31_back),
      IntegerField("MTD_Demand_30_back", 'J', 207, &P::MTD_Demand_30_back),
      IntegerField("MTD_Demand_29_back", 'J', 209, &P::MTD_Demand_29_back),
      IntegerField("MTD_Demand_28_back", 'J', 211, &P::MTD_Demand_28_back),
      IntegerField("MTD_Demand_27_back", 'J', 213, &P::MTD_Demand_27_back),
      IntegerField("MTD_Demand_26_back", 'J', 215, &P::MTD_Demand_26_back),
      IntegerField("MTD_Demand_25_back", 'J', 217, &P::MTD_Demand_25_back),
      IntegerField("MTD_Demand_24_back", 'J', 219, &P::MTD_Demand_24_back),
      IntegerField("MTD_Demand_23_back", 'J', 221, &P::MTD_Demand_23_back),
      IntegerField("MTD_Demand_22_back", 'J', 223, &P::MTD_Demand_22_back),
      IntegerField("MTD_Demand_21_back", 'J', 225, &P::MTD_Demand_21_back),
      IntegerField("MTD_Demand_20_back", 'J', 227, &P::MTD_Demand_20_back),
      IntegerField("MTD_Demand_19_back", 'J', 229, &P::MTD_Demand_19_back),
      IntegerField("MTD_Demand_18_back", 'J', 231, &P::MTD_Demand_18_back),
      IntegerField("MTD_Demand_17_back", 'J', 233, &P::MTD_Demand_17_back),
      IntegerField("MTD_Demand_16_back", 'J', 235, &P::MTD_Demand_16_back),
      IntegerField("MTD_Demand_15_back", 'J', 237, &P::MTD_Demand_15_back),
      IntegerField("MTD_Demand_14_back", 'J', 239, &P::MTD_Demand_14_back),
      IntegerField("MTD_Demand_13_back", 'J', 241, &P::MTD_Demand_13_back),
      IntegerField("Alt_Demand_12_back", 'J', 243, &P::Alt_Demand_12_back),
      IntegerField("Alt_Demand_11_back", 'J', 245, &P::Alt_Demand_11_back),
      IntegerField("Alt_Demand_10_back", 'J', 247, &P::Alt_Demand_10_back),
      IntegerField("Alt_Demand_9_back", 'J', 249, &P::Alt_Demand_9_back),
      IntegerField("Alt_Demand_8_back", 'J', 251, &P::Alt_Demand_8_back),
      IntegerField("Alt_Demand_7_back", 'J', 253, &P::Alt_Demand_7_back),
      IntegerField("Alt_Demand_6_back", 'J', 255, &P::Alt_Demand_6_back),
      IntegerField("Alt_Demand_5_back", 'J', 257, &P::Alt_Demand_5_back),
      IntegerField("Alt_Demand_4_back", 'J', 259, &P::Alt_Demand_4_back),
      IntegerField("Alt_Demand_3_back", 'J', 261, &P::Alt_Demand_3_back),
      IntegerField("Alt_Demand_2_back", 'J', 263, &P::Alt_Demand_2_back),
      IntegerField("Alt_Demand_1_back", 'J', 265, &P::Alt_Demand_1_back),
      IntegerField("Usage_Rate", 'C', 267, &P::Usage_Rate),
      IntegerField("Order_Point", 'C', 269, &P::Order_Point),
      IntegerField("Line_Point", 'C', 271, &P::Line_Point),
      BitField("Lock_Line_Point", 273, 2, &P::Lock_Line_Point),
      BitField("Stockout_Updated", 273, 4, &P::Stockout_Updated),
      DateField("Date_Last_Stockout", 'J', 274, &P::Date_Last_Stockout),
      IntegerField("YTD_Stockout_Times", 'B', 276, &P::YTD_Stockout_Times),
      DateField("Date_Last_Recvd", 'J', 277, &P::Date_Last_Recvd),
      IntegerField("Econ_Order_Qty", 'C', 279, &P::Econ_Order_Qty),
      TextField("Order_Type_Switch", E::kPlain, 281, 1, &P::Order_Type_Switch),
      IntegerField("MTD_Stockout_Days", 'B', 282, &P::MTD_Stockout_Days),
      IntegerField("Last_Qty_Received", 'C', 283, &P::Last_Qty_Received),
      TextField("Zone", E::kPlain, 285, 1, &P::Zone),
      IntegerField("Spring_Order_Qty", 'D', 286, &P::Spring_Order_Qty),
      NotStoredField("Record_Number", &P::Record_Number),
  };
}

}  // namespace

const std::vector<FieldBinding<clsParts>>& clsParts::FieldTable() {
  static const std::vector<FieldBinding<clsParts>> table = MakeFieldTable();
  return table;
}

clsParts::clsParts() {
  cBusinessBasic& engine = RecordEngine();
  parts_file_ = engine.LogicalOpen("PARTL");
  extension_file_ = engine.LogicalOpen("EPARTL");
}

void clsParts::Read(int32_t RecordNumber, bool Orb) {
  Unpack(ReadCombinedRecord({"PARTL", parts_file_}, {"EPARTL", extension_file_}, RecordNumber,
                            "Read - Illegal Record Number", Orb));
  Record_Number = RecordNumber;
}

void clsParts::Unpack(std::string_view Rec) { UnpackFields(FieldTable(), *this, Rec); }

void clsParts::Pack(std::string& Rec) const { PackFields(FieldTable(), *this, Rec); }

FieldList clsParts::Fields() const { return DescribeFields(FieldTable(), *this); }

}  // namespace tervalo
