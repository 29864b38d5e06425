// One step of a resize at the screen's size as the user's drag makes it (WM_SIZING, SetWindowPos
// and the paints they cause), the skinned form beside the same form unskinned; then the
// provider's own share of the step by phase: the window image composed, the region set, the
// frame's strips copied to the window.
#pragma once

#include "harness/Bench.h"

namespace korv::bench {

// Runs the cases the filter selects and prints the goal; false when it is missed.
bool SkinResizeBenches(Runner& run);

}  // namespace korv::bench
