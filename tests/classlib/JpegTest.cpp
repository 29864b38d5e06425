// JPEG pictures made here with libjpeg's compressor, decoded by TJPEGImage and compared with
// what was encoded (within JPEG's tolerance); damaged data rejected cleanly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "classlib/Jpeg.h"
#include "classlib/Streaming.h"
#include "support/JpegEncoder.h"
#include "support/Pixels.h"

namespace korv {
namespace {

using Bytes = std::vector<uint8_t>;
using test::BitmapImage;
using test::ColorDistance;
using test::TPixelImage;

TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

// Four flat quadrants on 16-pixel boundaries, so chroma subsampling keeps each one clean.
const TColor kQuadrants[4] = {Rgb(220, 30, 40), Rgb(20, 200, 60), Rgb(30, 50, 210), Rgb(200, 180, 40)};
TColor QuadrantColour(int x, int y, int w, int h) { return kQuadrants[(x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0)]; }

Bytes QuadrantJpeg(int w, int h, bool progressive = false) {
  test::TEncodeOptions o;
  o.Progressive = progressive;
  return test::EncodeJpeg(
      w, h,
      [w, h](int x, int y, uint8_t* p) {
        TColor c = QuadrantColour(x, y, w, h);
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
      },
      o);
}

// Every pixel at least `margin` away from a quadrant border is within `tolerance` of its colour.
void ExpectQuadrants(const TPixelImage& img, int w, int h, int margin, int tolerance) {
  ASSERT_EQ(img.Width(), w);
  ASSERT_EQ(img.Height(), h);
  int worst = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (std::abs(x - w / 2) < margin || std::abs(y - h / 2) < margin) continue;
      worst = std::max(worst, ColorDistance(img.At(x, y), QuadrantColour(x, y, w, h)));
    }
  EXPECT_LE(worst, tolerance);
}

TPixelImage Image(const TDecodedBmp& d) {
  TPixelImage img(d.Width, d.Height);
  for (int y = 0; y < d.Height; ++y)
    std::memcpy(img.Row(y), d.Bits.data() + static_cast<size_t>(y) * d.RowBytes, static_cast<size_t>(d.Width) * 3);
  return img;
}

TEST(JpegDecodeTest, ColourPictureDecodesToTheEncodedColours) {
  Bytes jpg = QuadrantJpeg(64, 48);
  ExpectQuadrants(Image(DecodeJpeg(jpg.data(), jpg.size())), 64, 48, 4, 8);
}

TEST(JpegDecodeTest, ProgressiveAndOddSizes) {
  Bytes jpg = QuadrantJpeg(96, 64, true);
  ExpectQuadrants(Image(DecodeJpeg(jpg.data(), jpg.size())), 96, 64, 4, 8);
  Bytes odd = QuadrantJpeg(37, 21);
  TDecodedBmp d = DecodeJpeg(odd.data(), odd.size());
  EXPECT_EQ(d.Width, 37);
  EXPECT_EQ(d.Height, 21);
  EXPECT_LE(ColorDistance(Image(d).At(2, 2), kQuadrants[0]), 10);
}

TEST(JpegDecodeTest, GreyPictureBecomesEqualChannels) {
  test::TEncodeOptions o;
  o.Space = JCS_GRAYSCALE;
  o.Components = 1;
  Bytes jpg = test::EncodeJpeg(64, 8, [](int x, int, uint8_t* p) { p[0] = static_cast<uint8_t>(x * 4); }, o);
  TPixelImage img = Image(DecodeJpeg(jpg.data(), jpg.size()));
  for (int x = 0; x < 64; ++x) {
    TColor c = img.At(x, 4);
    EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF);
    EXPECT_EQ(c & 0xFF, (c >> 16) & 0xFF);
    EXPECT_LE(std::abs((c & 0xFF) - x * 4), 6) << x;
  }
}

// CMYK with the Adobe marker libjpeg writes: stored values are inverted ink (the common
// convention), so stored (C, M, Y, K) = (r, g, b, 255) is the colour (r, g, b).
TEST(JpegDecodeTest, CmykPictureIsConvertedToRgb) {
  test::TEncodeOptions o;
  o.Space = JCS_CMYK;
  o.Components = 4;
  Bytes jpg = test::EncodeJpeg(
      32, 32,
      [](int, int, uint8_t* p) {
        p[0] = 200;
        p[1] = 100;
        p[2] = 50;
        p[3] = 255;
      },
      o);
  TPixelImage img = Image(DecodeJpeg(jpg.data(), jpg.size()));
  EXPECT_LE(ColorDistance(img.At(16, 16), Rgb(200, 100, 50)), 6);
}

TEST(JpegDecodeTest, DamagedDataRaisesEInvalidGraphic) {
  Bytes jpg = QuadrantJpeg(64, 48, true);
  EXPECT_THROW((void)DecodeJpeg(jpg.data(), 0), EInvalidGraphic);
  EXPECT_THROW((void)DecodeJpeg(nullptr, 100), EInvalidGraphic);
  const uint8_t garbage[] = "this is not a picture at all, just some text";
  EXPECT_THROW((void)DecodeJpeg(garbage, sizeof garbage), EInvalidGraphic);
  // Every cut of the file fails cleanly (the end-of-image marker is its last two bytes).
  for (size_t len = 0; len + 2 < jpg.size(); len += 7)
    EXPECT_THROW((void)DecodeJpeg(jpg.data(), len), EInvalidGraphic) << "cut at " << len;
  // Random damage either decodes or fails with EInvalidGraphic; nothing else gets out.
  std::mt19937 rng(7);
  int rejected = 0;
  for (int round = 0; round < 300; ++round) {
    Bytes b = jpg;
    int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits; ++e) b[rng() % b.size()] = static_cast<uint8_t>(rng());
    try {
      TDecodedBmp d = DecodeJpeg(b.data(), b.size());
      ASSERT_GT(d.Width, 0);
      ASSERT_EQ(d.Bits.size(), static_cast<size_t>(d.RowBytes) * d.Height);
    } catch (const EInvalidGraphic& e) {
      ++rejected;
      EXPECT_EQ(std::string(e.what()).rfind("JPEG error: ", 0), 0u);
    }
  }
  EXPECT_GT(rejected, 0);
}

TEST(JpegImageTest, LoadsDrawsAndSavesTheOriginalBytes) {
  Bytes jpg = QuadrantJpeg(64, 48);
  TMemoryStream in;
  in.WriteBuffer(jpg.data(), static_cast<int32_t>(jpg.size()));
  in.SetPosition(0);
  TJPEGImage j;
  EXPECT_TRUE(j.Empty());
  j.LoadFromStream(in);
  EXPECT_FALSE(j.Empty());
  EXPECT_EQ(j.Width(), 64);
  EXPECT_EQ(j.Height(), 48);
  EXPECT_THROW(j.SetWidth(10), EInvalidGraphicOperation);

  TMemoryStream out;
  j.SaveToStream(out);
  ASSERT_EQ(out.Size(), static_cast<int64_t>(jpg.size()));
  EXPECT_EQ(std::memcmp(out.Memory(), jpg.data(), jpg.size()), 0);

  // Drawn onto a canvas at an offset, and into a bitmap by Assign.
  TBitmap target(80, 60);
  target.Canvas()->Draw(10, 5, &j);
  TPixelImage onCanvas = BitmapImage(target);
  EXPECT_EQ(onCanvas.At(5, 2), clWhite);
  EXPECT_LE(ColorDistance(onCanvas.At(10 + 5, 5 + 5), kQuadrants[0]), 8);
  EXPECT_LE(ColorDistance(onCanvas.At(10 + 60, 5 + 40), kQuadrants[3]), 8);
  TBitmap copy;
  copy.Assign(&j);
  ExpectQuadrants(BitmapImage(copy), 64, 48, 4, 8);
  TBitmap half(32, 24);
  half.Canvas()->StretchDraw(Rect(0, 0, 32, 24), &j);
  EXPECT_LE(ColorDistance(half.Canvas()->Pixels(30, 22), kQuadrants[3]), 10);

  TJPEGImage k;
  k.Assign(&j);
  EXPECT_EQ(k.Data(), j.Data());
  EXPECT_EQ(k.Width(), 64);
  k.Assign(nullptr);
  EXPECT_TRUE(k.Empty());
  TMemoryStream none;
  k.SaveToStream(none);
  EXPECT_EQ(none.Size(), 0);
}

TEST(JpegImageTest, AFailedLoadKeepsThePreviousPicture) {
  Bytes jpg = QuadrantJpeg(32, 32);
  TJPEGImage j;
  j.LoadFromBuffer(jpg.data(), jpg.size());
  Bytes cut(jpg.begin(), jpg.begin() + static_cast<std::ptrdiff_t>(jpg.size() / 2));
  EXPECT_THROW(j.LoadFromBuffer(cut.data(), cut.size()), EInvalidGraphic);
  EXPECT_EQ(j.Width(), 32);
  EXPECT_EQ(j.Data(), jpg);
  std::string path = GetTempDir() + "korv_jpeg_test.jpg";
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer(jpg.data(), static_cast<int32_t>(jpg.size()));
  }
  TJPEGImage fromFile;
  fromFile.LoadFromFile(path);
  EXPECT_EQ(fromFile.Data(), jpg);
  DeleteFileA(path.c_str());
}

TEST(JpegImageTest, ManyLoadsAndDrawsLeaveNoGdiObjects) {
  Bytes jpg = QuadrantJpeg(48, 32);
  TBitmap target(60, 40);
  auto cycle = [&] {
    TJPEGImage j;
    j.LoadFromBuffer(jpg.data(), jpg.size());
    target.Canvas()->Draw(1, 1, &j);
    TBitmap b;
    b.Assign(&j);
    try {
      j.LoadFromBuffer(jpg.data(), 10);
    } catch (const EInvalidGraphic&) {
    }
  };
  cycle();
  DWORD before = test::GdiObjectCount();
  for (int i = 0; i < 200; ++i) cycle();
  EXPECT_EQ(test::GdiObjectCount(), before);
}

// A stored texture keeps its JPEG bytes through component streaming.
class TTextureHolder : public TComponent {
  KORV_CLASS(TTextureHolder, TComponent)
 public:
  explicit TTextureHolder(TComponent* owner) : TComponent(owner) {}
  [[nodiscard]] TJPEGImage* Image() const { return FImage.get(); }

 private:
  std::unique_ptr<TJPEGImage> FImage = std::make_unique<TJPEGImage>();
};
const TPropInfo kTextureProps[] = {KORV_PROP_OBJECT(TTextureHolder, Image)};
KORV_DEFINE_PROPS(TTextureHolder, kTextureProps);
KORV_DEFINE_CLASS(TTextureHolder, TComponent, &CreateComponent<TTextureHolder>, &TTextureHolder_PropTable);

TEST(JpegImageTest, StreamsAsItsOriginalBytes) {
  Bytes jpg = QuadrantJpeg(40, 24);
  const std::unique_ptr<TTextureHolder> aPtr(NewComponent<TTextureHolder>(nullptr));
  TTextureHolder& a = *aPtr;
  a.Image()->LoadFromBuffer(jpg.data(), jpg.size());
  std::vector<uint8_t> data = ComponentToBytes(&a);
  const std::unique_ptr<TTextureHolder> bPtr(NewComponent<TTextureHolder>(nullptr));
  TTextureHolder& b = *bPtr;
  ReadComponentFromMemory(data.data(), data.size(), &b);
  EXPECT_EQ(b.Image()->Data(), jpg);
  EXPECT_EQ(b.Image()->Width(), 40);
  ExpectQuadrants(BitmapImage(b.Image()->Bitmap()), 40, 24, 4, 8);
}

}  // namespace
}  // namespace korv
