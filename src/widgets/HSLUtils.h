// Colour conversion between RGB and hue/saturation/lightness, on a unit scale (doubles 0..1)
// and on the integer scale 0..HslScale (hue 0..HslScale-1). Colours are RGB values with red in
// the low byte; any high byte is ignored.
#pragma once

#include <windows.h>

#include <cstdint>

namespace korv {

// Top of the integer scale: saturation and lightness run 0..240, hue 0..239.
inline constexpr int HslScale = 240;

// One channel of an HSL colour from the two helper levels and a hue (wrapped once into 0..1);
// rounded half to even and held within 0..255.
[[nodiscard]] uint8_t HueToChannel(double m1, double m2, double h) noexcept;

[[nodiscard]] COLORREF HslToColor(double H, double S, double L) noexcept;
[[nodiscard]] COLORREF HslScaledToColor(int H, int S, int L) noexcept;

void ColorToHsl(COLORREF rgb, double& H, double& S, double& L) noexcept;
void ColorToHslScaled(COLORREF rgb, int& H, int& S, int& L) noexcept;

[[nodiscard]] constexpr double MaxOf2(double a, double b) noexcept { return a > b ? a : b; }
[[nodiscard]] constexpr double MinOf2(double a, double b) noexcept { return a < b ? a : b; }

}  // namespace korv
