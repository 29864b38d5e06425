// TIcon: .ico files written here from the format rules, loaded, drawn and saved; bad files.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "classlib/Graphics.h"
#include "support/Pixels.h"

namespace korv {
namespace {

using Bytes = std::vector<uint8_t>;
using test::BitmapImage;
using test::TPixelImage;

TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

void Append16(Bytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Append32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct TIconImage {
  int Size;
  std::function<TColor(int, int)> Colour;
  std::function<bool(int, int)> Transparent;
};

// One 24-bit DIB per image: header with the doubled height, colour rows, then the AND mask,
// both bottom-up with rows padded to 32 bits.
Bytes IconDib(const TIconImage& im) {
  Bytes d;
  int n = im.Size;
  Append32(d, 40);
  Append32(d, static_cast<uint32_t>(n));
  Append32(d, static_cast<uint32_t>(2 * n));
  Append16(d, 1);
  Append16(d, 24);
  for (int i = 0; i < 6; ++i) Append32(d, 0);
  int xorStride = ((n * 24 + 31) / 32) * 4, andStride = ((n + 31) / 32) * 4;
  for (int row = n - 1; row >= 0; --row) {
    Bytes line(static_cast<size_t>(xorStride), 0);
    for (int x = 0; x < n; ++x) {
      TColor c = im.Transparent(x, row) ? 0 : im.Colour(x, row);
      line[3 * x] = static_cast<uint8_t>(c >> 16);
      line[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      line[3 * x + 2] = static_cast<uint8_t>(c);
    }
    d.insert(d.end(), line.begin(), line.end());
  }
  for (int row = n - 1; row >= 0; --row) {
    Bytes line(static_cast<size_t>(andStride), 0);
    for (int x = 0; x < n; ++x)
      if (im.Transparent(x, row)) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    d.insert(d.end(), line.begin(), line.end());
  }
  return d;
}

Bytes Ico(const std::vector<TIconImage>& images) {
  Bytes dir;
  Append16(dir, 0);
  Append16(dir, 1);
  Append16(dir, static_cast<uint16_t>(images.size()));
  std::vector<Bytes> dibs;
  for (const auto& im : images) dibs.push_back(IconDib(im));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    dir.push_back(static_cast<uint8_t>(images[i].Size));
    dir.push_back(static_cast<uint8_t>(images[i].Size));
    dir.push_back(0);
    dir.push_back(0);
    Append16(dir, 1);
    Append16(dir, 24);
    Append32(dir, static_cast<uint32_t>(dibs[i].size()));
    Append32(dir, offset);
    offset += static_cast<uint32_t>(dibs[i].size());
  }
  for (const Bytes& d : dibs) dir.insert(dir.end(), d.begin(), d.end());
  return dir;
}

TColor BigColour(int x, int y) { return Rgb(x * 8, y * 8, 128); }
bool BigHole(int x, int y) { return x < 4 || y < 4; }

Bytes TwoSizeIcon() {
  return Ico({TIconImage{16, [](int, int) { return clRed; }, [](int, int) { return false; }},
              TIconImage{32, BigColour, BigHole}});
}

TPixelImage DrawnOn(const TGraphic& g, TColor background) {
  TBitmap target(40, 40);
  target.Canvas()->Brush()->SetColor(background);
  target.Canvas()->FillRect(Rect(0, 0, 40, 40));
  target.Canvas()->Draw(2, 2, &g);
  return BitmapImage(target);
}

TPixelImage DrawnOnWhite(const TGraphic& g) { return DrawnOn(g, clWhite); }

TEST(IconTest, LoadsTheImageOfTheSystemIconSizeAndDrawsItThroughItsMask) {
  ASSERT_EQ(GetSystemMetrics(SM_CXICON), 32);  // the data below offers 16 and 32
  Bytes ico = TwoSizeIcon();
  TMemoryStream ms;
  ms.WriteBuffer(ico.data(), static_cast<int32_t>(ico.size()));
  ms.SetPosition(0);
  TIcon icon;
  EXPECT_TRUE(icon.Empty());
  icon.LoadFromStream(ms);
  EXPECT_FALSE(icon.Empty());
  EXPECT_EQ(icon.Width(), 32);
  EXPECT_EQ(icon.Height(), 32);
  EXPECT_THROW(icon.SetWidth(16), EInvalidGraphicOperation);
  TPixelImage img = DrawnOnWhite(icon);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(img.At(2 + x, 2 + y), BigHole(x, y) ? clWhite : BigColour(x, y)) << x << "," << y;
  // Saving writes the loaded bytes back.
  TMemoryStream out;
  icon.SaveToStream(out);
  ASSERT_EQ(out.Size(), static_cast<int64_t>(ico.size()));
  EXPECT_EQ(std::memcmp(out.Memory(), ico.data(), ico.size()), 0);
}

TEST(IconTest, PicksTheNearestSize) {
  Bytes ico = TwoSizeIcon();
  TIconImageRef small = SelectIconImage(ico.data(), ico.size(), 16, 16);
  EXPECT_EQ(small.Width, 16);
  TIconImageRef big = SelectIconImage(ico.data(), ico.size(), 48, 48);
  EXPECT_EQ(big.Width, 32);
  EXPECT_LE(big.Offset + big.Size, ico.size());
}

TEST(IconTest, AnIconGivenAsAHandleSavesAsAnIcoFile) {
  // Build the icon from bitmaps: colour square with a transparent top row via the mask.
  TBitmap colour(16, 16);
  colour.Canvas()->Brush()->SetColor(clTeal);
  colour.Canvas()->FillRect(Rect(0, 0, 16, 16));
  colour.Canvas()->Brush()->SetColor(clBlack);
  colour.Canvas()->FillRect(Rect(0, 0, 16, 2));
  TUniqueBitmap mask(CreateBitmap(16, 16, 1, 1, nullptr));
  {
    TUniqueDC dc(CreateCompatibleDC(nullptr));
    TSelectGuard sel(dc.Get(), mask.Get());
    PatBlt(dc.Get(), 0, 0, 16, 16, BLACKNESS);
    PatBlt(dc.Get(), 0, 0, 16, 2, WHITENESS);
  }
  colour.FreeCanvasDC();
  ICONINFO ii{TRUE, 0, 0, mask.Get(), colour.Handle()};
  TIcon icon;
  icon.SetHandle(CreateIconIndirect(&ii));
  ASSERT_FALSE(icon.Empty());
  EXPECT_EQ(icon.Width(), 16);
  TPixelImage drawn = DrawnOnWhite(icon);
  EXPECT_EQ(drawn.At(5, 2), clWhite);
  EXPECT_EQ(drawn.At(5, 10), clTeal);

  TMemoryStream ms;
  icon.SaveToStream(ms);
  ms.SetPosition(0);
  TIcon again;
  again.LoadFromStream(ms);
  EXPECT_EQ(again.Width(), 16);
  TPixelImage redrawn = DrawnOnWhite(again);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(redrawn.At(x, y), drawn.At(x, y)) << x << "," << y;

  TIcon copy;
  copy.Assign(&again);
  EXPECT_NE(copy.Handle(), again.Handle());
  again.Assign(nullptr);
  EXPECT_TRUE(again.Empty());
  EXPECT_EQ(DrawnOnWhite(copy).At(5, 10), clTeal);
}

// A monochrome icon has no colour bitmap: its mask bitmap holds the AND mask above the XOR mask.
// Saved and loaded again, it draws the same: transparent, white and black pixels alike.
TEST(IconTest, AMonochromeIconGivenAsAHandleSavesWithItsWhitePixels) {
  const int n = 16, rowBytes = 2;  // 16 one-bit pixels: one 16-bit word per row, top-down
  auto transparent = [](int, int y) { return y < 2; };
  auto white = [&](int x, int y) { return !transparent(x, y) && x < n / 2; };
  Bytes andBits(static_cast<size_t>(rowBytes) * n, 0), xorBits(andBits.size(), 0);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
      if (transparent(x, y)) andBits[static_cast<size_t>(y * rowBytes + x / 8)] |= bit;
      if (white(x, y)) xorBits[static_cast<size_t>(y * rowBytes + x / 8)] |= bit;
    }
  TIcon icon;
  icon.SetHandle(CreateIcon(nullptr, n, n, 1, 1, andBits.data(), xorBits.data()));
  ASSERT_FALSE(icon.Empty());
  ASSERT_EQ(icon.Width(), n);
  ASSERT_EQ(icon.Height(), n);
  const TColor background = clTeal;
  TPixelImage drawn = DrawnOn(icon, background);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      ASSERT_EQ(drawn.At(2 + x, 2 + y), transparent(x, y) ? background
                                        : white(x, y)     ? clWhite
                                                          : clBlack)
          << x << "," << y;

  TMemoryStream ms;
  icon.SaveToStream(ms);
  ms.SetPosition(0);
  TIcon again;
  again.LoadFromStream(ms);
  ASSERT_EQ(again.Width(), n);
  TPixelImage redrawn = DrawnOn(again, background);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(redrawn.At(x, y), drawn.At(x, y)) << x << "," << y;
}

TEST(IconTest, BadIconDataIsRejected) {
  const Bytes good = TwoSizeIcon();
  TIcon icon;
  auto load = [&icon](const Bytes& b) {
    TMemoryStream ms;
    if (!b.empty()) ms.WriteBuffer(b.data(), static_cast<int32_t>(b.size()));
    ms.SetPosition(0);
    icon.LoadFromStream(ms);
  };
  struct Lie {
    const char* Name;
    std::function<void(Bytes&)> Apply;
  };
  const Lie lies[] = {
      {"cursor type", [](Bytes& b) { b[2] = 2; }},
      {"no images", [](Bytes& b) { b[4] = 0; }},
      {"more entries than data", [](Bytes& b) { b[4] = 200; }},
      {"offset past the end", [](Bytes& b) { Put32(b, 6 + 12, 0x7FFFFFFF); Put32(b, 22 + 12, 0x7FFFFFFF); }},
      {"size past the end", [](Bytes& b) { Put32(b, 6 + 8, 0xFFFFFF00u); Put32(b, 22 + 8, 0xFFFFFF00u); }},
      {"image header lies about its height",
       [](Bytes& b) {
         uint32_t o1 = b[18] | (b[19] << 8), o2 = b[34] | (b[35] << 8);
         Put32(b, o1 + 8, 3000);
         Put32(b, o2 + 8, 3000);
       }},
      {"image bit count 7",
       [](Bytes& b) {
         uint32_t o1 = b[18] | (b[19] << 8), o2 = b[34] | (b[35] << 8);
         b[o1 + 14] = 7;
         b[o2 + 14] = 7;
       }},
      {"image bytes shorter than its pixels",
       [](Bytes& b) {
         Put32(b, 6 + 8, (b[6 + 8] | (b[7 + 8] << 8)) - 4u);
         Put32(b, 22 + 8, (b[22 + 8] | (b[23 + 8] << 8)) - 4u);
       }},
      {"file cut short", [](Bytes& b) { b.resize(b.size() - 1); }},
  };
  for (const Lie& lie : lies) {
    Bytes b = good;
    lie.Apply(b);
    EXPECT_THROW(load(b), EInvalidGraphic) << lie.Name;
  }
  // Every cut of the directory and the first image.
  for (size_t len = 1; len < 6 + 32 + 40; ++len) {
    Bytes b(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(len));
    EXPECT_THROW(load(b), EInvalidGraphic) << "cut at " << len;
  }
  EXPECT_TRUE(icon.Empty());  // nothing half-loaded
  load(good);
  EXPECT_EQ(icon.Width(), 32);
}

TEST(IconTest, ManyIconsLeaveNoGdiObjects) {
  Bytes ico = TwoSizeIcon();
  TBitmap target(40, 40);
  auto cycle = [&] {
    TMemoryStream ms;
    ms.WriteBuffer(ico.data(), static_cast<int32_t>(ico.size()));
    ms.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(ms);
    target.Canvas()->Draw(0, 0, &icon);
    TIcon copy;
    copy.Assign(&icon);
    TMemoryStream out;
    TIcon byHandle;
    byHandle.SetHandle(CopyIcon(icon.Handle()));
    byHandle.SaveToStream(out);
  };
  cycle();
  DWORD before = test::GdiObjectCount();
  for (int i = 0; i < 150; ++i) cycle();
  EXPECT_EQ(test::GdiObjectCount(), before);
}

}  // namespace
}  // namespace korv
