#pragma once
// The address of a customer ("CUSTL") and of a mailing-list entry ("MAILL"): four lines of 30
// characters stored compressed, found through the account number in "CUSTI" and "MAILI".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_fields.h"

namespace tervalo {

inline constexpr int32_t kAddressLength = 120;

struct CustomerRecord {
  std::string Address;  // 120 characters

  void Unpack(std::string_view Rec);
  FieldList Fields() const;
  static const std::vector<FieldBinding<CustomerRecord>>& FieldTable();
};

struct MailingRecord {
  std::string Address;  // 120 characters

  void Unpack(std::string_view Rec);
  FieldList Fields() const;
  static const std::vector<FieldBinding<MailingRecord>>& FieldTable();
};

// The 4-byte key of an account in "CUSTI" and "MAILI": the number as an "L" field.
std::string AccountKey(int32_t account);

}  // namespace tervalo
