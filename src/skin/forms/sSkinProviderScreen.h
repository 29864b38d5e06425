// Where a skinned form lies on the screen: the work area of the monitor it is on, the bounds it
// takes when maximised there, and snapping to that work area. The first two ask the system; the
// others are plain functions over rectangles (monitors other than the primary one start anywhere
// on the virtual screen).
#pragma once

#include <windows.h>

#include "classlib/Controls.h"

namespace korv {

// The work area of the monitor that holds most of the rectangle (screen coordinates), or of the
// nearest one.
[[nodiscard]] TRect MonitorWorkArea(const TRect& screenRect) noexcept;
// A window's monitor and that monitor's work area (screen coordinates).
void WindowMonitor(HWND wnd, TRect& monitor, TRect& work) noexcept;

// A maximised window on a monitor: its place relative to the monitor's top-left corner (as the
// system reads it from MINMAXINFO) and its size. It covers the work area exactly, so everything
// a skin draws, frame and caption buttons included, lies on the screen.
[[nodiscard]] TRect MaximizedBounds(const TRect& monitor, const TRect& work) noexcept;

// position becomes edge - size when position + size lies less than buffer pixels from edge.
void SnapToEdge(int& position, int edge, int size, int buffer) noexcept;
// A window of that size placed at pos, snapped to each edge of the work area that lies less than
// buffer pixels away.
[[nodiscard]] TPoint SnapToWorkArea(TPoint pos, TSize size, const TRect& work, int buffer) noexcept;

}  // namespace korv
