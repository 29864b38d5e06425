#include "skin/paint/sFast24.h"

#include <algorithm>

#include "skin/paint/sPixelRows.h"

namespace korv {

TacFast24 CacheFast24;
TacFast24 ImageFast24;
TacFastSum24 FastSum24;
TColor MaskFillColor = sKeyColor;

bool ClipBlock(TacBlock& b, int dstWidth, int dstHeight, int srcWidth, int srcHeight) noexcept {
  auto cut = [](int& a, int& other, int& len) {
    if (a < 0) {
      len += a;
      other -= a;
      a = 0;
    }
  };
  cut(b.DX, b.SX, b.W);
  cut(b.DY, b.SY, b.H);
  cut(b.SX, b.DX, b.W);
  cut(b.SY, b.DY, b.H);
  b.W = std::min({b.W, dstWidth - b.DX, srcWidth - b.SX});
  b.H = std::min({b.H, dstHeight - b.DY, srcHeight - b.SY});
  return b.W > 0 && b.H > 0;
}

TsPixels24 BitmapPixels(TBitmap* bmp) {
  if (!bmp || bmp->Empty()) return {};
  return TsPixels24{bmp->ScanLine(0), bmp->Stride(), bmp->Width(), bmp->Height()};
}

bool TacFast24::Attach(const TsPixels24& pixels) noexcept {
  Bitmap = nullptr;
  if (!pixels.Row0 || pixels.Width < 2 || pixels.Height < 2) {
    Width = 0;
    return false;
  }
  Width = pixels.Width;
  Height = pixels.Height;
  Stride = pixels.Stride;
  Row0 = pixels.Row0;
  return true;
}

bool TacFast24::Attach(TBitmap* bmp) {
  const bool ok = Attach(BitmapPixels(bmp));
  if (ok) Bitmap = bmp;
  return ok;
}

bool TacFastSum24::Attach(const TsPixels24& src, const TsPixels24& dst) noexcept {
  Src = Dst = nullptr;
  if (!src.Row0 || !dst.Row0 || src.Width < 2 || src.Height < 2 || dst.Width < 2 || dst.Height < 2) {
    Width = Height = FSrcWidth = FDstWidth = 0;
    return false;
  }
  Width = std::min(src.Width, dst.Width);
  Height = std::min(src.Height, dst.Height);
  SrcRow0 = src.Row0;
  DstRow0 = dst.Row0;
  SrcStride = src.Stride;
  DstStride = dst.Stride;
  FSrcWidth = src.Width;
  FSrcHeight = src.Height;
  FDstWidth = dst.Width;
  FDstHeight = dst.Height;
  return true;
}

bool TacFastSum24::Attach(TBitmap* src, TBitmap* dst) {
  const bool ok = Attach(BitmapPixels(src), BitmapPixels(dst));
  if (ok) {
    Src = src;
    Dst = dst;
  }
  return ok;
}

void TacFastSum24::Blend() noexcept {
  if (!FSrcWidth || !FDstWidth) return;
  // Cut both rectangles to their bitmaps, keeping the source under the destination.
  TacBlock b{
      DstRect.left, DstRect.top, SrcRect.left, SrcRect.top, DstRect.right - DstRect.left, DstRect.bottom - DstRect.top};
  if (!ClipBlock(b, FDstWidth, FDstHeight, FSrcWidth, FSrcHeight)) return;
  const int dx = b.DX, dy = b.DY, sx = b.SX, sy = b.SY, w = b.W, h = b.H;

  auto dstRow = [&](int y) { return DstRow0 + (dy + y) * DstStride + dx * 3; };
  auto srcRow = [&](int y) { return SrcRow0 + (sy + y) * SrcStride + sx * 3; };
  const int a = Alpha, n = w * 3;
  // Address ranges of both rectangles: when they meet, keep the byte order of the definition.
  const uint8_t* d0 = std::min(dstRow(0), dstRow(h - 1));
  const uint8_t* d1 = std::max(dstRow(0), dstRow(h - 1)) + n;
  const uint8_t* s0 = std::min(srcRow(0), srcRow(h - 1));
  const uint8_t* s1 = std::max(srcRow(0), srcRow(h - 1)) + n;
  if (d0 < s1 && s0 < d1) {
    for (int y = h - 1; y >= 0; --y) {
      uint8_t* d = dstRow(y);
      const uint8_t* s = srcRow(y);
      for (int i = n - 1; i >= 0; --i) d[i] = static_cast<uint8_t>((s[i] * (255 - a) + d[i] * a + 127) >> 8);
    }
    return;
  }
  for (int y = 0; y < h; ++y) rows::AlphaBlend(dstRow(y), srcRow(y), n, a);
}

std::unique_ptr<TBitmap> CreateBmp24(int width, int height) { return std::make_unique<TBitmap>(width, height); }

std::unique_ptr<TBitmap> CreateBmpLike(const TGraphic* graphic) {
  return graphic ? CreateBmp24(graphic->Width(), graphic->Height()) : CreateBmp24(0, 0);
}

void InitCacheInfo(TCacheInfo& info, TBitmap* bmp, int x, int y) noexcept {
  info.Bmp = bmp;
  info.X = x;
  info.Y = y;
  info.Ready = true;
}

}  // namespace korv
