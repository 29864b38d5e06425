// A skinned form's whole repaint (frame, client, a panel and the form's two scroll bars) at the
// screen's size, from ready caches and with every cache changed, beside the same form unskinned
// (the system's frame and scroll bars, class-library panels) in the same run; the floor: one
// blit of the window's area from a bitmap in the screen's format. Last, both forms without
// children: the provider's own share.
#pragma once

#include "harness/Bench.h"

namespace korv::bench {

// Runs the cases the filter selects and prints each one's goal; false when a goal is missed.
bool SkinFormPaintBenches(Runner& run);

}  // namespace korv::bench
