#include <gtest/gtest.h>

#include "PaintPixels.h"
#include "skin/paint/sBlend.h"
#include "skin/paint/sFast24.h"

namespace korv {
namespace {

using test::Bgr;
using test::Ch;
using test::Get;
using test::MakeBitmap;
using test::Solid;

// dst := (src * (255 - a) + dst * a + 127) >> 8
int Blend(int s, int d, int a) { return (s * (255 - a) + d * a + 127) >> 8; }

TEST(BlendBmpRect, MixesEveryByteByTheFormulaAnd255Over255Gives254) {
  for (int a : {0, 1, 127, 128, 255}) {
    auto src = MakeBitmap(21, 2, [](int x, int y) { return Bgr(x * 12, 255 - y * 40, 255); });
    auto dst = MakeBitmap(21, 2, [](int x, int) { return Bgr(255 - x * 12, x, 255); });
    BlendBmpRect(dst.get(), src.get(), static_cast<uint8_t>(a), Point(0, 0), Rect(0, 0, 21, 2));
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 21; ++x) {  // 16 pixels in vectors, the rest one by one
        const TColor got = Get(*dst, x, y);
        EXPECT_EQ(Ch(got, 0), Blend(x * 12, 255 - x * 12, a)) << a << " " << x;
        EXPECT_EQ(Ch(got, 1), Blend(255 - y * 40, x, a)) << a << " " << x;
        EXPECT_EQ(Ch(got, 2), 254) << a << " " << x;
      }
  }
}

TEST(BlendBmpRect, CutsNegativeAndOverhangingPartsOnBothSides) {
  auto src = MakeBitmap(8, 20, [](int x, int y) { return Bgr(x, y, 200); });
  // The source rectangle starts at row 10: destination row 0 gets source row 10.
  auto dst = Solid(6, 6, 0);
  BlendBmpRect(dst.get(), src.get(), 0, Point(1, 1), Rect(2, 10, 8, 20));
  EXPECT_EQ(Get(*dst, 0, 0), 0);
  EXPECT_EQ(Get(*dst, 1, 1), Bgr(Blend(2, 0, 0), Blend(10, 0, 0), Blend(200, 0, 0)));
  EXPECT_EQ(Get(*dst, 5, 5), Bgr(Blend(6, 0, 0), Blend(14, 0, 0), Blend(200, 0, 0)));

  // A negative point cuts the same amount off the source; a negative source side shifts the point.
  dst = Solid(6, 6, 0);
  BlendBmpRect(dst.get(), src.get(), 0, Point(-2, -3), Rect(0, 0, 8, 20));
  EXPECT_EQ(Get(*dst, 0, 0), Bgr(Blend(2, 0, 0), Blend(3, 0, 0), Blend(200, 0, 0)));
  dst = Solid(6, 6, 0);
  BlendBmpRect(dst.get(), src.get(), 0, Point(0, 0), Rect(-1, -2, 3, 3));
  EXPECT_EQ(Get(*dst, 0, 1), 0);
  EXPECT_EQ(Get(*dst, 1, 2), Bgr(Blend(0, 0, 0), Blend(0, 0, 0), Blend(200, 0, 0)));
  EXPECT_EQ(Get(*dst, 4, 2), 0);  // the rectangle's right edge is exclusive

  // A bitmap under 2 by 2 makes the attach fail: nothing is blended.
  auto thin = Solid(1, 5, 0xFFFFFF);
  dst = Solid(6, 6, 0);
  BlendBmpRect(dst.get(), thin.get(), 0, Point(0, 0), Rect(0, 0, 1, 5));
  EXPECT_EQ(Get(*dst, 0, 0), 0);
}

}  // namespace
}  // namespace korv
