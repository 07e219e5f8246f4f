#include "tools/share_builders/company_builder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "engine/file_format.h"
#include "records/file0_layout.h"
#include "tools/share_builders/data_file_builder.h"
#include "tools/share_builders/index_builder.h"
#include "tools/share_builders/records_builder.h"

namespace tervalo::share {
namespace {

std::string Padded(std::string text, size_t width, char pad = ' ') {
  text.resize(width, pad);
  return text;
}

void Put(std::string& record, int position, const std::string& bytes) {
  record.replace(static_cast<size_t>(position - 1), bytes.size(), bytes);
}

// The header of an "L" file whose records 1 to `count` are all in use: no free chain, `count`
// records allocated and in use. Readers and GetRec trust these counts.
std::string InUseHeader(size_t count) {
  return LHeader(-1, static_cast<int32_t>(count), static_cast<int32_t>(count));
}

std::string MechanicRecord(const Mechanic& m) {
  std::string record(kMechanicRecordLength, '\0');
  Put(record, 1, C2(1));
  Put(record, 3, C2(m.number));
  Put(record, 7, CompressedText(m.name, 30));
  Put(record, 198, C2(m.active));
  return record;
}

constexpr int kLineItemsAt = 161;
constexpr size_t kLineItemBytes = 44;

std::string LineItemBytes(const LineItemSpec& item) {
  std::string bytes = CompressedText(item.code, 3);
  if (item.code == "REM") {
    bytes += CompressedText(item.text, 36);
  } else {
    bytes += CompressedText(item.text, 18) + std::string(2, '\0') + CompressedText(item.description, 21);
  }
  bytes.resize(kLineItemBytes, '\0');
  return bytes;
}

void PutLineItems(std::string& record, const InvoiceRecord& r) {
  const size_t room = (record.size() - (kLineItemsAt - 1)) / kLineItemBytes;
  if (r.items.size() > room) throw std::invalid_argument("more line items than a record holds");
  const int32_t count = r.item_count >= 0 ? r.item_count : static_cast<int32_t>(r.items.size());
  Put(record, 146, std::string(1, static_cast<char>(count)));
  for (size_t i = 0; i < r.items.size(); ++i) {
    Put(record, kLineItemsAt + static_cast<int>(i * kLineItemBytes), LineItemBytes(r.items[i]));
  }
}

}  // namespace

std::string EncodeInvoiceRecord(const InvoiceRecord& r) {
  std::string record(kInvoiceRecordLength, '\0');
  if (!r.remark.empty()) {
    // A remark record: "REMRQ", a blank, the text; the rest of the record holds the chain.
    Put(record, 1, "REMRQ " + Padded(r.remark, 90));
  } else {
    Put(record, 1, C2(r.kind));
    Put(record, 3, L4(r.bill_to));
    Put(record, 7, D3(r.ship_to));
    if (r.part_list) {
      Put(record, 27, D3(r.brand));
      Put(record, 30, Padded(r.model, 18));
      Put(record, 48, Padded(r.key_tail, 3));
    } else {
      Put(record, 27, CompressedText(r.description1, 15));
      Put(record, 37, CompressedText(r.description2, 21));
    }
    Put(record, 51, CompressedText(r.serial1, 18));
    Put(record, 63, CompressedText(r.serial2, 18));
    Put(record, 75, L4(r.reference));
    Put(record, 79, std::string(1, static_cast<char>(r.hold)));
    Put(record, 95, C2(r.date_in));
    Put(record, 99, std::string(1, r.status));
    Put(record, 100, std::string(1, static_cast<char>(r.delivery)));
    Put(record, 101, C2(r.job_number));
    Put(record, 116, std::string(1, static_cast<char>(r.part_list ? 64 : 0)));
    Put(record, 141, std::string(1, static_cast<char>(r.mechanic)));
    Put(record, 156, std::string(1, static_cast<char>(r.priority)));
    Put(record, 14, D3(r.meter));
    PutLineItems(record, r);
  }
  Put(record, 97, std::string(1, static_cast<char>(r.request - 1)));
  Put(record, 110, D3(r.link));
  Put(record, 115, std::string(1, static_cast<char>(r.page)));
  return record;
}

std::string PartListKey(int32_t brand, const std::string& model, const std::string& key_tail) {
  std::string trimmed = model;
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\0')) trimmed.pop_back();
  return C2(brand) + Padded(trimmed, 18) + Padded(key_tail, 3) + std::string(1, '\0');
}

int32_t CompanyBuilder::AddRecord(const InvoiceRecord& record) {
  records_.push_back(EncodeInvoiceRecord(record));
  return static_cast<int32_t>(records_.size());
}

int32_t CompanyBuilder::AddFreedRecord() {
  records_.emplace_back(static_cast<size_t>(kInvoiceRecordLength), '\0');
  freed_.push_back(static_cast<int32_t>(records_.size()));
  return freed_.back();
}

std::vector<int32_t> CompanyBuilder::AddJob(const JobSpec& job) {
  std::vector<int32_t> numbers;
  int32_t previous = 0;
  for (size_t p = 0; p < job.pages.size(); ++p) {
    InvoiceRecord page = job.pages[p];
    page.job_number = job.job_number;
    page.page = static_cast<int32_t>(p + 1);
    page.link = previous;
    previous = AddRecord(page);
    numbers.push_back(previous);
  }
  if (!numbers.empty()) index_[job.job_number] = numbers.back();
  return numbers;
}

std::string CompanyBuilder::File0Bytes() const {
  using namespace file0;
  std::string bytes(static_cast<size_t>(BlockOffset(kBlocks)), '\0');
  auto put = [&](int block, int position, const std::string& value) {
    bytes.replace(static_cast<size_t>(BlockOffset(block) + position - 1), value.size(), value);
  };
  put(kTallRowsBlock, kTallRowsPosition, file0_.tall_rows ? "Y" : "N");
  for (size_t n = 0; n < file0_.delivery_names.size(); ++n) {
    put(kDeliveryNamesBlock, 1 + kNameSpacing * static_cast<int>(n), Padded(file0_.delivery_names[n], 15));
  }
  for (size_t p = 0; p < file0_.priority_names.size(); ++p) {
    put(kNamesBlock, kPriorityNamesPosition + kNameSpacing * static_cast<int>(p), Padded(file0_.priority_names[p], 11));
  }
  for (size_t d = 0; d < file0_.substatus_names.size(); ++d) {
    put(kNamesBlock, kSubStatusNamesPosition + kNameSpacing * static_cast<int>(d),
        Padded(file0_.substatus_names[d], 11));
  }
  for (size_t p = 0; p < file0_.priority_colors.size() && p < 8; ++p) {
    put(kSettingsBlock, 1 + 3 * static_cast<int>(p), D3(file0_.priority_colors[p]));
  }
  put(kSettingsBlock, kSortOrderPosition, Padded(file0_.sort_order, 4));
  for (const auto& [job, record] : index_) {
    int32_t block = 0;
    int32_t slot = 0;
    if (!JobIndexPlace(job, block, slot)) throw std::invalid_argument("job number beyond the index");
    put(block, 4 * slot + 1, L4(record));
  }
  return bytes;
}

template <typename Entry, typename KeyOf, typename RecordOf>
std::vector<std::string> CompanyBuilder::WriteKeyedFile(const char* resolution, const char* records,
                                                        const char* index, int32_t record_length,
                                                        int32_t key_length, const std::vector<Entry>& entries,
                                                        KeyOf key_of, RecordOf record_of) const {
  DataFileBuilder file(share_, resolution);
  file.Add({records, 'L', record_length, static_cast<int32_t>(entries.size()) + 1});
  IndexEntries keys;
  for (size_t i = 0; i < entries.size(); ++i) {
    file.SetRecord(records, static_cast<int32_t>(i + 1), record_of(entries[i]));
    keys.emplace_back(key_of(entries[i]), static_cast<int32_t>(i + 1));
  }
  file.SetBytes(records, 0, InUseHeader(entries.size()));
  std::sort(keys.begin(), keys.end());
  AddIndex(file, index, {key_length}, keys);
  file.Write();
  return file.Links();
}

void CompanyBuilder::Write(const std::filesystem::path& temp_dir, const std::string& computer_name) const {
  share_.CreateShares();
  WriteBinaryFile(share_.DataDirectory() / "FILE0", File0Bytes());

  DataFileBuilder invoices(share_, "INVLK");
  const int32_t last = static_cast<int32_t>(records_.size()) + spare_;
  invoices.Add({"INVOL", 'L', kInvoiceRecordLength, last});
  for (size_t i = 0; i < records_.size(); ++i) invoices.SetRecord("INVOL", static_cast<int32_t>(i + 1), records_[i]);
  // Each freed record links to the one freed before it; the header names the last one freed.
  int32_t free_head = -1;
  for (const int32_t freed : freed_) {
    invoices.SetBytes("INVOL", int64_t{freed} * kInvoiceRecordLength + 2, L4(free_head));
    free_head = freed;
  }
  const auto records = static_cast<int32_t>(records_.size());
  invoices.SetBytes("INVOL", 0, LHeader(free_head, records, records - static_cast<int32_t>(freed_.size())));
  invoices.Write();

  DataFileBuilder mechanics(share_, "MANLK");
  std::vector<std::pair<std::string, int32_t>> mechanic_keys;
  std::vector<Mechanic> sorted = mechanics_;
  std::sort(sorted.begin(), sorted.end(), [](const Mechanic& a, const Mechanic& b) { return a.number < b.number; });
  mechanics.Add({"MANL", 'L', kMechanicRecordLength, static_cast<int32_t>(sorted.size()) + 1});
  for (size_t i = 0; i < sorted.size(); ++i) {
    mechanics.SetRecord("MANL", static_cast<int32_t>(i + 1), MechanicRecord(sorted[i]));
    mechanic_keys.emplace_back(C2(sorted[i].number), static_cast<int32_t>(i + 1));
  }
  mechanics.SetBytes("MANL", 0, InUseHeader(sorted.size()));
  AddIndex(mechanics, "MANI", {2}, mechanic_keys);
  mechanics.Write();

  const auto part_key = [](const PartListEntry& p) { return PartListKey(p.brand, p.model, p.key_tail); };
  const auto part_record = [&](const PartListEntry& p) {
    std::string record(kPartListRecordLength, '\0');
    Put(record, 1, C2(1));
    Put(record, 3, part_key(p));
    Put(record, 26, Padded(p.description, 21));
    return record;
  };
  const auto address_record = [](int32_t length, int position) {
    return [length, position](const AddressEntry& a) {
      std::string record(static_cast<size_t>(length), '\0');
      Put(record, 1, C2(1));
      Put(record, position, CompressedText(a.address, 120));
      return record;
    };
  };
  const auto account_key = [](const AddressEntry& a) { return L4(a.account); };
  const auto serial_key = [](const SerialEntry& e) { return CompressedText(e.serial, 18); };
  const auto serial_record = [](const SerialEntry& e) {
    std::string record(kSerialRecordLength, '\0');
    Put(record, 1, std::string(1, static_cast<char>(e.warranty_months)));
    Put(record, 2, std::string(1, static_cast<char>(e.ext_warranty_months)));
    Put(record, 6, C2(e.purchase_day));
    return record;
  };

  std::vector<std::string> links = invoices.Links();
  for (const auto& l : mechanics.Links()) links.push_back(l);
  for (const auto& file :
       {WriteKeyedFile("RPARLK", "RPARTL", "RPARTI", kPartListRecordLength, 24, parts_, part_key, part_record),
        WriteKeyedFile("CUSTLK", "CUSTL", "CUSTI", kCustomerRecordLength, 4, customers_, account_key,
                       address_record(kCustomerRecordLength, 6)),
        WriteKeyedFile("MAILLK", "MAILL", "MAILI", kMailingRecordLength, 4, mailings_, account_key,
                       address_record(kMailingRecordLength, 7)),
        WriteKeyedFile("SNBRLK", "SNUML", "SNBRI", kSerialRecordLength, 12, serials_, serial_key, serial_record)}) {
    links.insert(links.end(), file.begin(), file.end());
  }
  links.insert(links.end(), extra_links_.begin(), extra_links_.end());
  share_.WriteLinksFile(links);
  share_.WriteTerminalMap("COUNTER1        3,LP1\r\n" + computer_name + "  7,LP1\r\n");

  CatalogSettings settings;
  settings.server = share_.server();
  settings.directory = share_.directory();
  settings.terminal_id = "7";
  WriteCatalogIni(temp_dir, settings);
}

std::string CompanyBuilder::ScheduleLine(const InvoiceRecord& r, int32_t job_number,
                                        const std::string& line5) const {
  using namespace std::chrono;
  const year_month_day date{sys_days{year{1967} / December / 31} + days{r.date_in}};
  char date_text[16];
  std::snprintf(date_text, sizeof date_text, "%02u/%02u/%02d", static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(date.year()) % 100);
  char first[64];
  std::snprintf(first, sizeof first, "Ref: %-7.7s%s%4d", std::to_string(r.reference).c_str(),
                r.kind == 81 ? "  Quote: " : "    Job: ", job_number);
  const int p = r.priority >= 1 && r.priority <= 8 ? r.priority : 1;
  const std::string name = static_cast<size_t>(p) <= file0_.priority_names.size()
                               ? file0_.priority_names[static_cast<size_t>(p - 1)] : "";
  std::string status = "Initial";
  if (r.status == 'O') status = "Open";
  if (r.status >= '1' && r.status <= '5') {
    const auto d = static_cast<size_t>(r.status - '1');
    status = "Open - " + Padded(d < file0_.substatus_names.size() ? file0_.substatus_names[d] : "", 11);
  }
  const std::string line4 = r.part_list ? Padded(r.model, 18) : Padded(r.description1, 15);
  const std::string last = r.part_list ? line5 : Padded(r.description2, 21);
  return std::string(first) + "\t" + date_text + " - " + Padded(name, 10) + "\t" + status + "\t" +
         line4 + "\t" + last;
}

void CompanyBuilder::WriteSchedule(int32_t mechanic_number, const std::vector<std::string>& lines) const {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  WriteBinaryFile(share_.DataDirectory() / ("SCHEDULE." + std::to_string(mechanic_number)), text);
}

BoardFile0 ShopFile0() {
  BoardFile0 file0;
  file0.priority_names = {"Normal", "Rush", "Warranty", "Fleet", "Rental", "Dealer", "Internal", "Hold"};
  file0.substatus_names = {"Diagnosing", "Parts Order", "On Bench", "Testing", "Call Cust"};
  return file0;
}

}  // namespace tervalo::share
