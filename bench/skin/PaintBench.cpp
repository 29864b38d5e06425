#include "PaintBench.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Graphics.h"
#include "skin/paint/sBlend.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopy.h"

namespace korv::bench {

namespace {

constexpr int kW = 1280, kH = 1024;

// Deterministic pixel noise.
void Fill(TBitmap& bmp, uint32_t seed) {
  const TsPixels24 px = BitmapPixels(&bmp);
  for (int y = 0; y < px.Height; ++y) {
    uint8_t* p = px.Row(y);
    for (int i = 0; i < px.Width * 3; ++i) {
      seed = seed * 1103515245u + 12345u;
      p[i] = static_cast<uint8_t>(seed >> 16);
    }
  }
}

void PutPixel(TBitmap& bmp, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
  uint8_t* p = bmp.ScanLine(y) + x * 3;
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

// A masked image of w x 2h: the picture (noise, a key-colour pixel every 37th and the key
// colour in its corners) over a grey mask (a gradient, white under the key colour).
std::unique_ptr<TBitmap> MaskedImage(int w, int h) {
  auto bmp = std::make_unique<TBitmap>(w, 2 * h);
  Fill(*bmp, 7);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool key = (x + y * w) % 37 == 0 || (x < 3 && y < 3) || (x >= w - 3 && y >= h - 3);
      if (key) PutPixel(*bmp, x, y, 0xFF, 0, 0xFF);
      const uint8_t m = key ? 255 : static_cast<uint8_t>((x * 7 + y * 3) % 256);
      PutPixel(*bmp, x, y + h, m, m, m);
    }
  return bmp;
}

class Goals {
 public:
  void Check(const Comparison& c, double most, const char* what) {
    if (c.Title.empty() || c.Baseline.Samples.empty()) return;
    const bool met = c.Ratio <= most;
    FAll = FAll && met;
    std::printf("  goal     at most %.2fx %s: %s\n", most, what, met ? "met" : "MISSED");
    std::fflush(stdout);
  }
  [[nodiscard]] bool All() const noexcept { return FAll; }

 private:
  bool FAll = true;
};

}  // namespace

bool SkinPaintBenches(Runner& run) {
  TBitmap dst(kW, kH), src(kW, kH), mask(kW, kH), cache(kW + 40, kH + 40);
  Fill(dst, 1);
  Fill(src, 2);
  Fill(mask, 3);
  Fill(cache, 4);
  for (int y = 0; y < kH; y += 5)  // some key-colour pixels the key blend skips
    for (int x = y % 7; x < kW; x += 11) PutPixel(src, x, y, 0xFF, 0, 0xFF);
  const std::unique_ptr<TBitmap> image = MaskedImage(kW, kH);
  TCacheInfo ci;
  InitCacheInfo(ci, &cache, 20, 20);
  const size_t bytes = static_cast<size_t>(kW) * kH * 3;
  run.SetBytesPerIteration(static_cast<int64_t>(bytes));

  // The baseline: one frame's bytes copied between two DIB sections.
  const uint8_t* srcBits = BitmapPixels(&src).Row(kH - 1);  // lowest address of the bottom-up rows
  std::vector<uint8_t> copyTo(bytes);
  const Body memcpyFrame{"memcpy of the frame", [&] {
                           std::memcpy(copyTo.data(), srcBits, bytes);
                           DoNotOptimize(copyTo.data());
                         }};
  Goals goals;
  const TRect frame = Rect(0, 0, kW, kH);

  goals.Check(run.Compare("BlendBmpRect (TacFastSum24.Blend), alpha 96", memcpyFrame,
                          Body{"BlendBmpRect", [&] { BlendBmpRect(&dst, &src, 96, Point(0, 0), frame); }}),
              5, "the memcpy");

  // The colour changes every call, so the tables are made every time, as for a new control.
  int flip = 0;
  const Body colorRect{"BlendColorRect", [&] {
                         BlendColorRect(&dst, Rect(0, 0, kW - 1, kH - 1), 40, (flip ^= 1) ? 0x3080C0 : 0x3080C1);
                       }};
  goals.Check(run.Compare("BlendColorRect, 40 percent", memcpyFrame, colorRect), 5, "the memcpy");
  const Body colorFormula{"the formula per channel in doubles", [&] {
                            const TsPixels24 px = BitmapPixels(&dst);
                            const double k = 0.4;
                            const int c[3] = {0xC0, 0x80, (flip ^= 1) ? 0x30 : 0x31};
                            for (int y = 0; y < px.Height; ++y) {
                              uint8_t* p = px.Row(y);
                              for (int x = 0; x < px.Width * 3; ++x)
                                p[x] = static_cast<uint8_t>(std::lrint(p[x] * k + c[x % 3] * (1 - k)));
                            }
                          }};
  goals.Check(run.Compare("BlendColorRect beside the per-pixel formula", colorFormula, colorRect), 0.2,
              "the per-pixel formula");

  goals.Check(run.Compare("BlendByKeyColor, k 0.4, keyed", memcpyFrame,
                          Body{"BlendByKeyColor", [&] { BlendByKeyColor(&dst, 0, 0, 0xFF00FF, 0.4, frame, &src); }}),
              5, "the memcpy");
  double k = 0.3;
  run.Compare("BlendByKeyColor with a new factor every call (its table made)", memcpyFrame,
              Body{"BlendByKeyColor", [&] {
                     k += 1e-9;
                     BlendByKeyColor(&dst, 0, 0, 0xFF00FF, k, frame, &src);
                   }});

  goals.Check(run.Compare("MultiplyByMask", memcpyFrame,
                          Body{"MultiplyByMask", [&] { MultiplyByMask(&dst, &mask, 0x204060); }}),
              5, "the memcpy");

  goals.Check(run.Compare("BlendRectWithBmp, 4 steps", memcpyFrame,
                          Body{"BlendRectWithBmp", [&] { BlendRectWithBmp(&dst, frame, 30, 6, 4, 0x808080); }}),
              5, "the memcpy");

  // The default disabled look; greyed as well it is two passes, each a blend's worth.
  goals.Check(
      run.Compare("PaintControlImage, blended over a cache", memcpyFrame,
                  Body{"PaintControlImage", [&] { PaintControlImage(&dst, dkBlended, 0xC0C0C0, Point(0, 0), ci); }}),
      5, "the memcpy");
  goals.Check(run.Compare("PaintControlImage, greyed and blended over a cache", memcpyFrame,
                          Body{"PaintControlImage",
                               [&] { PaintControlImage(&dst, dkGrayed | dkBlended, 0xC0C0C0, Point(0, 0), ci); }}),
              10, "the memcpy (two passes)");
  goals.Check(run.Compare("GrayScale", memcpyFrame, Body{"GrayScale", [&] { GrayScale(BitmapPixels(&dst)); }}), 5,
              "the memcpy");
  goals.Check(
      run.Compare(
          "masked copy over a parent cache", memcpyFrame,
          Body{"CopyMasked", [&] { CopyMasked(BitmapPixels(&dst), 0, 0, BitmapPixels(image.get()), frame, kH, &ci); }}),
      10, "the memcpy");

  TsMaskData glyph;
  glyph.R = Rect(0, 0, kW, 2 * kH);
  glyph.ImageCount = 1;
  glyph.MaskType = 1;
  goals.Check(run.Compare("DrawSkinGlyph, one frame-sized frame, lighter mode", memcpyFrame,
                          Body{"DrawSkinGlyph", [&] { DrawSkinGlyph(&dst, Point(0, 0), 0, glyph, image.get(), 0); }}),
              10, "the memcpy");

  // A border image of three states, 16 x 16 cells, at the top-left of the master bitmap.
  TsMaskData border;
  border.R = Rect(0, 0, 3 * 3 * 16, 2 * 3 * 16);
  border.ImageCount = 3;
  border.MaskType = 1;
  const std::unique_ptr<TBitmap> master = MaskedImage(3 * 3 * 16, 3 * 16);
  goals.Check(
      run.Compare("PaintRectByMask, tiled, with the middle, over a cache", memcpyFrame,
                  Body{"PaintRectByMask", [&] { PaintRectByMask(&dst, frame, 1, border, master.get(), true, &ci); }}),
      10, "the memcpy");
  border.StretchMode = 1;
  goals.Check(
      run.Compare("PaintRectByMask, stretched, with the middle, over a cache", memcpyFrame,
                  Body{"PaintRectByMask", [&] { PaintRectByMask(&dst, frame, 1, border, master.get(), true, &ci); }}),
      10, "the memcpy");

  run.Compare("CreateBmp24 of the frame's size", memcpyFrame, Body{"CreateBmp24", [&] {
                                                                     auto b = CreateBmp24(kW, kH);
                                                                     DoNotOptimize(b.get());
                                                                   }});
  run.Compare("TacFast24.Pixel over every pixel", memcpyFrame, Body{"TacFast24.Pixel", [&] {
                                                                      TacFast24 f;
                                                                      f.Attach(&src);
                                                                      uint32_t sum = 0;
                                                                      for (int y = 0; y < f.Height; ++y)
                                                                        for (int x = 0; x < f.Width; ++x)
                                                                          sum += static_cast<uint32_t>(f.Pixel(x, y));
                                                                      DoNotOptimize(sum);
                                                                    }});
  return goals.All();
}

}  // namespace korv::bench
