// The flat drawing helpers on real bitmaps: frame rings, shaded system colours, the engraved
// glyph and the measured layout of a caption.
#include <gtest/gtest.h>

#include "classlib/Graphics.h"
#include "widgets/FlatUtilitys.h"
#include "widgets/HSLUtils.h"

using namespace korv;

namespace {

COLORREF Px(TBitmap& b, int x, int y) {
  const uint8_t* p = b.ScanLine(y) + x * 3;
  return RGB(p[2], p[1], p[0]);
}

void SetPx(TBitmap& b, int x, int y, COLORREF c) {
  uint8_t* p = b.ScanLine(y) + x * 3;
  p[0] = GetBValue(c);
  p[1] = GetGValue(c);
  p[2] = GetRValue(c);
}

void Fill(TBitmap& b, COLORREF c) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) SetPx(b, x, y, c);
}

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kTL = RGB(200, 10, 10), kBR = RGB(10, 10, 200);

}  // namespace

TEST(DrawFrameRings, TwoRingsOnTenByTen) {
  TBitmap b(12, 12);
  Fill(b, kWhite);
  const TRect r{0, 0, 10, 10};
  DrawFrameRings(*b.Canvas(), r, kTL, kBR, 2);
  GdiFlush();
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      COLORREF want = kWhite;
      for (int ring = 0; ring < 2; ++ring) {
        const int lo = ring, hi = 9 - ring;
        if (x < lo || x > hi || y < lo || y > hi) continue;
        // The bottom row and the right column (bottom-right colour) win over the top-left sides
        // only where they are drawn: right column from the top row down, bottom row to the left.
        if (x == hi || y == hi)
          want = kBR;
        else if (x == lo || y == lo)
          want = kTL;
      }
      EXPECT_EQ(Px(b, x, y), want) << x << "," << y;
    }
  // The caller's rectangle is unchanged.
  EXPECT_EQ(r.right, 10);
  EXPECT_EQ(r.bottom, 10);
}

TEST(DrawFrameRings, NoRingsForZeroOrNegativeCount) {
  TBitmap b(10, 10);
  Fill(b, kWhite);
  DrawFrameRings(*b.Canvas(), {0, 0, 10, 10}, kTL, kBR, 0);
  DrawFrameRings(*b.Canvas(), {0, 0, 10, 10}, kTL, kBR, -3);
  GdiFlush();
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(Px(b, x, y), kWhite) << x << "," << y;
}

TEST(ShadeColor, PercentZeroGivesTheFallback) {
  EXPECT_EQ(ShadeColor(clRed, clLime, 0, true), clLime);
  EXPECT_EQ(ShadeColor(clBtnFace, clBtnShadow, 0, false), clBtnShadow);  // returned unresolved
}

TEST(ShadeColor, SystemColoursAreResolvedFirst) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(static_cast<COLORREF>(ShadeColor(clBtnFace, clNone, 20, true)), ShadeRgb(face, 20, true));
  int h, s, l;
  ColorToHslScaled(face, h, s, l);
  int h2, s2, l2;
  ColorToHslScaled(static_cast<COLORREF>(ShadeColor(clBtnFace, clNone, 40, true)), h2, s2, l2);
  // One step of the integer scale may be lost on the way back to RGB.
  EXPECT_NEAR(l2, std::max(0, std::min(240, l + 10) - 40), 1);
}

TEST(MakeDisabledGlyph, EngravesTheBlackPixels) {
  TBitmap src(6, 4);
  Fill(src, RGB(255, 0, 255));
  SetPx(src, 1, 1, RGB(0, 0, 0));
  SetPx(src, 2, 1, RGB(0, 0, 0));
  SetPx(src, 4, 2, RGB(0, 0, 128));  // not black: background
  auto out = MakeDisabledGlyph(&src, clBlack, clBtnFace, clBtnHighlight, clBtnShadow, true);
  ASSERT_EQ(out->Width(), 6);
  ASSERT_EQ(out->Height(), 4);
  const COLORREF face = GetSysColor(COLOR_BTNFACE), hi = GetSysColor(COLOR_BTNHIGHLIGHT),
                 sh = GetSysColor(COLOR_BTNSHADOW);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool shape = Px(src, x, y) == RGB(0, 0, 0);
      const bool lit = x > 0 && y > 0 && Px(src, x - 1, y - 1) == RGB(0, 0, 0);
      EXPECT_EQ(Px(*out, x, y), shape ? sh : lit ? hi : face) << x << "," << y;
    }
  // The source is left as it was.
  EXPECT_EQ(Px(src, 1, 1), RGB(0, 0, 0));
  EXPECT_EQ(Px(src, 0, 0), RGB(255, 0, 255));
}

TEST(MakeDisabledGlyph, EmptySourceGivesAnEmptyBitmap) {
  TBitmap empty;
  auto out = MakeDisabledGlyph(&empty, clBlack, clBtnFace, clBtnHighlight, clBtnShadow, true);
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->Empty());
  EXPECT_TRUE(MakeDisabledGlyph(nullptr, clBlack, clBtnFace, clBtnHighlight, clBtnShadow, true)->Empty());
}

TEST(LayoutGlyphAndCaption, MeasuresTheCaptionInTheCanvasFont) {
  TBitmap b(10, 10);
  TCanvas& c = *b.Canvas();
  c.Font()->SetName("Arial");
  c.Font()->SetHeight(-13);
  const std::string caption = "Search files";
  SIZE ext{};
  {
    HDC dc = c.Handle();
    (void)c.TextExtent("x");  // selects the font
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &ext);
  }
  TBitmap glyph(32, 16);  // two 16x16 frames
  TPoint gp{};
  TRect tb{};
  const TRect client{0, 0, 120, 60};
  LayoutGlyphAndCaption(c, client, {1, 1}, blGlyphTop, 4, -1, &glyph, 2, caption, gp, tb);
  EXPECT_EQ(RectWidth(tb), ext.cx);
  EXPECT_EQ(RectHeight(tb), ext.cy);
  const int margin = (60 - (16 + 4 + ext.cy) + 1) / 2;
  EXPECT_EQ(gp.y, margin + 1);
  EXPECT_EQ(gp.x, (120 - 16 + 1) / 2 + 1);
  EXPECT_EQ(tb.top, margin + 16 + 4 + 1);
  EXPECT_EQ(tb.left, (120 - ext.cx + 1) / 2 + 1);

  // Without a caption the text bounds are empty and the glyph alone is centred.
  LayoutGlyphAndCaption(c, client, {0, 0}, blGlyphLeft, 4, -1, &glyph, 2, "", gp, tb);
  EXPECT_EQ(RectWidth(tb), 0);
  EXPECT_EQ(RectHeight(tb), 0);
  EXPECT_EQ(gp.x, (120 - 16 + 1) / 2);
  // Without a glyph (nullptr) the caption alone is centred.
  LayoutGlyphAndCaption(c, client, {0, 0}, blGlyphLeft, 4, -1, nullptr, 1, caption, gp, tb);
  EXPECT_EQ(tb.left, (120 - ext.cx + 1) / 2);
}
