#include <gtest/gtest.h>

#include "PaintPixels.h"
#include "classlib/Handles.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopy.h"

namespace korv {
namespace {

using test::Bgr;
using test::Get;
using test::MakeBitmap;
using test::Put;
using test::Solid;

constexpr TColor kBack = Bgr(0x11, 0x22, 0x33);

// A border image of two states, 3 x 3 cells of 4 x 4 each, in a master bitmap: every picture
// pixel tells where it comes from (red = x, green = y); the mask below it is black, so the
// picture shows exactly.
std::unique_ptr<TBitmap> Master() {
  return MakeBitmap(24, 24, [](int x, int y) { return y < 12 ? Bgr(0x40, y, x) : 0; });
}
TsMaskData Border(int maskType = 1) {
  TsMaskData b;
  b.R = Rect(0, 0, 24, maskType ? 24 : 12);
  b.ImageCount = 2;
  b.MaskType = static_cast<int16_t>(maskType);
  b.StretchMode = 0;
  return b;
}
TColor From(int x, int y) { return Bgr(0x40, y, x); }

class NinePiece : public ::testing::Test {
 protected:
  void Paint(TRect rect, int state, const TsMaskData& image, bool middle, int w = 20, int h = 16) {
    dst_ = Solid(w, h, kBack);
    PaintRectByMask(dst_.get(), rect, state, image, master_.get(), middle);
  }
  TColor At(int x, int y) { return Get(*dst_, x, y); }
  std::unique_ptr<TBitmap> master_ = Master();
  std::unique_ptr<TBitmap> dst_;
};

TEST_F(NinePiece, ANarrowRectangleSplitsItsWidthBetweenTheCorners) {
  // Width 7 with cells of 4: three columns of the left corner cell, the whole right one.
  Paint(Rect(0, 0, 7, 12), 0, Border(), false);
  const int cols[7] = {0, 1, 2, 8, 9, 10, 11};
  for (int x = 0; x < 7; ++x) {
    EXPECT_EQ(At(x, 0), From(cols[x], 0)) << x;
    EXPECT_EQ(At(x, 11), From(cols[x], 11)) << x;
  }
  EXPECT_EQ(At(0, 5), From(0, 5));  // the left edge between the corners
  EXPECT_EQ(At(7, 0), kBack);
}

TEST_F(NinePiece, EdgesAndMiddleTileTheirCellsAndStateStartsThreeCellsOn) {
  Paint(Rect(1, 1, 19, 15), 1, Border(), true);  // 18 x 14, state 1 starts at x = 12
  EXPECT_EQ(At(1, 1), From(12, 0));
  EXPECT_EQ(At(18, 14), From(23, 11));
  // Top edge, columns 5 .. 14 of the bitmap: the top middle cell repeated, the last tile cut.
  for (int x = 5; x < 15; ++x) EXPECT_EQ(At(x, 2), From(16 + (x - 5) % 4, 1)) << x;
  EXPECT_EQ(At(15, 2), From(20, 1));  // the right corner
  // Left edge, rows 5 .. 10, and the middle.
  for (int y = 5; y < 11; ++y) EXPECT_EQ(At(2, y), From(13, 4 + (y - 5) % 4)) << y;
  EXPECT_EQ(At(10, 10), From(16 + 5 % 4, 4 + 5 % 4));
  EXPECT_EQ(At(0, 0), kBack);

  Paint(Rect(1, 1, 19, 15), 1, Border(), false);
  EXPECT_EQ(At(10, 10), kBack);

  // A state beyond the frames paints the last frame.
  Paint(Rect(0, 0, 12, 12), 9, Border(), true);
  EXPECT_EQ(At(0, 0), From(12, 0));
  EXPECT_EQ(At(11, 11), From(23, 11));
}

TEST_F(NinePiece, CellsUnderOnePixelPaintNothing) {
  TsMaskData tiny = Border();
  tiny.R = Rect(0, 0, 5, 24);  // 5 div (2 * 3) = 0
  Paint(Rect(0, 0, 20, 16), 0, tiny, true);
  EXPECT_EQ(test::BitmapImage(*dst_).Count(Rect(0, 0, 20, 16), kBack), 20 * 16);
  tiny = Border();
  tiny.R = Rect(0, 0, 24, 5);
  Paint(Rect(0, 0, 20, 16), 0, tiny, true);
  EXPECT_EQ(test::BitmapImage(*dst_).Count(Rect(0, 0, 20, 16), kBack), 20 * 16);
}

TEST_F(NinePiece, BorderWidthCapsTheCornersAndLeavesTheMiddle) {
  TsMaskData b = Border();
  b.BorderWidth = 2;
  Paint(Rect(0, 0, 12, 12), 0, b, true);
  EXPECT_EQ(At(1, 1), From(1, 1));
  EXPECT_EQ(At(2, 0), From(4, 0));    // the top edge starts after two columns
  EXPECT_EQ(At(10, 0), From(10, 0));  // the right corner's last two columns
  EXPECT_EQ(At(0, 10), From(0, 10));
  EXPECT_EQ(At(6, 6), kBack);
}

TEST_F(NinePiece, StretchedPiecesAreWhatStretchBltMakesOfTheirCells) {
  TsMaskData b = Border();
  b.StretchMode = 1;
  Paint(Rect(0, 0, 17, 13), 0, b, true);
  // The platform's own stretch of the middle cell (4, 4) to 9 x 5, and of the top cell to 9 x 4.
  auto expectStretch = [&](int sx, int sy, int dx, int dy, int dw, int dh) {
    auto cell = MakeBitmap(4, 4, [&](int x, int y) { return From(sx + x, sy + y); });
    TBitmap out(dw, dh);
    SetStretchBltMode(out.Canvas()->Handle(), COLORONCOLOR);
    StretchBlt(out.Canvas()->Handle(), 0, 0, dw, dh, cell->Canvas()->Handle(), 0, 0, 4, 4, SRCCOPY);
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x)
        ASSERT_EQ(At(dx + x, dy + y), Get(out, x, y)) << sx << "," << sy << " " << x << "," << y;
  };
  expectStretch(4, 4, 4, 4, 9, 5);
  expectStretch(4, 0, 4, 0, 9, 4);
  expectStretch(0, 4, 0, 4, 4, 5);
}

TEST_F(NinePiece, KeyColourPixelsTakeTheCacheWhenMaskedAndStayWhenNot) {
  Put(*master_, 0, 0, 0xFF00FF);
  Put(*master_, 4, 0, 0xFF00FF);
  auto cache = MakeBitmap(30, 30, [](int x, int y) { return Bgr(x, y, 0x99); });
  TCacheInfo ci;
  InitCacheInfo(ci, cache.get(), 2, 5);
  dst_ = Solid(20, 16, kBack);
  PaintRectByMask(BitmapPixels(dst_.get()), Rect(3, 3, 15, 15), 0, Border(), BitmapPixels(master_.get()), true, &ci);
  EXPECT_EQ(At(3, 3), Bgr(5, 8, 0x99));
  EXPECT_EQ(At(7, 3), Bgr(9, 8, 0x99));  // each tile of the top edge
  EXPECT_EQ(At(4, 3), From(1, 0));

  Paint(Rect(3, 3, 15, 15), 0, Border(0), true);
  EXPECT_EQ(At(3, 3), kBack);
  EXPECT_EQ(At(7, 3), kBack);
  EXPECT_EQ(At(4, 3), From(1, 0));
}

TEST_F(NinePiece, AMiddleLaidOverAKnownGroundGivesThePixelsOfTheMixing) {
  // Picture and mask of every shade, some key-colour pixels in the middle cell.
  auto master = MakeBitmap(24, 24, [](int x, int y) {
    if (y < 12) return (x * 7 + y * 3) % 11 == 0 ? TColor{0xFF00FF} : Bgr(x * 9, y * 21, 255 - x * 5);
    return Bgr((x * 37 + y) & 0xFF, (y * 53) & 0xFF, (x * y * 11) & 0xFF);
  });
  const TColor ground = Bgr(0xE8, 0x70, 0x21);
  struct TRestoreFill {
    ~TRestoreFill() { MaskFillColor = sKeyColor; }
  } restore;
  for (int mask : {1, 0})
    for (int stretch : {0, 1})
      for (TColor fill : {sKeyColor, TColor{0x123456}}) {
        TsMaskData b = Border(mask);
        b.StretchMode = static_cast<int16_t>(stretch);
        MaskFillColor = fill;
        for (const TRect& r : {Rect(1, 2, 19, 15), Rect(-3, -2, 25, 19)}) {
          auto mixed = Solid(20, 16, ground), laid = Solid(20, 16, ground);
          PaintRectByMask(mixed.get(), r, 1, b, master.get(), true);
          PaintRectByMask(laid.get(), r, 1, b, master.get(), true, nullptr, ground);
          for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 20; ++x)
              ASSERT_EQ(Get(*laid, x, y), Get(*mixed, x, y))
                  << "mask " << mask << " stretch " << stretch << " fill " << fill << " at " << x << "," << y;
        }
      }
}

TEST_F(NinePiece, AnImageWithItsOwnBitmapAlwaysTilesWholeCorners) {
  TsMaskData own = Border();
  own.Bmp = Master();
  own.StretchMode = 1;
  own.BorderWidth = 1;
  dst_ = Solid(20, 16, kBack);
  PaintRectByMask(dst_.get(), Rect(0, 0, 14, 14), 0, own, nullptr, true);
  EXPECT_EQ(At(3, 3), From(3, 3));
  EXPECT_EQ(At(9, 2), From(4 + 5 % 4, 2));
  EXPECT_EQ(At(9, 9), From(4 + 5 % 4, 4 + 5 % 4));

  // Over the bitmap's edges only the visible part is painted: local (12, 12) is in the middle.
  Paint(Rect(-3, -3, 15, 15), 0, Border(), true, 10, 10);
  EXPECT_EQ(At(0, 0), From(3, 3));
  EXPECT_EQ(At(9, 9), From(4, 4));
  EXPECT_EQ(At(9, 0), From(4, 3));
}

TEST_F(NinePiece, AnImageOfAManagerIsCutFromItsMasterBitmap) {
  const std::unique_ptr<TsSkinManager> smPtr(NewComponent<TsSkinManager>(nullptr));
  TsSkinManager& sm = *smPtr;
  sm.MasterBitmap = Master();
  TsMaskData b = Border();
  b.Manager = &sm;
  dst_ = Solid(20, 16, kBack);
  PaintRectByMask(dst_.get(), Rect(0, 0, 12, 12), 1, b, true);
  EXPECT_EQ(At(0, 0), From(12, 0));
  DrawSkinGlyph(dst_.get(), Point(0, 0), 0, b, 1);  // frame 0: the left half of the picture
  EXPECT_EQ(At(0, 0), From(0, 0));
  EXPECT_EQ(At(0, 11), From(0, 11));
}

}  // namespace
}  // namespace korv
