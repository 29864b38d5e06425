// The saturation change and hue shift of one colour.
#include <gtest/gtest.h>

#include "skin/paint/sColorUtils.h"

namespace korv {
namespace {

constexpr TColor Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

TEST(ColorUtils, HueTurnsTheColourWheelAndLeavesGreysAlone) {
  EXPECT_EQ(ChangeColorHue(120, Rgb(255, 0, 0)), Rgb(0, 255, 0));
  EXPECT_EQ(ChangeColorHue(240, Rgb(255, 0, 0)), Rgb(0, 0, 255));
  EXPECT_EQ(ChangeColorHue(-120, Rgb(255, 0, 0)), Rgb(0, 0, 255));
  EXPECT_EQ(ChangeColorHue(60, Rgb(200, 100, 50)), Rgb(150, 200, 50));  // saturation and value kept
  // A whole turn lands on 360, which is 0 again (not a seventh sector).
  for (int turn : {0, 360, -360, 720})
    for (TColor c : {Rgb(255, 0, 0), Rgb(200, 100, 50), Rgb(30, 160, 90), Rgb(1, 0, 2)})
      EXPECT_EQ(ChangeColorHue(turn, c), c) << turn << " " << c;
  // Greys, black and white have no hue: unchanged, and no division by zero.
  for (TColor c : {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(128, 128, 128)})
    for (int offset : {1, 90, 359, -45}) EXPECT_EQ(ChangeColorHue(offset, c), c);
  // System colours are turned as their current value.
  const TColor face = ColorToRGB(clBtnFace);
  const bool faceIsGrey = (face & 0xFF) == ((face >> 8) & 0xFF) && (face & 0xFF) == ((face >> 16) & 0xFF);
  EXPECT_EQ(ChangeColorHue(90, clBtnFace), faceIsGrey ? clBtnFace : ChangeColorHue(90, face));
}

TEST(ColorUtils, SaturationMovesChannelsAroundTheirMean) {
  EXPECT_EQ(ChangeColorSaturation(Rgb(200, 100, 0), 0), Rgb(200, 100, 0));
  EXPECT_EQ(ChangeColorSaturation(Rgb(200, 100, 0), 100), Rgb(100, 100, 100));
  EXPECT_EQ(ChangeColorSaturation(Rgb(200, 100, 0), -50), Rgb(250, 100, 0));  // clamped at 0
  // Halves round to even: 150.5 -> 150, 99.5 -> 100.
  EXPECT_EQ(ChangeColorSaturation(Rgb(201, 99, 0), 50), Rgb(150, 100, 50));
  for (int amount : {-100, 30, 100}) EXPECT_EQ(ChangeColorSaturation(Rgb(77, 77, 77), amount), Rgb(77, 77, 77));
  EXPECT_EQ(SaturateRgb(0x12000000u | static_cast<uint32_t>(Rgb(200, 100, 0)), 100), 0x00646464u);  // the top byte is ignored
}

}  // namespace
}  // namespace korv
