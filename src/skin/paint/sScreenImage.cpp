#include "skin/paint/sScreenImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "skin/paint/sFast24.h"

namespace korv {

void Pixels24To32(const uint8_t* src, uint32_t* dst, int count) noexcept {
  int i = 0;
  // Four pixels from three 32-bit words (little-endian: the first pixel's blue is the low byte).
  for (; i + 4 <= count; i += 4, src += 12, dst += 4) {
    uint32_t w[3];
    std::memcpy(w, src, sizeof w);
    dst[0] = w[0] & 0xFFFFFF;
    dst[1] = (w[0] >> 24) | ((w[1] & 0xFFFF) << 8);
    dst[2] = (w[1] >> 16) | ((w[2] & 0xFF) << 16);
    dst[3] = w[2] >> 8;
  }
  for (; i < count; ++i, src += 3, ++dst) *dst = src[0] | src[1] << 8 | static_cast<uint32_t>(src[2]) << 16;
}

void TsScreenImage::Release() noexcept {
  if (FDC && FOld) SelectObject(FDC.Get(), FOld);
  FOld = nullptr;
  FDC.Reset();
  FBitmap.Reset();
  FBits = nullptr;
  FWidth = FHeight = 0;
  FFrom = nullptr;
  FValid = false;
}

HDC TsScreenImage::Source(TBitmap* src, const TRect& block) {
  const int w = RectWidth(block), h = RectHeight(block);
  if (!src || src->Empty() || w < 1 || h < 1 || block.left < 0 || block.top < 0 || block.right > src->Width() ||
      block.bottom > src->Height())
    return nullptr;
  if (FValid && FFrom == src->Handle() && EqualRect(&FBlock, &block)) return FDC.Get();
  FValid = false;
  // A window resized step by step changes the block at every step: the bitmap is kept while the
  // block fits and fills a quarter of it, and one made anew for another size has an eighth more
  // to grow into (new memory costs more to fill the first time than the conversion itself).
  const bool fits = w <= FWidth && h <= FHeight && static_cast<int64_t>(w) * h * 4 >= int64_t{FWidth} * FHeight;
  if (!FDC || !fits) {
    const bool room = static_cast<bool>(FDC);
    Release();
    const int cw = room ? w + std::max(32, w / 8) : w, ch = room ? h + std::max(32, h / 8) : h;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cw;
    bi.bmiHeader.biHeight = -ch;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    FBitmap = TUniqueBitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    FDC = TUniqueDC(CreateCompatibleDC(nullptr));
    if (!FBitmap || !FDC || !bits) {
      Release();
      return nullptr;
    }
    FOld = SelectObject(FDC.Get(), FBitmap.Get());
    FBits = static_cast<uint32_t*>(bits);
    FWidth = cw;
    FHeight = ch;
  }
  // The one conversion, row by row from the picture's pixels (flushed of pending GDI drawing).
  const TsPixels24 pixels = BitmapPixels(src);
  if (pixels.Empty()) return nullptr;
  for (int y = 0; y < h; ++y)
    Pixels24To32(pixels.Row(block.top + y) + static_cast<ptrdiff_t>(block.left) * 3,
                 FBits + static_cast<ptrdiff_t>(y) * FWidth, w);
  FFrom = src->Handle();
  FBlock = block;
  FValid = true;
  return FDC.Get();
}

}  // namespace korv
