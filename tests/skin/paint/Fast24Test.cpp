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

TColor Pattern(int x, int y) { return Bgr(x * 13 + y, y * 29 + 3, x * y * 7 + 1); }

TEST(TacFast24, ReadsPixelsThroughTheNegativeStrideOfBitmaps) {
  auto bmp = MakeBitmap(5, 3, Pattern);
  TacFast24 f;
  ASSERT_TRUE(f.Attach(bmp.get()));
  EXPECT_EQ(f.Stride, -16);  // five 3-byte pixels padded to 16, bottom-up
  EXPECT_EQ(f.Width, 5);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(f.Pixel(x, y), Pattern(x, y)) << x << "," << y;

  auto thin = Solid(1, 4, 0);
  EXPECT_FALSE(f.Attach(thin.get()));
  EXPECT_EQ(f.Width, 0);
  TBitmap empty;
  EXPECT_FALSE(f.Attach(&empty));
}

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
  EXPECT_EQ(Get(*dst, 0, 0), 0);
  EXPECT_EQ(Get(*dst, 1, 2), Bgr(Blend(0, 0, 0), Blend(0, 0, 0), Blend(200, 0, 0)));
  EXPECT_EQ(Get(*dst, 3, 2), Bgr(Blend(2, 0, 0), Blend(0, 0, 0), Blend(200, 0, 0)));
  EXPECT_EQ(Get(*dst, 4, 2), 0);  // the rectangle's right edge is exclusive

  // A bitmap under 2 by 2 makes the attach fail: nothing is blended.
  auto thin = Solid(1, 5, 0xFFFFFF);
  dst = Solid(6, 6, 0);
  BlendBmpRect(dst.get(), thin.get(), 0, Point(0, 0), Rect(0, 0, 1, 5));
  EXPECT_EQ(Get(*dst, 0, 0), 0);
}

TEST(BlendBmpRect, WithinOneBitmapTakesTheBytesFromTheBottomRightBackwards) {
  // Overlapping rectangles of one bitmap: the definition's order (rows from the bottom up, bytes
  // from right to left) decides what each byte reads.
  auto bmp = MakeBitmap(20, 3, Pattern);
  std::vector<int> want(20 * 3 * 3);
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 60; ++i) want[y * 60 + i] = bmp->ScanLine(y)[i];
  for (int y = 2; y >= 0; --y)
    for (int i = 59; i >= 3; --i) want[y * 60 + i] = Blend(want[y * 60 + i - 3], want[y * 60 + i], 60);
  BlendBmpRect(bmp.get(), bmp.get(), 60, Point(1, 0), Rect(0, 0, 19, 3));
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 60; ++i) ASSERT_EQ(bmp->ScanLine(y)[i], want[y * 60 + i]) << y << " " << i;
}

TEST(CreateBmp24, MakesA24BitBitmapOfTheSizeAsked) {
  auto icon = Solid(7, 9, 0);
  auto like = CreateBmpLike(icon.get());
  EXPECT_EQ(like->Width(), 7);
  EXPECT_EQ(like->Height(), 9);
  EXPECT_EQ(like->PixelFormat(), pf24bit);
  EXPECT_TRUE(CreateBmpLike(nullptr)->Empty());
}

}  // namespace
}  // namespace korv
