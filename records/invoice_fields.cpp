#include "records/invoice_fields.h"

#include "base/basic_text.h"

namespace tervalo {
namespace {

using I = InvoiceCardFields;
using L = InvoiceLineItem;
using E = Encoding;

std::vector<FieldBinding<InvoiceCardFields>> MakeInvoiceTable() {
  return {
      IntegerField("Bill_To", 'L', 3, &I::Bill_To),
      IntegerField("Ship_To", 'D', 7, &I::Ship_To),
      FixedField("Meter", 'D', 14, FixedPoint::kTenths, &I::Meter),
      // Bytes 51-62 and 63-74 hold 18 characters each.
      TextField("Serial_1", E::kCompressed, 51, 12, &I::Serial_1),
      TextField("Serial_1_Key", E::kPlain, 51, 12, &I::Serial_1_Key),
      TextField("Serial_2", E::kCompressed, 63, 12, &I::Serial_2),
      DateField("Date_In", 'J', 95, &I::Date_In),
      IntegerField("Delivery", 'B', 100, &I::Delivery),
      IntegerField("Page", 'B', 115, &I::Page),
      IntegerField("Item_Count", 'B', 146, &I::Item_Count),
  };
}

// Positions count within the item.
std::vector<FieldBinding<InvoiceLineItem>> MakeLineItemTable() {
  return {
      TextField("Item_Code", E::kCompressed, 1, 2, &L::Item_Code),
      TextField("Remark", E::kCompressed, 3, 24, &L::Remark),
      TextField("Part_Number", E::kCompressed, 3, 12, &L::Part_Number),
      // Bytes 15-16 are not shown.
      TextField("Description", E::kCompressed, 17, 14, &L::Description),
  };
}

}  // namespace

const std::vector<FieldBinding<InvoiceCardFields>>& InvoiceCardFields::FieldTable() {
  static const std::vector<FieldBinding<InvoiceCardFields>> table = MakeInvoiceTable();
  return table;
}

void InvoiceCardFields::Unpack(std::string_view Rec) { UnpackFields(FieldTable(), *this, Rec); }

FieldList InvoiceCardFields::Fields() const { return DescribeFields(FieldTable(), *this); }

const std::vector<FieldBinding<InvoiceLineItem>>& InvoiceLineItem::FieldTable() {
  static const std::vector<FieldBinding<InvoiceLineItem>> table = MakeLineItemTable();
  return table;
}

void InvoiceLineItem::Unpack(std::string_view Item) { UnpackFields(FieldTable(), *this, Item); }

FieldList InvoiceLineItem::Fields() const { return DescribeFields(FieldTable(), *this); }

std::vector<InvoiceLineItem> LineItemsOf(std::string_view record, int32_t item_count) {
  std::vector<InvoiceLineItem> items;
  for (int32_t i = 0; i < item_count; ++i) {
    const int64_t start = kLineItemsPosition + int64_t{kLineItemLength} * i;
    // A count larger than the record holds would read bytes that are not items.
    if (start + kLineItemLength - 1 > static_cast<int64_t>(record.size())) break;
    InvoiceLineItem item;
    item.Unpack(Mid(record, start, kLineItemLength));
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace tervalo
