// Scan-line access to the 24-bit bitmaps of skin painting: pixel views of the class library's
// bitmaps, the scan-line objects TacFast24 and TacFastSum24 with the process-wide instances, new
// 24-bit bitmaps and the cache record.
//
// Pixels are three bytes, blue first; a colour value is 0x00BBGGRR (red in the low byte). The
// primitives work on TsPixels24 views (row 0, stride, width, height); the bitmaps of the class
// library are bottom-up DIB sections, so their stride is negative.
#pragma once

#include <cstdint>
#include <memory>

#include "classlib/Graphics.h"
#include "skin/data/sConst.h"

namespace korv {

// The pixels of a bitmap: an empty view for nullptr or an empty bitmap. Flushes pending GDI
// drawing, so the view sees what GDI drew before.
[[nodiscard]] TsPixels24 BitmapPixels(TBitmap* bmp);

// A block of W x H pixels copied from (SX, SY) of a source to (DX, DY) of a destination.
struct TacBlock {
  int DX = 0, DY = 0, SX = 0, SY = 0, W = 0, H = 0;
};
// Cuts a block to both bitmaps: a negative coordinate on either side cuts the same amount off
// both sides, and the size ends inside both. False when nothing is left.
bool ClipBlock(TacBlock& block, int dstWidth, int dstHeight, int srcWidth, int srcHeight) noexcept;

// One 24-bit bitmap for reading single pixels.
class TacFast24 {
 public:
  TBitmap* Bitmap = nullptr;  // the attached bitmap (not owned); nullptr for a view
  int Width = 0;
  int Height = 0;
  ptrdiff_t Stride = 0;  // address of row 1 minus that of row 0
  uint8_t* Row0 = nullptr;

  // Accepts a bitmap (or view) wider and higher than 1 pixel; else Width := 0 and false.
  bool Attach(TBitmap* bmp);
  bool Attach(const TsPixels24& pixels) noexcept;
  // The colour of pixel (x, y). No range check: the caller keeps x and y inside the bitmap.
  [[nodiscard]] TColor Pixel(int x, int y) const noexcept {
    const uint8_t* p = Row0 + y * Stride + x * 3;
    return p[2] | p[1] << 8 | p[0] << 16;
  }
  [[nodiscard]] TsPixels24 View() const noexcept { return TsPixels24{Row0, Stride, Width, Height}; }
};

// Two 24-bit bitmaps for blending one into the other.
class TacFastSum24 {
 public:
  TBitmap* Src = nullptr;  // not owned; nullptr when attached to views
  TBitmap* Dst = nullptr;
  int Width = 0;  // the smaller of the two widths
  int Height = 0;
  uint8_t* SrcRow0 = nullptr;
  uint8_t* DstRow0 = nullptr;
  ptrdiff_t SrcStride = 0;
  ptrdiff_t DstStride = 0;
  uint8_t Alpha = 0;  // weight of the destination pixel
  TRect DstRect{};    // right and bottom exclusive
  TRect SrcRect{};    // its top-left corner is the source of DstRect's

  // Both at least 2 by 2 pixels; else false (and Blend does nothing).
  bool Attach(TBitmap* src, TBitmap* dst);
  bool Attach(const TsPixels24& src, const TsPixels24& dst) noexcept;
  // Every byte of DstRect: dst := (src * (255 - Alpha) + dst * Alpha + 127) shr 8, the source pixel
  // at the same offset from SrcRect's top-left corner. The rectangles are cut to the bitmaps.
  // When source and destination share memory the bytes are taken from the bottom row up and
  // from right to left.
  void Blend() noexcept;

 private:
  int FSrcWidth = 0, FSrcHeight = 0, FDstWidth = 0, FDstHeight = 0;
};

// The scan-line objects shared by all painting (main thread only, never re-entrantly; attach
// before each use): CacheFast24 is attached to a parent's cache bitmap when masked copies fill
// key-colour pixels from it, ImageFast24 is the painters' second reader, FastSum24 blends for
// BlendBmpRect.
extern TacFast24 CacheFast24;
extern TacFast24 ImageFast24;
extern TacFastSum24 FastSum24;

// The colour masked copies put in place of key-colour pixels; sKeyColor (the initial value) when
// none is known, then the parent cache's pixel is taken. The section painter sets and resets it.
extern TColor MaskFillColor;

// A new 24-bit bitmap (white) of that size / of a graphic's size; the caller owns it.
[[nodiscard]] std::unique_ptr<TBitmap> CreateBmp24(int width, int height);
[[nodiscard]] std::unique_ptr<TBitmap> CreateBmpLike(const TGraphic* graphic);

// Fills a cache record: Bmp, X, Y and Ready = true.
void InitCacheInfo(TCacheInfo& info, TBitmap* bmp, int x, int y) noexcept;

}  // namespace korv
