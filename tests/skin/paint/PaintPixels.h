// Small pictures for the painting tests: bitmaps (bottom-up rows, negative stride) filled from a
// function, top-down pictures (positive stride) as views, and pixel access by colour value.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "classlib/Graphics.h"
#include "skin/data/sConst.h"
#include "skin/paint/sFast24.h"
#include "support/Pixels.h"

namespace korv::test {

[[nodiscard]] inline TColor Get(TBitmap& b, int x, int y) {
  const uint8_t* p = b.ScanLine(y) + x * 3;
  return p[2] | p[1] << 8 | p[0] << 16;
}
inline void Put(TBitmap& b, int x, int y, TColor c) {
  uint8_t* p = b.ScanLine(y) + x * 3;
  p[0] = static_cast<uint8_t>(c >> 16);
  p[1] = static_cast<uint8_t>(c >> 8);
  p[2] = static_cast<uint8_t>(c);
}
// Channel 0 (blue), 1 (green) or 2 (red) of a colour value, and a colour from its channels.
[[nodiscard]] constexpr int Ch(TColor c, int i) noexcept { return c >> (16 - 8 * i) & 0xFF; }
[[nodiscard]] constexpr TColor Bgr(int b, int g, int r) noexcept { return b << 16 | g << 8 | r; }

template <class F>
[[nodiscard]] std::unique_ptr<TBitmap> MakeBitmap(int w, int h, F colorAt) {
  auto b = std::make_unique<TBitmap>(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) Put(*b, x, y, colorAt(x, y));
  return b;
}
[[nodiscard]] inline std::unique_ptr<TBitmap> Solid(int w, int h, TColor c) {
  return MakeBitmap(w, h, [c](int, int) { return c; });
}

// Rectangles as comparable and printable values: left, top, right, bottom.
using TEdges = std::array<LONG, 4>;
[[nodiscard]] inline TEdges Edges(const TRect& r) { return {r.left, r.top, r.right, r.bottom}; }
[[nodiscard]] inline std::vector<TEdges> Edges(const std::vector<TRect>& rects) {
  std::vector<TEdges> out;
  for (const TRect& r : rects) out.push_back(Edges(r));
  return out;
}

// A top-down picture seen as pixels: its stride is positive.
[[nodiscard]] inline TsPixels24 View(TPixelImage& img) {
  return TsPixels24{img.Row(0), DibRowBytes(img.Width(), 24), img.Width(), img.Height()};
}

}  // namespace korv::test
