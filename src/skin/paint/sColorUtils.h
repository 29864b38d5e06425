// Colour adjustments of a skin: the saturation change and the hue shift of one colour, applied
// by the skin manager to the colours of a loaded skin (sections, gradients, shadow, pixels).
#pragma once

#include <cstdint>

#include "classlib/Graphics.h"

namespace korv {

// Moves the channels toward their mean (positive amounts, 100 making grey) or away from it
// (negative amounts): each channel c becomes round(amount * (mean - c) / 100 + c), clamped to
// 0..255. Amount 0 and greys (system colours resolved first) give the colour back unchanged.
[[nodiscard]] TColor ChangeColorSaturation(TColor color, int amount);

// Turns the hue of a colour (system colours resolved first) by Offset degrees, keeping its
// saturation and value. Greys, black and white have no hue and come back unchanged.
[[nodiscard]] TColor ChangeColorHue(int offset, TColor color);

// The same on plain 0x00BBGGRR values (the top byte is ignored and comes back 0), as the pixel
// passes use them.
[[nodiscard]] uint32_t SaturateRgb(uint32_t rgb, int amount) noexcept;
[[nodiscard]] uint32_t ShiftHueRgb(int offset, uint32_t rgb) noexcept;

}  // namespace korv
