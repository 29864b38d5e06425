// The hue shift and saturation change of one colour.
#include <gtest/gtest.h>

#include "skin/paint/sColorUtils.h"

namespace korv {
namespace {

constexpr TColor Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

TEST(ColorUtils, HueAndSaturation) {
  EXPECT_EQ(ChangeColorHue(120, Rgb(255, 0, 0)), Rgb(0, 255, 0));
  EXPECT_EQ(ChangeColorHue(-120, Rgb(255, 0, 0)), Rgb(0, 0, 255));
  EXPECT_EQ(ChangeColorHue(60, Rgb(200, 100, 50)), Rgb(150, 200, 50));  // saturation and value kept
  for (int turn : {360, -360, 720})  // a whole turn lands on 360, which is 0 again
    EXPECT_EQ(ChangeColorHue(turn, Rgb(255, 0, 0)), Rgb(255, 0, 0));
  for (TColor grey : {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(128, 128, 128)}) {  // no hue: unchanged
    EXPECT_EQ(ChangeColorHue(90, grey), grey);
    EXPECT_EQ(ChangeColorSaturation(grey, -100), grey);
  }
  EXPECT_EQ(ChangeColorSaturation(Rgb(200, 100, 0), 100), Rgb(100, 100, 100));
  EXPECT_EQ(ChangeColorSaturation(Rgb(200, 100, 0), -50), Rgb(250, 100, 0));  // clamped at 0
  EXPECT_EQ(ChangeColorSaturation(Rgb(201, 99, 0), 50), Rgb(150, 100, 50));   // halves to even
}

}  // namespace
}  // namespace korv
