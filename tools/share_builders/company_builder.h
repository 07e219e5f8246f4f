#pragma once
// Builds a company's record files for tests, the demo and benchmarks: FILE0 (settings, names,
// job index), the invoice file INVOL, the mechanic files MANL/MANI, the part list RPARTL/RPARTI
// and schedule files, byte for byte as the business system stores them.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tools/share_builders/share_builder.h"

namespace tervalo::share {

inline constexpr int32_t kInvoiceRecordLength = 512;
inline constexpr int32_t kMechanicRecordLength = 256;
inline constexpr int32_t kPartListRecordLength = 64;
inline constexpr int32_t kCustomerRecordLength = 128;
inline constexpr int32_t kMailingRecordLength = 128;
inline constexpr int32_t kSerialRecordLength = 64;

// One 44-byte line item of a job page: a remark when the code is "REM", else a part.
struct LineItemSpec {
  std::string code;         // 3 characters
  std::string text;         // the remark (up to 36 characters) or the part number (up to 18)
  std::string description;  // parts: up to 21 characters
};

// One INVOL record. Texts are stored compressed where the system compresses them.
struct InvoiceRecord {
  int32_t kind = 80;  // 80 job, 81 quote
  std::string remark;  // when set, the record is a "REMRQ" remark record with this text
  int32_t bill_to = 0;
  int32_t ship_to = 0;
  std::string description1;  // up to 15 characters
  std::string description2;  // up to 21 characters
  bool part_list = false;    // brand code and model to be looked up in the part list
  int32_t brand = 0;
  std::string model;     // 18 characters
  std::string key_tail;  // 3 characters
  std::string serial1;   // up to 18 characters
  std::string serial2;
  int32_t reference = 0;
  int32_t hold = 0;
  int32_t date_in = 0;  // day number
  int32_t request = 1;  // request number (stored minus 1)
  char status = 'O';
  int32_t job_number = 0;
  int32_t delivery = 1;
  int32_t link = 0;  // record number of the previous page of the chain
  int32_t page = 1;
  int32_t mechanic = 0;
  int32_t priority = 1;
  int32_t meter = 0;  // tenths
  std::vector<LineItemSpec> items;  // at most 8 fit a record
  int32_t item_count = -1;          // the stored count; -1: the number of items
};

std::string EncodeInvoiceRecord(const InvoiceRecord& r);

struct Mechanic {
  int32_t number = 0;
  std::string name;       // up to 30 characters
  int32_t active = 10000;  // field at 198; shown only above 9999
};

struct PartListEntry {
  int32_t brand = 0;
  std::string model;
  std::string key_tail;
  std::string description;  // 21 characters at 26
};

// A customer's or mailing-list entry's address, four 30-character lines in one text.
struct AddressEntry {
  int32_t account = 0;
  std::string address;  // up to 120 characters
};

// A serial-number record, keyed by the serial number as job records store it.
struct SerialEntry {
  std::string serial;  // up to 18 characters
  int32_t warranty_months = 0;
  int32_t ext_warranty_months = 0;
  int32_t purchase_day = 0;  // day number
};

// Settings and names of FILE0.
struct BoardFile0 {
  bool tall_rows = false;
  std::vector<uint32_t> priority_colors = std::vector<uint32_t>(8, 0xFFFFFF);
  std::string sort_order = "RPDJ";
  std::vector<std::string> priority_names;    // up to 8
  std::vector<std::string> substatus_names;   // up to 5
  std::vector<std::string> delivery_names;    // up to 30
};

// The FILE0 names of a typical shop: eight priorities from "Normal" to "Hold" and five
// sub-statuses, as the sample companies use them.
BoardFile0 ShopFile0();

// A job: its pages in chain order, page 1 first; the last page is the index record.
struct JobSpec {
  int32_t job_number = 0;
  std::vector<InvoiceRecord> pages;
};

class CompanyBuilder {
 public:
  explicit CompanyBuilder(ShareBuilder& share) : share_(share) {}

  void SetFile0(const BoardFile0& file0) { file0_ = file0; }
  void AddMechanic(const Mechanic& m) { mechanics_.push_back(m); }
  void AddPart(const PartListEntry& p) { parts_.push_back(p); }
  void AddCustomer(const AddressEntry& a) { customers_.push_back(a); }
  void AddMailing(const AddressEntry& a) { mailings_.push_back(a); }
  void AddSerial(const SerialEntry& s) { serials_.push_back(s); }
  // Adds a job's pages as consecutive records, links them and enters the last page in the index.
  // Returns the record numbers of the pages.
  std::vector<int32_t> AddJob(const JobSpec& job);
  // A record that no index entry names (for damaged-index tests), or a record placed by the
  // caller, who sets its link and page fields and its job's index entry.
  int32_t AddRecord(const InvoiceRecord& record);
  // A freed record: zeros but for the link to the record freed before it (the free chain, whose
  // head is the last record freed). Returns its record number.
  int32_t AddFreedRecord();
  // Points the index entry of a job number at any record number (for damaged-index tests).
  void SetIndexEntry(int32_t job_number, int32_t record_number) { index_[job_number] = record_number; }
  // Link records of further files of the company (written by other builders).
  void AddLinks(const std::vector<std::string>& links) { extra_links_.insert(extra_links_.end(), links.begin(), links.end()); }
  // Free records at the end of INVOL.
  void SetSpareRecords(int32_t spare) { spare_ = spare; }

  // Writes FILE0, INVOL, MANL/MANI, RPARTL/RPARTI, CUSTL/CUSTI, MAILL/MAILI, SNUML/SNBRI, the
  // link table, terminal map and catalog
  // configuration (temp_dir) for a workstation named computer_name (terminal 7).
  void Write(const std::filesystem::path& temp_dir, const std::string& computer_name) const;

  // The schedule-file line of a job as a workstation saved it: the five job-text lines, joined
  // by tabs (description lines as given; part-list jobs show the model and `line5`).
  std::string ScheduleLine(const InvoiceRecord& r, int32_t job_number, const std::string& line5 = "") const;
  // Writes a schedule file for a mechanic number: lines joined with CR LF.
  void WriteSchedule(int32_t mechanic_number, const std::vector<std::string>& lines) const;

 private:
  std::string File0Bytes() const;
  // Writes a keyed file: records built by `record`, their index sorted by key.
  template <typename Entry, typename KeyOf, typename RecordOf>
  std::vector<std::string> WriteKeyedFile(const char* resolution, const char* records, const char* index,
                                          int32_t record_length, int32_t key_length,
                                          const std::vector<Entry>& entries, KeyOf key_of,
                                          RecordOf record_of) const;

  ShareBuilder& share_;
  BoardFile0 file0_;
  std::vector<Mechanic> mechanics_;
  std::vector<PartListEntry> parts_;
  std::vector<AddressEntry> customers_;
  std::vector<AddressEntry> mailings_;
  std::vector<SerialEntry> serials_;
  std::vector<std::string> records_;  // INVOL records 1..n
  std::vector<int32_t> freed_;         // freed INVOL records, in the order they were freed
  std::map<int32_t, int32_t> index_;  // job number -> record number
  std::vector<std::string> extra_links_;
  int32_t spare_ = 4;
};

// The 24-byte part-list key of a brand code, model and key tail.
std::string PartListKey(int32_t brand, const std::string& model, const std::string& key_tail);

}  // namespace tervalo::share
