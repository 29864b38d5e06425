// The gradient painter on the class library's 24-bit bitmaps.
#include "classlib/Graphics.h"
#include "skin/data/sGradient.h"

namespace korv {

void FillGradient(TBitmap* bmp, RECT r, const TsGradArray& data, int offsetX, int offsetY) {
  if (!bmp || bmp->Empty() || data.empty()) return;
  TsPixels24 px{bmp->ScanLine(0), bmp->Stride(), bmp->Width(), bmp->Height()};
  HDC dc = data[0].Mode == 2 ? bmp->Canvas()->Handle() : nullptr;
  FillGradient(px, dc, r, data, offsetX, offsetY);
}

}  // namespace korv
