#pragma once
// Writes the product line files "LINEL", "ELINEL" with the commodity index "COMODI", and the part
// files "PARTL", "EPARTL", byte for byte as the business system stores them, for tests and the
// demo company. The encoders here are written independently of the record classes, so that a
// test decoding their output checks one against the other.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/share_builders/share_builder.h"

namespace tervalo::share {

// Record lengths of the installed files. A record is the master record followed by the
// extension record of the same number; the defaults split both at a field boundary. Master
// lengths below 16 would put records under the header of record zero.
struct RecordLengths {
  int32_t line = 128;            // "LINEL"
  int32_t line_extension = 96;   // "ELINEL"
  int32_t part = 128;            // "PARTL"
  int32_t part_extension = 160;  // "EPARTL"
};

// Bytes the fields of a product line and of a part reach in the combined record.
inline constexpr int32_t kProductLineBytes = 222;
inline constexpr int32_t kPartBytes = 288;

struct PriceDefinition {
  int32_t level = 0;
  int32_t use = 0;
  int32_t percent = 0;  // may be negative (a discount)
};

// One product line. Money is in cents; year-to-date values include the current month (the
// record stores them without it).
struct ProductLineEntry {
  int32_t status = 1;  // 1 and up active
  int32_t line = 0;
  std::string alpha_line;  // 3 characters
  std::string name;        // up to 30 characters
  char auto_order = 'Y';
  char comodity = 'A';
  std::string further_comodities;  // more commodities of the line in "COMODI", one character each
  int32_t distributor = 0;
  int32_t stock_depth = 0;
  int32_t re_order_percent = 0;
  int32_t low_gp_warning_percent = 0;
  std::string sequencing_anan;                     // 6 characters
  std::string sequencing_prior;                    // 6 characters
  std::vector<PriceDefinition> price_definitions;  // up to 6
  int32_t cost_of_mdse_cents = 0;
  int32_t cost_of_freight_cents = 0;
  int32_t mtd_no_sales = 0;
  int32_t mtd_sales_cents = 0;
  int32_t mtd_cogs_cents = 0;
  int32_t ytd_no_sales = 0;
  int32_t ytd_sales_cents = 0;
  int32_t ytd_cogs_cents = 0;
  int32_t pytd_no_sales = 0;
  int32_t pytd_sales_cents = 0;
  int32_t pytd_cogs_cents = 0;
  char taxable = 'Y';
  bool recalculate_max = false;
  std::string database_name;  // 3 characters
  int32_t warranty = 0;
  char line_type = 'P';
  int32_t a_p_vendor = 0;
  int32_t primary_vendor = 0;
  char order_type_switch = ' ';
  int32_t seasonal_percentage = 0;
  std::string seasonal_reorder_codes;  // the first 2 characters survive, see the record class
  std::chrono::year_month_day seasonal_date_last_generated{};  // not ok(): the empty date
};

// One stocked part. Money in cents, quantities on hand and allocated in tenths.
struct PartEntry {
  int32_t status = 1;
  int32_t line = 0;
  std::string part_number;   // as written, with its separators ("AB-123-X")
  std::string package_code;  // 3 characters
  // Commodity, unit of measure, return flag, maker's and dealer's popularity, order code.
  std::string codes = "A EAAA";
  int32_t package_quantity = 1;
  int32_t maximum_stock = 0;
  char price_code = ' ';
  int32_t quantity_on_hand_tenths = 0;
  int32_t quantity_on_order = 0;
  int32_t list_price_cents = 0;
  std::vector<int32_t> level_prices_cents;  // up to 5
  int32_t cost_cents = 0;
  std::chrono::year_month_day date_last_change{};
  int32_t mtd_number_sold = 0;
  int32_t ytd_number_sold = 0;
  int32_t flags88 = 0;  // Price_Lock_Factors 4, Order_In_Sets 8, Monthly_Max 32, ...
  int32_t flags89 = 0;  // Label 2, Meter 8, serial numbers 16 and 32
  int32_t weight = 0;
  std::string bin;              // 6 characters
  std::string sub_part_number;  // as written, with its separators
  int32_t quantity_alloc_tenths = 0;
  int32_t average_cost_cents = 0;
  std::string description;          // up to 21 characters
  std::vector<int32_t> mtd_demand;  // one month back first, up to 12
  std::chrono::year_month_day date_last_received{};
  char zone = ' ';
};

// The combined record of a line or a part, cut or NUL-padded to `length` bytes.
std::string EncodeProductLine(const ProductLineEntry& line, int32_t length = kProductLineBytes);
std::string EncodePart(const PartEntry& part, int32_t length = kPartBytes);

// text in the system's 3-for-2 compression, space-padded to `chars` characters.
std::string CompressedText(std::string text, size_t chars);

class RecordsBuilder {
 public:
  explicit RecordsBuilder(const ShareBuilder& share, RecordLengths lengths = {});

  // Adds the line as the next record, with "COMODI" entries for its commodities; returns its
  // record number.
  int32_t AddLine(const ProductLineEntry& line);
  // A combined line record given byte for byte (NUL-padded to the two lengths), for tests.
  int32_t AddLineRecord(std::string_view combined);
  // A "COMODI" key (line, commodity, NUL) with no record behind it, for tests.
  void AddComodity(int32_t line, char comodity);
  int32_t AddPart(const PartEntry& part);
  int32_t AddPartRecord(std::string_view combined);
  // Unused records after the last one added.
  void SetSpareRecords(int32_t spare) { spare_ = spare; }

  // Writes "LINLK" (LINEL, ELINEL, COMODI) and "PRTLK" (PARTL, EPARTL) into the data directory.
  void Write() const;
  // Link records for the five logical files.
  std::vector<std::string> Links() const;

 private:
  const ShareBuilder& share_;
  RecordLengths lengths_;
  std::vector<std::string> lines_;  // combined records 1..n
  std::vector<int32_t> line_status_;
  std::vector<std::string> parts_;
  std::vector<int32_t> part_status_;
  std::vector<std::string> comodity_keys_;
  int32_t spare_ = 2;
};

// A small shop's product lines and parts, with realistic values.
void AddSampleRecords(RecordsBuilder& builder);

}  // namespace tervalo::share
