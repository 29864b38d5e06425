// The bitmap primitives of skin painting over a 1280 x 1024 24-bit frame, each beside what a
// program without the library would call on the same pixels in the same run: the platform's
// AlphaBlend for the blends and the masked copies (the mask as per-pixel alpha), TransparentBlt
// for the key-colour copy, StretchBlt or AlphaBlend of the nine pieces for the nine-piece border.
// Those without a counterpart in the platform are set beside the memory floor: a memcpy of one
// frame out of a pool far larger than the caches.
#pragma once

#include "harness/Bench.h"

namespace korv::bench {

// Runs the cases the filter selects and prints each one's goal; false when a goal is missed.
bool SkinPaintBenches(Runner& run);

}  // namespace korv::bench
