// BMP files of every depth and layout, written byte by byte from the format rules, decoded by the
// library and by the platform (SetDIBitsToDevice into a 24-bit DIB), and damaged in bulk.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "classlib/Graphics.h"
#include "support/Pixels.h"

namespace korv {
namespace {

using Bytes = std::vector<uint8_t>;
using test::TPixelImage;

void Put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Append16(Bytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Append32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

TColor Rgb(int r, int g, int b) { return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16)); }
int R(TColor c) { return c & 0xFF; }
int G(TColor c) { return (c >> 8) & 0xFF; }
int B(TColor c) { return (c >> 16) & 0xFF; }

TColor TrueColour(int x, int y) { return Rgb(x * 37 + y * 11, x * 5 + y * 71, x * 91 + y * 3); }
TColor PaletteColour(int i) { return Rgb(i * 53 + 7, i * 97 + 17, i * 29 + 101); }

// A BMP file under construction: header fields, palette, pixel bytes, and the picture the
// format rules say it holds.
struct TBmpFile {
  int Width = 0;
  int Height = 0;
  bool TopDown = false;
  int Bpp = 24;
  uint32_t Compression = BI_RGB;
  uint32_t HeaderSize = 40;
  std::vector<TColor> Palette;
  bool MasksAfterHeader = false;  // BI_BITFIELDS masks after a 40-byte header
  uint32_t Masks[3] = {0, 0, 0};   // red, green, blue
  Bytes Pixels;
  TPixelImage Expected;

  [[nodiscard]] Bytes Build() const {
    Bytes info;
    if (HeaderSize == 12) {
      Append32(info, 12);
      Append16(info, static_cast<uint16_t>(Width));
      Append16(info, static_cast<uint16_t>(Height));
      Append16(info, 1);
      Append16(info, static_cast<uint16_t>(Bpp));
    } else {
      info.assign(HeaderSize, 0);
      Put32(info, 0, HeaderSize);
      Put32(info, 4, static_cast<uint32_t>(Width));
      Put32(info, 8, static_cast<uint32_t>(TopDown ? -Height : Height));
      Put16(info, 12, 1);
      Put16(info, 14, static_cast<uint16_t>(Bpp));
      Put32(info, 16, Compression);
      Put32(info, 20, static_cast<uint32_t>(Pixels.size()));
      Put32(info, 24, 2835);
      Put32(info, 28, 2835);
      Put32(info, 32, static_cast<uint32_t>(Palette.size()));
      if (Compression == BI_BITFIELDS) {
        if (HeaderSize >= 52) {
          for (int i = 0; i < 3; ++i) Put32(info, 40 + 4 * i, Masks[i]);
        } else {
          for (uint32_t m : Masks) Append32(info, m);
        }
      }
    }
    for (TColor c : Palette) {
      info.push_back(static_cast<uint8_t>(B(c)));
      info.push_back(static_cast<uint8_t>(G(c)));
      info.push_back(static_cast<uint8_t>(R(c)));
      if (HeaderSize != 12) info.push_back(0);
    }
    Bytes file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<uint32_t>(14 + info.size() + Pixels.size()));
    Put32(file, 10, static_cast<uint32_t>(14 + info.size()));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), Pixels.begin(), Pixels.end());
    return file;
  }
};

int Stride(int width, int bpp) { return ((width * bpp + 31) / 32) * 4; }

// Uncompressed pixels: `value(x, y)` gives the stored value of a pixel (palette index, 16-bit
// word, or colour), written at `bpp` bits in rows padded to 32 bits.
void WriteRows(TBmpFile& f, const std::function<uint32_t(int, int)>& value) {
  int stride = Stride(f.Width, f.Bpp);
  f.Pixels.assign(static_cast<size_t>(stride) * f.Height, 0);
  for (int y = 0; y < f.Height; ++y) {
    int fileRow = f.TopDown ? y : f.Height - 1 - y;
    uint8_t* row = f.Pixels.data() + static_cast<size_t>(fileRow) * stride;
    for (int x = 0; x < f.Width; ++x) {
      uint32_t v = value(x, y);
      switch (f.Bpp) {
        case 1:
          row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
          break;
        case 4:
          row[x / 2] |= static_cast<uint8_t>((v & 0xF) << (x % 2 ? 0 : 4));
          break;
        case 8:
          row[x] = static_cast<uint8_t>(v);
          break;
        case 16:
          row[2 * x] = static_cast<uint8_t>(v);
          row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
          break;
        case 24:
          row[3 * x] = static_cast<uint8_t>(v >> 16);  // v is 0x00BBGGRR: blue first
          row[3 * x + 1] = static_cast<uint8_t>(v >> 8);
          row[3 * x + 2] = static_cast<uint8_t>(v);
          break;
        case 32:
          for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<uint8_t>(v >> (8 * i));
          break;
      }
    }
  }
}

TBmpFile Indexed(int bpp, int w, int h, bool topDown = false, int paletteSize = 0) {
  TBmpFile f;
  f.Width = w;
  f.Height = h;
  f.Bpp = bpp;
  f.TopDown = topDown;
  int n = paletteSize ? paletteSize : (1 << bpp);
  for (int i = 0; i < n; ++i) f.Palette.push_back(PaletteColour(i));
  f.Expected = TPixelImage(w, h);
  auto index = [n](int x, int y) { return static_cast<uint32_t>((x + 3 * y) % n); };
  WriteRows(f, index);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) f.Expected.Set(x, y, f.Palette[index(x, y)]);
  return f;
}

TBmpFile TrueColor(int bpp, int w, int h, bool topDown = false) {
  TBmpFile f;
  f.Width = w;
  f.Height = h;
  f.Bpp = bpp;
  f.TopDown = topDown;
  f.Expected = TPixelImage(w, h);
  // 24 bits: the writer stores blue first; 32 bits: the value is the little-endian BGRX word.
  WriteRows(f, [bpp](int x, int y) {
    TColor c = TrueColour(x, y);
    return bpp == 32 ? static_cast<uint32_t>(B(c) | (G(c) << 8) | (R(c) << 16) | 0x5A000000)
                     : static_cast<uint32_t>(c);
  });
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) f.Expected.Set(x, y, TrueColour(x, y));
  return f;
}

// n-bit channel value v widened to 8 bits by repeating its bits (5-bit v: v << 3 | v >> 2).
int Widen(int v, int bits) {
  int out = 0, have = 0;
  while (have < 8) {
    out = (out << bits) | v;
    have += bits;
  }
  return (out >> (have - 8)) & 0xFF;
}

// 16-bit pixels: 5-5-5 (BI_RGB) or 5-6-5 (BI_BITFIELDS).
TBmpFile Rgb16(bool bitfields565, int w, int h) {
  TBmpFile f;
  f.Width = w;
  f.Height = h;
  f.Bpp = 16;
  int gBits = bitfields565 ? 6 : 5;
  if (bitfields565) {
    f.Compression = BI_BITFIELDS;
    f.Masks[0] = 0xF800;
    f.Masks[1] = 0x07E0;
    f.Masks[2] = 0x001F;
  }
  auto r = [](int x, int y) { return (x * 7 + y) & 31; };
  auto g = [gBits](int x, int y) { return (x + y * 5) & ((1 << gBits) - 1); };
  auto b = [](int x, int y) { return (x * 3 + y * 11) & 31; };
  WriteRows(f, [&](int x, int y) {
    return static_cast<uint32_t>((r(x, y) << (5 + gBits)) | (g(x, y) << 5) | b(x, y));
  });
  f.Expected = TPixelImage(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) f.Expected.Set(x, y, Rgb(Widen(r(x, y), 5), Widen(g(x, y), gBits), Widen(b(x, y), 5)));
  return f;
}

// 32-bit bit fields with the channels in an unusual order (red in the low byte).
TBmpFile Rgb32Fields(int w, int h, uint32_t headerSize) {
  TBmpFile f;
  f.Width = w;
  f.Height = h;
  f.Bpp = 32;
  f.HeaderSize = headerSize;
  f.Compression = BI_BITFIELDS;
  f.Masks[0] = 0x000000FF;
  f.Masks[1] = 0x0000FF00;
  f.Masks[2] = 0x00FF0000;
  WriteRows(f, [](int x, int y) { return static_cast<uint32_t>(TrueColour(x, y)) | 0xAB000000u; });
  f.Expected = TPixelImage(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) f.Expected.Set(x, y, TrueColour(x, y));
  return f;
}

// RLE stream writer that also paints what the stream means onto the expected picture
// (pixels the stream skips stay black).
class TRleWriter {
 public:
  TRleWriter(TBmpFile& f, bool rle4) : F_(f), Rle4_(rle4) {
    F_.Expected = TPixelImage(f.Width, f.Height);
    for (int y = 0; y < f.Height; ++y)
      for (int x = 0; x < f.Width; ++x) F_.Expected.Set(x, y, 0);
  }
  void Run(int count, int a, int b = 0) {  // RLE4: alternating indexes a, b
    F_.Pixels.push_back(static_cast<uint8_t>(count));
    F_.Pixels.push_back(static_cast<uint8_t>(Rle4_ ? (a << 4 | b) : a));
    for (int k = 0; k < count; ++k) Paint(Rle4_ && (k & 1) ? b : a);
  }
  void Absolute(const std::vector<int>& idx) {
    F_.Pixels.push_back(0);
    F_.Pixels.push_back(static_cast<uint8_t>(idx.size()));
    size_t bytes = 0;
    if (Rle4_) {
      for (size_t k = 0; k < idx.size(); k += 2) {
        int hi = idx[k], lo = k + 1 < idx.size() ? idx[k + 1] : 0;
        F_.Pixels.push_back(static_cast<uint8_t>(hi << 4 | lo));
        ++bytes;
      }
    } else {
      for (int i : idx) F_.Pixels.push_back(static_cast<uint8_t>(i));
      bytes = idx.size();
    }
    if (bytes & 1) F_.Pixels.push_back(0);
    for (int i : idx) Paint(i);
  }
  void Delta(int dx, int dy) {
    F_.Pixels.insert(F_.Pixels.end(), {0, 2, static_cast<uint8_t>(dx), static_cast<uint8_t>(dy)});
    X_ += dx;
    Y_ += dy;
  }
  void EndOfLine() {
    F_.Pixels.insert(F_.Pixels.end(), {0, 0});
    X_ = 0;
    ++Y_;
  }
  void EndOfBitmap() { F_.Pixels.insert(F_.Pixels.end(), {0, 1}); }

 private:
  void Paint(int index) {
    if (X_ < F_.Width && Y_ < F_.Height) F_.Expected.Set(X_, F_.Height - 1 - Y_, F_.Palette[static_cast<size_t>(index)]);
    ++X_;
  }
  TBmpFile& F_;
  bool Rle4_;
  int X_ = 0;
  int Y_ = 0;
};

TBmpFile Rle(bool rle4) {
  TBmpFile f;
  f.Width = 13;
  f.Height = 6;
  f.Bpp = rle4 ? 4 : 8;
  f.Compression = rle4 ? BI_RLE4 : BI_RLE8;
  int n = rle4 ? 16 : 40;
  for (int i = 0; i < n; ++i) f.Palette.push_back(PaletteColour(i));
  TRleWriter w(f, rle4);
  for (int row = 0; row < f.Height; ++row) {
    if (row == 2) {  // a delta that skips to the next row, keeping the column
      w.Run(3, 5, 6);
      w.Delta(4, 1);
      w.Run(2, 7, 8);
      w.EndOfLine();
      ++row;
      continue;
    }
    w.Run(4, (row + 1) % n, (row + 2) % n);
    w.Absolute({(row + 3) % n, (row + 4) % n, (row + 5) % n, (row + 6) % n, (row + 7) % n});
    w.Delta(2, 0);
    w.Run(2, (row + 8) % n, (row + 9) % n);
    w.EndOfLine();
  }
  w.EndOfBitmap();
  return f;
}

// The platform's reading of the same file: SetDIBitsToDevice into a black 24-bit DIB.
bool PlatformDecode(const Bytes& file, TPixelImage& out) {
  uint32_t off = file[10] | (file[11] << 8) | (file[12] << 16) | (static_cast<uint32_t>(file[13]) << 24);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(file.data() + 14);
  int w, h;
  if (info->bmiHeader.biSize == 12) {
    const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(info);
    w = core->bcWidth;
    h = core->bcHeight;
  } else {
    w = info->bmiHeader.biWidth;
    h = std::abs(info->bmiHeader.biHeight);
  }
  TBitmap target(w, h);
  HDC dc = target.Canvas()->Handle();
  PatBlt(dc, 0, 0, w, h, BLACKNESS);
  int lines = SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                                static_cast<UINT>(h), file.data() + off, info, DIB_RGB_COLORS);
  if (lines == 0) return false;
  out = test::BitmapImage(target);
  return true;
}

void ExpectSamePixels(const TPixelImage& a, const TPixelImage& b, const std::string& what) {
  ASSERT_EQ(a.Width(), b.Width()) << what;
  ASSERT_EQ(a.Height(), b.Height()) << what;
  int bad = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.At(x, y) != b.At(x, y) && bad++ < 5)
        ADD_FAILURE() << what << ": pixel (" << x << "," << y << ") " << std::hex << a.At(x, y) << " vs " << b.At(x, y);
}

TPixelImage Decoded(const Bytes& file) {
  TDecodedBmp d = DecodeBmp(file.data(), file.size());
  TPixelImage img(d.Width, d.Height);
  for (int y = 0; y < d.Height; ++y)
    std::memcpy(img.Row(y), d.Bits.data() + static_cast<size_t>(y) * d.RowBytes, static_cast<size_t>(d.Width) * 3);
  return img;
}

struct TNamedBmp {
  std::string Name;
  TBmpFile File;
  bool PlatformOracle = true;
};

std::vector<TNamedBmp> AllKinds() {
  std::vector<TNamedBmp> v;
  v.push_back({"1-bit", Indexed(1, 19, 7)});
  v.push_back({"1-bit top-down", Indexed(1, 33, 5, true)});
  v.push_back({"4-bit", Indexed(4, 11, 6)});
  v.push_back({"4-bit short palette", Indexed(4, 9, 4, false, 12)});
  v.push_back({"8-bit", Indexed(8, 17, 9)});
  v.push_back({"8-bit top-down", Indexed(8, 6, 5, true)});
  v.push_back({"8-bit 100 colours", Indexed(8, 21, 3, false, 100)});
  v.push_back({"16-bit 555", Rgb16(false, 9, 7)});
  v.push_back({"16-bit 565 bit fields", Rgb16(true, 10, 4)});
  v.push_back({"24-bit", TrueColor(24, 7, 5)});
  v.push_back({"24-bit top-down", TrueColor(24, 5, 8, true)});
  v.push_back({"32-bit", TrueColor(32, 6, 6)});
  v.push_back({"32-bit top-down", TrueColor(32, 3, 4, true)});
  v.push_back({"32-bit bit fields", Rgb32Fields(5, 5, 40)});
  v.push_back({"32-bit bit fields, V4 header", Rgb32Fields(4, 3, 108)});
  v.push_back({"RLE8", Rle(false)});
  v.push_back({"RLE4", Rle(true)});
  {
    TBmpFile f = Indexed(8, 7, 4);
    f.HeaderSize = 12;
    v.push_back({"8-bit core header", f});
  }
  {
    TBmpFile f = TrueColor(24, 9, 3);
    f.HeaderSize = 124;
    v.push_back({"24-bit V5 header", f});
  }
  return v;
}

TEST(BmpDecodeTest, EveryDepthGivesThePixelsTheFileDescribes) {
  for (const TNamedBmp& k : AllKinds()) {
    Bytes file = k.File.Build();
    TPixelImage mine;
    ASSERT_NO_THROW(mine = Decoded(file)) << k.Name;
    ExpectSamePixels(mine, k.File.Expected, k.Name);
  }
}

TEST(BmpDecodeTest, AgreesWithThePlatformReader) {
  int compared = 0;
  for (const TNamedBmp& k : AllKinds()) {
    Bytes file = k.File.Build();
    TPixelImage platform;
    if (!PlatformDecode(file, platform)) {
      // Some platform versions do not read every variant (RLE4, V5); the rules above still hold.
      continue;
    }
    ++compared;
    ExpectSamePixels(Decoded(file), platform, k.Name + " (platform)");
  }
  EXPECT_GE(compared, 17);
}

TEST(BmpDecodeTest, TBitmapLoadsEveryDepthIntoItsDib) {
  for (const TNamedBmp& k : AllKinds()) {
    Bytes file = k.File.Build();
    TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
    stream.SetPosition(0);
    TBitmap bmp;
    ASSERT_NO_THROW(bmp.LoadFromStream(stream)) << k.Name;
    EXPECT_EQ(bmp.PixelFormat(), pf24bit);
    ExpectSamePixels(test::BitmapImage(bmp), k.File.Expected, k.Name + " via TBitmap");
    // Canvas reads agree with the scan lines (row 0 is the top).
    EXPECT_EQ(bmp.Canvas()->Pixels(0, 0), k.File.Expected.At(0, 0)) << k.Name;
    EXPECT_EQ(bmp.Canvas()->Pixels(bmp.Width() - 1, bmp.Height() - 1),
              k.File.Expected.At(bmp.Width() - 1, bmp.Height() - 1))
        << k.Name;
  }
}

TEST(BmpDecodeTest, EveryTruncationIsRejectedOrHarmless) {
  for (const TNamedBmp& k : AllKinds()) {
    Bytes file = k.File.Build();
    bool rle = k.File.Compression == BI_RLE8 || k.File.Compression == BI_RLE4;
    for (size_t len = 0; len < file.size(); ++len) {
      Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(len));
      try {
        TPixelImage img = Decoded(cut);
        // Only an RLE stream cut after its last row may still decode, and then to the same picture.
        ASSERT_TRUE(rle) << k.Name << " cut at " << len << " decoded";
        ExpectSamePixels(img, k.File.Expected, k.Name + " cut");
      } catch (const EInvalidGraphic&) {
      }
    }
  }
}

// Each lie is applied to a valid 8-bit file (offsets: file header 0, info header 14).
TEST(BmpDecodeTest, LyingHeadersAreRejected) {
  const Bytes good = Indexed(8, 17, 9).Build();
  const Bytes good16 = Rgb16(true, 10, 4).Build();
  const Bytes goodRle = Rle(false).Build();
  struct Lie {
    const char* Name;
    const Bytes* Base;
    std::function<void(Bytes&)> Apply;
  };
  const Lie lies[] = {
      {"not BM", &good, [](Bytes& b) { b[1] = 'X'; }},
      {"pixel offset past the end", &good, [](Bytes& b) { Put32(b, 10, static_cast<uint32_t>(b.size() + 1)); }},
      {"pixel offset inside the header", &good, [](Bytes& b) { Put32(b, 10, 20); }},
      {"pixel offset 0", &good, [](Bytes& b) { Put32(b, 10, 0); }},
      {"pixel offset huge", &good, [](Bytes& b) { Put32(b, 10, 0xFFFFFFF0u); }},
      {"header size 0", &good, [](Bytes& b) { Put32(b, 14, 0); }},
      {"header size 41", &good, [](Bytes& b) { Put32(b, 14, 41); }},
      {"header size beyond the file", &good, [](Bytes& b) { Put32(b, 14, 0x7FFFFFF0u); }},
      {"header size 64 (other format)", &good, [](Bytes& b) { Put32(b, 14, 64); }},
      {"width 0", &good, [](Bytes& b) { Put32(b, 18, 0); }},
      {"negative width", &good, [](Bytes& b) { Put32(b, 18, static_cast<uint32_t>(-17)); }},
      {"height 0", &good, [](Bytes& b) { Put32(b, 22, 0); }},
      {"height INT_MIN", &good, [](Bytes& b) { Put32(b, 22, 0x80000000u); }},
      {"width larger than the data", &good, [](Bytes& b) { Put32(b, 18, 1000); }},
      {"height larger than the data", &good, [](Bytes& b) { Put32(b, 22, 1000); }},
      {"huge dimensions", &good, [](Bytes& b) { Put32(b, 18, 30000); Put32(b, 22, 30000); }},
      {"dimensions past the limit", &good, [](Bytes& b) { Put32(b, 18, 40000); }},
      {"zero planes", &good, [](Bytes& b) { Put16(b, 26, 0); }},
      {"7 bits per pixel", &good, [](Bytes& b) { Put16(b, 28, 7); }},
      {"0 bits per pixel", &good, [](Bytes& b) { Put16(b, 28, 0); }},
      {"64 bits per pixel", &good, [](Bytes& b) { Put16(b, 28, 64); }},
      {"JPEG compression", &good, [](Bytes& b) { Put32(b, 30, BI_JPEG); }},
      {"unknown compression", &good, [](Bytes& b) { Put32(b, 30, 77); }},
      {"RLE8 on 24 bits", &good, [](Bytes& b) { Put16(b, 28, 24); Put32(b, 30, BI_RLE8); }},
      {"palette count huge", &good, [](Bytes& b) { Put32(b, 46, 0x10000000u); }},
      {"palette count 257", &good, [](Bytes& b) { Put32(b, 46, 257); }},
      {"bit fields on 8 bits", &good, [](Bytes& b) { Put32(b, 30, BI_BITFIELDS); }},
      {"bit field mask with a hole", &good16, [](Bytes& b) { Put32(b, 54, 0xF0F0); }},
      {"RLE top-down", &goodRle, [](Bytes& b) { Put32(b, 22, static_cast<uint32_t>(-6)); }},
      {"RLE absolute run past the end", &goodRle,
       [](Bytes& b) {
         b.resize(b.size() - 4);  // before the last end of line
         b.insert(b.end(), {0, 200, 1, 2});
       }},
      {"RLE delta past the end", &goodRle,
       [](Bytes& b) {
         b.resize(b.size() - 4);
         b.insert(b.end(), {0, 2});
       }},
  };
  for (const Lie& lie : lies) {
    Bytes b = *lie.Base;
    lie.Apply(b);
    EXPECT_THROW((void)DecodeBmp(b.data(), b.size()), EInvalidGraphic) << lie.Name;
  }
}

// Runs of 255 pixels, all but the first two past the right edge of a 2 x 1 picture, that add up
// to more than 2^31 columns, then one run of the other colour. Past the edge nothing is painted,
// however far the stream goes. (A column counted in a signed 32-bit number would wrap to a
// negative value, and that pixel would be written some 2 GB away from the picture.)
TEST(BmpDecodeTest, RunsFarPastTheRightEdgePaintNothing) {
  TBmpFile f;
  f.Width = 2;
  f.Height = 1;
  f.Bpp = 8;
  f.Compression = BI_RLE8;
  f.Palette = {Rgb(10, 20, 30), Rgb(200, 100, 50)};
  const uint32_t columns = (uint32_t{1} << 31) + 255;
  f.Pixels.assign(2 * static_cast<size_t>(columns / 255), 0);  // (255, colour 0) pairs
  for (size_t i = 0; i < f.Pixels.size(); i += 2) f.Pixels[i] = 255;
  f.Pixels.insert(f.Pixels.end(), {static_cast<uint8_t>(columns % 255), 0});
  f.Pixels.insert(f.Pixels.end(), {1, 1, 0, 1});  // one pixel of colour 1, end of bitmap
  const Bytes file = f.Build();
  TDecodedBmp d = DecodeBmp(file.data(), file.size());
  ASSERT_EQ(d.Width, 2);
  ASSERT_EQ(d.Height, 1);
  for (int x = 0; x < 2; ++x) {
    const uint8_t* p = d.Bits.data() + 3 * x;
    EXPECT_EQ(Rgb(p[2], p[1], p[0]), f.Palette[0]) << x;
  }
}

TEST(BmpDecodeTest, RandomDamageNeverEscapesAsAnythingButEInvalidGraphic) {
  std::mt19937 rng(20240601);
  int rejected = 0, decoded = 0;
  for (const TNamedBmp& k : AllKinds()) {
    const Bytes file = k.File.Build();
    for (int round = 0; round < 300; ++round) {
      Bytes b = file;
      int edits = 1 + static_cast<int>(rng() % 4);
      for (int e = 0; e < edits; ++e) {
        // Mostly the headers and palette, sometimes the pixels.
        size_t limit = (rng() % 4) ? std::min<size_t>(b.size(), 80) : b.size();
        b[rng() % limit] = static_cast<uint8_t>(rng());
      }
      if (rng() % 5 == 0) b.resize(rng() % b.size());
      try {
        TDecodedBmp d = DecodeBmp(b.data(), b.size());
        ASSERT_GT(d.Width, 0);
        ASSERT_GT(d.Height, 0);
        ASSERT_EQ(d.Bits.size(), static_cast<size_t>(d.RowBytes) * d.Height);
        ++decoded;
      } catch (const EInvalidGraphic&) {
        ++rejected;
      }
    }
  }
  EXPECT_GT(rejected, 0);
  EXPECT_GT(decoded, 0);
}

TEST(BmpDecodeTest, AFailedLoadLeavesTheBitmapAsItWas) {
  TBitmap bmp(4, 3);
  bmp.Canvas()->SetPixels(1, 1, clRed);
  Bytes bad = Indexed(8, 5, 5).Build();
  bad.resize(bad.size() - 1);
  EXPECT_THROW(bmp.LoadFromBuffer(bad.data(), bad.size()), EInvalidGraphic);
  EXPECT_EQ(bmp.Width(), 4);
  EXPECT_EQ(bmp.Height(), 3);
  EXPECT_EQ(bmp.Canvas()->Pixels(1, 1), clRed);
}

TEST(BmpDecodeTest, PackedDibWithoutFileHeader) {
  TBmpFile f = Indexed(4, 7, 3);
  Bytes file = f.Build();
  Bytes packed(file.begin() + 14, file.end());
  TDecodedBmp d = DecodePackedDib(packed.data(), packed.size());
  ASSERT_EQ(d.Width, 7);
  ASSERT_EQ(d.Height, 3);
  const uint8_t* p = d.Bits.data() + 2 * d.RowBytes + 3 * 6;  // (6, 2)
  EXPECT_EQ(Rgb(p[2], p[1], p[0]), f.Expected.At(6, 2));
  EXPECT_THROW((void)DecodePackedDib(packed.data(), packed.size() - 1), EInvalidGraphic);
}

}  // namespace
}  // namespace korv
