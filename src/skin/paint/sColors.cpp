#include "skin/paint/sColors.h"

#include <algorithm>
#include <cmath>

namespace korv {

namespace {

int Round255(double v) { return std::clamp(static_cast<int>(std::lrint(v)), 0, 255); }
TColor FromRgb(int r, int g, int b) { return static_cast<TColor>(r | g << 8 | b << 16); }

}  // namespace

TColor ChangeColorSaturation(TColor color, int amount) {
  if (amount == 0) return color;
  const TColor c = ColorToRGB(color);
  const int ch[3] = {c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF};
  const double grey = (ch[0] + ch[1] + ch[2]) / 3.0;
  int out[3];
  for (int i = 0; i < 3; ++i) out[i] = Round255(amount * (grey - ch[i]) / 100 + ch[i]);
  return FromRgb(out[0], out[1], out[2]);
}

TColor ChangeColorHue(int offset, TColor color) {
  const TColor c = ColorToRGB(color);
  const int r = c & 0xFF, g = c >> 8 & 0xFF, b = c >> 16 & 0xFF;
  const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
  // Grey, black and white have no hue: the division below would be 0 / 0.
  if (hi == lo) return c;
  const double delta = hi - lo, s = delta / hi, v = hi / 255.0;
  double h;
  if (r == hi)
    h = (g - b) / delta;
  else if (g == hi)
    h = 2 + (b - r) / delta;
  else
    h = 4 + (r - g) / delta;
  h = std::fmod(h * 60 + offset, 360.0);
  if (h < 0) h += 360;
  if (h >= 360) h = 0;  // a tiny negative hue wrapped to 360 would make a seventh sector
  const int sector = static_cast<int>(h / 60);
  const double f = h / 60 - sector, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  double rr, gg, bb;
  switch (sector) {
    case 0:
      rr = v, gg = t, bb = p;
      break;
    case 1:
      rr = q, gg = v, bb = p;
      break;
    case 2:
      rr = p, gg = v, bb = t;
      break;
    case 3:
      rr = p, gg = q, bb = v;
      break;
    case 4:
      rr = t, gg = p, bb = v;
      break;
    default:
      rr = v, gg = p, bb = q;
      break;
  }
  return FromRgb(Round255(rr * 255), Round255(gg * 255), Round255(bb * 255));
}

}  // namespace korv
