// The bitmap primitives of skin painting over a 1280 x 1024 24-bit frame, each beside a memcpy of
// the frame's bytes in the same run.
#pragma once

#include "harness/Bench.h"

namespace korv::bench {

// Runs the cases the filter selects and prints each one's goal; false when a goal is missed.
bool SkinPaintBenches(Runner& run);

}  // namespace korv::bench
