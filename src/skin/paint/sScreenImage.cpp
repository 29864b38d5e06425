#include "skin/paint/sScreenImage.h"

namespace korv {

namespace {

// A screen of fewer bits would round the colours of the copy: copied to a bitmap (WM_PRINT) it
// would not give the picture's own pixels.
bool ScreenKeepsColours() noexcept {
  TWindowDC screen = TWindowDC::Client(nullptr);
  return screen && GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES) >= 24;
}

}  // namespace

void TsScreenImage::Release() noexcept {
  if (FDC && FOld) SelectObject(FDC.Get(), FOld);
  FOld = nullptr;
  FDC.Reset();
  FBitmap.Reset();
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
  if (!FDC || w > FWidth || h > FHeight || w < FWidth / 2 || h < FHeight / 2) {
    Release();
    if (!ScreenKeepsColours()) return nullptr;
    TWindowDC screen = TWindowDC::Client(nullptr);
    FBitmap = TUniqueBitmap(CreateCompatibleBitmap(screen.Get(), w, h));
    FDC = TUniqueDC(CreateCompatibleDC(screen.Get()));
    if (!FBitmap || !FDC) {
      Release();
      return nullptr;
    }
    FOld = SelectObject(FDC.Get(), FBitmap.Get());
    FWidth = w;
    FHeight = h;
  }
  // The one conversion: the block of the 24-bit picture into the screen's format.
  if (!BitBlt(FDC.Get(), 0, 0, w, h, src->Canvas()->Handle(), block.left, block.top, SRCCOPY)) {
    FValid = false;
    return nullptr;
  }
  FFrom = src->Handle();
  FBlock = block;
  FValid = true;
  return FDC.Get();
}

}  // namespace korv
