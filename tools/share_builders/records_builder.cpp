#include "tools/share_builders/records_builder.h"

#include <algorithm>
#include <stdexcept>

#include "base/coding.h"
#include "engine/char_table.h"
#include "records/part_number.h"
#include "tools/share_builders/data_file_builder.h"
#include "tools/share_builders/index_builder.h"

namespace tervalo::share {
namespace {

using std::chrono::year_month_day;

constexpr int32_t kComodityKeyLength = 4;

std::string Padded(std::string text, size_t width) {
  text.resize(width, ' ');
  return text;
}

// Writes bytes at a 1-based position. REQUIRES: the record is long enough.
void Put(std::string& record, int32_t position, std::string_view bytes) {
  record.replace(static_cast<size_t>(position - 1), bytes.size(), bytes);
}

// A date as the system's day number (days from 1967-12-31); 0 for the empty date.
int32_t DayNumber(const year_month_day& date) {
  if (!date.ok()) return 0;
  constexpr std::chrono::sys_days kEpoch{std::chrono::year{1967} / 12 / 31};
  return static_cast<int32_t>((std::chrono::sys_days{date} - kEpoch).count());
}

// A date as the number YYMMDD; 0 for the empty date.
int32_t Yymmdd(const year_month_day& date) {
  if (!date.ok()) return 0;
  return (static_cast<int>(date.year()) % 100) * 10000 +
         static_cast<int32_t>(static_cast<unsigned>(date.month())) * 100 +
         static_cast<int32_t>(static_cast<unsigned>(date.day()));
}

// A part number as stored: 3 x number_groups characters without separators, compressed, then
// the first three separator codes in two bytes.
std::string StoredPartNumber(std::string number, size_t number_chars) {
  std::string codes;
  SplitPartNumber(number, codes);
  return CompressedText(number, number_chars) + CompressedText(codes.substr(0, 3), 3);
}

std::string Fit(std::string record, int32_t length) {
  record.resize(static_cast<size_t>(length), '\0');
  return record;
}

std::string ComodityKey(int32_t line, char comodity) {
  return C2(line) + std::string(1, comodity) + std::string(1, '\0');
}

int32_t StatusOf(std::string_view record) {
  if (record.size() < 2) return 0;
  return static_cast<int16_t>(DecodeBigEndian16(record.data()));
}

}  // namespace

std::string CompressedText(std::string text, size_t chars) {
  static const CharTable table;  // files are written in the standard alphabet
  text.resize((chars + 2) / 3 * 3, ' ');
  std::string out;
  for (size_t i = 0; i < text.size(); i += 3) {
    out += C2(table.IndexOf(text[i]) * 1600 + table.IndexOf(text[i + 1]) * 40 +
              table.IndexOf(text[i + 2]));
  }
  return out;
}

std::string EncodeProductLine(const ProductLineEntry& l, int32_t length) {
  std::string r(kProductLineBytes, '\0');
  Put(r, 1, C2(l.status));
  Put(r, 3, C2(l.line));
  Put(r, 5, CompressedText(l.alpha_line, 3));
  Put(r, 7, CompressedText(l.name, 30));
  Put(r, 27, std::string{l.auto_order, l.comodity});
  Put(r, 29, BigEndianBytes(l.distributor, 1));
  Put(r, 33, C2(l.stock_depth) + C2(l.re_order_percent) + C2(l.low_gp_warning_percent));
  Put(r, 39, Padded(l.sequencing_anan, 6) + Padded(l.sequencing_prior, 6));
  for (size_t i = 0; i < l.price_definitions.size() && i < 6; ++i) {
    const auto& d = l.price_definitions[i];
    Put(r, 51 + 4 * static_cast<int32_t>(i),
        BigEndianBytes(d.level, 1) + BigEndianBytes(d.use, 1) + C2(d.percent));
  }
  Put(r, 75, L4(l.cost_of_mdse_cents) + L4(l.cost_of_freight_cents));
  Put(r, 83, L4(l.mtd_no_sales) + L4(l.mtd_sales_cents) + L4(l.mtd_cogs_cents));
  // The record holds the year to date without the current month.
  Put(r, 95,
      L4(l.ytd_no_sales - l.mtd_no_sales) + L4(l.ytd_sales_cents - l.mtd_sales_cents) +
          L4(l.ytd_cogs_cents - l.mtd_cogs_cents));
  Put(r, 107, L4(l.pytd_no_sales) + L4(l.pytd_sales_cents) + L4(l.pytd_cogs_cents));
  Put(r, 121, std::string(1, l.taxable));
  Put(r, 124, l.recalculate_max ? "Y" : "N");
  Put(r, 127, CompressedText(l.database_name, 3));
  Put(r, 129, BigEndianBytes(l.warranty, 1));
  Put(r, 142, std::string(1, l.line_type));
  Put(r, 148, L4(l.a_p_vendor));
  Put(r, 193, L4(l.primary_vendor));
  Put(r, 197, std::string(1, l.order_type_switch) + BigEndianBytes(l.seasonal_percentage, 1));
  // The reorder codes run over the date (205-206) and the cost after it (207-210).
  Put(r, 203, Padded(l.seasonal_reorder_codes, 2).substr(0, 2));
  Put(r, 205, C2(DayNumber(l.seasonal_date_last_generated)));
  return Fit(std::move(r), length);
}

std::string EncodePart(const PartEntry& p, int32_t length) {
  std::string r(kPartBytes, '\0');
  Put(r, 1, C2(p.status));
  Put(r, 3, C2(p.line));
  Put(r, 5, StoredPartNumber(p.part_number, 18));
  Put(r, 19, CompressedText(p.package_code, 3));
  Put(r, 21, CompressedText(p.codes, 6));
  Put(r, 25, C2(p.package_quantity));
  Put(r, 33, C2(p.maximum_stock));
  Put(r, 35, std::string(1, p.price_code));
  Put(r, 36, D3(p.quantity_on_hand_tenths) + C2(p.quantity_on_order));
  Put(r, 43, D3(p.list_price_cents));
  for (size_t i = 0; i < p.level_prices_cents.size() && i < 5; ++i) {
    Put(r, 46 + 3 * static_cast<int32_t>(i), D3(p.level_prices_cents[i]));
  }
  Put(r, 61, D3(p.cost_cents));
  Put(r, 70, D3(Yymmdd(p.date_last_change)));
  Put(r, 76, C2(p.mtd_number_sold));
  Put(r, 82, C2(p.ytd_number_sold));
  Put(r, 88, BigEndianBytes(p.flags88, 1) + BigEndianBytes(p.flags89, 1));
  Put(r, 90, C2(p.weight));
  Put(r, 141, Padded(p.bin, 6));
  for (size_t n = 1; n <= p.mtd_demand.size() && n <= 12; ++n) {
    Put(r, 129 - 2 * static_cast<int32_t>(n), C2(p.mtd_demand[n - 1]));
  }
  Put(r, 129, StoredPartNumber(p.sub_part_number, 15));
  Put(r, 148, D3(p.quantity_alloc_tenths));
  Put(r, 158, D3(p.average_cost_cents));
  Put(r, 179, CompressedText(p.description, 21));
  Put(r, 277, C2(DayNumber(p.date_last_received)));
  Put(r, 285, std::string(1, p.zone));
  return Fit(std::move(r), length);
}

RecordsBuilder::RecordsBuilder(const ShareBuilder& share, RecordLengths lengths)
    : share_(share), lengths_(lengths) {}

int32_t RecordsBuilder::AddLine(const ProductLineEntry& line) {
  AddComodity(line.line, line.comodity);
  for (char c : line.further_comodities) AddComodity(line.line, c);
  return AddLineRecord(EncodeProductLine(line));
}

int32_t RecordsBuilder::AddLineRecord(std::string_view combined) {
  lines_.push_back(Fit(std::string(combined), lengths_.line + lengths_.line_extension));
  return static_cast<int32_t>(lines_.size());
}

void RecordsBuilder::AddComodity(int32_t line, char comodity) {
  comodity_keys_.push_back(ComodityKey(line, comodity));
}

int32_t RecordsBuilder::AddPart(const PartEntry& part) { return AddPartRecord(EncodePart(part)); }

int32_t RecordsBuilder::AddPartRecord(std::string_view combined) {
  parts_.push_back(Fit(std::string(combined), lengths_.part + lengths_.part_extension));
  return static_cast<int32_t>(parts_.size());
}

namespace {

// A master and extension file pair: record n of the combined records split at the master's
// length. The master's header counts the records whose status is 1 or more.
void AddRecordPair(DataFileBuilder& data, const std::string& master, const std::string& extension,
                   int32_t master_length, int32_t extension_length,
                   const std::vector<std::string>& records, int32_t spare) {
  const auto count = static_cast<int32_t>(records.size());
  data.Add({master, 'L', master_length, count + spare});
  data.Add({extension, 'L', extension_length, count + spare});
  int32_t active = 0;
  for (int32_t i = 0; i < count; ++i) {
    const std::string& r = records[static_cast<size_t>(i)];
    data.SetRecord(master, i + 1, r.substr(0, static_cast<size_t>(master_length)));
    data.SetRecord(extension, i + 1, r.substr(static_cast<size_t>(master_length)));
    if (StatusOf(r) >= 1) ++active;
  }
  data.SetBytes(master, 0, LHeader(-1, count, active));
}

}  // namespace

void RecordsBuilder::Write() const {
  DataFileBuilder lines(share_, "LINLK");
  AddRecordPair(lines, "LINEL", "ELINEL", lengths_.line, lengths_.line_extension, lines_, spare_);
  std::vector<std::string> keys = comodity_keys_;
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  IndexEntries entries;
  // The commodity records themselves are not part of these files; the keys number them.
  for (size_t i = 0; i < keys.size(); ++i)
    entries.emplace_back(keys[i], static_cast<int32_t>(i + 1));
  AddIndex(lines, "COMODI", {kComodityKeyLength}, entries);
  lines.Write();

  DataFileBuilder parts(share_, "PRTLK");
  AddRecordPair(parts, "PARTL", "EPARTL", lengths_.part, lengths_.part_extension, parts_, spare_);
  parts.Write();
}

std::vector<std::string> RecordsBuilder::Links() const {
  std::vector<std::string> links;
  for (const char* name : {"LINEL", "ELINEL", "COMODI"})
    links.push_back(share_.LinkFor(name, "LINLK"));
  for (const char* name : {"PARTL", "EPARTL"}) links.push_back(share_.LinkFor(name, "PRTLK"));
  return links;
}

void AddSampleRecords(RecordsBuilder& builder) {
  using std::chrono::year;
  ProductLineEntry engines;
  engines.line = 10;
  engines.alpha_line = "ENG";
  engines.name = "SMALL ENGINE PARTS";
  engines.comodity = 'E';
  engines.further_comodities = "FG";
  engines.distributor = 3;
  engines.stock_depth = 4;
  engines.re_order_percent = 25;
  engines.low_gp_warning_percent = 18;
  engines.sequencing_anan = "ANAN  ";
  engines.price_definitions = {{1, 1, 40}, {2, 1, 30}, {3, 2, -5}};
  engines.cost_of_mdse_cents = 1843050;
  engines.cost_of_freight_cents = 41275;
  engines.mtd_no_sales = 37;
  engines.mtd_sales_cents = 512340;
  engines.mtd_cogs_cents = 301122;
  engines.ytd_no_sales = 412;
  engines.ytd_sales_cents = 6021875;
  engines.ytd_cogs_cents = 3550010;
  engines.pytd_no_sales = 389;
  engines.pytd_sales_cents = 5577300;
  engines.pytd_cogs_cents = 3298845;
  engines.recalculate_max = true;
  engines.database_name = "SEP";
  engines.warranty = 12;
  engines.line_type = 'R';
  engines.a_p_vendor = 4410;
  engines.primary_vendor = 4410;
  engines.seasonal_percentage = 15;
  engines.seasonal_date_last_generated = year{2024} / 3 / 1;
  builder.AddLine(engines);

  ProductLineEntry mowers;
  mowers.line = 20;
  mowers.alpha_line = "MOW";
  mowers.name = "RIDING MOWERS";
  mowers.comodity = 'U';
  mowers.line_type = 'U';
  mowers.price_definitions = {{1, 1, 22}};
  mowers.cost_of_mdse_cents = 9912500;
  mowers.mtd_no_sales = 3;
  mowers.mtd_sales_cents = 1259700;
  mowers.mtd_cogs_cents = 991250;
  mowers.ytd_no_sales = 21;
  mowers.ytd_sales_cents = 8603350;
  mowers.ytd_cogs_cents = 6804100;
  mowers.warranty = 24;
  builder.AddLine(mowers);

  ProductLineEntry retired = mowers;
  retired.status = 0;  // deleted: not loaded
  retired.line = 30;
  retired.name = "SNOW BLOWERS (RETIRED)";
  builder.AddLine(retired);

  PartEntry plug;
  plug.line = 10;
  plug.part_number = "RC-12YC";
  plug.package_code = "BOX";
  plug.codes = "E EAAA";
  plug.package_quantity = 10;
  plug.maximum_stock = 120;
  plug.price_code = 'A';
  plug.quantity_on_hand_tenths = 845;
  plug.quantity_on_order = 40;
  plug.list_price_cents = 499;
  plug.level_prices_cents = {449, 425, 399};
  plug.cost_cents = 231;
  plug.date_last_change = year{2024} / 2 / 14;
  plug.mtd_number_sold = 18;
  plug.ytd_number_sold = 203;
  plug.weight = 1;
  plug.bin = "A-14";
  plug.quantity_alloc_tenths = 20;
  plug.average_cost_cents = 228;
  plug.description = "SPARK PLUG";
  plug.mtd_demand = {21, 17, 25, 19};
  plug.date_last_received = year{2024} / 2 / 20;
  builder.AddPart(plug);

  PartEntry belt;
  belt.line = 20;
  belt.part_number = "754-04060";
  belt.codes = "U EBBS";
  belt.list_price_cents = 3895;
  belt.cost_cents = 2104;
  belt.quantity_on_hand_tenths = 30;
  belt.flags89 = 8;
  belt.bin = "C-02";
  belt.description = "DECK DRIVE BELT";
  belt.sub_part_number = "754-0406";
  belt.mtd_demand = {2, 1, 0, 3};
  builder.AddPart(belt);
}

}  // namespace tervalo::share
