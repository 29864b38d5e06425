// Colour adjustments the skin manager applies to a skin's colours and pictures when it loads it:
// a saturation change and a hue shift. Colours are 0x00BBGGRR; system colours are resolved first.
#pragma once

#include "classlib/Graphics.h"

namespace korv {

// Amount 0 returns the colour as it is; else, with g the mean of the three channels (a real
// number), each channel c becomes round(amount * (g - c) / 100 + c), clamped to 0..255: positive
// amounts move the channels toward grey, negative ones away from it.
[[nodiscard]] TColor ChangeColorSaturation(TColor color, int amount);

// The colour's hue (HSV, degrees) shifted by offset and wrapped into [0, 360), saturation and
// value kept, channels rounded. A grey (or black) colour has no hue and is returned as it is.
[[nodiscard]] TColor ChangeColorHue(int offset, TColor color);

}  // namespace korv
