#pragma once
// Part numbers are stored without their separators, with the places of up to three separators
// kept beside them as codes: "123456789ABCDEFGHIJKL" name the character positions 1 to 21 of the
// part number as written with its separators.

#include <string>
#include <string_view>

namespace tervalo {

// The separator codes, one per character position 1 to 21.
inline constexpr std::string_view kSeparatorCodes = "123456789ABCDEFGHIJKL";
// Only the first 18 codes are put back by InsertDashes.
inline constexpr size_t kInsertableCodes = 18;

// Takes a part number apart: P loses its leading and trailing spaces and then every character
// that is not a part-number character (anything but a character of gCharTable after its first,
// the space); D receives the code of each removed character's position (positions past 21 get
// none). True when D holds fewer than four codes, the most the record keeps is three.
bool SplitPartNumber(std::string& P, std::string& D);

// Puts the separators back: for each code of D up to its last non-space code, a "-" goes in at
// the position the code names, counted in the result. Codes that name no position 1 to 18 are
// skipped.
void InsertDashes(std::string& P, std::string_view D);

}  // namespace tervalo
