#include "skin/forms/sSkinProviderScreen.h"

#include <cstdlib>

namespace korv {

namespace {

TRect WorkAreaOf(HMONITOR monitor, TRect* bounds) noexcept {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!monitor || !GetMonitorInfoA(monitor, &mi)) {
    // No monitor to ask: the primary monitor's work area and the screen.
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (bounds) *bounds = Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return work;
  }
  if (bounds) *bounds = mi.rcMonitor;
  return mi.rcWork;
}

}  // namespace

TRect MonitorWorkArea(const TRect& screenRect) noexcept {
  return WorkAreaOf(MonitorFromRect(&screenRect, MONITOR_DEFAULTTONEAREST), nullptr);
}

void WindowMonitor(HWND wnd, TRect& monitor, TRect& work) noexcept {
  work = WorkAreaOf(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST), &monitor);
}

TRect MaximizedBounds(const TRect& monitor, const TRect& work) noexcept {
  return Bounds(work.left - monitor.left, work.top - monitor.top, RectWidth(work), RectHeight(work));
}

void SnapToEdge(int& position, int edge, int size, int buffer) noexcept {
  if (std::abs(position + size - edge) < buffer) position = edge - size;
}

TPoint SnapToWorkArea(TPoint pos, TSize size, const TRect& work, int buffer) noexcept {
  int x = pos.x, y = pos.y;
  SnapToEdge(x, work.right, size.cx, buffer);
  SnapToEdge(y, work.bottom, size.cy, buffer);
  SnapToEdge(x, work.left, 0, buffer);
  SnapToEdge(y, work.top, 0, buffer);
  return Point(x, y);
}

}  // namespace korv
