#pragma once
// clsLines, one product line of the business system: a record of "LINEL" (the line master)
// followed by the record of the same number of "ELINEL" (its extension), decoded into fields and
// encoded back. clnLines loads every active line, keyed by line number.
//
// Positions count through the combined record. Where "ELINEL" begins depends on the record
// length of the installed "LINEL", which comes from its resolution entry; nothing here fixes it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/keyed_collection.h"
#include "engine/calendar.h"
#include "records/fixed_point.h"
#include "records/record_fields.h"

namespace tervalo {

struct cLogicalFile;

class clsLines {
 public:
  // Opens "LINEL" and "ELINEL" (a file that is not installed leaves its handle empty; reading
  // then fails). REQUIRES: the engine is running (error 91 otherwise).
  clsLines();

  // Fields in the order of the record (1-based position, opcode or length in the comments of
  // the field table in product_line.cpp).
  int32_t Line = 0;
  std::string Alpha_Line;
  std::string AlternateAlpha;  // not in the record
  std::string Line_Name;
  std::string Auto_Order;
  std::string Comodity;
  std::vector<std::string> Comodities;  // Comodity first, then the line's "COMODI" entries
  int32_t Distributor_Number = 0;
  int32_t Stock_Depth = 0;
  int32_t Re_Order_Percent = 0;
  int32_t Low_GP_Waring_Perc = 0;
  std::string Sequencing_ANAN;
  std::string Sequencing_Prior;
  int32_t Price_Def_1_Level = 0;
  int32_t Price_Def_1_Use = 0;
  int32_t Price_Def_1_Perc = 0;
  int32_t Price_Def_2_Level = 0;
  int32_t Price_Def_2_Use = 0;
  int32_t Price_Def_2_Perc = 0;
  int32_t Price_Def_3_Level = 0;
  int32_t Price_Def_3_Use = 0;
  int32_t Price_Def_3_Perc = 0;
  int32_t Price_Def_4_Level = 0;
  int32_t Price_Def_4_Use = 0;
  int32_t Price_Def_4_Perc = 0;
  int32_t Price_Def_5_Level = 0;
  int32_t Price_Def_5_Use = 0;
  int32_t Price_Def_5_Perc = 0;
  int32_t Price_Def_6_Level = 0;
  int32_t Price_Def_6_Use = 0;
  int32_t Price_Def_6_Perc = 0;
  FixedPoint Cost_of_Mdse;
  FixedPoint Cost_of_Freight;
  int32_t MTD_No_Sales = 0;
  FixedPoint MTD_Sales;
  FixedPoint MTD_COGS;
  // The year-to-date values include the current month; the record holds them without it.
  int32_t YTD_No_Sales = 0;
  FixedPoint YTD_Sales;
  FixedPoint YTD_COGS;
  int32_t PYTD_No_Sales = 0;
  FixedPoint PYTD_Sales;
  FixedPoint PYTD_COGS;
  int32_t Default_Cost_GP = 0;
  std::string Taxable;
  int32_t Default_Frt_Markup = 0;
  bool ReCalculateMax = false;
  int32_t High_Stock_Amount = 0;
  std::string DataBase_Name;
  int32_t Warranty = 0;
  int32_t SerPol_No_Months_1 = 0;
  int32_t SerPol_List_Perc_1 = 0;
  int32_t SerPol_No_Months_2 = 0;
  int32_t SerPol_List_Perc_2 = 0;
  int32_t SerPol_No_Months_3 = 0;
  int32_t SerPol_List_Perc_3 = 0;
  int32_t SerPol_No_Months_4 = 0;
  int32_t SerPol_List_Perc_4 = 0;
  std::string Line_Type;  // "U", "R" or "P"
  int32_t Unit_Counter = 0;
  int32_t A_P_Company = 0;
  int32_t A_P_Vendor = 0;
  int32_t MTD_Items_Ordered = 0;
  int32_t MTD_Items_Filled = 0;
  int32_t MTD_Pieces_Ordered = 0;
  int32_t MTD_Pieces_Filled = 0;
  int32_t MTD_Dollars_Ord = 0;
  int32_t MTD_Dollars_Filled = 0;
  int32_t YTD_Items_Ordered = 0;
  int32_t YTD_Items_Filled = 0;
  int32_t YTD_Pieces_Ordered = 0;
  int32_t YTD_Pieces_Filled = 0;
  int32_t YTD_Dollars_Ord = 0;
  int32_t YTD_Dollars_Filled = 0;
  int32_t Primary_Vendor = 0;
  std::string Order_Type_Switch;
  int32_t Seas_percentage = 0;
  // Five characters over the bytes of Seas_Date_Last_Gen and the start of EOM_Mdse_Cost: only
  // the first two are its own once the record has been written.
  std::string Seas_ReOrder_Codes;
  DateTime Seas_Date_Last_Gen{kEmptyDate};
  int32_t EOM_Mdse_Cost = 0;
  int32_t EOM_Freight_Cost = 0;
  int32_t EOY_Mdse_Cost = 0;
  int32_t EOY_Freight_Cost = 0;
  int32_t RecNo = 0;  // the record number last read

  // Reads record RecordNumber of both files and decodes it. Error 81 "Illegal Record Number"
  // (nothing changes) when the number is outside 1 to the last record of "LINEL"; failures of
  // the reads reach the caller with nothing decoded.
  void Read(int32_t RecordNumber, bool Orb = false);
  // Sets the fields from a combined record, each on its own (see record_fields.h), and collects
  // Comodities from the "COMODI" index.
  void Unpack(std::string_view Rec);
  // Writes the fields into a combined record of full length in place; bytes that no field
  // covers (and the status word at 1-2) stay as they are.
  void Pack(std::string& Rec) const;

  // The decoded fields as (name, value text) pairs in declaration order.
  FieldList Fields() const;

  static const std::vector<FieldBinding<clsLines>>& FieldTable();

 private:
  void CollectComodities();

  std::shared_ptr<cLogicalFile> lines_file_;      // "LINEL"
  std::shared_ptr<cLogicalFile> extension_file_;  // "ELINEL"
};

// Every active line (status at least 1, line number below 1000) of "LINEL", keyed by the
// decimal text of its line number, in record order.
class clnLines {
 public:
  // Loads the lines. Failures to open or read "LINEL", and a line number that two active
  // records share, end the construction with that error.
  clnLines();

  std::shared_ptr<clsLines> Add(std::shared_ptr<clsLines> cLines, std::string_view sKey = {});
  std::shared_ptr<clsLines> Item(std::string_view vntIndexKey) const {
    return col_.Item(vntIndexKey);
  }
  std::shared_ptr<clsLines> Item(int32_t vntIndexKey) const { return col_.Item(vntIndexKey); }
  int32_t Count() const { return col_.Count(); }
  void Remove(std::string_view vntIndexKey) { col_.Remove(vntIndexKey); }
  void Remove(int32_t vntIndexKey) { col_.Remove(vntIndexKey); }
  // Enumeration in insertion order (NewEnum).
  KeyedCollection<clsLines>::Iterator begin() const { return col_.begin(); }
  KeyedCollection<clsLines>::Iterator end() const { return col_.end(); }

 private:
  KeyedCollection<clsLines> col_;
};

}  // namespace tervalo
