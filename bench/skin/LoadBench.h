// Loading the project's skin through a skin manager, from its folder and from the stored skin of
// the executable's resource, beside a plain read of the same bytes and a plain decode of the
// bitmaps they hold, with the colours as they are and shifted.
#pragma once

#include "harness/Bench.h"

namespace korv::bench {

// Runs the cases the filter selects and prints each one's goal; false when the folder skin is
// missing or a goal is missed.
bool SkinLoadBenches(Runner& run);

}  // namespace korv::bench
