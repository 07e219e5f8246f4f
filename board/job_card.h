#pragma once
// The job card: everything the detail window of a job shows, built from the job's records as
// plain data (caption, accounts and addresses, the unit, serial numbers and warranty dates,
// delivery method, priority and the line items of every page), and the two failures that keep
// the card from opening. The window layer only lays it out.

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/engine_error.h"
#include "board/colors.h"
#include "engine/calendar.h"

namespace tervalo {

class cBusinessBasic;
class JobRecordReader;
struct SerialNumberRecord;

inline constexpr int kMaxPages = 200;
inline constexpr const char* kPageArrayError = "Error in Page Array! ";
inline constexpr const char* kDisplayJobError = "Error Trying to Display Job! ";

// Backgrounds of the account boxes: the selected option's account and the other one.
inline constexpr Color kSelectedAccountBack = 0xC0E0FF;
inline constexpr Color kOtherAccountBack = 0xE0E0E0;
// Background of a remark among the line items; parts show the window colour.
inline constexpr Color kRemarkBack = 0xFFFFC0;

// A job whose records cannot make a card: a page chain that loops, leaves a page out or links
// outside the file, a page above 200, a request outside 1 to 30 or missing from the job.
class DamagedJob : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The INVOL record numbers of a job's pages: record[p] holds page p; count is the number of
// pages (0: none).
struct PageList {
  int count = 0;
  std::array<int32_t, kMaxPages + 1> record{};
};

// Follows the page chain back from a job's index record (its last page) to page 1. Throws
// DamagedJob for a chain it cannot follow soundly; never reads outside INVOL.
PageList LoadPages(JobRecordReader& reader, int32_t record_number);

// The 120-character address of an account: the customer's ("CUSTI"/"CUSTL"), else the
// mailing-list entry's ("MAILI"/"MAILL"), else blanks. A customer address whose fourth line
// starts with "." loses that line, and a "/" among its first 29 characters shows as a blank.
std::string GetAddress(cBusinessBasic& engine, int32_t account);
// The address padded to 120 characters as four 30-character lines joined by CR LF.
std::string FormatAddress(std::string_view address);

// Purchase, warranty end and extended warranty end as "mm/dd/yy"; the extended end is empty
// when it falls on the warranty end. Days are kept as purchased, without a calendar check.
struct WarrantyDates {
  std::string purchase;
  std::string warranty;
  std::string ext_warranty;
};
WarrantyDates SerialDates(cBusinessBasic& engine, const SerialNumberRecord& serial);

struct CardItem {
  std::string text;
  Color back = 0;
};

struct JobCard {
  std::string caption;
  int32_t account = 0;         // bill-to account
  std::string shipto;          // ship-to account, empty when none
  std::string address_billto;  // 120 characters
  std::string address_shipto;  // 120 characters, blanks when there is no ship-to account
  std::string part;            // unit text: first description " / " second description
  std::string delivery;        // delivery method name, empty outside 1 to 30
  std::string sn1;
  std::string sn2;
  std::string meter;     // plain number with a "." as decimal point
  std::string priority;  // 11 characters
  DateTime date_in{kEmptyDate};
  std::string purchase;  // "mm/dd/yy" or empty without a serial-number record
  std::string warranty;
  std::string ext_warranty;
  std::vector<CardItem> items;  // every page's line items, page 1 first
};

// The Bill To / Ship To options: which account box is marked and which address shows.
enum class AddressOption { kBillTo, kShipTo };
struct AddressView {
  Color account_back = kSelectedAccountBack;  // txtAccount
  Color shipto_back = kOtherAccountBack;      // txtShipto
  std::string text;                           // txtAddr
};
AddressView SelectAddress(const JobCard& card, AddressOption option);

// What opening a job's card came to: a card; a failure message (after the engine's own failure,
// when one caused it); or nothing, for a text without a job number.
struct CardOutcome {
  std::optional<JobCard> card;
  std::string message;
  std::optional<EngineError> engine_error;
};

// Builds the card of the job a grid row's job text names. With tall rows the text's "Req NN"
// chooses the request (1 when it has none). Nothing is written.
CardOutcome ShowJob(cBusinessBasic& engine, std::string_view job_text, bool tall_rows);

}  // namespace tervalo
