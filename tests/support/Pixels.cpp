#include "support/Pixels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace korv::test {

TPixelImage::TPixelImage(int width, int height)
    : Width_(std::max(width, 0)),
      Height_(std::max(height, 0)),
      RowBytes_(DibRowBytes(Width_, 24)),
      Bits_(static_cast<size_t>(RowBytes_) * Height_, 0) {}

TColor TPixelImage::At(int x, int y) const noexcept {
  if (x < 0 || y < 0 || x >= Width_ || y >= Height_) return -1;
  const uint8_t* p = Row(y) + 3 * x;
  return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
}

void TPixelImage::Set(int x, int y, TColor color) noexcept {
  if (x < 0 || y < 0 || x >= Width_ || y >= Height_) return;
  uint8_t* p = Row(y) + 3 * x;
  p[0] = static_cast<uint8_t>(color >> 16);
  p[1] = static_cast<uint8_t>(color >> 8);
  p[2] = static_cast<uint8_t>(color);
}

int TPixelImage::Count(const TRect& rect, TColor color) const noexcept {
  int n = 0;
  for (int y = std::max<int>(rect.top, 0); y < std::min<int>(rect.bottom, Height_); ++y)
    for (int x = std::max<int>(rect.left, 0); x < std::min<int>(rect.right, Width_); ++x)
      if (At(x, y) == color) ++n;
  return n;
}

bool TPixelImage::All(const TRect& rect, TColor color) const noexcept {
  int w = std::min<int>(rect.right, Width_) - std::max<int>(rect.left, 0);
  int h = std::min<int>(rect.bottom, Height_) - std::max<int>(rect.top, 0);
  if (w <= 0 || h <= 0) return false;
  return Count(rect, color) == w * h;
}

namespace {

// Captures go through a top-down 24-bit DIB section (a negative height): its rows are in reading
// order, as those of a TPixelImage.
TPixelImage FromDib(const TDibSection& d, int w, int h) {
  GdiFlush();
  TPixelImage img(w, h);
  const int rowBytes = DibRowBytes(w, 24);
  for (int y = 0; y < h; ++y) std::memcpy(img.Row(y), d.Bits + static_cast<size_t>(y) * rowBytes, static_cast<size_t>(w) * 3);
  return img;
}

}  // namespace

TPixelImage CaptureDC(HDC dc, const TRect& rect) {
  int w = RectWidth(rect), h = RectHeight(rect);
  if (!dc || w <= 0 || h <= 0) return {};
  TDibSection d = CreateDibSection24(w, -h);
  TUniqueDC mem(CreateCompatibleDC(dc));
  {
    TSelectGuard sel(mem.Get(), d.Handle.Get());
    GdiFlush();
    BitBlt(mem.Get(), 0, 0, w, h, dc, rect.left, rect.top, SRCCOPY);
  }
  return FromDib(d, w, h);
}

TPixelImage CaptureScreen(const TRect& screenRect) {
  TWindowDC screen = TWindowDC::Client(nullptr);
  return CaptureDC(screen.Get(), screenRect);
}

TPixelImage CaptureWindow(HWND wnd) {
  TRect r{};
  GetWindowRect(wnd, &r);
  return CaptureScreen(r);
}

TPixelImage CaptureWindowDC(HWND wnd) {
  TRect r{};
  GetWindowRect(wnd, &r);
  TWindowDC dc = TWindowDC::Window(wnd);
  return CaptureDC(dc.Get(), Bounds(0, 0, RectWidth(r), RectHeight(r)));
}

TPixelImage CaptureClient(HWND wnd) {
  TRect r{};
  GetClientRect(wnd, &r);
  POINT origin{0, 0};
  ClientToScreen(wnd, &origin);
  return CaptureScreen(Bounds(origin.x, origin.y, RectWidth(r), RectHeight(r)));
}

TPixelImage PrintWindowImage(HWND wnd, UINT flags) {
  TRect r{};
  GetWindowRect(wnd, &r);
  int w = RectWidth(r), h = RectHeight(r);
  if (w <= 0 || h <= 0) return {};
  TDibSection d = CreateDibSection24(w, -h);
  TWindowDC screen = TWindowDC::Client(nullptr);
  TUniqueDC mem(CreateCompatibleDC(screen.Get()));
  {
    TSelectGuard sel(mem.Get(), d.Handle.Get());
    PrintWindow(wnd, mem.Get(), flags);
  }
  return FromDib(d, w, h);
}

TPixelImage BitmapImage(const TBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  TPixelImage img(bitmap.Width(), bitmap.Height());
  for (int y = 0; y < bitmap.Height(); ++y)
    std::memcpy(img.Row(y), bitmap.ScanLine(y), static_cast<size_t>(bitmap.Width()) * 3);
  return img;
}

TColor ScreenPixel(int x, int y) {
  TWindowDC screen = TWindowDC::Client(nullptr);
  return static_cast<TColor>(GetPixel(screen.Get(), x, y));
}

bool TWindowRegion::Contains(int x, int y) const noexcept {
  for (const TRect& r : Rects)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

TWindowRegion ReadWindowRegion(HWND wnd) {
  TWindowRegion out;
  TUniqueRgn rgn(CreateRectRgn(0, 0, 0, 0));
  out.Type = GetWindowRgn(wnd, rgn.Get());
  if (out.Type == ERROR) return out;
  GetRgnBox(rgn.Get(), &out.Box);
  DWORD size = GetRegionData(rgn.Get(), 0, nullptr);
  if (size == 0) return out;
  std::vector<uint8_t> buf(size);
  auto* data = reinterpret_cast<RGNDATA*>(buf.data());
  if (GetRegionData(rgn.Get(), size, data) == 0) return out;
  const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
  out.Rects.assign(rects, rects + data->rdh.nCount);
  return out;
}

DWORD GdiObjectCount() noexcept {
  DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (n) return n;
  // Wine reports 0 here. Its GDI handles are table indexes in the low word with a generation in
  // the high word, and a handle whose high word is 0 names whatever object lives at that index:
  // counting the indexes that answer GetObjectType counts the process's live GDI objects.
  for (uintptr_t i = 1; i <= 0xFFFF; ++i)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++n;
  return n;
}
DWORD UserObjectCount() noexcept { return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS); }

namespace {
BOOL CALLBACK CountWindow(HWND, LPARAM lParam) noexcept {
  ++*reinterpret_cast<int*>(lParam);
  return TRUE;
}
BOOL CALLBACK CountTopWindow(HWND wnd, LPARAM lParam) noexcept {
  ++*reinterpret_cast<int*>(lParam);
  EnumChildWindows(wnd, CountWindow, lParam);  // every descendant
  return TRUE;
}
}  // namespace

int ThreadWindowCount() noexcept {
  int n = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountTopWindow, reinterpret_cast<LPARAM>(&n));
  return n;
}

int ColorDistance(TColor a, TColor b) noexcept {
  int d = 0;
  for (int shift = 0; shift <= 16; shift += 8)
    d = std::max(d, std::abs(((a >> shift) & 0xFF) - ((b >> shift) & 0xFF)));
  return d;
}

}  // namespace korv::test
