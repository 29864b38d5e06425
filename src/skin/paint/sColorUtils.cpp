#include "skin/paint/sColorUtils.h"

#include <algorithm>
#include <cmath>

namespace korv {

namespace {

struct TRgb {
  int R, G, B;
};

constexpr TRgb Split(uint32_t c) noexcept {
  return TRgb{static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)};
}

// A channel computed in floating point: rounded to nearest (ties to even), clamped to a byte.
uint32_t Channel(double v) noexcept { return static_cast<uint32_t>(std::clamp<long>(std::lrint(v), 0, 255)); }

uint32_t Join(double r, double g, double b) noexcept { return Channel(r) | Channel(g) << 8 | Channel(b) << 16; }

bool IsGrey(uint32_t c) noexcept {
  const TRgb p = Split(c);
  return p.R == p.G && p.G == p.B;
}

}  // namespace

uint32_t SaturateRgb(uint32_t rgb, int amount) noexcept {
  if (amount == 0 || IsGrey(rgb)) return rgb & 0xFFFFFF;
  const TRgb p = Split(rgb);
  const double mean = (p.R + p.G + p.B) / 3.0;
  auto channel = [&](int c) { return amount * (mean - c) / 100.0 + c; };
  return Join(channel(p.R), channel(p.G), channel(p.B));
}

uint32_t ShiftHueRgb(int offset, uint32_t rgb) noexcept {
  const TRgb p = Split(rgb);
  const int hi = std::max({p.R, p.G, p.B}), lo = std::min({p.R, p.G, p.B});
  // Without a hue (every grey, black and white included) there is nothing to turn; the formulas
  // below would divide by zero.
  if (hi == lo) return rgb & 0xFFFFFF;
  const double delta = hi - lo;
  double sector;  // hue / 60, in -1 .. 5
  if (hi == p.R)
    sector = (p.G - p.B) / delta;
  else if (hi == p.G)
    sector = 2 + (p.B - p.R) / delta;
  else
    sector = 4 + (p.R - p.G) / delta;
  // Into [0, 360): 360 itself would be a seventh sector.
  double hue = std::fmod(sector * 60 + offset, 360.0);
  if (hue < 0) hue += 360;
  if (hue >= 360) hue = 0;

  const double v = hi;  // value, scaled to 0..255
  const double s = delta / hi;
  const double h = hue / 60;
  const int i = std::min(5, static_cast<int>(h));
  const double f = h - i;
  const double lo2 = v * (1 - s), down = v * (1 - s * f), up = v * (1 - s * (1 - f));
  switch (i) {
    case 0:
      return Join(v, up, lo2);
    case 1:
      return Join(down, v, lo2);
    case 2:
      return Join(lo2, v, up);
    case 3:
      return Join(lo2, down, v);
    case 4:
      return Join(up, lo2, v);
    default:
      return Join(v, lo2, down);
  }
}

TColor ChangeColorSaturation(TColor color, int amount) {
  if (amount == 0) return color;
  const auto rgb = static_cast<uint32_t>(ColorToRGB(color));
  if (IsGrey(rgb)) return color;
  return static_cast<TColor>(SaturateRgb(rgb, amount));
}

TColor ChangeColorHue(int offset, TColor color) {
  const auto rgb = static_cast<uint32_t>(ColorToRGB(color));
  if (IsGrey(rgb)) return color;
  return static_cast<TColor>(ShiftHueRgb(offset, rgb));
}

}  // namespace korv
