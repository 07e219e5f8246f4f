#pragma once
// The field codec as free functions: packed binary integers, dates and 3-for-2 compressed text in
// a record held in memory. Decoding and encoding a record needs no engine object; the engine's
// Pack, Unpack, PackDate, UnPackDate, Crm and Ucm call these.
//
// Integer opcodes (either case): B, C, D unsigned fields of 1, 2 and 3 bytes; I, J, K the same
// widths with the sign extended; L four bytes. Positions are 1-based. Failures are EngineErrors
// with the codec's numbers and texts (100 unknown opcode, 5 position below 1, 31 field outside
// the data).

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/calendar.h"
#include "engine/char_table.h"

namespace tervalo::codec {

// Writes the low-order bytes of value as the opcode's field at Position; higher bytes are dropped.
void Pack(std::string_view OpCode, std::string& Data, int32_t value, int32_t Position);
// The same, leaving the caller's opcode variable upper-cased.
void Pack(std::string& OpCode, std::string& Data, int32_t value, int32_t Position);
int32_t Unpack(std::string_view OpCode, std::string_view Data, int32_t Position);
// The same, leaving the caller's opcode variable upper-cased.
int32_t Unpack(std::string& OpCode, std::string_view Data, int32_t Position);

// Dates: C and J as a day number, D and K as MMDDYY, R as YYMMDD. Any other opcode writes nothing
// and reads the empty date; a date field outside the data reads as the empty date.
void PackDate(std::string_view OpCode, std::string& Data, int32_t Position, const DateTime& value);
DateTime UnPackDate(std::string_view OpCode, std::string_view Data, int32_t Position);

// Compresses three characters of the alphabet into two bytes; Source is padded with spaces to a
// multiple of 3 first. A character outside the alphabet counts as its first character.
std::string Crm(const CharTable& alphabet, std::string& Source);
// Expands two bytes into three characters; Source is padded with a NUL to an even length first.
std::string Ucm(const CharTable& alphabet, std::string& Source);

}  // namespace tervalo::codec
