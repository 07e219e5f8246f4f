#pragma once
// A serial-number record ("SNUML", keyed in "SNBRI" by the 12 stored bytes of the unit's serial
// number): the unit's purchase date and the lengths of its warranty and extended warranty.

#include <cstdint>
#include <string_view>
#include <vector>

#include "records/record_fields.h"

namespace tervalo {

inline constexpr int32_t kSerialKeyLength = 12;

struct SerialNumberRecord {
  int32_t Warranty_Months = 0;
  int32_t Ext_Warranty_Months = 0;  // added to the end of the warranty
  int32_t Purchase_Day = 0;         // a day number

  void Unpack(std::string_view Rec);
  FieldList Fields() const;
  static const std::vector<FieldBinding<SerialNumberRecord>>& FieldTable();
};

}  // namespace tervalo
