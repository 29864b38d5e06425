// A skinned form's whole repaint (frame, client, a panel and the form's two scroll bars) at the
// screen's size, beside one BitBlt of a 24-bit bitmap of the same area to the window, and the
// floor: the same BitBlt from a screen-compatible 32-bit bitmap. Last, the same form without
// children: the provider's own share.
#pragma once

#include "harness/Bench.h"

namespace korv::bench {

// Runs the cases the filter selects and prints each one's goal; false when a goal is missed.
bool SkinFormPaintBenches(Runner& run);

}  // namespace korv::bench
