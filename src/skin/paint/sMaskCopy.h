// Drawing skin images: the masked copy (a picture with its grey mask below it), the copy that
// leaves the key colour out, one state frame of a glyph, and the nine-piece painting of a border
// image onto a rectangle.
//
// A skin image (TsMaskData) is a rectangle R of its own bitmap or of the manager's master bitmap,
// holding ImageCount state frames side by side; with MaskType 1 the picture is the upper half of
// R and the mask the lower half (the mask of a pixel lies R's height div 2 rows below it). Skin
// data is not trusted: ImageCount below 1 counts as 1, MaskType below 0 as 0, and an image whose
// R is not wholly inside its bitmap, or whose frame or cell is smaller than 1 pixel, draws nothing.
#pragma once

#include <optional>

#include "classlib/Graphics.h"
#include "skin/data/sConst.h"
#include "skin/data/sMaskData.h"

namespace korv {

// The masked copy of srcRect of src (its mask maskOffset rows below) onto dst at (x, y): each
// channel d := LimitByte(((d - s) * m + (s shl 8)) shr 8), so a black mask byte shows the picture
// and a white one what was there. A key-colour picture pixel takes, when cache is ready and
// MaskFillColor is the key colour, the cache's pixel at the destination place shifted by the
// cache's offset (only inside the cache bitmap); when MaskFillColor holds a colour, that colour;
// else it leaves the pixel. The block is first cut to both bitmaps (mask rows included).
void CopyMasked(const TsPixels24& dst, int x, int y, const TsPixels24& src, TRect srcRect, int maskOffset,
                const TCacheInfo* cache);

// Copies srcRect of src onto dst at (x, y), leaving out the pixels of the key colour sKeyColor.
void CopyByKeyColor(const TsPixels24& dst, int x, int y, const TsPixels24& src, TRect srcRect);

// The pixels an image is drawn from: its own bitmap when it has one, else the master bitmap.
[[nodiscard]] TsPixels24 ImagePixels(const TsMaskData& image, const TsPixels24& master);

// One state frame of a glyph image at point: the frame min(state, ImageCount - 1), of
// (R's width div ImageCount) x (R's height div (MaskType + 1)); a negative point cuts the frame.
// With a mask: the masked mix, the mask byte as it is in mode 1 and raised by 100 (capped at
// 255) in any other mode, so the glyph shows lighter; key-colour pixels are skipped. Without a
// mask: mode 1 copies the frame leaving the key colour out; any other mode lays it with
// BlendByKeyColor, k = 0.5, keyed on the key colour.
void DrawSkinGlyph(const TsPixels24& dst, TPoint point, int state, const TsMaskData& image, const TsPixels24& master,
                   int mode);
void DrawSkinGlyph(TBitmap* dst, TPoint point, int state, const TsMaskData& image, TBitmap* master, int mode);
// The same from the master bitmap of the image's manager.
void DrawSkinGlyph(TBitmap* dst, TPoint point, int state, const TsMaskData& image, int mode);

// Nine-piece painting of a border image onto rect (at least 2 by 2) in state's frame (the last
// frame for a state beyond it). Cells: cw = R's width div (ImageCount * 3), ch = R's height div
// ((MaskType + 1) * 3); frame s starts at x = s * 3 * cw. The corners are cw x ch, or, in a
// rectangle narrower than 2 * cw, width div 2 on the left and the rest on the right (likewise
// vertically); a non-zero BorderWidth caps them. The edges between the corners and, when middle
// is asked for and BorderWidth is 0, the middle cell are stretched (StretchBlt) when StretchMode
// is non-zero, else tiled from their top-left corner, the last tile cut. Masked images draw
// every piece through the masked copy (with cache, when given); unmasked ones leave the key
// colour out. An image with a bitmap of its own ignores BorderWidth and StretchMode and tiles.
// ground: the one colour every pixel of rect holds, when the caller knows it (the middle is then
// laid over it once and copied: the same pixels, without mixing every one).
void PaintRectByMask(const TsPixels24& dst, TRect rect, int state, const TsMaskData& image, const TsPixels24& master,
                     bool middle, const TCacheInfo* cache = nullptr, std::optional<TColor> ground = std::nullopt);
void PaintRectByMask(TBitmap* dst, TRect rect, int state, const TsMaskData& image, TBitmap* master, bool middle,
                     const TCacheInfo* cache = nullptr, std::optional<TColor> ground = std::nullopt);
// The same from the master bitmap of the image's manager.
void PaintRectByMask(TBitmap* dst, TRect rect, int state, const TsMaskData& image, bool middle,
                     const TCacheInfo* cache = nullptr, std::optional<TColor> ground = std::nullopt);

// The pieces of a border image's frame over a rectangle of width x height, as the nine-piece
// painting takes them: cells of CellW x CellH from (FrameX, FrameY) of the image's pixels, corners
// of Left / Right x Top / Bottom pixels. Not Valid when the image draws nothing there.
struct TacNinePieces {
  bool Valid = false;
  int CellW = 0, CellH = 0;
  int FrameX = 0, FrameY = 0;
  int Left = 0, Right = 0, Top = 0, Bottom = 0;
  int MaskOffset = -1;  // rows from a picture pixel down to its mask, -1 without a mask
  // Where the right and bottom corners start in the image: they end with the frame's last cell.
  [[nodiscard]] int RightX() const noexcept { return FrameX + 3 * CellW - Right; }
  [[nodiscard]] int BottomY() const noexcept { return FrameY + 3 * CellH - Bottom; }
};
[[nodiscard]] TacNinePieces NinePieces(const TsMaskData& image, const TsPixels24& src, int width, int height,
                                       int state) noexcept;

// The master bitmap of the image's manager (nullptr without a manager or a master bitmap).
[[nodiscard]] TBitmap* MasterBitmapOf(const TsMaskData& image) noexcept;

}  // namespace korv
