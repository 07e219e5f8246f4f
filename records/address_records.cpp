#include "records/address_records.h"

#include "engine/codec.h"

namespace tervalo {

const std::vector<FieldBinding<CustomerRecord>>& CustomerRecord::FieldTable() {
  static const std::vector<FieldBinding<CustomerRecord>> table = {
      // 80 bytes hold the 120 characters.
      TextField("Address", Encoding::kCompressed, 6, 80, &CustomerRecord::Address),
  };
  return table;
}

void CustomerRecord::Unpack(std::string_view Rec) { UnpackFields(FieldTable(), *this, Rec); }

FieldList CustomerRecord::Fields() const { return DescribeFields(FieldTable(), *this); }

const std::vector<FieldBinding<MailingRecord>>& MailingRecord::FieldTable() {
  static const std::vector<FieldBinding<MailingRecord>> table = {
      TextField("Address", Encoding::kCompressed, 7, 80, &MailingRecord::Address),
  };
  return table;
}

void MailingRecord::Unpack(std::string_view Rec) { UnpackFields(FieldTable(), *this, Rec); }

FieldList MailingRecord::Fields() const { return DescribeFields(FieldTable(), *this); }

std::string AccountKey(int32_t account) {
  std::string key(4, '\0');
  codec::Pack("L", key, account, 1);
  return key;
}

}  // namespace tervalo
