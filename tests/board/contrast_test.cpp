// Black or white text by the background's luminance.

#include "board/contrast.h"

#include <gtest/gtest.h>

namespace tervalo {
namespace {

constexpr Color Rgb(int r, int g, int b) { return static_cast<Color>(r | g << 8 | b << 16); }

TEST(ContrastTest, LuminanceAndRatioFollowTheSrgbDefinition) {
  EXPECT_DOUBLE_EQ(RelativeLuminance(kBlack), 0.0);
  EXPECT_DOUBLE_EQ(RelativeLuminance(kWhite), 1.0);
  EXPECT_NEAR(RelativeLuminance(Rgb(255, 0, 0)), 0.2126, 1e-9);
  EXPECT_NEAR(RelativeLuminance(Rgb(0, 255, 0)), 0.7152, 1e-9);
  EXPECT_NEAR(RelativeLuminance(Rgb(0, 0, 255)), 0.0722, 1e-9);
  EXPECT_NEAR(RelativeLuminance(Rgb(128, 128, 128)), 0.2158605, 1e-6);
  EXPECT_DOUBLE_EQ(ContrastRatio(kBlack, kWhite), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(kWhite, kBlack), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(Rgb(10, 20, 30), Rgb(10, 20, 30)), 1.0);
}

TEST(ContrastTest, DarkBackgroundsTakeWhiteTextAndLightOnesBlack) {
  struct Case {
    Color back;
    Color text;
  };
  const Case cases[] = {
      {kBlack, kWhite},           {kWhite, kBlack},
      {Rgb(0, 0, 128), kWhite},   // navy
      {Rgb(128, 0, 0), kWhite},   // maroon
      {Rgb(0, 100, 0), kWhite},   // dark green
      {Rgb(255, 255, 0), kBlack}, // yellow
      {Rgb(255, 200, 200), kBlack},
      {Rgb(0, 255, 255), kBlack}, // cyan
      {Rgb(255, 0, 0), kBlack},   // pure red: black gives 5.3:1, white 4.0:1
      {Rgb(0, 0, 255), kWhite},   // pure blue
  };
  for (const Case& c : cases) EXPECT_EQ(ReadableTextOn(c.back), c.text) << std::hex << c.back;
}

TEST(ContrastTest, EveryBackgroundGetsTextOfAtLeastFourAndAHalfToOne) {
  double worst = 21;
  for (int r = 0; r < 256; r += 5) {
    for (int g = 0; g < 256; g += 5) {
      for (int b = 0; b < 256; b += 5) {
        const Color back = Rgb(r, g, b);
        worst = std::min(worst, ContrastRatio(back, ReadableTextOn(back)));
      }
    }
  }
  EXPECT_GE(worst, 4.5);
}

}  // namespace
}  // namespace tervalo
