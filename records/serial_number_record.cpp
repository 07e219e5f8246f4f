#include "records/serial_number_record.h"

namespace tervalo {

const std::vector<FieldBinding<SerialNumberRecord>>& SerialNumberRecord::FieldTable() {
  using S = SerialNumberRecord;
  static const std::vector<FieldBinding<SerialNumberRecord>> table = {
      IntegerField("Warranty_Months", 'B', 1, &S::Warranty_Months),
      IntegerField("Ext_Warranty_Months", 'B', 2, &S::Ext_Warranty_Months),
      // Bytes 3-5 are not read.
      IntegerField("Purchase_Day", 'C', 6, &S::Purchase_Day),
  };
  return table;
}

void SerialNumberRecord::Unpack(std::string_view Rec) { UnpackFields(FieldTable(), *this, Rec); }

FieldList SerialNumberRecord::Fields() const { return DescribeFields(FieldTable(), *this); }

}  // namespace tervalo
