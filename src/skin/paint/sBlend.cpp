#include "skin/paint/sBlend.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "classlib/Controls.h"
#include "skin/core/sMessages.h"
#include "skin/data/sGradient.h"
#include "skin/data/sUtils.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sPixelRows.h"

namespace korv {

namespace {

// The pixels of a sub-rectangle (already inside the view).
TsPixels24 SubView(const TsPixels24& v, int x, int y, int w, int h) noexcept {
  return TsPixels24{v.Row(y) + x * 3, v.Stride, w, h};
}

// round(v) into a byte; v is limited first so that absurd factors cannot overflow the conversion.
uint8_t RoundByte(double v) noexcept {
  return static_cast<uint8_t>(LimitByte(static_cast<int>(std::lrint(std::clamp(v, -1.0, 256.0)))));
}

// ---- BlendColorRect: three 256-byte tables per (percent, colour) ----

struct TColorTables {
  bool Valid = false;
  int Percent = 0;
  TColor Color = 0;
  uint8_t T[3][256];
  // How each channel's table follows from integers (ColorMixRow): bit i of TiesUp / TiesEven set
  // when channel i's table equals N / 100 with ties rounded up / to even.
  unsigned TiesUp = 0, TiesEven = 0;
  [[nodiscard]] bool Integer() const noexcept { return (TiesUp | TiesEven) == 7; }
};

const TColorTables& ColorTablesFor(int percent, TColor color) {
  static TColorTables last;  // the painters repeat one percent and colour many times
  if (last.Valid && last.Percent == percent && last.Color == color) return last;
  const double k = percent / 100.0;
  uint8_t channel[3];
  SplitColor(color, channel);
  last.TiesUp = last.TiesEven = 0;
  for (int i = 0; i < 3; ++i) {
    bool up = percent >= 0 && percent <= 100, even = up;
    for (int v = 0; v < 256; ++v) {
      const uint8_t t = last.T[i][v] = RoundByte(v * k + channel[i] * (1 - k));
      up = up && rows::ColorMixByte(v, percent, channel[i], false) == t;
      even = even && rows::ColorMixByte(v, percent, channel[i], true) == t;
    }
    if (up)
      last.TiesUp |= 1u << i;
    else if (even)
      last.TiesEven |= 1u << i;
  }
  last.Valid = true;
  last.Percent = percent;
  last.Color = color;
  return last;
}

// ---- BlendByKeyColor: a 64 KB table per factor, indexed by (source << 8 | destination) ----

struct TKeyTable {
  uint64_t Bits = 0;  // the factor's bit pattern
  bool Valid = false;
  int Linear = 0;  // a when the table equals (s * a + d * (32768 - a) + 16384) >> 15, else 0
  std::vector<uint8_t> T;
};

const TKeyTable& KeyTableFor(double k) {
  static TKeyTable slots[2];  // the painters use two factors (0.4 and 0.5)
  static int next = 0;
  uint64_t bits;
  std::memcpy(&bits, &k, sizeof bits);
  for (TKeyTable& t : slots)
    if (t.Valid && t.Bits == bits) return t;
  TKeyTable& t = slots[next];
  next ^= 1;
  t.T.resize(65536);
  for (int s = 0; s < 256; ++s)
    for (int d = 0; d < 256; ++d) t.T[s << 8 | d] = RoundByte(s - (s - d) * k);
  // Most factors give a table that a fixed-point weight reproduces exactly (not those with exact
  // halves, such as 0.5): then the rows run in integer vectors. Checked against every entry.
  const int a = static_cast<int>(std::lrint(std::clamp(1 - k, 0.0, 1.0) * 32768));
  t.Linear = 0;
  if (a > 0 && a < 32768) {
    bool same = true;
    for (int s = 0; s < 256 && same; ++s)
      for (int d = 0; d < 256 && same; ++d) same = ((s * a + d * (32768 - a) + 16384) >> 15) == t.T[s << 8 | d];
    if (same) t.Linear = a;
  }
  t.Bits = bits;
  t.Valid = true;
  return t;
}

}  // namespace

void BlendBmpRect(const TsPixels24& dst, const TsPixels24& src, uint8_t alpha, TPoint dstPoint, TRect srcRect) {
  if (!FastSum24.Attach(src, dst)) return;
  TacBlock b{
      dstPoint.x, dstPoint.y, srcRect.left, srcRect.top, srcRect.right - srcRect.left, srcRect.bottom - srcRect.top};
  if (!ClipBlock(b, dst.Width, dst.Height, src.Width, src.Height)) return;
  FastSum24.Alpha = alpha;
  FastSum24.DstRect = Bounds(b.DX, b.DY, b.W, b.H);
  FastSum24.SrcRect = Bounds(b.SX, b.SY, b.W, b.H);
  FastSum24.Blend();
}

void BlendBmpRect(TBitmap* dst, TBitmap* src, uint8_t alpha, TPoint dstPoint, TRect srcRect) {
  BlendBmpRect(BitmapPixels(dst), BitmapPixels(src), alpha, dstPoint, srcRect);
  FastSum24.Src = src;
  FastSum24.Dst = dst;
}

void BlendColorRect(const TsPixels24& bmp, TRect rect, int percent, TColor color) {
  if (bmp.Empty()) return;
  const int left = std::max<int>(rect.left, 0), top = std::max<int>(rect.top, 0);
  const int right = std::min<int>(rect.right, bmp.Width - 1), bottom = std::min<int>(rect.bottom, bmp.Height - 1);
  if (left > right || top > bottom) return;
  const TColorTables& t = ColorTablesFor(percent, ColorToRGB(color));
  // The tables are the definition; most percents and colours reproduce them in integer vectors.
  uint8_t c[3];
  SplitColor(t.Color, c);
  for (int y = top; y <= bottom; ++y) {
    uint8_t* row = bmp.Row(y) + left * 3;
    if (t.Integer())
      rows::ColorMixRow(row, right - left + 1, percent, c, t.TiesEven);
    else
      rows::LookupRow(row, right - left + 1, t.T[0], t.T[1], t.T[2]);
  }
}

void BlendColorRect(TBitmap* bmp, TRect rect, int percent, TColor color) {
  BlendColorRect(BitmapPixels(bmp), rect, percent, color);
}

void BlendByKeyColor(const TsPixels24& dst, int x, int y, TColor keyColor, double k, TRect srcRect,
                     const TsPixels24& src) {
  if (dst.Empty() || src.Empty() || !std::isfinite(k)) return;
  TacBlock b{x, y, srcRect.left, srcRect.top, srcRect.right - srcRect.left, srcRect.bottom - srcRect.top};
  if (!ClipBlock(b, dst.Width, dst.Height, src.Width, src.Height)) return;
  const TKeyTable& t = KeyTableFor(k);
  // A pixel can equal the key only when the key's top byte is 0.
  const bool skipKey = (static_cast<uint32_t>(keyColor) >> 24) == 0;
  for (int r = 0; r < b.H; ++r) {
    uint8_t* d = dst.Row(b.DY + r) + b.DX * 3;
    const uint8_t* s = src.Row(b.SY + r) + b.SX * 3;
    if (t.Linear)
      rows::KeyBlendLinearRow(d, s, b.W, t.Linear, skipKey, keyColor);
    else
      rows::KeyBlendTableRow(d, s, b.W, t.T.data(), skipKey, keyColor);
  }
}

void BlendByKeyColor(TBitmap* dst, int x, int y, TColor keyColor, double k, TRect srcRect, TBitmap* src) {
  BlendByKeyColor(BitmapPixels(dst), x, y, keyColor, k, srcRect, BitmapPixels(src));
}

void MultiplyByMask(const TsPixels24& dst, const TsPixels24& mask, TColor color) {
  if (dst.Empty() || mask.Empty()) return;
  const int w = std::min(dst.Width, mask.Width), h = std::min(dst.Height, mask.Height);
  // One row of the colour serves as the picture of the masked mix: ((d - c) * m + c * 256) shr 8.
  std::vector<uint8_t> colorRow(static_cast<size_t>(w) * 3);
  rows::FillColor(colorRow.data(), w, ColorToRGB(color));
  for (int y = 0; y < h; ++y) rows::MaskMix(dst.Row(y), colorRow.data(), mask.Row(y), w * 3, 0);
}

void MultiplyByMask(TBitmap* dst, TBitmap* mask, TColor color) {
  MultiplyByMask(BitmapPixels(dst), BitmapPixels(mask), color);
}

void BlendRectWithBmp(TBitmap* bmp, TRect rect, int percent, int radius, int steps, TColor color) {
  if (!bmp || bmp->Empty()) return;
  rect.left = std::max<LONG>(rect.left, 0);
  rect.top = std::max<LONG>(rect.top, 0);
  rect.right = std::min<LONG>(rect.right, bmp->Width());
  rect.bottom = std::min<LONG>(rect.bottom, bmp->Height());
  const int w = RectWidth(rect), h = RectHeight(rect);
  if (w <= 0 || h <= 0) return;
  // The mask is drawn in the top-left corner of a bitmap kept for the next call (the scroll bar
  // shades its thumb on every paint).
  static std::unique_ptr<TBitmap> scratch;
  if (!scratch || scratch->Width() < w || scratch->Height() < h)
    scratch = CreateBmp24(std::max(w, scratch ? scratch->Width() : 0), std::max(h, scratch ? scratch->Height() : 0));
  const TsPixels24 mask = SubView(BitmapPixels(scratch.get()), 0, 0, w, h);
  const int corner = 2 * std::max(radius, 0);
  // White where no rounded rectangle comes: everywhere without steps, else the four corners
  // outside the first one.
  const int cw = steps > 0 ? std::min(w, corner / 2 + 1) : w, ch = steps > 0 ? std::min(h, corner / 2 + 1) : h;
  for (int y = 0; y < h; ++y)
    if (y < ch || y >= h - ch) {
      std::memset(mask.Row(y), 0xFF, static_cast<size_t>(cw) * 3);
      std::memset(mask.Row(y) + (w - cw) * 3, 0xFF, static_cast<size_t>(cw) * 3);
    }

  TCanvas* canvas = scratch->Canvas();
  HDC dc = canvas->Handle();
  canvas->Pen()->SetStyle(psClear);
  const int step = (255 - percent * 255 / 100) / (std::max(steps, 0) + 1);
  for (int i = 0; i < steps && 2 * i < std::min(w, h); ++i) {
    const int grey = LimitByte(255 - (i + 1) * step);
    canvas->Brush()->SetColor(static_cast<TColor>(RGB(grey, grey, grey)));
    // The next rectangle covers the core of this one: leave it out, so each pixel is filled about
    // once.
    const int core = i + 2 + corner / 2;
    SelectClipRgn(dc, nullptr);
    if (i + 1 < steps && 2 * core < std::min(w, h)) ExcludeClipRect(dc, core, core, w - core, h - core);
    // Without a pen GDI leaves out the right and bottom edges: one more pixel covers them.
    canvas->RoundRect(i, i, w - i + 1, h - i + 1, corner, corner);
  }
  SelectClipRgn(dc, nullptr);
  const TsPixels24 all = BitmapPixels(bmp);
  MultiplyByMask(SubView(all, rect.left, rect.top, w, h), SubView(BitmapPixels(scratch.get()), 0, 0, w, h), color);
}

void GrayScale(const TsPixels24& bmp) noexcept {
  for (int y = 0; y < bmp.Height; ++y) rows::GrayRow(bmp.Row(y), bmp.Width);
}

void GrayScale(TBitmap* bmp) { GrayScale(BitmapPixels(bmp)); }

void PaintControlImage(TBitmap* bmp, TsDisabledKind flags, TColor parentColor, TPoint offset, const TCacheInfo& cache) {
  const TsPixels24 px = BitmapPixels(bmp);
  if (px.Empty()) return;
  if (flags & dkGrayed) GrayScale(px);
  if (!(flags & dkBlended)) return;
  if (cache.Ready && cache.Bmp) {
    const int x = cache.X + offset.x, y = cache.Y + offset.y;
    BlendByKeyColor(px, 0, 0, sKeyColor, 0.4, Bounds(x, y, px.Width, px.Height), BitmapPixels(cache.Bmp));
  } else {
    BlendColorRect(px, Rect(0, 0, px.Width - 1, px.Height - 1), 50, parentColor);
  }
}

void PaintControlImage(TBitmap* bmp, TsDisabledKind flags, const TControl* control, TPoint offset,
                       const TCacheInfo& cache) {
  const TColor parent = SkinColorReply != sNoColorReply ? SkinColorReply : control ? control->Color() : clBtnFace;
  PaintControlImage(bmp, flags, parent, offset, cache);
}

}  // namespace korv
