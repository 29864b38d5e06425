// Gradient texts of skin sections and their painter over 24-bit bitmaps.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "skin/data/sConst.h"

namespace korv {

class TBitmap;

// One gradient stop: 20 bytes.
struct TsGradStop {
  int32_t Color1 = 0;   // first colour, RGB (never a system colour)
  int32_t Color2 = 0;   // second colour
  uint8_t Percent = 0;  // share of the rectangle, 0..100
  int32_t Mode = 0;     // of the first stop: 0 vertical, 1 horizontal, 2 triangles
  uint8_t Reserved[4] = {};
};
static_assert(sizeof(TsGradStop) == 20);

using TsGradArray = std::vector<TsGradStop>;

// Parses "c1;c2;percent;mode;x;..." into stops, five values a stop; empty fields are skipped and a
// trailing partial group is ignored. A value that is not an integer raises EConvertError; the
// array is then left empty. Percent is clamped to 0..100.
void ParseGradientData(std::string_view text, TsGradArray& data);

// Paints the stops into the rectangle (clipped to the pixels). Modes 0 and 1 write the pixels
// directly; mode 2 uses the platform's triangle GradientFill on Dc, which must have the same
// pixels selected (it is flushed before returning). OffsetY shifts the bands of mode 0; OffsetX is
// not used.
void FillGradient(const TsPixels24& pixels, HDC dc, RECT r, const TsGradArray& data, int offsetX, int offsetY);
// The same on a 24-bit bitmap of the class library (its scan lines and its canvas).
void FillGradient(TBitmap* bmp, RECT r, const TsGradArray& data, int offsetX, int offsetY);

// Blue, green and red of a colour, in this order.
void SplitColor(int32_t color, uint8_t bgr[3]) noexcept;

}  // namespace korv
