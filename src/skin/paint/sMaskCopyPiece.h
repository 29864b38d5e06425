// The piece painter behind the masked copy, the glyphs and the nine-piece painting (private to
// the unit).
#pragma once

#include <cstdint>
#include <vector>

#include "classlib/Graphics.h"
#include "skin/data/sConst.h"

namespace korv::detail {

// What a key-colour picture pixel leaves in the destination, and the row kernel run with it.
class TacKeyFill {
 public:
  TacKeyFill() = default;  // the pixel stays
  // The masked copy's rule: with a ready cache and MaskFillColor the key colour, the cache's
  // pixel at the destination place shifted by the cache's offset (only inside the cache
  // bitmap); else MaskFillColor when it holds a colour. Attaches CacheFast24 to the cache.
  static TacKeyFill ForMaskedCopy(const TCacheInfo* cache);

  // n pixels of destination row y from column x: picture s, mask m (nullptr: none).
  void Row(uint8_t* d, const uint8_t* s, const uint8_t* m, int n, int x, int y, int maskAdd) const;
  // The rule takes a pixel that depends on the place (the cache's).
  [[nodiscard]] bool ByPlace() const noexcept { return FMode == kmCache; }

 private:
  enum TMode : uint8_t { kmLeave, kmColor, kmCache };
  TMode FMode = kmLeave;
  TColor FColor = sKeyColor;
  TsPixels24 FCache{};
  int FX = 0, FY = 0;
  mutable std::vector<uint8_t> FColorRow;  // the colour repeated over the longest row so far
};

// Draws pieces of one image (picture rows of Src, the mask MaskOffset rows below each, or no
// mask when MaskOffset is negative) onto Dst.
class TacPiecePainter {
 public:
  TacPiecePainter(const TsPixels24& dst, const TsPixels24& src, int maskOffset, const TacKeyFill& key,
                  int maskAdd = 0) noexcept
      : FDst(dst), FSrc(src), FMaskOffset(maskOffset), FKey(key), FMaskAdd(maskAdd) {}

  // The sw x sh cell at (sx, sy) of Src (mask rows included, inside Src) over the dw x dh piece
  // at (dx, dy) of Dst, cut to Dst: tiled from the piece's top-left corner, or stretched.
  void Piece(int sx, int sy, int sw, int sh, int dx, int dy, int dw, int dh, bool stretch) const;
  // The same piece over a part of Dst whose pixels are all ground: the cell is laid over the
  // colour once and the result copied, which gives the same pixels. The key-colour rule must not
  // depend on the place (else Piece is used).
  void PieceOver(TColor ground, int sx, int sy, int sw, int sh, int dx, int dy, int dw, int dh, bool stretch) const;

 private:
  TsPixels24 FDst, FSrc;
  int FMaskOffset;
  TacKeyFill FKey;
  int FMaskAdd;
  bool FCopy = false;  // the pixels are copied as they are (no mask, no key colour)
};

// True when r is non-empty and lies wholly inside the pixels.
[[nodiscard]] constexpr bool RectInside(const TRect& r, const TsPixels24& px) noexcept {
  return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top && r.right <= px.Width &&
         r.bottom <= px.Height;
}

// The source pixel (0 .. n - 1) that the platform's StretchBlt (COLORONCOLOR) takes for each of
// len pixels, from off on, of a stretch of n pixels to dn, across (vertical false) or down.
[[nodiscard]] std::vector<int> StretchMap(int n, int dn, int off, int len, bool vertical);

}  // namespace korv::detail
