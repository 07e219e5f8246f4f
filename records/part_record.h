#pragma once
// clsParts, one stocked part of the business system: a record of "PARTL" (the part master)
// followed by the record of the same number of "EPARTL" (its extension), decoded into fields and
// encoded back. Part numbers are stored compressed without their separators, with up to three
// separator codes beside them (records/part_number.h).
//
// Positions count through the combined record; where "EPARTL" begins depends on the record
// length of the installed "PARTL", taken from its resolution entry.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calendar.h"
#include "records/fixed_point.h"
#include "records/record_fields.h"

namespace tervalo {

struct cLogicalFile;

class clsParts {
 public:
  // Opens "PARTL" and "EPARTL". REQUIRES: the engine is running (error 91 otherwise).
  clsParts();

  // Fields in the order of the record (positions and encodings in the field table of
  // part_record.cpp).
  int32_t Line = 0;
  std::string Part_Number;  // without separators; read only, Part_w_Dash is what is written
  std::string Part_w_Dash;
  std::string Package_Code;
  // Six one-character codes compressed together into bytes 21-24; read only.
  std::string Comodity;
  std::string Unit_of_Measure;
  std::string Return_Flag;
  std::string Mfg_Popularity;
  std::string Dlr_Popularity;
  std::string Order_Code;
  int32_t Package_Quantity = 0;
  int32_t Matched_Set_Qty = 0;
  int32_t Manual_Minimum = 0;
  int32_t Maximum_Stock_Lvl = 0;
  std::string Price_Code;
  FixedPoint Quantity_On_Hand;  // tenths
  int32_t Quantity_On_Order = 0;
  int32_t Qty_Back_Ordered = 0;
  FixedPoint List_Price;
  FixedPoint Level_1_Price;
  FixedPoint Level_2_Price;
  FixedPoint Level_3_Price;
  FixedPoint Level_4_Price;
  FixedPoint Level_5_Price;
  FixedPoint Cost;
  FixedPoint F_Freight_Resale;
  FixedPoint F_Freight_Cost;
  DateTime Date_Last_Change{kEmptyDate};
  DateTime Date_Last_Demand{kEmptyDate};
  int32_t MTD_Number_Sold = 0;
  int32_t MTD_Lost_Sales = 0;
  int32_t YTD_Number_Picks = 0;
  int32_t YTD_Number_Sold = 0;
  int32_t YTD_Picks_Lost = 0;
  int32_t YTD_Lost_Sales = 0;
  bool Price_Lock_Factors = false;
  bool Order_In_Sets = false;
  bool Monthly_Max = false;
  bool Price_Lock_All = false;
  bool Seasonal = false;
  bool Label = false;
  bool Meter = false;
  int16_t Serial_Numbers = 0;  // 0 none, 1 serial numbers, 2 serial numbers tracked
  int32_t Weight = 0;
  int32_t Days_On_Order = 0;
  int32_t Days_Back_Ordered = 0;
  int32_t Location = 0;
  std::string Last_Tran_Codes;
  DateTime Date_Stocked{kEmptyDate};
  int32_t YTD_Demand_2_back = 0;
  int32_t YTD_Demand_1_back = 0;
  int32_t MTD_Demand_12_back = 0;
  int32_t MTD_Demand_11_back = 0;
  int32_t MTD_Demand_10_back = 0;
  int32_t MTD_Demand_9_back = 0;
  int32_t MTD_Demand_8_back = 0;
  int32_t MTD_Demand_7_back = 0;
  int32_t MTD_Demand_6_back = 0;
  int32_t MTD_Demand_5_back = 0;
  int32_t MTD_Demand_4_back = 0;
  int32_t MTD_Demand_3_back = 0;
  int32_t MTD_Demand_2_back = 0;
  int32_t MTD_Demand_1_back = 0;
  std::string Sub_Part_Number;
  std::string Sub_Part_w_Dash;  // read only
  std::string Bin;              // NUL characters read as spaces
  FixedPoint Quantity_Alloc;    // tenths
  int32_t Year_End_Quantity = 0;
  FixedPoint Year_End_Cost;
  FixedPoint Average_Cost;
  int32_t LayAway = 0;
  FixedPoint MTD_Sales;
  FixedPoint MTD_Cost;
  FixedPoint YTD_Sales;
  FixedPoint YTD_Cost;
  std::string Description;
  int32_t YTD_Demand_3_back = 0;
  int32_t MTD_Demand_36_back = 0;
  int32_t MTD_Demand_35_back = 0;
  int32_t MTD_Demand_34_back = 0;
  int32_t MTD_Demand_33_back = 0;
  int32_t MTD_Demand_32_back = 0;
  int32_t MTD_Demand_31_back = 0;
  int32_t MTD_Demand_30_back = 0;
  int32_t MTD_Demand_29_back = 0;
  int32_t MTD_Demand_28_back = 0;
  int32_t MTD_Demand_27_back = 0;
  int32_t MTD_Demand_26_back = 0;
  int32_t MTD_Demand_25_back = 0;
  int32_t MTD_Demand_24_back = 0;
  int32_t MTD_Demand_23_back = 0;
  int32_t MTD_Demand_22_back = 0;
  int32_t MTD_Demand_21_back = 0;
  int32_t MTD_Demand_20_back = 0;
  int32_t MTD_Demand_19_back = 0;
  int32_t MTD_Demand_18_back = 0;
  int32_t MTD_Demand_17_back = 0;
  int32_t MTD_Demand_16_back = 0;
  int32_t MTD_Demand_15_back = 0;
  int32_t MTD_Demand_14_back = 0;
  int32_t MTD_Demand_13_back = 0;
  int32_t Alt_Demand_12_back = 0;
  int32_t Alt_Demand_11_back = 0;
  int32_t Alt_Demand_10_back = 0;
  int32_t Alt_Demand_9_back = 0;
  int32_t Alt_Demand_8_back = 0;
  int32_t Alt_Demand_7_back = 0;
  int32_t Alt_Demand_6_back = 0;
  int32_t Alt_Demand_5_back = 0;
  int32_t Alt_Demand_4_back = 0;
  int32_t Alt_Demand_3_back = 0;
  int32_t Alt_Demand_2_back = 0;
  int32_t Alt_Demand_1_back = 0;
  int32_t Usage_Rate = 0;
  int32_t Order_Point = 0;
  int32_t Line_Point = 0;
  bool Lock_Line_Point = false;
  bool Stockout_Updated = false;
  DateTime Date_Last_Stockout{kEmptyDate};
  int32_t YTD_Stockout_Times = 0;
  DateTime Date_Last_Recvd{kEmptyDate};
  int32_t Econ_Order_Qty = 0;
  std::string Order_Type_Switch;
  int32_t MTD_Stockout_Days = 0;
  int32_t Last_Qty_Received = 0;
  std::string Zone;
  int32_t Spring_Order_Qty = 0;
  int32_t Record_Number = 0;  // the record number last read

  // Reads record RecordNumber of both files and decodes it. Error 81 "Read - Illegal Record
  // Number" (nothing changes) when the number is outside 1 to the last record of "PARTL";
  // failures of the reads reach the caller with nothing decoded.
  void Read(int32_t RecordNumber, bool Orb = false);
  // Sets the fields from a combined record, each on its own (see record_fields.h).
  void Unpack(std::string_view Rec);
  // Writes the fields into a combined record of full length in place. Bytes no field writes
  // (the six codes at 21-24, the sub-part separator codes at 139-140, unused bytes) and the bits
  // no flag names stay as they are.
  void Pack(std::string& Rec) const;

  // The decoded fields as (name, value text) pairs in declaration order.
  FieldList Fields() const;

  static const std::vector<FieldBinding<clsParts>>& FieldTable();

 private:
  std::shared_ptr<cLogicalFile> parts_file_;      // "PARTL"
  std::shared_ptr<cLogicalFile> extension_file_;  // "EPARTL"
};

}  // namespace tervalo
