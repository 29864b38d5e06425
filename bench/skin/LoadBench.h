// Loading the project's skin through a skin manager, from its folder and from the stored skin of
// the executable's resource, with the colours as they are and shifted, while a skinned form is
// open (a load repaints it); beside what a program without the library does for a new look in
// the same run: a plain read of the same bytes, a plain decode of the bitmaps they hold, and the
// whole repaint of the same form unskinned.
#pragma once

#include "harness/Bench.h"

namespace korv::bench {

// Runs the cases the filter selects and prints each one's goal; false when the folder skin is
// missing or a goal is missed.
bool SkinLoadBenches(Runner& run);

}  // namespace korv::bench
