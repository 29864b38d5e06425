#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "PaintPixels.h"
#include "classlib/ExtCtrls.h"
#include "skin/core/sMessages.h"
#include "skin/data/sUtils.h"
#include "skin/paint/sBlend.h"

namespace korv {
namespace {

using test::Bgr;
using test::Ch;
using test::Get;
using test::MakeBitmap;
using test::Put;
using test::Solid;

// The formulas as the definitions give them, in doubles.
int ColorFormula(int v, int percent, int c) {
  const double k = percent / 100.0;
  return static_cast<int>(std::lrint(v * k + c * (1 - k)));
}
int KeyFormula(int s, int d, double k) { return static_cast<int>(std::lrint(s - (s - d) * k)); }

TEST(BlendColorRect, EqualsTheDoubleFormulaForEveryPercentByteAndColour) {
  // 259 pixels: every byte value in each channel, 16-pixel blocks and a tail.
  auto ramp = [](int x, int) { return Bgr(x % 256, 255 - x % 256, x * 7 % 256); };
  auto bmp = MakeBitmap(259, 1, ramp);
  const std::vector<uint8_t> start(bmp->ScanLine(0), bmp->ScanLine(0) + 259 * 3);
  for (int percent = 0; percent <= 100; ++percent)
    for (int c = 0; c < 256; ++c) {
      const int color[3] = {c, 255 - c, c * 3 % 256};
      std::memcpy(bmp->ScanLine(0), start.data(), start.size());
      BlendColorRect(bmp.get(), Rect(0, 0, 258, 0), percent, Bgr(color[0], color[1], color[2]));
      const uint8_t* got = bmp->ScanLine(0);
      for (int x = 0; x < 259; ++x)
        for (int i = 0; i < 3; ++i)  // bytes are blue, green, red
          ASSERT_EQ(got[x * 3 + i], ColorFormula(start[x * 3 + i], percent, color[i]))
              << "percent " << percent << " colour " << c << " x " << x << " channel " << i;
    }
}

TEST(BlendColorRect, CornersAreInclusiveAndHalvesRoundToEven) {
  auto bmp = Solid(5, 4, Bgr(1, 3, 5));
  BlendColorRect(bmp.get(), Rect(1, 1, 3, 2), 50, 0);
  // 0.5, 1.5 and 2.5 round to 0, 2 and 2.
  EXPECT_EQ(Get(*bmp, 1, 1), Bgr(0, 2, 2));
  EXPECT_EQ(Get(*bmp, 3, 2), Bgr(0, 2, 2));
  EXPECT_EQ(Get(*bmp, 0, 1), Bgr(1, 3, 5));
  EXPECT_EQ(Get(*bmp, 4, 2), Bgr(1, 3, 5));
  EXPECT_EQ(Get(*bmp, 2, 3), Bgr(1, 3, 5));

  BlendColorRect(bmp.get(), Rect(-5, -5, 99, 99), 0, Bgr(9, 8, 7));  // cut to the pixels
  EXPECT_EQ(Get(*bmp, 4, 3), Bgr(9, 8, 7));
}

TEST(BlendByKeyColor, EqualsTheDoubleFormulaForEverySourceAndDestinationByte) {
  // Source row y holds y (and 255 - y in green), destination column x holds x: all pairs. The
  // source row 255 is the key colour 0xFF00FF.
  auto srcAt = [](int, int y) { return Bgr(y, 255 - y, y); };
  auto dstAt = [](int x, int) { return Bgr(x, x, 255 - x); };
  auto src = MakeBitmap(256, 256, srcAt);
  for (double k : {0.4, 0.5, 0.3}) {
    for (TColor key : {static_cast<TColor>(0xFF00FF), static_cast<TColor>(0xFFFF00FF)}) {
      auto dst = MakeBitmap(256, 256, dstAt);
      BlendByKeyColor(dst.get(), 0, 0, key, k, Rect(0, 0, 256, 256), src.get());
      for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
          const TColor s = srcAt(x, y), d = dstAt(x, y), got = Get(*dst, x, y);
          if (s == key) {
            ASSERT_EQ(got, d) << "k " << k << " " << x << "," << y;
            continue;
          }
          for (int i = 0; i < 3; ++i)
            ASSERT_EQ(Ch(got, i), KeyFormula(Ch(s, i), Ch(d, i), k))
                << "k " << k << " key " << std::hex << key << std::dec << " " << x << "," << y << " channel " << i;
        }
    }
  }
}

TEST(MultiplyByMask, ShowsTheColourWhereTheMaskIsDark) {
  // Every destination byte against every mask byte, for three colour channels.
  const int color[3] = {0, 128, 255};
  auto dst = MakeBitmap(256, 256, [](int x, int) { return Bgr(x, x, x); });
  auto mask = MakeBitmap(256, 256, [](int, int y) { return Bgr(y, y, y); });
  MultiplyByMask(dst.get(), mask.get(), Bgr(color[0], color[1], color[2]));
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      for (int i = 0; i < 3; ++i)
        ASSERT_EQ(Ch(Get(*dst, x, y), i), LimitByte(((x - color[i]) * y + color[i] * 256) >> 8)) << x << "," << y;
}

TEST(BlendRectWithBmp, ShadesTheInsideThroughRoundedSteps) {
  auto bmp = Solid(30, 20, Bgr(200, 100, 50));
  // One step: grey (255 - 0) div 2 down from white, i.e. 128, inside the rounded rectangle;
  // white in the cut corner.
  BlendRectWithBmp(bmp.get(), Rect(5, 5, 25, 15), 0, 4, 1, 0);
  auto through = [](int d, int m) { return (d * m) >> 8; };
  EXPECT_EQ(Get(*bmp, 15, 10), Bgr(through(200, 128), through(100, 128), through(50, 128)));
  EXPECT_EQ(Get(*bmp, 5, 5), Bgr(through(200, 255), through(100, 255), through(50, 255)));
  EXPECT_EQ(Get(*bmp, 4, 10), Bgr(200, 100, 50));  // outside the rectangle
  EXPECT_EQ(Get(*bmp, 25, 10), Bgr(200, 100, 50));

  // No steps: the mask is white all over (nothing of the last mask is left).
  bmp = Solid(30, 20, Bgr(200, 100, 50));
  BlendRectWithBmp(bmp.get(), Rect(0, 0, 12, 8), 0, 4, 0, 0);
  EXPECT_EQ(Get(*bmp, 6, 4), Bgr(through(200, 255), through(100, 255), through(50, 255)));
}

TEST(PaintControlImage, GreysThenLaysTheImageUnderTheControlOverIt) {
  auto bmp = MakeBitmap(19, 2, [](int x, int y) { return Bgr(x * 10, 3 * y, 100); });
  PaintControlImage(bmp.get(), dkGrayed, 0, Point(0, 0), EmptyCacheInfo);
  for (int x = 0; x < 19; ++x) {
    const int g = (x * 10 + 3 + 100) / 3;
    EXPECT_EQ(Get(*bmp, x, 1), Bgr(g, g, g)) << x;
  }

  // Blended over a ready cache, from the cache's offset plus the control's: k = 0.4.
  auto cache = MakeBitmap(30, 10, [](int x, int y) { return Bgr(x, y, 250); });
  Put(*cache, 5, 4, 0xFF00FF);  // the key colour leaves the control's pixel
  TCacheInfo ci;
  InitCacheInfo(ci, cache.get(), 3, 1);
  auto ctl = Solid(4, 4, Bgr(0, 100, 200));
  PaintControlImage(ctl.get(), dkBlended, 0, Point(2, 2), ci);
  EXPECT_EQ(Get(*ctl, 1, 0), Bgr(KeyFormula(6, 0, 0.4), KeyFormula(3, 100, 0.4), KeyFormula(250, 200, 0.4)));
  EXPECT_EQ(Get(*ctl, 0, 1), Bgr(0, 100, 200));

  // Without a cache: half the parent's colour, which is the colour the parent answered, else the
  // control's own.
  PaintControlImage(ctl.get(), dkBlended, Bgr(100, 0, 201), Point(0, 0), EmptyCacheInfo);
  EXPECT_EQ(Get(*ctl, 0, 1), Bgr(50, 50, 200));
  const std::unique_ptr<TPanel> panelPtr(NewComponent<TPanel>(nullptr));
  TPanel& panel = *panelPtr;
  panel.SetColor(Bgr(0, 0, 100));
  SkinColorReply = Bgr(100, 100, 0);
  PaintControlImage(ctl.get(), dkBlended, &panel, Point(0, 0), EmptyCacheInfo);
  EXPECT_EQ(Get(*ctl, 0, 1), Bgr(75, 75, 100));
  SkinColorReply = sNoColorReply;
  PaintControlImage(ctl.get(), dkBlended, &panel, Point(0, 0), EmptyCacheInfo);
  EXPECT_EQ(Get(*ctl, 0, 1), Bgr(38, 38, 100));
}

}  // namespace
}  // namespace korv
