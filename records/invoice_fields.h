#pragma once
// The fields of an "INVOL" job record that the job card shows beyond those the board loads jobs
// by (board/job_record.h), and the line items each page of a job carries.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calendar.h"
#include "records/fixed_point.h"
#include "records/record_fields.h"

namespace tervalo {

inline constexpr int32_t kLineItemsPosition = 161;
inline constexpr int32_t kLineItemLength = 44;

struct InvoiceCardFields {
  int32_t Bill_To = 0;
  int32_t Ship_To = 0;  // 0: none
  FixedPoint Meter;     // stored in tenths
  std::string Serial_1;
  std::string Serial_1_Key;  // the stored bytes of Serial_1: the key of the serial-number file
  std::string Serial_2;
  DateTime Date_In{kEmptyDate};
  int32_t Delivery = 0;  // delivery method, 1 to 30
  int32_t Page = 0;      // page of this record within its job
  int32_t Item_Count = 0;

  // Decodes the fields of one record, each on its own (see record_fields.h).
  void Unpack(std::string_view Rec);
  FieldList Fields() const;
  static const std::vector<FieldBinding<InvoiceCardFields>>& FieldTable();
};

// One 44-byte line item: an item code and either a remark ("REM") or a part with its
// description.
struct InvoiceLineItem {
  std::string Item_Code;  // 3 characters
  std::string Remark;     // 36 characters, "REM" items
  std::string Part_Number;
  std::string Description;

  bool IsRemark() const { return Item_Code == "REM"; }
  void Unpack(std::string_view Item);
  FieldList Fields() const;
  static const std::vector<FieldBinding<InvoiceLineItem>>& FieldTable();
};

// The line items of one page: as many of its item count as lie wholly inside the record.
std::vector<InvoiceLineItem> LineItemsOf(std::string_view record, int32_t item_count);

}  // namespace tervalo
