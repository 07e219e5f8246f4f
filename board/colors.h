#pragma once
// Colours as the system stores them: 24-bit values with red in the low byte (&HBBGGRR); values
// with the high bit set name system colours by index.

#include <cstdint>

namespace tervalo {

using Color = uint32_t;

inline constexpr Color kSystemColorFlag = 0x80000000u;
inline constexpr Color kSystemWindowBackground = 0x80000005u;
inline constexpr Color kSystemButtonText = 0x80000012u;
inline constexpr Color kWhite = 0x00FFFFFFu;
inline constexpr Color kBlack = 0x00000000u;

inline constexpr bool IsSystemColor(Color c) { return (c & kSystemColorFlag) != 0; }
inline constexpr int Red(Color c) { return static_cast<int>(c & 0xFF); }
inline constexpr int Green(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int Blue(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

}  // namespace tervalo
