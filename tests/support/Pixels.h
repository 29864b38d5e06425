// Pixel read-back for tests: the screen, a window, any DC, PrintWindow output and bitmaps,
// copied into a 24-bit picture; a window's region as rectangles; GDI object counts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "classlib/Graphics.h"

namespace korv::test {

// A 24-bit copy of pixels, rows top-down. Colours are TColor values 0x00BBGGRR.
class TPixelImage {
 public:
  TPixelImage() = default;
  TPixelImage(int width, int height);

  [[nodiscard]] int Width() const noexcept { return Width_; }
  [[nodiscard]] int Height() const noexcept { return Height_; }
  [[nodiscard]] bool Empty() const noexcept { return Width_ <= 0 || Height_ <= 0; }
  // The pixel at (x, y); -1 outside the picture.
  [[nodiscard]] TColor At(int x, int y) const noexcept;
  void Set(int x, int y, TColor color) noexcept;
  // Pixels of rect (cut to the picture) equal to color.
  [[nodiscard]] int Count(const TRect& rect, TColor color) const noexcept;
  // True when every pixel of rect (cut to the picture, non-empty) is color.
  [[nodiscard]] bool All(const TRect& rect, TColor color) const noexcept;
  [[nodiscard]] uint8_t* Row(int y) noexcept { return Bits_.data() + static_cast<size_t>(y) * RowBytes_; }
  [[nodiscard]] const uint8_t* Row(int y) const noexcept { return Bits_.data() + static_cast<size_t>(y) * RowBytes_; }

 private:
  int Width_ = 0;
  int Height_ = 0;
  int RowBytes_ = 0;
  std::vector<uint8_t> Bits_;
};

// BitBlt of rect of dc into a 24-bit DIB section (GdiFlush first and after).
[[nodiscard]] TPixelImage CaptureDC(HDC dc, const TRect& rect);
// The screen through GetDC(NULL): any window, open menus, the root.
[[nodiscard]] TPixelImage CaptureScreen(const TRect& screenRect);
// A window's whole rectangle / its client area, as shown on the screen.
[[nodiscard]] TPixelImage CaptureWindow(HWND wnd);
[[nodiscard]] TPixelImage CaptureClient(HWND wnd);
// A window's whole rectangle as the window has painted it, read from its own window DC: what the
// screen shows once the platform has passed it on (a window just shown may not be on the screen
// yet).
[[nodiscard]] TPixelImage CaptureWindowDC(HWND wnd);
// PrintWindow into a memory DC holding a 24-bit DIB of the window's size (the window paints
// itself, non-client area included, without the screen).
[[nodiscard]] TPixelImage PrintWindowImage(HWND wnd, UINT flags = 0);
// The pixels of a bitmap, read through its scan lines.
[[nodiscard]] TPixelImage BitmapImage(const TBitmap& bitmap);
// GetPixel on the screen DC.
[[nodiscard]] TColor ScreenPixel(int x, int y);

// A window's region (window coordinates) as GetWindowRgn reports it.
struct TWindowRegion {
  int Type = ERROR;  // ERROR when the window has no region; else NULLREGION, SIMPLEREGION...
  TRect Box{};
  std::vector<TRect> Rects;
  [[nodiscard]] bool HasRegion() const noexcept { return Type != ERROR; }
  [[nodiscard]] bool Contains(int x, int y) const noexcept;
};
[[nodiscard]] TWindowRegion ReadWindowRegion(HWND wnd);

// GDI and USER objects of this process (GetGuiResources).
[[nodiscard]] DWORD GdiObjectCount() noexcept;
[[nodiscard]] DWORD UserObjectCount() noexcept;
// The windows of the calling thread, top-level windows and every descendant (Wine answers 0 for
// the USER objects above).
[[nodiscard]] int ThreadWindowCount() noexcept;

// Channel-wise distance of two RGB colours (largest channel difference).
[[nodiscard]] int ColorDistance(TColor a, TColor b) noexcept;

}  // namespace korv::test
