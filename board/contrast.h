#pragma once
// Text that can be read on any background: the relative luminance and contrast ratio of colours
// as screen-readability guidelines define them (sRGB), and the choice of black or white text.

#include "board/colors.h"

namespace tervalo {

// The contrast ratio text should reach on its background to be read easily.
inline constexpr double kReadableContrast = 4.5;

// The relative luminance of a stored colour (&HBBGGRR, not a system colour): 0 for black, 1
// for white.
double RelativeLuminance(Color color);

// (L1 + 0.05) / (L2 + 0.05) of the lighter over the darker colour: 1 to 21.
double ContrastRatio(Color a, Color b);

// Black or white, whichever stands out more from `back`. On any background the better of the two
// reaches a contrast ratio of at least 4.5:1.
Color ReadableTextOn(Color back);

}  // namespace tervalo
