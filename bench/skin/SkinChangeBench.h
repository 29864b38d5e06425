// A skin change as a user meets it, end to end, with a form of 50 skinned panels open: a hue
// change and a new skin announced, each beside the reload of the skin alone followed by one
// repaint of the form with every cache changed (what the change cannot do without).
#pragma once

#include "harness/Bench.h"

namespace korv::bench {

// Runs the cases the filter selects and prints each one's goal; false when a goal is missed.
bool SkinChangeBenches(Runner& run);

}  // namespace korv::bench
