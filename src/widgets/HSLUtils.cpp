#include "widgets/HSLUtils.h"

#include <cmath>

namespace korv {

namespace {

// Round half to even (the default floating-point rounding mode) and hold within 0..255.
uint8_t ToByte(double v) noexcept {
  double r = std::nearbyint(v);
  if (!(r >= 0.0)) return 0;  // also catches NaN
  if (r > 255.0) return 255;
  return static_cast<uint8_t>(r);
}

int RoundEven(double v) noexcept { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

uint8_t HueToChannel(double m1, double m2, double h) noexcept {
  if (h < 0)
    h += 1;
  else if (h > 1)
    h -= 1;
  double v;
  if (6 * h < 1)
    v = m1 + (m2 - m1) * h * 6;
  else if (2 * h < 1)
    v = m2;
  else if (3 * h < 2)
    v = m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6;
  else
    v = m1;
  return ToByte(255 * v);
}

COLORREF HslToColor(double H, double S, double L) noexcept {
  if (S == 0) {
    uint8_t g = ToByte(255 * L);
    return RGB(g, g, g);
  }
  double m2 = L <= 0.5 ? L * (1 + S) : L + S - L * S;
  double m1 = 2 * L - m2;
  return RGB(HueToChannel(m1, m2, H + 1.0 / 3.0), HueToChannel(m1, m2, H), HueToChannel(m1, m2, H - 1.0 / 3.0));
}

COLORREF HslScaledToColor(int H, int S, int L) noexcept {
  return HslToColor(H / double(HslScale - 1), S / double(HslScale), L / double(HslScale));
}

void ColorToHsl(COLORREF rgb, double& H, double& S, double& L) noexcept {
  double r = GetRValue(rgb) / 255.0, g = GetGValue(rgb) / 255.0, b = GetBValue(rgb) / 255.0;
  double mx = MaxOf2(r, MaxOf2(g, b));
  double mn = MinOf2(r, MinOf2(g, b));
  L = (mx + mn) / 2;
  if (mx == mn) {
    H = 0;
    S = 0;
    return;
  }
  double d = mx - mn;
  S = L < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  if (r == mx)
    H = (g - b) / d;
  else if (g == mx)
    H = 2 + (b - r) / d;
  else
    H = 4 + (r - g) / d;
  H /= 6;
  if (H < 0) H += 1;
}

void ColorToHslScaled(COLORREF rgb, int& H, int& S, int& L) noexcept {
  double h, s, l;
  ColorToHsl(rgb, h, s, l);
  H = RoundEven(h * (HslScale - 1));
  S = RoundEven(s * HslScale);
  L = RoundEven(l * HslScale);
}

}  // namespace korv
