#include "records/product_line.h"

#include "engine/business_basic.h"

namespace tervalo {
namespace {

using L = clsLines;
using E = Encoding;

constexpr int32_t kCents = FixedPoint::kHundredths;
// Line numbers from 1000 up are not product lines of their own.
constexpr int32_t kFirstNonLine = 1000;

std::vector<FieldBinding<clsLines>> MakeFieldTable() {
  return {
      // Bytes 1-2 hold the record's status (J), which only clnLines reads.
      IntegerField("Line", 'C', 3, &L::Line),
      TextField("Alpha_Line", E::kCompressed, 5, 2, &L::Alpha_Line),
      NotStoredField("AlternateAlpha", &L::AlternateAlpha),
      TextField("Line_Name", E::kCompressed, 7, 20, &L::Line_Name),
      TextField("Auto_Order", E::kPlain, 27, 1, &L::Auto_Order),
      TextField("Comodity", E::kPlain, 28, 1, &L::Comodity),
      NotStoredField("Comodities", &L::Comodities),
      IntegerField("Distributor_Number", 'B', 29, &L::Distributor_Number),
      // 30-32 unused.
      IntegerField("Stock_Depth", 'C', 33, &L::Stock_Depth),
      IntegerField("Re_Order_Percent", 'C', 35, &L::Re_Order_Percent),
      IntegerField("Low_GP_Waring_Perc", 'C', 37, &L::Low_GP_Waring_Perc),
      TextField("Sequencing_ANAN", E::kPlain, 39, 6, &L::Sequencing_ANAN),
      TextField("Sequencing_Prior", E::kPlain, 45, 6, &L::Sequencing_Prior),
      IntegerField("Price_Def_1_Level", 'B', 51, &L::Price_Def_1_Level),
      IntegerField("Price_Def_1_Use", 'B', 52, &L::Price_Def_1_Use),
      IntegerField("Price_Def_1_Perc", 'J', 53, &L::Price_Def_1_Perc),
      IntegerField("Price_Def_2_Level", 'B', 55, &L::Price_Def_2_Level),
      IntegerField("Price_Def_2_Use", 'B', 56, &L::Price_Def_2_Use),
      IntegerField("Price_Def_2_Perc", 'J', 57, &L::Price_Def_2_Perc),
      IntegerField("Price_Def_3_Level", 'B', 59, &L::Price_Def_3_Level),
      IntegerField("Price_Def_3_Use", 'B', 60, &L::Price_Def_3_Use),
      IntegerField("Price_Def_3_Perc", 'J', 61, &L::Price_Def_3_Perc),
      IntegerField("Price_Def_4_Level", 'B', 63, &L::Price_Def_4_Level),
      IntegerField("Price_Def_4_Use", 'B', 64, &L::Price_Def_4_Use),
      IntegerField("Price_Def_4_Perc", 'J', 65, &L::Price_Def_4_Perc),
      IntegerField("Price_Def_5_Level", 'B', 67, &L::Price_Def_5_Level),
      IntegerField("Price_Def_5_Use", 'B', 68, &L::Price_Def_5_Use),
      IntegerField("Price_Def_5_Perc", 'J', 69, &L::Price_Def_5_Perc),
      IntegerField("Price_Def_6_Level", 'B', 71, &L::Price_Def_6_Level),
      IntegerField("Price_Def_6_Use", 'B', 72, &L::Price_Def_6_Use),
      IntegerField("Price_Def_6_Perc", 'J', 73, &L::Price_Def_6_Perc),
      FixedField("Cost_of_Mdse", 'L', 75, kCents, &L::Cost_of_Mdse),
      FixedField("Cost_of_Freight", 'L', 79, kCents, &L::Cost_of_Freight),
      IntegerField("MTD_No_Sales", 'L', 83, &L::MTD_No_Sales),
      FixedField("MTD_Sales", 'L', 87, kCents, &L::MTD_Sales),
      FixedField("MTD_COGS", 'L', 91, kCents, &L::MTD_COGS),
      YearToDateField("YTD_No_Sales", 'L', 95, 1, &L::YTD_No_Sales, &L::MTD_No_Sales),
      YearToDateField("YTD_Sales", 'L', 99, kCents, &L::YTD_Sales, &L::MTD_Sales),
      YearToDateField("YTD_COGS", 'L', 103, kCents, &L::YTD_COGS, &L::MTD_COGS),
      IntegerField("PYTD_No_Sales", 'L', 107, &L::PYTD_No_Sales),
      FixedField("PYTD_Sales", 'L', 111, kCents, &L::PYTD_Sales),
      FixedField("PYTD_COGS", 'L', 115, kCents, &L::PYTD_COGS),
      IntegerField("Default_Cost_GP", 'C', 119, &L::Default_Cost_GP),
      TextField("Taxable", E::kPlain, 121, 1, &L::Taxable),
      IntegerField("Default_Frt_Markup", 'C', 122, &L::Default_Frt_Markup),
      YesNoField("ReCalculateMax", 124, &L::ReCalculateMax),
      IntegerField("High_Stock_Amount", 'C', 125, &L::High_Stock_Amount),
      TextField("DataBase_Name", E::kCompressed, 127, 2, &L::DataBase_Name),
      IntegerField("Warranty", 'B', 129, &L::Warranty),
      IntegerField("SerPol_No_Months_1", 'B', 130, &L::SerPol_No_Months_1),
      IntegerField("SerPol_List_Perc_1", 'C', 131, &L::SerPol_List_Perc_1),
      IntegerField("SerPol_No_Months_2", 'B', 133, &L::SerPol_No_Months_2),
      IntegerField("SerPol_List_Perc_2", 'C', 134, &L::SerPol_List_Perc_2),
      IntegerField("SerPol_No_Months_3", 'B', 136, &L::SerPol_No_Months_3),
      IntegerField("SerPol_List_Perc_3", 'C', 137, &L::SerPol_List_Perc_3),
      IntegerField("SerPol_No_Months_4", 'B', 139, &L::SerPol_No_Months_4),
      IntegerField("SerPol_List_Perc_4", 'C', 140, &L::SerPol_List_Perc_4),
      TextField("Line_Type", E::kLineType, 142, 1, &L::Line_Type),
      IntegerField("Unit_Counter", 'L', 143, &L::Unit_Counter),
      IntegerField("A_P_Company", 'B', 147, &L::A_P_Company),
      IntegerField("A_P_Vendor", 'L', 148, &L::A_P_Vendor),
      IntegerField("MTD_Items_Ordered", 'J', 152, &L::MTD_Items_Ordered),
      IntegerField("MTD_Items_Filled", 'J', 154, &L::MTD_Items_Filled),
      IntegerField("MTD_Pieces_Ordered", 'K', 156, &L::MTD_Pieces_Ordered),
      IntegerField("MTD_Pieces_Filled", 'K', 159, &L::MTD_Pieces_Filled),
      IntegerField("MTD_Dollars_Ord", 'L', 162, &L::MTD_Dollars_Ord),
      IntegerField("MTD_Dollars_Filled", 'L', 166, &L::MTD_Dollars_Filled),
      IntegerField("YTD_Items_Ordered", 'K', 170, &L::YTD_Items_Ordered),
      IntegerField("YTD_Items_Filled", 'K', 173, &L::YTD_Items_Filled),
      IntegerField("YTD_Pieces_Ordered", 'L', 176, &L::YTD_Pieces_Ordered),
      IntegerField("YTD_Pieces_Filled", 'L', 180, &L::YTD_Pieces_Filled),
      IntegerField("YTD_Dollars_Ord", 'L', 184, &L::YTD_Dollars_Ord),
      IntegerField("YTD_Dollars_Filled", 'L', 188, &L::YTD_Dollars_Filled),
      // 192 unused.
      IntegerField("Primary_Vendor", 'L', 193, &L::Primary_Vendor),
      TextField("Order_Type_Switch", E::kPlain, 197, 1, &L::Order_Type_Switch),
      IntegerField("Seas_percentage", 'B', 198, &L::Seas_percentage),
      // 199-202 unused. The next three fields overlap; written in this order, the later ones win.
      TextField("Seas_ReOrder_Codes", E::kPlain, 203, 5, &L::Seas_ReOrder_Codes),
      DateField("Seas_Date_Last_Gen", 'J', 205, &L::Seas_Date_Last_Gen),
      IntegerField("EOM_Mdse_Cost", 'L', 207, &L::EOM_Mdse_Cost),
      IntegerField("EOM_Freight_Cost", 'L', 211, &L::EOM_Freight_Cost),
      IntegerField("EOY_Mdse_Cost", 'L', 215, &L::EOY_Mdse_Cost),
      IntegerField("EOY_Freight_Cost", 'L', 219, &L::EOY_Freight_Cost),
      NotStoredField("RecNo", &L::RecNo),
  };
}

}  // namespace

const std::vector<FieldBinding<clsLines>>& clsLines::FieldTable() {
  static const std::vector<FieldBinding<clsLines>> table = MakeFieldTable();
  return table;
}

clsLines::clsLines() {
  cBusinessBasic& engine = RecordEngine();
  lines_file_ = engine.LogicalOpen("LINEL");
  extension_file_ = engine.LogicalOpen("ELINEL");
}

void clsLines::Read(int32_t RecordNumber, bool Orb) {
  Unpack(ReadCombinedRecord({"LINEL", lines_file_}, {"ELINEL", extension_file_}, RecordNumber,
                            "Illegal Record Number", Orb));
  RecNo = RecordNumber;
}

void clsLines::Unpack(std::string_view Rec) {
  UnpackFields(FieldTable(), *this, Rec);
  CollectComodities();
}

void clsLines::Pack(std::string& Rec) const { PackFields(FieldTable(), *this, Rec); }

FieldList clsLines::Fields() const { return DescribeFields(FieldTable(), *this); }

// Comodity first, then the commodity of every "COMODI" key of this line that follows the key
// (line, Comodity, NUL) in key order.
void clsLines::CollectComodities() {
  cBusinessBasic& engine = RecordEngine();
  Comodities.assign(1, Comodity);
  try {
    const char own = Comodity.empty() ? '\0' : Comodity[0];
    std::string key(4, '\0');
    engine.Pack("C", key, Line, 1);
    key[2] = own;
    std::string buffer;
    int32_t rec = 0;
    engine.KFind("COMODI", buffer, key, rec, true);
    // No higher key at all: nothing of this line follows, and the cursor stands nowhere.
    if (rec == 0) return;
    const auto of_this_line = [&](const std::string& found) {
      return found.size() >= 3 && engine.Unpack("C", found, 1) == Line;
    };
    // An exact hit is the line's own commodity, already element 0. A search that ends on a
    // higher key stands on the line's first further commodity, unless that is its own again.
    if (rec < 0 && of_this_line(key) && key[2] != own) {
      Comodities.push_back(key.substr(2, 1));
    }
    for (engine.KNext("COMODI", buffer, key, rec, true); rec > 0 && of_this_line(key);
         engine.KNext("COMODI", buffer, key, rec, true)) {
      Comodities.push_back(key.substr(2, 1));
    }
  } catch (const EngineError&) {
    // The walk ends at the first failure; what was collected stays.
  }
}

clnLines::clnLines() {
  cBusinessBasic& engine = RecordEngine();
  const auto lines = engine.LogicalOpen("LINEL");
  if (!lines) throw EngineError(kErrUndefined, "LogicalOpen", "File not Found: \"LINEL\"");
  // Every record up to the last one the file holds is looked at; never-used records have
  // status 0 and are passed over.
  const int32_t last = lines->LastRecord;
  for (int32_t i = 1; i <= last; ++i) {
    const std::string record = engine.LreadFile(lines, i, true);
    const int32_t status = engine.Unpack("J", record, 1);
    const int32_t line = engine.Unpack("C", record, 3);
    if (status < 1 || line >= kFirstNonLine) continue;
    auto product_line = std::make_shared<clsLines>();
    product_line->Read(i, true);
    Add(product_line, std::to_string(product_line->Line));
  }
}

std::shared_ptr<clsLines> clnLines::Add(std::shared_ptr<clsLines> cLines, std::string_view sKey) {
  return col_.AddItem(std::move(cLines), sKey);
}

}  // namespace tervalo
