// Colour conversions between RGB and HSL on the unit and the 0..240 scales.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "widgets/HSLUtils.h"

using namespace korv;

namespace {

void Scaled(COLORREF c, int& h, int& s, int& l) { ColorToHslScaled(c, h, s, l); }

}  // namespace

TEST(HSLUtils, GreysHaveNoHueOrSaturationAndComeBackAsGreys) {
  for (int v = 0; v < 256; ++v) {
    double h = -1, s = -1, l = -1;
    ColorToHsl(RGB(v, v, v), h, s, l);
    EXPECT_EQ(h, 0.0) << v;
    EXPECT_EQ(s, 0.0) << v;
    EXPECT_DOUBLE_EQ(l, v / 255.0) << v;
    // S = 0: every channel is the lightness times 255, rounded.
    COLORREF back = HslToColor(0.7, 0, l);
    EXPECT_EQ(back, RGB(v, v, v)) << v;
  }
  // 127.5 rounds to the even 128; 0.5 / 255 -> 0.5 rounds to 0.
  EXPECT_EQ(HslToColor(0, 0, 0.5), RGB(128, 128, 128));
  EXPECT_EQ(HslToColor(0, 0, 0.5 / 255), RGB(0, 0, 0));
}

TEST(HSLUtils, PrimariesOnTheIntegerScale) {
  int h, s, l;
  Scaled(0x0000FF, h, s, l);  // pure red
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 240);
  EXPECT_EQ(l, 120);
  EXPECT_EQ(HslScaledToColor(h, s, l), COLORREF(0x0000FF));

  Scaled(0xFF0000, h, s, l);  // pure blue: round(2/3 * 239) = 159
  EXPECT_EQ(h, 159);
  EXPECT_EQ(s, 240);
  EXPECT_EQ(l, 120);

  Scaled(0x00FF00, h, s, l);  // pure green: round(1/3 * 239) = 80
  EXPECT_EQ(h, 80);
}

TEST(HSLUtils, ScaledRoundingIsHalfToEven) {
  // Hue of (0, 5, 239) is (4 - 5/239) / 6 = 951 / 1434 of the circle: 158.5 on the 239 scale.
  int h, s, l;
  Scaled(RGB(0, 5, 239), h, s, l);
  EXPECT_EQ(h, 158);
  // (0, 17, 239): 156.5 -> 156; (0, 239, 29): 84.5 -> 84.
  Scaled(RGB(0, 17, 239), h, s, l);
  EXPECT_EQ(h, 156);
  Scaled(RGB(0, 239, 29), h, s, l);
  EXPECT_EQ(h, 84);
}

TEST(HSLUtils, HueTestsRedThenGreenThenBlue) {
  double h, s, l;
  // Red and green both at the maximum: red wins, H = (g - b) / d / 6 = 1/6.
  ColorToHsl(RGB(255, 255, 0), h, s, l);
  EXPECT_DOUBLE_EQ(h, 1.0 / 6);
  // Green and blue at the maximum: green wins, H = (2 + (b - r) / d) / 6 = 3/6.
  ColorToHsl(RGB(0, 255, 255), h, s, l);
  EXPECT_DOUBLE_EQ(h, 0.5);
  // Red maximum with blue above green gives a negative hue that wraps to the top of the circle.
  ColorToHsl(RGB(255, 0, 128), h, s, l);
  EXPECT_GT(h, 5.0 / 6);
  EXPECT_LT(h, 1.0);
  // Saturation uses d / (max + min) below half lightness and d / (2 - max - min) above.
  ColorToHsl(RGB(100, 50, 50), h, s, l);
  EXPECT_DOUBLE_EQ(s, (50 / 255.0) / (150 / 255.0));
  ColorToHsl(RGB(250, 200, 200), h, s, l);
  EXPECT_DOUBLE_EQ(s, (50 / 255.0) / (2 - 450 / 255.0));
}

TEST(HSLUtils, HueToChannelWrapsOnceAndStaysInAByte) {
  const double m1 = 0.2, m2 = 0.6;
  // One wrap only: -0.25 -> 0.75 (last segment: m1); 1.25 -> 0.25 (plateau: m2); 2.5 -> 1.5 (m1).
  EXPECT_EQ(HueToChannel(m1, m2, -0.25), HueToChannel(m1, m2, 0.75));
  EXPECT_EQ(HueToChannel(m1, m2, 0.75), static_cast<uint8_t>(std::nearbyint(255 * m1)));
  EXPECT_EQ(HueToChannel(m1, m2, 1.25), static_cast<uint8_t>(std::nearbyint(255 * m2)));
  EXPECT_EQ(HueToChannel(m1, m2, 2.5), static_cast<uint8_t>(std::nearbyint(255 * m1)));
  // Rising edge at h = 1/12: halfway between m1 and m2.
  EXPECT_EQ(HueToChannel(0, 1, 1.0 / 12), 128);  // 127.5 -> 128
  // Out-of-range levels are held within 0..255 rather than wrapping.
  EXPECT_EQ(HueToChannel(0, 1.5, 0.3), 255);
  EXPECT_EQ(HueToChannel(-0.5, -0.2, 0.3), 0);
}

TEST(HSLUtils, RoundTripStaysClose) {
  // Hue has 239 steps, so a colour comes back within a few units per channel.
  for (int r = 0; r < 256; r += 17)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 51) {
        int h, s, l;
        Scaled(RGB(r, g, b), h, s, l);
        ASSERT_GE(h, 0);
        ASSERT_LE(h, 239);
        ASSERT_LE(s, 240);
        ASSERT_LE(l, 240);
        COLORREF c = HslScaledToColor(h, s, l);
        EXPECT_LE(std::abs(GetRValue(c) - r), 4) << r << "," << g << "," << b;
        EXPECT_LE(std::abs(GetGValue(c) - g), 4) << r << "," << g << "," << b;
        EXPECT_LE(std::abs(GetBValue(c) - b), 4) << r << "," << g << "," << b;
      }
}
