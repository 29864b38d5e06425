// The nine-piece painting of a border image.
#include <algorithm>

#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopy.h"
#include "skin/paint/sMaskCopyPiece.h"

namespace korv {

using detail::RectInside;
using detail::TacKeyFill;
using detail::TacPiecePainter;

namespace {

// The two corner sizes along one side of length len with cells of size cell: cell each, or, when
// the side is shorter than two cells, half of it and the rest.
void CornerSizes(int len, int cell, int& first, int& last) noexcept {
  if (len < 2 * cell) {
    first = len / 2;
    last = first + len % 2;
  } else {
    first = last = cell;
  }
}

}  // namespace

TacNinePieces NinePieces(const TsMaskData& image, const TsPixels24& src, int width, int height, int state) noexcept {
  TacNinePieces p;
  const TRect& r = image.R;
  if (width < 2 || height < 2 || !RectInside(r, src) || RectWidth(r) < 2 || RectHeight(r) < 2) return p;
  const int count = std::max<int>(image.ImageCount, 1), masks = std::max<int>(image.MaskType, 0);
  p.CellW = RectWidth(r) / (count * 3);
  p.CellH = RectHeight(r) / ((masks + 1) * 3);
  if (p.CellW < 1 || p.CellH < 1) return p;
  CornerSizes(width, p.CellW, p.Left, p.Right);
  CornerSizes(height, p.CellH, p.Top, p.Bottom);
  // An image with a bitmap of its own ignores the border width.
  const int border = image.Bmp ? 0 : image.BorderWidth;
  if (border > 0) {
    p.Left = std::min(p.Left, border);
    p.Right = std::min(p.Right, border);
    p.Top = std::min(p.Top, border);
    p.Bottom = std::min(p.Bottom, border);
  }
  p.FrameX = r.left + std::clamp(state, 0, count - 1) * 3 * p.CellW;
  p.FrameY = r.top;
  p.MaskOffset = masks > 0 ? RectHeight(r) / 2 : -1;
  p.Valid = true;
  return p;
}

void PaintRectByMask(const TsPixels24& dst, TRect rect, int state, const TsMaskData& image, const TsPixels24& master,
                     bool middle, const TCacheInfo* cache, std::optional<TColor> ground) {
  const int w = RectWidth(rect), h = RectHeight(rect);
  const TsPixels24 src = ImagePixels(image, master);
  const TacNinePieces n = NinePieces(image, src, w, h, state);
  if (dst.Empty() || !n.Valid) return;
  const bool own = image.Bmp != nullptr;
  const bool stretch = !own && image.StretchMode != 0;
  const int border = own ? 0 : image.BorderWidth;
  const int cw = n.CellW, ch = n.CellH, lw = n.Left, rw = n.Right, th = n.Top, bh = n.Bottom;

  // The frame's cells: columns fx, fx + cw, and the right corner ending at fx + 3 cw; rows alike.
  const int fx = n.FrameX, fy = n.FrameY, rx = n.RightX(), by = n.BottomY();
  const TacPiecePainter paint = n.MaskOffset >= 0
                                    ? TacPiecePainter(dst, src, n.MaskOffset, TacKeyFill::ForMaskedCopy(cache))
                                    : TacPiecePainter(dst, src, -1, TacKeyFill());
  const int l = rect.left, t = rect.top, innerW = w - lw - rw, innerH = h - th - bh;

  paint.Piece(fx, fy, lw, th, l, t, lw, th, false);
  paint.Piece(rx, fy, rw, th, rect.right - rw, t, rw, th, false);
  paint.Piece(fx, by, lw, bh, l, rect.bottom - bh, lw, bh, false);
  paint.Piece(rx, by, rw, bh, rect.right - rw, rect.bottom - bh, rw, bh, false);

  paint.Piece(fx + cw, fy, cw, th, l + lw, t, innerW, th, stretch);
  paint.Piece(fx + cw, by, cw, bh, l + lw, rect.bottom - bh, innerW, bh, stretch);
  paint.Piece(fx, fy + ch, lw, ch, l, t + th, lw, innerH, stretch);
  paint.Piece(rx, fy + ch, rw, ch, rect.right - rw, t + th, rw, innerH, stretch);

  // The corners and edges above leave the middle's pixels as they were.
  if (middle && border == 0) {
    if (ground)
      paint.PieceOver(*ground, fx + cw, fy + ch, cw, ch, l + lw, t + th, innerW, innerH, stretch);
    else
      paint.Piece(fx + cw, fy + ch, cw, ch, l + lw, t + th, innerW, innerH, stretch);
  }
}

void PaintRectByMask(TBitmap* dst, TRect rect, int state, const TsMaskData& image, TBitmap* master, bool middle,
                     const TCacheInfo* cache, std::optional<TColor> ground) {
  PaintRectByMask(BitmapPixels(dst), rect, state, image, BitmapPixels(master), middle, cache, ground);
}

void PaintRectByMask(TBitmap* dst, TRect rect, int state, const TsMaskData& image, bool middle, const TCacheInfo* cache,
                     std::optional<TColor> ground) {
  PaintRectByMask(dst, rect, state, image, MasterBitmapOf(image), middle, cache, ground);
}

}  // namespace korv
