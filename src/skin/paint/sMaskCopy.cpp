#include "skin/paint/sMaskCopy.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "skin/core/sSkinManager.h"
#include "skin/paint/sBlend.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopyPiece.h"
#include "skin/paint/sPixelRows.h"

namespace korv {

namespace detail {

TacKeyFill TacKeyFill::ForMaskedCopy(const TCacheInfo* cache) {
  TacKeyFill k;
  if (MaskFillColor != sKeyColor) {
    k.FMode = kmColor;
    k.FColor = MaskFillColor;
  } else if (cache && cache->Ready && CacheFast24.Attach(cache->Bmp)) {
    k.FMode = kmCache;
    k.FCache = CacheFast24.View();
    k.FX = cache->X;
    k.FY = cache->Y;
  }
  return k;
}

void TacKeyFill::Row(uint8_t* d, const uint8_t* s, const uint8_t* m, int n, int x, int y, int maskAdd) const {
  switch (FMode) {
    case kmLeave:
      rows::MaskedRow(d, s, m, d, n, maskAdd);
      return;
    case kmColor:
      if (FColorRow.size() < static_cast<size_t>(n) * 3) {
        FColorRow.resize(static_cast<size_t>(n) * 3);
        rows::FillColor(FColorRow.data(), n, FColor);
      }
      rows::MaskedRow(d, s, m, FColorRow.data(), n, maskAdd);
      return;
    case kmCache: {
      // Pixels i0 .. i1 - 1 lie over the cache; the others stay as they are.
      const int cy = y + FY, cx = x + FX;
      int i0 = std::clamp(-cx, 0, n), i1 = std::clamp(FCache.Width - cx, i0, n);
      if (cy < 0 || cy >= FCache.Height) i0 = i1 = n;
      if (i0 > 0) rows::MaskedRow(d, s, m, d, i0, maskAdd);
      auto at = [&](const uint8_t* p, int i) { return p ? p + i * 3 : nullptr; };
      if (i1 > i0) rows::MaskedRow(d + i0 * 3, s + i0 * 3, at(m, i0), FCache.Row(cy) + (cx + i0) * 3, i1 - i0, maskAdd);
      if (n > i1) rows::MaskedRow(d + i1 * 3, s + i1 * 3, at(m, i1), d + i1 * 3, n - i1, maskAdd);
      return;
    }
  }
}

std::vector<int> StretchMap(int n, int dn, int off, int len, bool vertical) {
  // Pixel i of a one-pixel line holds i; the line stretched as the piece is shows which source
  // pixel each destination pixel gets.
  TBitmap from(vertical ? 1 : n, vertical ? n : 1), to(vertical ? 1 : len, vertical ? len : 1);
  const TsPixels24 f = BitmapPixels(&from);
  for (int i = 0; i < n; ++i) rows::PutColor(vertical ? f.Row(i) : f.Row(0) + i * 3, i);
  HDC dc = to.Canvas()->Handle();
  SetStretchBltMode(dc, COLORONCOLOR);
  if (vertical)
    StretchBlt(dc, 0, -off, 1, dn, from.Canvas()->Handle(), 0, 0, 1, n, SRCCOPY);
  else
    StretchBlt(dc, -off, 0, dn, 1, from.Canvas()->Handle(), 0, 0, n, 1, SRCCOPY);
  const TsPixels24 t = BitmapPixels(&to);
  std::vector<int> map(static_cast<size_t>(len));
  for (int i = 0; i < len; ++i) map[i] = std::clamp(rows::ColorAt(vertical ? t.Row(i) : t.Row(0) + i * 3), 0, n - 1);
  return map;
}

namespace {

// The stretch maps of the last pieces: a form's pieces keep their sizes from paint to paint. A
// repaint of a form with a few controls stretches some thirty pieces (frame, title, panels, scroll
// bars and their thumbs); the cache holds all of them, or every repaint would make the maps again
// through the platform.
std::vector<int> CachedStretchMap(int n, int dn, int off, int len, bool vertical) {
  struct TEntry {
    int N, Dn, Off, Len;
    bool Vertical;
    std::vector<int> Map;
  };
  static std::vector<TEntry> entries;
  static size_t next = 0;
  for (const TEntry& e : entries)
    if (e.N == n && e.Dn == dn && e.Off == off && e.Len == len && e.Vertical == vertical) return e.Map;
  TEntry e{n, dn, off, len, vertical, StretchMap(n, dn, off, len, vertical)};
  if (entries.size() < 64) {
    entries.push_back(e);
  } else {
    entries[next] = e;
    next = (next + 1) % entries.size();
  }
  return e.Map;
}

}  // namespace

void TacPiecePainter::Piece(int sx, int sy, int sw, int sh, int dx, int dy, int dw, int dh, bool stretch) const {
  if (sw < 1 || sh < 1 || dw < 1 || dh < 1) return;  // a cell under 1 pixel never tiles
  const int x0 = std::max(dx, 0), y0 = std::max(dy, 0);
  const int w = std::min(dx + dw, FDst.Width) - x0, h = std::min(dy + dh, FDst.Height) - y0;
  if (w <= 0 || h <= 0) return;
  const int ox = x0 - dx, oy = y0 - dy;  // the visible part's place in the piece
  const bool masked = FMaskOffset >= 0;
  const int mo = masked ? FMaskOffset : 0;
  auto rowsFrom = [&](auto pic, auto mask) {
    if (FCopy) {
      for (int r = 0; r < h; ++r) std::memcpy(FDst.Row(y0 + r) + x0 * 3, pic(r), static_cast<size_t>(w) * 3);
      return;
    }
    for (int r = 0; r < h; ++r)
      FKey.Row(FDst.Row(y0 + r) + x0 * 3, pic(r), masked ? mask(r) : nullptr, w, x0, y0 + r, FMaskAdd);
  };

  if (!stretch || (sw == dw && sh == dh)) {
    if (ox % sw + w <= sw) {  // one tile across: straight from the cell
      const int cx = sx + ox % sw;
      rowsFrom([&](int r) { return FSrc.Row(sy + (oy + r) % sh) + cx * 3; },
               [&](int r) { return FSrc.Row(sy + mo + (oy + r) % sh) + cx * 3; });
      return;
    }
  }
  // Each cell row once over the visible width (tiled, or stretched along the platform's map),
  // then the rows.
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  std::vector<uint8_t> strip(rowBytes * sh * (masked ? 2 : 1));
  const std::vector<int> xmap = stretch ? CachedStretchMap(sw, dw, ox, w, false) : std::vector<int>();
  auto fill = [&](uint8_t* out, const uint8_t* cellRow) {
    if (!stretch) return rows::TileRow(out, cellRow, sw, ox % sw, w);
    for (int i = 0; i < w; ++i) std::memcpy(out + i * 3, cellRow + xmap[i] * 3, 3);
  };
  for (int j = 0; j < sh; ++j) {
    fill(strip.data() + j * rowBytes, FSrc.Row(sy + j) + sx * 3);
    if (masked) fill(strip.data() + (sh + j) * rowBytes, FSrc.Row(sy + mo + j) + sx * 3);
  }
  if (stretch) {
    const std::vector<int> ymap = CachedStretchMap(sh, dh, oy, h, true);
    rowsFrom([&](int r) { return strip.data() + ymap[r] * rowBytes; },
             [&](int r) { return strip.data() + (sh + ymap[r]) * rowBytes; });
  } else {
    rowsFrom([&](int r) { return strip.data() + (oy + r) % sh * rowBytes; },
             [&](int r) { return strip.data() + (sh + (oy + r) % sh) * rowBytes; });
  }
}

void TacPiecePainter::PieceOver(TColor ground, int sx, int sy, int sw, int sh, int dx, int dy, int dw, int dh,
                                bool stretch) const {
  if (FCopy || FKey.ByPlace()) return Piece(sx, sy, sw, sh, dx, dy, dw, dh, stretch);
  if (sw < 1 || sh < 1 || dw < 1 || dh < 1) return;
  // The cell over the ground colour, as every tile of the piece comes out.
  std::vector<uint8_t> pixels(static_cast<size_t>(sw) * sh * 3);
  const TsPixels24 cell{pixels.data(), static_cast<ptrdiff_t>(sw) * 3, sw, sh};
  for (int y = 0; y < sh; ++y) rows::FillColor(cell.Row(y), sw, ground);
  TacPiecePainter(cell, FSrc, FMaskOffset, FKey, FMaskAdd).Piece(sx, sy, sw, sh, 0, 0, sw, sh, false);
  TacPiecePainter copy(FDst, cell, -1, TacKeyFill());
  copy.FCopy = true;
  copy.Piece(0, 0, sw, sh, dx, dy, dw, dh, stretch);
}

}  // namespace detail

using detail::RectInside;
using detail::TacKeyFill;
using detail::TacPiecePainter;

void CopyMasked(const TsPixels24& dst, int x, int y, const TsPixels24& src, TRect srcRect, int maskOffset,
                const TCacheInfo* cache) {
  if (dst.Empty() || src.Empty() || maskOffset < 0) return;
  TacBlock b{x, y, srcRect.left, srcRect.top, RectWidth(srcRect), RectHeight(srcRect)};
  if (!ClipBlock(b, dst.Width, dst.Height, src.Width, src.Height - maskOffset)) return;
  TacPiecePainter(dst, src, maskOffset, TacKeyFill::ForMaskedCopy(cache))
      .Piece(b.SX, b.SY, b.W, b.H, b.DX, b.DY, b.W, b.H, false);
}

void CopyByKeyColor(const TsPixels24& dst, int x, int y, const TsPixels24& src, TRect srcRect) {
  if (dst.Empty() || src.Empty()) return;
  TacBlock b{x, y, srcRect.left, srcRect.top, RectWidth(srcRect), RectHeight(srcRect)};
  if (!ClipBlock(b, dst.Width, dst.Height, src.Width, src.Height)) return;
  TacPiecePainter(dst, src, -1, TacKeyFill()).Piece(b.SX, b.SY, b.W, b.H, b.DX, b.DY, b.W, b.H, false);
}

TsPixels24 ImagePixels(const TsMaskData& image, const TsPixels24& master) {
  return image.Bmp ? BitmapPixels(image.Bmp.get()) : master;
}

void DrawSkinGlyph(const TsPixels24& dst, TPoint point, int state, const TsMaskData& image, const TsPixels24& master,
                   int mode) {
  const TsPixels24 src = ImagePixels(image, master);
  const TRect& r = image.R;
  if (dst.Empty() || !RectInside(r, src) || RectWidth(r) < 2 || RectHeight(r) < 2) return;
  const int count = std::max<int>(image.ImageCount, 1), masks = std::max<int>(image.MaskType, 0);
  const int w = RectWidth(r) / count, h = RectHeight(r) / (masks + 1);
  if (w < 1 || h < 1) return;
  const int sx = r.left + std::clamp(state, 0, count - 1) * w;
  if (masks > 0) {
    TacPiecePainter(dst, src, RectHeight(r) / 2, TacKeyFill(), mode == 1 ? 0 : 100)
        .Piece(sx, r.top, w, h, point.x, point.y, w, h, false);
  } else if (mode == 1) {
    TacPiecePainter(dst, src, -1, TacKeyFill()).Piece(sx, r.top, w, h, point.x, point.y, w, h, false);
  } else {
    BlendByKeyColor(dst, point.x, point.y, sKeyColor, 0.5, Bounds(sx, r.top, w, h), src);
  }
}

void DrawSkinGlyph(TBitmap* dst, TPoint point, int state, const TsMaskData& image, TBitmap* master, int mode) {
  DrawSkinGlyph(BitmapPixels(dst), point, state, image, BitmapPixels(master), mode);
}

void DrawSkinGlyph(TBitmap* dst, TPoint point, int state, const TsMaskData& image, int mode) {
  DrawSkinGlyph(dst, point, state, image, MasterBitmapOf(image), mode);
}

TBitmap* MasterBitmapOf(const TsMaskData& image) noexcept {
  return image.Manager ? image.Manager->MasterBitmap.get() : nullptr;
}

}  // namespace korv
