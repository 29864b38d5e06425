#include <gtest/gtest.h>

#include "skin/paint/sColors.h"

namespace korv {
namespace {

constexpr TColor Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

TEST(ChangeColorSaturation, MovesTheChannelsTowardOrAwayFromGrey) {
  EXPECT_EQ(ChangeColorSaturation(clBtnFace, 0), clBtnFace);  // amount 0: as it is
  EXPECT_EQ(ChangeColorSaturation(Rgb(30, 60, 90), 100), Rgb(60, 60, 60));
  EXPECT_EQ(ChangeColorSaturation(Rgb(1, 0, 2), 50), Rgb(1, 0, 2));            // halves to even: 1, 0.5, 1.5
  EXPECT_EQ(ChangeColorSaturation(Rgb(0, 1, 3), 50), Rgb(1, 1, 2));            // g = 4/3: 0.67, 1.17, 2.17
  EXPECT_EQ(ChangeColorSaturation(Rgb(0, 128, 255), -100), Rgb(0, 128, 255));  // clamped to 0..255
  EXPECT_EQ(ChangeColorSaturation(Rgb(100, 128, 140), -100), Rgb(77, 133, 157));
}

TEST(ChangeColorHue, TurnsTheHueAndLeavesGreysAlone) {
  EXPECT_EQ(ChangeColorHue(120, Rgb(255, 0, 0)), Rgb(0, 255, 0));
  EXPECT_EQ(ChangeColorHue(-120, Rgb(255, 0, 0)), Rgb(0, 0, 255));
  EXPECT_EQ(ChangeColorHue(600, Rgb(255, 0, 0)), Rgb(0, 0, 255));  // 600 wraps to 240
  EXPECT_EQ(ChangeColorHue(60, Rgb(200, 100, 50)), Rgb(150, 200, 50));
  // Grey, black and white have no hue (no division by zero).
  EXPECT_EQ(ChangeColorHue(90, Rgb(77, 77, 77)), Rgb(77, 77, 77));
  EXPECT_EQ(ChangeColorHue(90, 0), 0);
  // A system colour is resolved first.
  EXPECT_EQ(ChangeColorHue(0, clBtnFace), ColorToRGB(clBtnFace));
}

}  // namespace
}  // namespace korv
