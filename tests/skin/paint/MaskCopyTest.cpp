#include <gtest/gtest.h>

#include "PaintPixels.h"
#include "skin/data/sUtils.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopy.h"

namespace korv {
namespace {

using test::Bgr;
using test::Ch;
using test::Get;
using test::MakeBitmap;
using test::Put;
using test::Solid;

constexpr TColor kKey = 0xFF00FF;

// The masked mix as defined: LimitByte(((d - s) * m + (s shl 8)) shr 8).
int Mix(int d, int s, int m) { return LimitByte(((d - s) * m + (s << 8)) >> 8); }

// Puts MaskFillColor back after each test.
class MaskedCopy : public ::testing::Test {
 protected:
  void TearDown() override { MaskFillColor = sKeyColor; }
};

TEST_F(MaskedCopy, MixesEveryPictureAndDestinationByteThroughTheMask) {
  // Picture column x holds x, destination row y holds y; the mask (256 rows below) is one value.
  for (int m : {0, 1, 100, 254, 255}) {
    auto img = MakeBitmap(256, 512, [m](int x, int y) { return y < 256 ? Bgr(x, x, x) : Bgr(m, m, m); });
    auto dst = MakeBitmap(256, 256, [](int, int y) { return Bgr(y, y, y); });
    CopyMasked(BitmapPixels(dst.get()), 0, 0, BitmapPixels(img.get()), Rect(0, 0, 256, 256), 256, nullptr);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) ASSERT_EQ(Ch(Get(*dst, x, y), 0), Mix(y, x, m)) << m << " " << x << "," << y;
  }
}

// A 19 x 1 picture (a vector block and a tail) with the key colour at 2 and 17 over a mask of
// 128, copied to a top-down picture (positive stride) filled with 0x101010.
class KeyPixels : public MaskedCopy {
 protected:
  void Copy(const TCacheInfo* cache) {
    img_ = MakeBitmap(19, 2, [](int x, int y) {
      if (y == 1) return Bgr(128, 128, 128);
      return x == 2 || x == 17 ? kKey : Bgr(200, 200, 200);
    });
    dst_ = test::TPixelImage(19, 1);
    for (int x = 0; x < 19; ++x) dst_.Set(x, 0, 0x101010);
    CopyMasked(test::View(dst_), 0, 0, BitmapPixels(img_.get()), Rect(0, 0, 19, 1), 1, cache);
  }
  std::unique_ptr<TBitmap> img_;
  test::TPixelImage dst_;
};

TEST_F(KeyPixels, TakeTheCachePixelOrTheFillColourOrStay) {
  auto cache = MakeBitmap(19, 5, [](int x, int y) { return Bgr(x, y, 77); });
  TCacheInfo ci;
  InitCacheInfo(ci, cache.get(), 1, 3);
  Copy(&ci);
  EXPECT_EQ(dst_.At(2, 0), Bgr(3, 3, 77));
  EXPECT_EQ(dst_.At(17, 0), Bgr(18, 3, 77));
  const int mixed = Mix(0x10, 200, 128);
  EXPECT_EQ(dst_.At(3, 0), Bgr(mixed, mixed, mixed));

  InitCacheInfo(ci, cache.get(), 2, 3);  // outside the cache bitmap the pixel stays
  Copy(&ci);
  EXPECT_EQ(dst_.At(17, 0), 0x101010);
  Copy(nullptr);
  EXPECT_EQ(dst_.At(2, 0), 0x101010);

  MaskFillColor = Bgr(9, 8, 7);  // a fill colour goes before the cache
  InitCacheInfo(ci, cache.get(), 0, 0);
  Copy(&ci);
  EXPECT_EQ(dst_.At(2, 0), Bgr(9, 8, 7));
  EXPECT_EQ(dst_.At(17, 0), Bgr(9, 8, 7));
}

// A glyph of three 4 x 3 frames (frame f is blue 60 * (f + 1)) with the key colour at each
// frame's top-left pixel, over a mask of 40.
TsMaskData GlyphImage(int maskType) {
  TsMaskData g;
  g.R = Rect(2, 1, 14, maskType ? 7 : 4);
  g.ImageCount = 3;
  g.MaskType = static_cast<int16_t>(maskType);
  return g;
}
std::unique_ptr<TBitmap> GlyphMaster() {
  return MakeBitmap(16, 8, [](int x, int y) {
    if (y >= 4) return Bgr(40, 40, 40);
    const int f = (x - 2) / 4;
    return (x - 2) % 4 == 0 && y == 1 ? kKey : Bgr(60 * (f + 1), 7, 9);
  });
}

TEST(DrawSkinGlyph, DrawsTheStatesFrameAndTheLastBeyondIt) {
  auto master = GlyphMaster();
  const TsMaskData g = GlyphImage(1);
  for (int state : {1, 2, 7}) {
    auto dst = Solid(6, 5, 0);
    DrawSkinGlyph(dst.get(), Point(1, 1), state, g, master.get(), 1);
    const int f = std::min(state, 2);
    EXPECT_EQ(Get(*dst, 2, 1), Bgr(Mix(0, 60 * (f + 1), 40), Mix(0, 7, 40), Mix(0, 9, 40))) << state;
    EXPECT_EQ(Get(*dst, 1, 1), 0) << state;  // the key colour is skipped
    EXPECT_EQ(Get(*dst, 5, 3), 0) << state;  // beyond the 4 x 3 frame
  }
}

TEST(DrawSkinGlyph, OtherModesShowTheGlyphLighter) {
  auto master = GlyphMaster();
  auto dst = Solid(6, 5, 0);
  DrawSkinGlyph(dst.get(), Point(-1, 0), 0, GlyphImage(1), master.get(), 0);
  // The mask byte 40 is raised by 100; the point's negative x cuts the frame's first column.
  EXPECT_EQ(Get(*dst, 0, 0), Bgr(Mix(0, 60, 140), Mix(0, 7, 140), Mix(0, 9, 140)));
  EXPECT_EQ(Get(*dst, 3, 0), 0);

  // Unmasked: mode 1 copies, other modes mix half and half (ties to even), both skip the key.
  dst = Solid(6, 5, Bgr(1, 1, 1));
  DrawSkinGlyph(dst.get(), Point(0, 0), 1, GlyphImage(0), master.get(), 1);
  EXPECT_EQ(Get(*dst, 1, 0), Bgr(120, 7, 9));
  EXPECT_EQ(Get(*dst, 0, 0), Bgr(1, 1, 1));
  dst = Solid(6, 5, Bgr(1, 1, 1));
  DrawSkinGlyph(dst.get(), Point(0, 0), 1, GlyphImage(0), master.get(), 0);
  EXPECT_EQ(Get(*dst, 1, 0), Bgr(60, 4, 5));  // 60.5 -> 60, 4 -> 4, 5 -> 5
  EXPECT_EQ(Get(*dst, 0, 0), Bgr(1, 1, 1));
}

TEST(DrawSkinGlyph, UntrustedCountsAndRectangles) {
  auto master = GlyphMaster();
  TsMaskData g = GlyphImage(1);
  g.ImageCount = 0;  // one frame of the whole width
  g.MaskType = -1;   // no mask: the frame is R's whole height
  auto dst = Solid(14, 5, 0);
  DrawSkinGlyph(dst.get(), Point(0, 0), 0, g, master.get(), 1);
  EXPECT_EQ(Get(*dst, 11, 0), Bgr(180, 7, 9));
  EXPECT_EQ(Get(*dst, 0, 3), Bgr(40, 40, 40));

  g.R = Rect(10, 0, 20, 8);  // wider than the master bitmap: nothing
  dst = Solid(14, 5, 0);
  DrawSkinGlyph(dst.get(), Point(0, 0), 0, g, master.get(), 1);
  EXPECT_EQ(test::BitmapImage(*dst).Count(Rect(0, 0, 14, 5), 0), 70);
}

}  // namespace
}  // namespace korv
