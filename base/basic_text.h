#pragma once
// Text helpers with the system's classic BASIC meaning: 1-based character ranges, Val, case
// folding. Every layer uses these instead of writing its own index arithmetic.

#include <cstdint>
#include <string>
#include <string_view>

namespace tervalo {

// Characters start..start+length-1 (1-based); a range past the end yields what exists.
std::string_view Mid(std::string_view text, int64_t start, int64_t length);
// Characters start..end of text (1-based, inclusive).
std::string_view Mid(std::string_view text, int64_t start);
std::string_view Left(std::string_view text, int64_t length);
std::string_view Right(std::string_view text, int64_t length);

// Classic Val for whole numbers: blanks skipped, optional sign, digits up to the first other
// character; no digits gives 0. Saturates instead of overflowing.
int64_t Val(std::string_view text);

char UpperAscii(char c);
std::string UCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Removes leading and trailing spaces and tabs.
std::string_view TrimBlanks(std::string_view text);

// Writes bytes as "HH HH ..." for messages and tools.
std::string HexBytes(std::string_view bytes);

// `text` with every byte that `escaped` chooses written as \xHH (upper-case hex digits).
std::string EscapeBytes(std::string_view text, bool (*escaped)(unsigned char byte));

// Text for a message: control bytes (below 32, and 127) other than tab and line feed are written
// as \xHH, so that a damaged file's bytes show in a message instead of acting on the screen.
std::string EscapeControlBytes(std::string_view text);

}  // namespace tervalo
