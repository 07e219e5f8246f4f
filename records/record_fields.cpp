// Decoding and encoding of single record fields with the engine's codec, each field on its
// own: a failure of one field skips that field and nothing else.

#include "records/record_fields.h"

#include <algorithm>
#include <cstdio>

#include "base/basic_text.h"
#include "engine/business_basic.h"
#include "engine/codec.h"
#include "engine/engine_tables.h"
#include "environment/shared_instances.h"
#include "records/part_number.h"

namespace tervalo {
namespace {

// Raised inside this file for a value that does not fit its field, or a field that does not fit
// the record; caught with the engine's failures, so the field is skipped.
[[noreturn]] void FailOverflow(const char* source) {
  throw EngineError(kErrOverflow, source, kOverflowText);
}
[[noreturn]] void FailOutside(const char* source) {
  throw EngineError(kErrFieldOutside, source, "Invalid Subscript.");
}

std::string_view Opcode(const FieldLayout& layout) { return std::string_view(&layout.opcode, 1); }

// True when the field's bytes lie wholly inside the record.
bool Fits(const FieldLayout& layout, std::string_view rec) {
  return layout.position >= 1 && static_cast<int64_t>(layout.position) + layout.length - 1 <=
                                     static_cast<int64_t>(rec.size());
}

// The field's bytes; REQUIRES: Fits(layout, rec).
std::string FieldBytes(const FieldLayout& layout, std::string_view rec) {
  return std::string(
      rec.substr(static_cast<size_t>(layout.position - 1), static_cast<size_t>(layout.length)));
}

// The field's bytes decoded as compressed text, or a failure when they are not all there: half a
// compressed field would decode to characters that were never stored.
std::string Expanded(const FieldLayout& layout, std::string_view rec) {
  if (!Fits(layout, rec)) FailOutside("UnPack");
  std::string bytes = FieldBytes(layout, rec);
  return codec::Ucm(gCharTable, bytes);
}

// text compressed, followed by NULs and cut to `length` bytes.
std::string Compressed(std::string text, int32_t length) {
  std::string bytes = codec::Crm(gCharTable, text);
  bytes.resize(static_cast<size_t>(length), '\0');
  return bytes;
}

// Writes bytes over the field. REQUIRES: Fits(layout, rec) and bytes.size() == layout.length.
void Overwrite(const FieldLayout& layout, std::string& rec, std::string_view bytes) {
  rec.replace(static_cast<size_t>(layout.position - 1), bytes.size(), bytes);
}

// Plain text is written the way a text field is assigned into the middle of a record: the
// characters that fall inside the record are replaced, the record never grows, and a field that
// begins past its end writes nothing.
void WritePlain(const FieldLayout& layout, std::string& rec, std::string text) {
  text.resize(static_cast<size_t>(layout.length), ' ');
  if (layout.position < 1 || static_cast<size_t>(layout.position) > rec.size()) return;
  const size_t start = static_cast<size_t>(layout.position - 1);
  const size_t count = std::min(text.size(), rec.size() - start);
  rec.replace(start, count, text, 0, count);
}

template <typename T>
T& Target(FieldRef ref) {
  return *std::get<T*>(ref);
}

template <typename T>
const T& Source(ConstFieldRef ref) {
  return *std::get<const T*>(ref);
}

void AssignInteger(FieldRef value, int32_t number) {
  if (auto* narrow = std::get_if<int16_t*>(&value)) {
    **narrow = static_cast<int16_t>(number);
  } else {
    Target<int32_t>(value) = number;
  }
}

int32_t IntegerOf(ConstFieldRef value) {
  if (const auto* narrow = std::get_if<const int16_t*>(&value)) return **narrow;
  return Source<int32_t>(value);
}

constexpr int32_t kSerialBit = 16;
constexpr int32_t kSerialTrackedBit = 32;

void Decode(const FieldLayout& layout, FieldRef value, ConstFieldRef companion,
            std::string_view rec) {
  switch (layout.encoding) {
    case Encoding::kNotStored:
      return;
    case Encoding::kInteger:
      AssignInteger(value, codec::Unpack(Opcode(layout), rec, layout.position));
      return;
    case Encoding::kFixed:
      Target<FixedPoint>(value) =
          FixedPoint::FromStored(codec::Unpack(Opcode(layout), rec, layout.position), layout.scale);
      return;
    case Encoding::kYearToDate: {
      // The record holds the year without the current month; the object includes it.
      const int32_t stored = codec::Unpack(Opcode(layout), rec, layout.position);
      if (std::holds_alternative<FixedPoint*>(value)) {
        const auto sum =
            FixedPoint::FromStored(stored, layout.scale).Plus(Source<FixedPoint>(companion));
        if (!sum) FailOverflow("UnPack");
        Target<FixedPoint>(value) = *sum;
      } else {
        int32_t sum = 0;
        if (__builtin_add_overflow(stored, Source<int32_t>(companion), &sum))
          FailOverflow("UnPack");
        Target<int32_t>(value) = sum;
      }
      return;
    }
    case Encoding::kCompressed:
      Target<std::string>(value) = Expanded(layout, rec);
      return;
    case Encoding::kCompressedChar: {
      const std::string text = Expanded(layout, rec);
      // A group of 64000 or more decodes to fewer characters; the character is then missing.
      if (static_cast<size_t>(layout.scale) >= text.size()) FailOutside("UnPack");
      Target<std::string>(value) = text.substr(static_cast<size_t>(layout.scale), 1);
      return;
    }
    case Encoding::kPlain:
      Target<std::string>(value) = std::string(Mid(rec, layout.position, layout.length));
      return;
    case Encoding::kPlainNulAsSpace: {
      std::string text(Mid(rec, layout.position, layout.length));
      std::replace(text.begin(), text.end(), '\0', ' ');
      Target<std::string>(value) = std::move(text);
      return;
    }
    case Encoding::kLineType: {
      std::string text(Mid(rec, layout.position, layout.length));
      Target<std::string>(value) = (text == "U" || text == "R") ? text : "P";
      return;
    }
    case Encoding::kYesNo:
      Target<bool>(value) = IsYes(Mid(rec, layout.position, layout.length));
      return;
    case Encoding::kDate:
      Target<DateTime>(value) = codec::UnPackDate(Opcode(layout), rec, layout.position);
      return;
    case Encoding::kBit:
      Target<bool>(value) = (codec::Unpack("B", rec, layout.position) & layout.scale) != 0;
      return;
    case Encoding::kSerialNumbers: {
      const int32_t byte = codec::Unpack("B", rec, layout.position);
      AssignInteger(value, (byte & kSerialTrackedBit) != 0 ? 2 : (byte & kSerialBit) != 0 ? 1 : 0);
      return;
    }
    case Encoding::kDashedNumber: {
      // The number and, in the last three characters, its separator codes.
      const std::string text = Expanded(layout, rec);
      const size_t number_length = text.size() >= 3 ? text.size() - 3 : 0;
      std::string number = text.substr(0, number_length);
      InsertDashes(number, std::string_view(text).substr(number_length));
      Target<std::string>(value) = std::move(number);
      return;
    }
  }
}

void Encode(const FieldLayout& layout, ConstFieldRef value, ConstFieldRef companion,
            std::string& rec) {
  switch (layout.encoding) {
    case Encoding::kNotStored:
    case Encoding::kCompressedChar:
      return;
    case Encoding::kInteger:
      codec::Pack(Opcode(layout), rec, IntegerOf(value), layout.position);
      return;
    case Encoding::kFixed: {
      const auto stored = Source<FixedPoint>(value).ToStored(layout.scale);
      if (!stored) FailOverflow("Pack");
      codec::Pack(Opcode(layout), rec, *stored, layout.position);
      return;
    }
    case Encoding::kYearToDate: {
      int32_t stored = 0;
      if (std::holds_alternative<const FixedPoint*>(value)) {
        const auto year = Source<FixedPoint>(value).Minus(Source<FixedPoint>(companion));
        const auto units = year ? year->ToStored(layout.scale) : std::nullopt;
        if (!units) FailOverflow("Pack");
        stored = *units;
      } else if (__builtin_sub_overflow(Source<int32_t>(value), Source<int32_t>(companion),
                                        &stored)) {
        FailOverflow("Pack");
      }
      codec::Pack(Opcode(layout), rec, stored, layout.position);
      return;
    }
    case Encoding::kCompressed:
      if (!Fits(layout, rec)) FailOutside("Pack");
      Overwrite(layout, rec, Compressed(Source<std::string>(value), layout.length));
      return;
    case Encoding::kPlain:
    case Encoding::kPlainNulAsSpace:
    case Encoding::kLineType:
      WritePlain(layout, rec, Source<std::string>(value));
      return;
    case Encoding::kYesNo:
      WritePlain(layout, rec, YesNo(Source<bool>(value)));
      return;
    case Encoding::kDate:
      codec::PackDate(Opcode(layout), rec, layout.position, Source<DateTime>(value));
      return;
    case Encoding::kBit: {
      // Only this flag's bit changes; the byte's other bits belong to other flags.
      int32_t byte = codec::Unpack("B", rec, layout.position) & ~layout.scale;
      if (Source<bool>(value)) byte |= layout.scale;
      codec::Pack("B", rec, byte, layout.position);
      return;
    }
    case Encoding::kSerialNumbers: {
      const int32_t serial = IntegerOf(value);
      int32_t byte = codec::Unpack("B", rec, layout.position) & ~(kSerialBit | kSerialTrackedBit);
      if (serial != 0) byte |= kSerialBit;
      if (serial == 2) byte |= kSerialTrackedBit;
      codec::Pack("B", rec, byte, layout.position);
      return;
    }
    case Encoding::kDashedNumber: {
      // The number without separators, then the first three separator codes in two bytes.
      if (!Fits(layout, rec) || layout.length < 2) FailOutside("Pack");
      std::string number = Source<std::string>(value);
      std::string codes;
      SplitPartNumber(number, codes);
      Overwrite(layout, rec, Compressed(number, layout.length - 2) + Compressed(codes, 2));
      return;
    }
  }
}

}  // namespace

bool IsYes(std::string_view text) { return text == "Y"; }

std::string YesNo(bool flag) { return flag ? "Y" : "N"; }

void UnpackField(const FieldLayout& layout, FieldRef value, ConstFieldRef companion,
                 std::string_view rec) {
  try {
    Decode(layout, value, companion, rec);
  } catch (const EngineError&) {
    // Skipped: the field keeps its value.
  }
}

void PackField(const FieldLayout& layout, ConstFieldRef value, ConstFieldRef companion,
               std::string& rec) {
  if (layout.read_only) return;
  try {
    Encode(layout, value, companion, rec);
  } catch (const EngineError&) {
    // Skipped: every encoding checks before it writes, so the record is unchanged here.
  }
}

std::string PrintableText(std::string_view bytes) {
  return EscapeBytes(bytes, [](unsigned char byte) { return byte < 0x20 || byte >= 0x7F || byte == '\\'; });
}

std::string DateText(const DateTime& date) {
  const auto ymd = date.Ymd();
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return text;
}

namespace {

void Describe(const std::string& name, int32_t value, FieldList& out) {
  out.emplace_back(name, std::to_string(value));
}
void Describe(const std::string& name, int16_t value, FieldList& out) {
  out.emplace_back(name, std::to_string(value));
}
void Describe(const std::string& name, const FixedPoint& value, FieldList& out) {
  out.emplace_back(name, value.ToString());
}
void Describe(const std::string& name, const std::string& value, FieldList& out) {
  out.emplace_back(name, PrintableText(value));
}
void Describe(const std::string& name, bool value, FieldList& out) {
  out.emplace_back(name, value ? "True" : "False");
}
void Describe(const std::string& name, const DateTime& value, FieldList& out) {
  out.emplace_back(name, DateText(value));
}
// One pair per element, "Name(0)" first; an empty array still shows its name.
void Describe(const std::string& name, const std::vector<std::string>& value, FieldList& out) {
  if (value.empty()) out.emplace_back(name, "");
  for (size_t i = 0; i < value.size(); ++i) {
    out.emplace_back(name + "(" + std::to_string(i) + ")", PrintableText(value[i]));
  }
}

}  // namespace

void DescribeField(const FieldLayout& layout, ConstFieldRef value, FieldList& out) {
  const std::string name(layout.name);
  std::visit(
      [&](auto pointer) {
        if constexpr (!std::is_same_v<decltype(pointer), std::monostate>) {
          Describe(name, *pointer, out);
        }
      },
      value);
}

cBusinessBasic& RecordEngine() {
  if (!gEngine) {
    throw EngineError(kErrObjectNotSet, "Record", "Object variable or With block variable not set");
  }
  return *gEngine;
}

std::string ReadCombinedRecord(NamedLogicalFile master, NamedLogicalFile extension,
                               int32_t RecordNumber, const char* illegal_record_text, bool Orb) {
  cBusinessBasic& engine = RecordEngine();
  for (const NamedLogicalFile& named : {master, extension}) {
    // The fixed text stays first; the name says which of the two files is missing.
    if (!named.file) {
      throw EngineError(kErrUndefined, "iLreadFile",
                        std::string("LogicalFile parameter is undefined: logical file \"") +
                            named.name + "\" is not in the link table or its resolution file");
    }
  }
  if (RecordNumber > master.file->LastRecord || RecordNumber < 1) {
    throw EngineError(kErrIllegalRecord, "Read",
                      std::string(illegal_record_text) + " for File: " + master.file->FileName +
                          " and Record: " + std::to_string(RecordNumber));
  }
  return engine.LreadFile(master.file, RecordNumber, Orb) +
         engine.LreadFile(extension.file, RecordNumber, Orb);
}

}  // namespace tervalo
