// The pure rules of the flat drawing helpers: shading, glyph and caption layout, engraving.
#include <gtest/gtest.h>

#include <vector>

#include "widgets/FlatUtilitys.h"
#include "widgets/HSLUtils.h"

using namespace korv;

namespace {

int Lightness(COLORREF c) {
  int h, s, l;
  ColorToHslScaled(c, h, s, l);
  return l;
}

}  // namespace

TEST(ShadeRgb, DarkeningStopsAtBlack) {
  // Lightness 50 (grey 53): 50 + 10 - 100 < 0 -> black.
  ASSERT_EQ(Lightness(RGB(53, 53, 53)), 50);
  EXPECT_EQ(ShadeRgb(RGB(53, 53, 53), 100, true), RGB(0, 0, 0));
  ASSERT_EQ(Lightness(RGB(106, 0, 0)), 50);
  EXPECT_EQ(ShadeRgb(RGB(106, 0, 0), 100, true), RGB(0, 0, 0));
}

TEST(ShadeRgb, LiftThenShadeKeepsHueAndSaturation) {
  // Red, lightness 120: darker by 30 -> 100; lighter by 30 -> 160.
  int h, s, l;
  ColorToHslScaled(ShadeRgb(0x0000FF, 30, true), h, s, l);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 240);
  EXPECT_EQ(l, 100);
  ColorToHslScaled(ShadeRgb(0x0000FF, 30, false), h, s, l);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 240);
  EXPECT_EQ(l, 160);
}

TEST(ShadeRgb, VeryLightColoursDoNotWrapToDark) {
  // White darkened by 5: 240 + 10 - 5 = 245 is held at the top of the scale: still white,
  // not a wrapped channel near black.
  EXPECT_EQ(ShadeRgb(RGB(255, 255, 255), 5, true), RGB(255, 255, 255));
  EXPECT_EQ(ShadeRgb(RGB(250, 250, 250), 1, true), RGB(255, 255, 255));
  // A light pink darkened by 5 keeps its hue and ends at the top lightness (white).
  COLORREF c = ShadeRgb(RGB(255, 240, 240), 5, true);
  EXPECT_GE(GetRValue(c), 240);
  EXPECT_GE(GetGValue(c), 240);
  // Lightening caps at the top of the scale (240), giving white.
  EXPECT_EQ(ShadeRgb(RGB(200, 200, 200), 100, false), RGB(255, 255, 255));
}

TEST(PlaceGlyphAndCaption, GlyphTopWithNegativeAutomaticMargin) {
  // 16x16 glyph, 13-px caption, 25-px client, spacing 4: total 33, margin (25-33+1) div 2 = -3.
  RECT client{0, 0, 60, 25};
  auto p = PlaceGlyphAndCaption(client, {0, 0}, blGlyphTop, 4, -1, {16, 16}, {30, 13});
  EXPECT_EQ(p.GlyphPos.y, -3);
  EXPECT_EQ(p.TextBounds.top, 17);
  EXPECT_EQ(p.TextBounds.bottom, 30);
  EXPECT_EQ(p.GlyphPos.x, (60 - 16 + 1) / 2);
  EXPECT_EQ(p.TextBounds.left, (60 - 30 + 1) / 2);
  EXPECT_EQ(p.TextBounds.right, p.TextBounds.left + 30);
}

TEST(PlaceGlyphAndCaption, OffsetAndClientOriginMoveEverything) {
  RECT client{10, 20, 70, 45};
  auto a = PlaceGlyphAndCaption({0, 0, 60, 25}, {0, 0}, blGlyphTop, 4, -1, {16, 16}, {30, 13});
  auto b = PlaceGlyphAndCaption(client, {1, 1}, blGlyphTop, 4, -1, {16, 16}, {30, 13});
  EXPECT_EQ(b.GlyphPos.x, a.GlyphPos.x + 11);
  EXPECT_EQ(b.GlyphPos.y, a.GlyphPos.y + 21);
  EXPECT_EQ(b.TextBounds.left, a.TextBounds.left + 11);
  EXPECT_EQ(b.TextBounds.top, a.TextBounds.top + 21);
}

TEST(PlaceGlyphAndCaption, CaptionWithoutGlyphIsCentred) {
  // No glyph: spacing becomes 0, margin (75 - 30 + 1) div 2 = 23 along X; Y centred.
  auto p = PlaceGlyphAndCaption({0, 0, 75, 25}, {0, 0}, blGlyphLeft, 4, -1, {0, 0}, {30, 13});
  EXPECT_EQ(p.TextBounds.left, 23);
  EXPECT_EQ(p.TextBounds.top, (25 - 13 + 1) / 2);
  // Same along Y for a top layout.
  auto q = PlaceGlyphAndCaption({0, 0, 75, 40}, {0, 0}, blGlyphTop, 4, -1, {0, 0}, {30, 13});
  EXPECT_EQ(q.TextBounds.top, (40 - 13 + 1) / 2);
  EXPECT_EQ(q.TextBounds.left, (75 - 30 + 1) / 2);
}

TEST(PlaceGlyphAndCaption, GlyphWithoutCaptionDropsSpacing) {
  auto p = PlaceGlyphAndCaption({0, 0, 40, 40}, {0, 0}, blGlyphBottom, 10, -1, {16, 16}, {0, 0});
  // margin (40 - 16 + 1) div 2 = 12; glyph Y = 40 - 12 - 16.
  EXPECT_EQ(p.GlyphPos.y, 12);
  EXPECT_EQ(p.GlyphPos.x, (40 - 16 + 1) / 2);
}

TEST(PlaceGlyphAndCaption, BothAutomaticSplitsTheRestInThree) {
  // 100 wide, glyph 16, text 38: margin = spacing = (100 - 54) div 3 = 15.
  auto p = PlaceGlyphAndCaption({0, 0, 100, 30}, {0, 0}, blGlyphLeft, -1, -1, {16, 16}, {38, 13});
  EXPECT_EQ(p.GlyphPos.x, 15);
  EXPECT_EQ(p.TextBounds.left, 15 + 16 + 15);
  auto r = PlaceGlyphAndCaption({0, 0, 100, 30}, {0, 0}, blGlyphRight, -1, -1, {16, 16}, {38, 13});
  EXPECT_EQ(r.GlyphPos.x, 100 - 15 - 16);
  EXPECT_EQ(r.TextBounds.left, 100 - 15 - 16 - 15 - 38);
}

TEST(PlaceGlyphAndCaption, GivenMarginAutomaticSpacing) {
  // Right layout, margin 5: rest = 100 - 21 = 79, spacing (79 - 38) div 2 = 20.
  auto p = PlaceGlyphAndCaption({0, 0, 100, 30}, {0, 0}, blGlyphRight, -1, 5, {16, 16}, {38, 13});
  EXPECT_EQ(p.GlyphPos.x, 79);
  EXPECT_EQ(p.TextBounds.left, 79 - 20 - 38);
  // Both given: used as they are.
  auto q = PlaceGlyphAndCaption({0, 0, 50, 60}, {0, 0}, blGlyphBottom, 3, 2, {16, 16}, {20, 13});
  EXPECT_EQ(q.GlyphPos.y, 60 - 2 - 16);
  EXPECT_EQ(q.TextBounds.top, 60 - 2 - 16 - 3 - 13);
}

namespace {

struct Pixels {
  int W, H;
  std::vector<uint8_t> Bytes;
  Pixels(int w, int h, COLORREF fill) : W(w), H(h), Bytes(static_cast<size_t>(w) * h * 3) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) Set(x, y, fill);
  }
  uint8_t* Row(int y) { return Bytes.data() + static_cast<size_t>(y) * W * 3; }
  void Set(int x, int y, COLORREF c) {
    uint8_t* p = Row(y) + x * 3;
    p[0] = GetBValue(c);
    p[1] = GetGValue(c);
    p[2] = GetRValue(c);
  }
  COLORREF At(int x, int y) {
    uint8_t* p = Row(y) + x * 3;
    return RGB(p[2], p[1], p[0]);
  }
};

constexpr COLORREF kBack = RGB(10, 20, 30), kHigh = RGB(250, 251, 252), kShadow = RGB(100, 101, 102);

}  // namespace

TEST(EngraveGlyphPixels, ShapeIsTheOutlineColouredPixels) {
  Pixels src(6, 5, RGB(255, 0, 255));
  src.Set(1, 1, RGB(0, 0, 0));
  src.Set(2, 1, RGB(0, 0, 0));
  src.Set(3, 3, RGB(0, 0, 0));
  src.Set(4, 2, RGB(255, 255, 255));  // not the outline colour: background
  src.Set(5, 4, RGB(0, 0, 0));        // its highlight would fall outside: dropped
  src.Set(0, 3, RGB(1, 0, 0));        // near-black is not black
  Pixels dst(6, 5, RGB(7, 7, 7));
  EngraveGlyphPixels(src.Bytes.data(), 18, dst.Bytes.data(), 18, 6, 5, RGB(0, 0, 0), kBack, kHigh, kShadow, true);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      bool shape = src.At(x, y) == RGB(0, 0, 0);
      bool lit = x > 0 && y > 0 && src.At(x - 1, y - 1) == RGB(0, 0, 0);
      COLORREF want = shape ? kShadow : lit ? kHigh : kBack;
      EXPECT_EQ(dst.At(x, y), want) << x << "," << y;
    }
  // Spot checks: shadow on top of the highlight where both fall.
  EXPECT_EQ(dst.At(2, 1), kShadow);
  EXPECT_EQ(dst.At(3, 2), kHigh);
  EXPECT_EQ(dst.At(4, 4), kHigh);
}

TEST(EngraveGlyphPixels, WithoutHighlightAndBottomUpRows) {
  Pixels src(4, 3, RGB(255, 255, 255));
  src.Set(1, 0, RGB(0, 0, 0));
  Pixels dst(4, 3, RGB(7, 7, 7));
  // Bottom-up addressing: pass the last stored row as the top row and a negative stride.
  EngraveGlyphPixels(src.Row(2), -12, dst.Row(2), -12, 4, 3, RGB(0, 0, 0), kBack, kHigh, kShadow, false);
  // Stored row 0 is the image's bottom row (y = 2).
  EXPECT_EQ(dst.At(1, 0), kShadow);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      if (!(x == 1 && y == 0)) {
        EXPECT_EQ(dst.At(x, y), kBack) << x << "," << y;
      }
}

TEST(EngraveGlyphPixels, OtherOutlineColour) {
  Pixels src(3, 3, RGB(0, 0, 0));
  src.Set(0, 0, RGB(0, 128, 0));
  Pixels dst(3, 3, RGB(7, 7, 7));
  EngraveGlyphPixels(src.Bytes.data(), 9, dst.Bytes.data(), 9, 3, 3, RGB(0, 128, 0), kBack, kHigh, kShadow, true);
  EXPECT_EQ(dst.At(0, 0), kShadow);
  EXPECT_EQ(dst.At(1, 1), kHigh);
  EXPECT_EQ(dst.At(2, 2), kBack);
}
