// The screen-format copy of a 24-bit picture: the row conversion byte for byte, and the copy
// that is converted once and again only when it is out of date or of another block.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "PaintPixels.h"
#include "skin/paint/sScreenImage.h"
#include "support/Pixels.h"

namespace korv {
namespace {

using test::Bgr;
using test::Get;
using test::MakeBitmap;

TEST(Pixels24To32, EveryRowLengthGivesBlueGreenRedInTheLowBytes) {
  // Lengths around the four-pixel steps, and bytes that show a shift or a mask gone wrong.
  for (int n : {0, 1, 3, 4, 5, 7, 8, 9, 17}) {
    std::vector<uint8_t> src(static_cast<size_t>(n) * 3);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(0x80 | (i * 37 + 1));
    std::vector<uint32_t> dst(static_cast<size_t>(n) + 1, 0xDEADBEEF);
    Pixels24To32(src.data(), dst.data(), n);
    for (int i = 0; i < n; ++i)
      EXPECT_EQ(dst[i], src[i * 3] | src[i * 3 + 1] << 8 | static_cast<uint32_t>(src[i * 3 + 2]) << 16)
          << n << " " << i;
    EXPECT_EQ(dst[n], 0xDEADBEEFu) << n;  // nothing written past the row
  }
}

TEST(ScreenImage, ShowsTheBlockExactlyAndConvertsAgainOnlyWhenOutOfDate) {
  const auto picture = MakeBitmap(37, 21, [](int x, int y) { return Bgr(x * 7, y * 11, (x ^ y) * 5); });
  TsScreenImage image;
  const TRect block = Rect(3, 2, 30, 19);
  const HDC dc = image.Source(picture.get(), block);
  ASSERT_NE(dc, nullptr);
  EXPECT_TRUE(image.Valid());
  auto shows = [&](HDC from, TBitmap& expected, TRect r) {
    const test::TPixelImage img = test::CaptureDC(from, Rect(0, 0, RectWidth(r), RectHeight(r)));
    for (int y = 0; y < img.Height(); ++y)
      for (int x = 0; x < img.Width(); ++x)
        if (img.At(x, y) != Get(expected, r.left + x, r.top + y)) return false;
    return true;
  };
  EXPECT_TRUE(shows(dc, *picture, block));

  // The picture painted again without a word: the copy keeps the old pixels until invalidated.
  const TColor old = Get(*picture, 3, 2);
  test::Put(*picture, 3, 2, 0x00ABCDEF);
  EXPECT_EQ(image.Source(picture.get(), block), dc);
  EXPECT_EQ(test::CaptureDC(dc, Rect(0, 0, 1, 1)).At(0, 0), old);
  image.Invalidate();
  EXPECT_FALSE(image.Valid());
  EXPECT_TRUE(shows(image.Source(picture.get(), block), *picture, block));

  // Another block or another bitmap is converted on its own; nothing outside the picture is.
  EXPECT_TRUE(shows(image.Source(picture.get(), Rect(0, 0, 37, 21)), *picture, Rect(0, 0, 37, 21)));
  const auto other = MakeBitmap(37, 21, [](int x, int y) { return Bgr(255 - x, y, 9); });
  EXPECT_TRUE(shows(image.Source(other.get(), block), *other, block));
  EXPECT_EQ(image.Source(other.get(), Rect(30, 10, 40, 20)), nullptr);
  EXPECT_EQ(image.Source(other.get(), Rect(5, 5, 5, 9)), nullptr);
  TBitmap empty;
  EXPECT_EQ(image.Source(&empty, block), nullptr);
}

}  // namespace
}  // namespace korv
