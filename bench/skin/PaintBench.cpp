#include "PaintBench.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Graphics.h"
#include "classlib/Handles.h"
#include "skin/paint/sBlend.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopy.h"

namespace korv::bench {

namespace {

constexpr int kW = 1280, kH = 1024;
// The pool the memory floor copies from: far more than any processor's caches hold.
constexpr size_t kPoolBytes = size_t{96} << 20;

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

// What a program gives the platform's AlphaBlend for a picture with a mask: a 32-bit bitmap with
// premultiplied alpha, in a memory DC of its own.
class TArgbImage {
 public:
  TArgbImage(int w, int h)
      : FBmp(Make(w, h, FBits)), FDC(CreateCompatibleDC(nullptr)), FSelect(FDC.Get(), FBmp.Get()) {}
  [[nodiscard]] HDC DC() const noexcept { return FDC.Get(); }
  // Pixel (x, y) with the source weight a (0 transparent, 255 opaque) of the colour b, g, r.
  void Put(int x, int y, int width, uint8_t a, uint8_t b, uint8_t g, uint8_t r) noexcept {
    FBits[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
        static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r * a / 255) << 16 |
        static_cast<uint32_t>(g * a / 255) << 8 | static_cast<uint32_t>(b * a / 255);
  }

 private:
  static HBITMAP Make(int w, int h, uint32_t*& bits) {
    BITMAPINFO bi{};
    bi.bmiHeader = DibHeader(w, -h, 32);  // top-down
    void* p = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    if (!bmp || !p) {
      std::fprintf(stderr, "no 32-bit bitmap of %d x %d\n", w, h);
      std::exit(1);
    }
    bits = static_cast<uint32_t*>(p);
    return bmp;
  }
  uint32_t* FBits = nullptr;
  TUniqueBitmap FBmp;
  TUniqueDC FDC;
  TSelectGuard FSelect;
};

// The picture of a masked image (w x h over its mask h rows below) as AlphaBlend takes it: the
// mask byte is the weight of what lies under the picture, the key colour lets everything through.
std::unique_ptr<TArgbImage> ArgbOf(TBitmap& masked, int w, int h, int maskAdd = 0) {
  auto out = std::make_unique<TArgbImage>(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = masked.ScanLine(y) + x * 3;
      const bool key = p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF;
      const int m = std::min(255, masked.ScanLine(y + h)[x * 3] + maskAdd);
      out->Put(x, y, w, key ? 0 : static_cast<uint8_t>(255 - m), p[0], p[1], p[2]);
    }
  GdiFlush();
  return out;
}

// A colour through a grey mask, as AlphaBlend takes it (the weight of the colour 255 - mask).
std::unique_ptr<TArgbImage> ArgbColorThrough(TBitmap& mask, TColor color) {
  const int w = mask.Width(), h = mask.Height();
  auto out = std::make_unique<TArgbImage>(w, h);
  const TColor c = ColorToRGB(color);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out->Put(x, y, w, static_cast<uint8_t>(255 - mask.ScanLine(y)[x * 3]), GetBValue(c), GetGValue(c), GetRValue(c));
  GdiFlush();
  return out;
}

// The platform's AlphaBlend of the whole frame: a constant source weight, or the source's own
// alpha (weight < 0).
void PlatformBlend(HDC dst, HDC src, int weight) {
  const BLENDFUNCTION f{AC_SRC_OVER, 0, static_cast<BYTE>(weight < 0 ? 255 : weight),
                        static_cast<BYTE>(weight < 0 ? AC_SRC_ALPHA : 0)};
  AlphaBlend(dst, 0, 0, kW, kH, src, 0, 0, kW, kH, f);
  GdiFlush();
}

// The nine pieces of a border image over rect, each drawn by the platform's call that stretches
// (StretchBlt, AlphaBlend): draw(dx, dy, dw, dh, sx, sy, sw, sh), the source in the image's
// picture.
void PlatformNine(const TacNinePieces& n, TRect r,
                  const std::function<void(int, int, int, int, int, int, int, int)>& draw) {
  const int l = r.left, t = r.top, w = RectWidth(r), h = RectHeight(r);
  const int iw = w - n.Left - n.Right, ih = h - n.Top - n.Bottom;
  const int fx = n.FrameX, fy = n.FrameY, rx = n.RightX(), by = n.BottomY(), cw = n.CellW, ch = n.CellH;
  draw(l, t, n.Left, n.Top, fx, fy, n.Left, n.Top);
  draw(r.right - n.Right, t, n.Right, n.Top, rx, fy, n.Right, n.Top);
  draw(l, r.bottom - n.Bottom, n.Left, n.Bottom, fx, by, n.Left, n.Bottom);
  draw(r.right - n.Right, r.bottom - n.Bottom, n.Right, n.Bottom, rx, by, n.Right, n.Bottom);
  draw(l + n.Left, t, iw, n.Top, fx + cw, fy, cw, n.Top);
  draw(l + n.Left, r.bottom - n.Bottom, iw, n.Bottom, fx + cw, by, cw, n.Bottom);
  draw(l, t + n.Top, n.Left, ih, fx, fy + ch, n.Left, ch);
  draw(r.right - n.Right, t + n.Top, n.Right, ih, rx, fy + ch, n.Right, ch);
  draw(l + n.Left, t + n.Top, iw, ih, fx + cw, fy + ch, cw, ch);
  GdiFlush();
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
  HDC dstDC = dst.Canvas()->Handle(), srcDC = src.Canvas()->Handle();
  Goals goals;
  const TRect frame = Rect(0, 0, kW, kH);

  // The memory floor: one frame's bytes copied, from a pool far larger than the caches (each copy
  // meets bytes the caches no longer hold), beside the same copy of one frame the caches keep.
  const uint8_t* srcBits = BitmapPixels(&src).Row(kH - 1);  // lowest address of the bottom-up rows
  std::vector<uint8_t> copyTo(bytes);
  const Body cachedCopy{"memcpy of one frame the caches hold", [&] {
                          std::memcpy(copyTo.data(), srcBits, bytes);
                          DoNotOptimize(copyTo.data());
                        }};
  const size_t frames = kPoolBytes / 2 / bytes;
  std::vector<uint8_t> pool(frames * 2 * bytes, 1);
  size_t next = 0;
  const Body memoryFloor{"memcpy of one frame from memory", [&] {
                           uint8_t* from = pool.data() + next * 2 * bytes;
                           std::memcpy(from + bytes, from, bytes);
                           DoNotOptimize(from);
                           next = (next + 1) % frames;
                         }};
  run.Compare(
      "the memory floor: memcpy of a 1280 x 1024 24-bit frame, out of " + std::to_string(pool.size() >> 20) + " MB",
      cachedCopy, memoryFloor);

  // ---- blends, beside the platform's AlphaBlend of the same frame ----
  // BlendBmpRect's alpha is the weight of the destination; AlphaBlend's that of the source.
  goals.Check(run.Compare("BlendBmpRect (TacFastSum24.Blend), alpha 96",
                          Body{"AlphaBlend, constant alpha", [&] { PlatformBlend(dstDC, srcDC, 255 - 96); }},
                          Body{"BlendBmpRect", [&] { BlendBmpRect(&dst, &src, 96, Point(0, 0), frame); }}),
              1, "the platform's AlphaBlend");

  // The colour changes every call, so the tables are made every time, as for a new control.
  int flip = 0;
  TBitmap colorFrame(kW, kH);
  colorFrame.Canvas()->Brush()->SetColor(0x3080C0);
  colorFrame.Canvas()->FillRect(frame);
  const Body colorRect{"BlendColorRect", [&] {
                         BlendColorRect(&dst, Rect(0, 0, kW - 1, kH - 1), 40, (flip ^= 1) ? 0x3080C0 : 0x3080C1);
                       }};
  goals.Check(run.Compare("BlendColorRect, 40 percent",
                          Body{"AlphaBlend of a frame of the colour",
                               [&] { PlatformBlend(dstDC, colorFrame.Canvas()->Handle(), 153); }},
                          colorRect),
              1, "the platform's AlphaBlend");
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

  // k is the weight of the destination.
  const Body blend60{"AlphaBlend, constant alpha", [&] { PlatformBlend(dstDC, srcDC, 153); }};
  goals.Check(run.Compare("BlendByKeyColor, k 0.4, keyed", blend60,
                          Body{"BlendByKeyColor", [&] { BlendByKeyColor(&dst, 0, 0, 0xFF00FF, 0.4, frame, &src); }}),
              1, "the platform's AlphaBlend");
  double k = 0.3;
  run.Compare("BlendByKeyColor with a new factor every call (its table made)", blend60,
              Body{"BlendByKeyColor", [&] {
                     k += 1e-9;
                     BlendByKeyColor(&dst, 0, 0, 0xFF00FF, k, frame, &src);
                   }});

  // A colour through a mask: AlphaBlend of the colour with the mask as its alpha.
  const std::unique_ptr<TArgbImage> colorThroughMask = ArgbColorThrough(mask, 0x204060);
  const Body perPixel{"AlphaBlend, per-pixel alpha", [&] { PlatformBlend(dstDC, colorThroughMask->DC(), -1); }};
  goals.Check(
      run.Compare("MultiplyByMask", perPixel, Body{"MultiplyByMask", [&] { MultiplyByMask(&dst, &mask, 0x204060); }}),
      1, "the platform's AlphaBlend");
  goals.Check(run.Compare("BlendRectWithBmp, 4 steps", perPixel,
                          Body{"BlendRectWithBmp", [&] { BlendRectWithBmp(&dst, frame, 30, 6, 4, 0x808080); }}),
              1, "the platform's AlphaBlend");

  // The default disabled look; greyed as well it is two passes, the blend's and a grey that the
  // platform has no counterpart for.
  goals.Check(
      run.Compare("PaintControlImage, blended over a cache", blend60,
                  Body{"PaintControlImage", [&] { PaintControlImage(&dst, dkBlended, 0xC0C0C0, Point(0, 0), ci); }}),
      1, "the platform's AlphaBlend");
  goals.Check(run.Compare("PaintControlImage, greyed and blended over a cache", blend60,
                          Body{"PaintControlImage",
                               [&] { PaintControlImage(&dst, dkGrayed | dkBlended, 0xC0C0C0, Point(0, 0), ci); }}),
              1, "the platform's AlphaBlend");
  run.Compare("GrayScale (no counterpart in the platform)", memoryFloor,
              Body{"GrayScale", [&] { GrayScale(BitmapPixels(&dst)); }});

  // ---- copies of skin images ----
  const std::unique_ptr<TArgbImage> argbImage = ArgbOf(*image, kW, kH);
  goals.Check(
      run.Compare(
          "masked copy over a parent cache",
          Body{"AlphaBlend of the picture, the mask as alpha", [&] { PlatformBlend(dstDC, argbImage->DC(), -1); }},
          Body{"CopyMasked", [&] { CopyMasked(BitmapPixels(&dst), 0, 0, BitmapPixels(image.get()), frame, kH, &ci); }}),
      1, "the platform's AlphaBlend");
  goals.Check(
      run.Compare("key-colour copy",
                  Body{"TransparentBlt",
                       [&] {
                         TransparentBlt(dstDC, 0, 0, kW, kH, srcDC, 0, 0, kW, kH, 0xFF00FF);
                         GdiFlush();
                       }},
                  Body{"CopyByKeyColor", [&] { CopyByKeyColor(BitmapPixels(&dst), 0, 0, BitmapPixels(&src), frame); }}),
      1, "the platform's TransparentBlt");

  TsMaskData glyph;
  glyph.R = Rect(0, 0, kW, 2 * kH);
  glyph.ImageCount = 1;
  glyph.MaskType = 1;
  const std::unique_ptr<TArgbImage> lighter = ArgbOf(*image, kW, kH, 100);
  goals.Check(run.Compare("DrawSkinGlyph, one frame-sized frame, lighter mode",
                          Body{"AlphaBlend of the picture, the mask as alpha",
                               [&] { PlatformBlend(dstDC, lighter->DC(), -1); }},
                          Body{"DrawSkinGlyph", [&] { DrawSkinGlyph(&dst, Point(0, 0), 0, glyph, image.get(), 0); }}),
              1, "the platform's AlphaBlend");

  // ---- the nine-piece border: a border image of three states, 16 x 16 cells ----
  TsMaskData border;
  border.R = Rect(0, 0, 3 * 3 * 16, 2 * 3 * 16);
  border.ImageCount = 3;
  border.MaskType = 1;
  const std::unique_ptr<TBitmap> master = MaskedImage(3 * 3 * 16, 3 * 16);
  const std::unique_ptr<TArgbImage> masterArgb = ArgbOf(*master, 3 * 3 * 16, 3 * 16);
  const TacNinePieces nine = NinePieces(border, BitmapPixels(master.get()), kW, kH, 1);
  const Body nineAlpha{"AlphaBlend of the nine pieces, stretched", [&] {
                         const BLENDFUNCTION f{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
                         PlatformNine(nine, frame, [&](int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
                           AlphaBlend(dstDC, dx, dy, dw, dh, masterArgb->DC(), sx, sy, sw, sh, f);
                         });
                       }};
  goals.Check(
      run.Compare("PaintRectByMask, masked, tiled, with the middle, over a cache", nineAlpha,
                  Body{"PaintRectByMask", [&] { PaintRectByMask(&dst, frame, 1, border, master.get(), true, &ci); }}),
      1, "the platform's AlphaBlend");
  border.StretchMode = 1;
  goals.Check(
      run.Compare("PaintRectByMask, masked, stretched, with the middle, over a cache", nineAlpha,
                  Body{"PaintRectByMask", [&] { PaintRectByMask(&dst, frame, 1, border, master.get(), true, &ci); }}),
      1, "the platform's AlphaBlend");
  // Without a mask: the pieces copied (leaving the key colour out), beside the platform's
  // StretchBlt of the same pieces.
  TsMaskData plain;
  plain.R = Rect(0, 0, 3 * 3 * 16, 3 * 16);
  plain.ImageCount = 3;
  plain.StretchMode = 1;
  HDC masterDC = master->Canvas()->Handle();
  const Body nineStretch{"StretchBlt of the nine pieces", [&] {
                           SetStretchBltMode(dstDC, COLORONCOLOR);
                           PlatformNine(nine, frame,
                                        [&](int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
                                          StretchBlt(dstDC, dx, dy, dw, dh, masterDC, sx, sy, sw, sh, SRCCOPY);
                                        });
                         }};
  goals.Check(run.Compare("PaintRectByMask, unmasked, stretched, with the middle", nineStretch,
                          Body{"PaintRectByMask", [&] { PaintRectByMask(&dst, frame, 1, plain, master.get(), true); }}),
              1, "the platform's StretchBlt");
  plain.StretchMode = 0;
  goals.Check(run.Compare("PaintRectByMask, unmasked, tiled, with the middle", nineStretch,
                          Body{"PaintRectByMask", [&] { PaintRectByMask(&dst, frame, 1, plain, master.get(), true); }}),
              1, "the platform's StretchBlt");

  // ---- bitmaps and single pixels ----
  run.Compare("CreateBmp24 of the frame's size",
              Body{"CreateDIBSection, 24-bit, PatBlt white",
                   [&] {
                     BITMAPINFO bi{};
                     bi.bmiHeader = DibHeader(kW, -kH, 24);
                     void* bits = nullptr;
                     TUniqueBitmap b(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
                     TUniqueDC dc(CreateCompatibleDC(nullptr));
                     TSelectGuard in(dc.Get(), b.Get());
                     PatBlt(dc.Get(), 0, 0, kW, kH, WHITENESS);
                     GdiFlush();
                   }},
              Body{"CreateBmp24", [&] {
                     auto b = CreateBmp24(kW, kH);
                     DoNotOptimize(b.get());
                   }});
  run.Compare("TacFast24.Pixel over every pixel", memoryFloor, Body{"TacFast24.Pixel", [&] {
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
