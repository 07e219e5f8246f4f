#pragma once
// The field machinery shared by the record classes: each class describes its fields once, in
// declaration order, as a table of (name, encoding, opcode, position, length); decoding, encoding
// and the field listing for tools all walk that table. Each field is decoded or encoded on its
// own: one that fails (a short record, bytes that do not decode, a value that does not fit) is
// skipped, keeping its previous value on decoding and leaving the record's bytes on encoding.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "engine/calendar.h"
#include "records/fixed_point.h"

namespace tervalo {

class cBusinessBasic;
struct cLogicalFile;

// Decoded fields of one record as (field name, value text) pairs in declaration order. Array
// fields give one pair per element, named "Name(i)". Texts are shown with every byte outside
// printable ASCII (and the backslash) written as \xHH, so that they print and compare safely.
using FieldList = std::vector<std::pair<std::string, std::string>>;

enum class Encoding : uint8_t {
  kNotStored,        // kept by the class only (record number, values built elsewhere)
  kInteger,          // the codec's opcode at the position
  kFixed,            // an integer field holding the value in units of 1/scale
  kYearToDate,       // kInteger or kFixed stored without the month-to-date value (companion)
  kCompressed,       // `length` bytes of 3-for-2 compressed text
  kCompressedChar,   // character `scale` (0-based) of `length` bytes of compressed text; read only
  kPlain,            // characters as they stand; written followed by spaces, cut to the length
  kPlainNulAsSpace,  // kPlain, with NUL characters read as spaces
  kLineType,         // kPlain; anything but "U" or "R" reads as "P"
  kYesNo,            // "Y" true, anything else false; written "Y" or "N"
  kDate,             // the codec's date with the opcode
  kBit,              // bit value `scale` of the byte at the position
  kSerialNumbers,    // 0; 1 for bit value 16; 2 for bit value 32
  kDashedNumber,     // compressed number and three separator codes, separators put back
};

// What a table entry knows about its field, apart from where the value lives.
struct FieldLayout {
  std::string_view name;
  Encoding encoding = Encoding::kNotStored;
  char opcode = '\0';    // B, C, D, J, K, L for integers; the date opcode for dates
  int32_t position = 0;  // 1-based in the combined record
  int32_t length = 0;    // bytes
  int32_t scale = 0;     // kFixed: stored units per whole; kBit: bit value; kCompressedChar: index
  bool read_only = false;
};

// Pointers to a field of one object, whichever type it has (for decoding, and read only).
using FieldRef = std::variant<std::monostate, int32_t*, int16_t*, FixedPoint*, std::string*, bool*,
                              DateTime*, std::vector<std::string>*>;
using ConstFieldRef =
    std::variant<std::monostate, const int32_t*, const int16_t*, const FixedPoint*,
                 const std::string*, const bool*, const DateTime*, const std::vector<std::string>*>;

// Decodes one field of rec into value (companion: the month-to-date field of a year-to-date
// one). A field that fails keeps its value. Compressed text reads with the engine's alphabet;
// no engine object is needed.
void UnpackField(const FieldLayout& layout, FieldRef value, ConstFieldRef companion,
                 std::string_view rec);
// Encodes one field into rec in place. A field that fails leaves rec as it was.
void PackField(const FieldLayout& layout, ConstFieldRef value, ConstFieldRef companion,
               std::string& rec);
// Appends the field's (name, value text) pairs.
void DescribeField(const FieldLayout& layout, ConstFieldRef value, FieldList& out);

// The flag routines of the records: true exactly for "Y" (upper case only); "Y" or "N".
bool IsYes(std::string_view text);
std::string YesNo(bool flag);

// Text of a byte string with everything outside printable ASCII, and the backslash, as \xHH.
std::string PrintableText(std::string_view bytes);
// "YYYY-MM-DD".
std::string DateText(const DateTime& date);

// The engine the record classes read their files through (gEngine); error 91 when none is
// running.
cBusinessBasic& RecordEngine();

// A logical file of a record class with the name it was opened under (the file is null when the
// name could not be opened).
struct NamedLogicalFile {
  const char* name;
  const std::shared_ptr<cLogicalFile>& file;
};

// Record RecordNumber of a master file followed by the same record of its extension file: the
// combined record the record classes decode. -10 naming the file when either file is not
// installed; error 81 with `illegal_record_text`, the file and the number (nothing read) when
// the number lies outside the master file.
std::string ReadCombinedRecord(NamedLogicalFile master, NamedLogicalFile extension,
                               int32_t RecordNumber, const char* illegal_record_text, bool Orb);

// ---- Tables over a record class ----

template <typename Record>
using MemberRef = std::variant<std::monostate, int32_t Record::*, int16_t Record::*,
                               FixedPoint Record::*, std::string Record::*, bool Record::*,
                               DateTime Record::*, std::vector<std::string> Record::*>;

template <typename Record>
struct FieldBinding {
  FieldLayout layout;
  MemberRef<Record> member;
  MemberRef<Record> companion{};
};

// The field of object that member names: a FieldRef for a mutable object, a ConstFieldRef for a
// const one.
template <typename Ref, typename Object, typename Record>
Ref Bind(Object& object, const MemberRef<Record>& member) {
  return std::visit(
      [&object](auto pointer) -> Ref {
        if constexpr (std::is_same_v<decltype(pointer), std::monostate>) {
          return std::monostate{};
        } else {
          return &(object.*pointer);
        }
      },
      member);
}

// Field widths of the codec's opcodes.
constexpr int32_t OpcodeWidth(char opcode) {
  switch (opcode) {
    case 'B':
    case 'I':
      return 1;
    case 'C':
    case 'J':
      return 2;
    case 'D':
    case 'K':
      return 3;
    case 'L':
      return 4;
    default:
      return 0;
  }
}

// Table-entry builders, so that each table line reads as name, opcode, position.
template <typename Record, typename T>
FieldBinding<Record> IntegerField(std::string_view name, char opcode, int32_t position,
                                  T Record::*member) {
  return {{name, Encoding::kInteger, opcode, position, OpcodeWidth(opcode)}, member};
}
template <typename Record>
FieldBinding<Record> FixedField(std::string_view name, char opcode, int32_t position,
                                int32_t units_per_one, FixedPoint Record::*member) {
  return {{name, Encoding::kFixed, opcode, position, OpcodeWidth(opcode), units_per_one}, member};
}
template <typename Record, typename T>
FieldBinding<Record> YearToDateField(std::string_view name, char opcode, int32_t position,
                                     int32_t units_per_one, T Record::*member,
                                     T Record::*month_to_date) {
  return {{name, Encoding::kYearToDate, opcode, position, OpcodeWidth(opcode), units_per_one},
          member,
          month_to_date};
}
template <typename Record>
FieldBinding<Record> TextField(std::string_view name, Encoding encoding, int32_t position,
                               int32_t length, std::string Record::*member,
                               bool read_only = false) {
  return {{name, encoding, '\0', position, length, 0, read_only}, member};
}
template <typename Record>
FieldBinding<Record> CompressedCharField(std::string_view name, int32_t position, int32_t length,
                                         int32_t index, std::string Record::*member) {
  return {{name, Encoding::kCompressedChar, '\0', position, length, index, true}, member};
}
template <typename Record>
FieldBinding<Record> YesNoField(std::string_view name, int32_t position, bool Record::*member) {
  return {{name, Encoding::kYesNo, '\0', position, 1}, member};
}
template <typename Record>
FieldBinding<Record> DateField(std::string_view name, char opcode, int32_t position,
                               DateTime Record::*member) {
  return {{name, Encoding::kDate, opcode, position, opcode == 'R' ? 3 : 2}, member};
}
template <typename Record>
FieldBinding<Record> BitField(std::string_view name, int32_t position, int32_t bit_value,
                              bool Record::*member) {
  return {{name, Encoding::kBit, 'B', position, 1, bit_value}, member};
}
template <typename Record, typename T>
FieldBinding<Record> NotStoredField(std::string_view name, T Record::*member) {
  return {{name, Encoding::kNotStored}, member};
}

template <typename Record>
void UnpackFields(const std::vector<FieldBinding<Record>>& table, Record& object,
                  std::string_view rec) {
  for (const auto& field : table) {
    UnpackField(field.layout, Bind<FieldRef>(object, field.member),
                Bind<ConstFieldRef>(std::as_const(object), field.companion), rec);
  }
}

template <typename Record>
void PackFields(const std::vector<FieldBinding<Record>>& table, const Record& object,
                std::string& rec) {
  for (const auto& field : table) {
    PackField(field.layout, Bind<ConstFieldRef>(object, field.member),
              Bind<ConstFieldRef>(object, field.companion), rec);
  }
}

template <typename Record>
FieldList DescribeFields(const std::vector<FieldBinding<Record>>& table, const Record& object) {
  FieldList out;
  for (const auto& field : table) {
    DescribeField(field.layout, Bind<ConstFieldRef>(object, field.member), out);
  }
  return out;
}

}  // namespace tervalo
