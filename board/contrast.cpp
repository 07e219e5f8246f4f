#include "board/contrast.h"

#include <algorithm>
#include <cmath>

namespace tervalo {
namespace {

// One sRGB channel (0-255) as linear light.
double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

double RelativeLuminance(Color color) {
  return 0.2126 * Linear(Red(color)) + 0.7152 * Linear(Green(color)) + 0.0722 * Linear(Blue(color));
}

double ContrastRatio(Color a, Color b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Color ReadableTextOn(Color back) {
  return ContrastRatio(back, kBlack) >= ContrastRatio(back, kWhite) ? kBlack : kWhite;
}

}  // namespace tervalo
