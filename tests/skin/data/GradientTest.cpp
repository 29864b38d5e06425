#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "classlib/Graphics.h"
#include "classlib/Handles.h"
#include "classlib/SysUtils.h"
#include "skin/data/sGradient.h"

namespace korv {
namespace {

// A 24-bit DIB section selected into a memory DC, pre-filled with a marker colour.
struct Dib {
  Dib(int w, int h, uint8_t fill = 0x5A) : W(w), H(h) {
    TDibSection dib = CreateDibSection24(w, h);  // bottom-up, as the class library's bitmaps
    Bmp = std::move(dib.Handle);
    Bits = dib.Bits;
    Dc = CreateCompatibleDC(nullptr);
    Old = SelectObject(Dc, Bmp.Get());
    Stride = DibRowBytes(w, 24);
    std::memset(Bits, fill, static_cast<size_t>(Stride) * h);
  }
  ~Dib() {
    SelectObject(Dc, Old);
    DeleteDC(Dc);
  }
  TsPixels24 View() const { return {Bits + static_cast<ptrdiff_t>(H - 1) * Stride, -Stride, W, H}; }
  // Pixel as a colour value 0x00BBGGRR.
  int32_t At(int x, int y) const {
    const uint8_t* p = View().Row(y) + x * 3;
    return p[0] << 16 | p[1] << 8 | p[2];
  }
  int W, H, Stride;
  uint8_t* Bits;
  TUniqueBitmap Bmp;
  HDC Dc;
  HGDIOBJ Old;
};

TEST(GradientData, ParsesGroupsOfFive) {
  TsGradArray a;
  ParseGradientData("8421504;15329769;51;1;0;15329769;8421504;48;1;0;8421504;8421504;0;1;0", a);
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[0].Color1, 8421504);
  EXPECT_EQ(a[0].Color2, 15329769);
  EXPECT_EQ(a[0].Percent, 51);
  EXPECT_EQ(a[0].Mode, 1);
  EXPECT_EQ(a[1].Percent, 48);
  EXPECT_EQ(a[2].Percent, 0);

  ParseGradientData("1;2;3;0;9;7", a);  // the sixth value makes no group
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].Color2, 2);
  ParseGradientData(";;$FF;0x10;;250;2;x;", a);  // empty fields skipped; the ignored fifth is not read
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].Color1, 255);
  EXPECT_EQ(a[0].Color2, 16);
  EXPECT_EQ(a[0].Percent, 100);  // capped
  EXPECT_EQ(a[0].Mode, 2);
  ParseGradientData("1;2;-5;0;0", a);  // a negative percent does not wrap around the byte
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].Percent, 0);
  ParseGradientData("", a);
  EXPECT_TRUE(a.empty());
}

TEST(GradientData, BadValueRaisesTheConversionErrorAndLeavesNoHalfArray) {
  TsGradArray a;
  ParseGradientData("1;2;3;0;0", a);
  try {
    ParseGradientData("1;2;3;0;0;4;5;6x;0;0", a);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'6x' is not a valid integer value");
  }
  EXPECT_TRUE(a.empty());
  EXPECT_THROW(ParseGradientData("1;2;3; ;0", a), EConvertError);  // a blank field is a word
  EXPECT_THROW(ParseGradientData("99999999999;2;3;0;0", a), EConvertError);
}

TEST(GradientFill, VerticalSingleStopRunsFromFirstToSecondColour) {
  Dib d(4, 10);
  TsGradArray a;
  ParseGradientData(Format("%d;%d;100;0;0", 0, 0xFFFFFF), a);
  FillGradient(d.View(), d.Dc, RECT{0, 0, 4, 10}, a, 0, 0);
  for (int y = 0; y < 10; ++y) {
    int expect = static_cast<int>(std::lrint(255.0 / 9 * y));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.At(x, y), expect << 16 | expect << 8 | expect) << x << "," << y;
  }
  EXPECT_EQ(d.At(0, 0), 0);
  EXPECT_EQ(d.At(3, 9), 0xFFFFFF);
}

TEST(GradientFill, VerticalBandsMeetAtTheMiddleRowAndTheLastEndsAtTheBottom) {
  Dib d(3, 21);
  const int32_t red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000, white = 0xFFFFFF;
  TsGradArray a;
  ParseGradientData(Format("%d;%d;50;0;0;%d;%d;10;1;0", red, green, blue, white), a);  // 2nd mode ignored
  FillGradient(d.View(), d.Dc, RECT{0, 0, 3, 21}, a, 0, 0);
  const int mid = 21 * 50 / 100;
  EXPECT_EQ(d.At(0, 0), red);
  EXPECT_EQ(d.At(1, mid - 1) & 0xFF, static_cast<int>(std::lrint(255 - 255.0 / mid * (mid - 1))));
  EXPECT_EQ(d.At(2, mid), blue);  // the second band starts on the first band's last row
  EXPECT_EQ(d.At(0, 20), white);  // and ends on the last row whatever its percent
}

TEST(GradientFill, HorizontalBandsAndClipping) {
  Dib d(11, 4);
  TsGradArray a;
  ParseGradientData(Format("%d;%d;100;1;0", 0x000000, 0x0000FF), a);
  // Starts left of and above the bitmap, ends beyond it: clipped to the whole bitmap.
  FillGradient(d.View(), d.Dc, RECT{-5, -3, 40, 30}, a, 0, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 11; ++x) EXPECT_EQ(d.At(x, y), static_cast<int>(std::lrint(25.5 * x))) << x << "," << y;
}

TEST(GradientFill, PartialRectangleTouchesNothingOutside) {
  Dib d(10, 10, 0x33);
  TsGradArray a;
  ParseGradientData("255;255;100;0;0", a);
  FillGradient(d.View(), d.Dc, RECT{2, 3, 6, 8}, a, 0, 0);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      bool inside = x >= 2 && x < 6 && y >= 3 && y < 8;
      EXPECT_EQ(d.At(x, y), inside ? 255 : 0x333333) << x << "," << y;
    }
}

TEST(GradientFill, UnknownModeOrEmptyArrayPaintsNothing) {
  Dib d(5, 5, 0x11);
  TsGradArray a;
  FillGradient(d.View(), d.Dc, RECT{0, 0, 5, 5}, a, 0, 0);
  ParseGradientData("255;255;100;3;0", a);
  FillGradient(d.View(), d.Dc, RECT{0, 0, 5, 5}, a, 0, 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(d.At(x, y), 0x111111);
}

TEST(GradientFill, TrianglesPutStopColoursOnTheVertices) {
  const int32_t c0 = 0x102030, c1 = 0x405060, c2 = 0x8090A0;
  auto fill = [&](const std::string& text) {
    auto d = std::make_unique<Dib>(41, 41, 0);
    TsGradArray a;
    ParseGradientData(text, a);
    FillGradient(d->View(), d->Dc, RECT{0, 0, 40, 40}, a, 0, 0);
    return d;
  };
  auto three = fill(Format("%d;0;0;2;0;%d;0;0;2;0;%d;0;0;2;0", c0, c1, c2));
  EXPECT_EQ(three->At(0, 0), c0);
  EXPECT_EQ(three->At(20, 20), c1);
  // Vertices 3 and 4 take stop 2's colour: the same picture as five stops ending in it twice.
  auto five = fill(Format("%d;0;0;2;0;%d;0;0;2;0;%d;0;0;2;0;%d;0;0;2;0;%d;0;0;2;0", c0, c1, c2, c2, c2));
  auto other = fill(Format("%d;0;0;2;0;%d;0;0;2;0;%d;0;0;2;0;%d;0;0;2;0;%d;0;0;2;0", c0, c1, c2, c0, c0));
  EXPECT_EQ(std::memcmp(three->Bits, five->Bits, static_cast<size_t>(three->Stride) * 41), 0);
  EXPECT_NE(std::memcmp(three->Bits, other->Bits, static_cast<size_t>(three->Stride) * 41), 0);
  // Only the colour of each stop's first colour and the first stop's mode matter.
  auto modes = fill(Format("%d;1;0;2;0;%d;2;0;0;0;%d;3;0;1;0", c0, c1, c2));
  EXPECT_EQ(std::memcmp(three->Bits, modes->Bits, static_cast<size_t>(three->Stride) * 41), 0);
}

TEST(GradientFill, SplitColorIsBlueGreenRed) {
  uint8_t bgr[3];
  SplitColor(0x123456, bgr);
  EXPECT_EQ(bgr[0], 0x12);
  EXPECT_EQ(bgr[1], 0x34);
  EXPECT_EQ(bgr[2], 0x56);
}

}  // namespace
}  // namespace korv
