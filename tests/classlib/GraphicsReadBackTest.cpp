// A canvas painting a real window, read back from the screen, through PrintWindow and as a
// window region: the read-back helpers checked against what was painted.
#include <gtest/gtest.h>

#include "classlib/Graphics.h"
#include "support/Pixels.h"

namespace korv {
namespace {

using test::TPixelImage;

// A popup window that paints itself with a canvas: background clBtnFace, a red block at
// (10, 10, 30, 20) and a blue frame round the client area.
LRESULT CALLBACK PaintProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_PAINT || msg == WM_PRINTCLIENT) {
    PAINTSTRUCT ps{};
    HDC dc = msg == WM_PAINT ? BeginPaint(wnd, &ps) : reinterpret_cast<HDC>(wp);
    try {
      TCanvas canvas;
      canvas.SetHandle(dc);
      RECT r{};
      GetClientRect(wnd, &r);
      canvas.Brush()->SetColor(clBtnFace);
      canvas.FillRect(r);
      canvas.Brush()->SetColor(clRed);
      canvas.FillRect(Rect(10, 10, 30, 20));
      canvas.Brush()->SetColor(clBlue);
      canvas.FrameRect(r);
      canvas.SetHandle(nullptr);
    } catch (...) {
    }
    if (msg == WM_PAINT) EndPaint(wnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProcA(wnd, msg, wp, lp);
}

class ReadBackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PaintProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvReadBackTest";
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    RegisterClassA(&wc);
    Wnd = CreateWindowExA(WS_EX_TOPMOST, "KorvReadBackTest", "read back", WS_POPUP | WS_VISIBLE, 120, 90, 80, 60,
                          nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(Wnd, nullptr);
    UpdateWindow(Wnd);
  }
  void TearDown() override {
    if (Wnd) DestroyWindow(Wnd);
  }
  // Pumps messages until the screen shows `colour` at (x, y) or 5 s have passed.
  bool WaitForScreenPixel(int x, int y, TColor colour) {
    DWORD start = GetTickCount();
    while (static_cast<LONG>(GetTickCount() - start) < 5000) {
      MSG m;
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
      if (test::ScreenPixel(x, y) == colour) return true;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return false;
  }
  HWND Wnd = nullptr;
};

TEST_F(ReadBackTest, ScreenCaptureShowsWhatTheCanvasPainted) {
  TColor face = static_cast<TColor>(GetSysColor(COLOR_BTNFACE));
  ASSERT_TRUE(WaitForScreenPixel(120 + 15, 90 + 15, clRed));
  TPixelImage img = test::CaptureClient(Wnd);
  ASSERT_EQ(img.Width(), 80);
  ASSERT_EQ(img.Height(), 60);
  EXPECT_TRUE(img.All(Rect(10, 10, 30, 20), clRed));
  EXPECT_EQ(img.Count(Rect(0, 0, 80, 60), clRed), 200);
  EXPECT_EQ(img.At(40, 40), face);
  EXPECT_EQ(img.At(0, 0), clBlue);
  EXPECT_EQ(img.At(79, 59), clBlue);
  EXPECT_EQ(img.At(1, 1), face);
  TPixelImage whole = test::CaptureWindow(Wnd);  // a popup: window = client
  EXPECT_EQ(whole.At(15, 15), clRed);
  EXPECT_EQ(test::ScreenPixel(120 + 79, 90 + 30), clBlue);
}

TEST_F(ReadBackTest, PrintWindowPaintsWithoutTheScreen) {
  TPixelImage img = test::PrintWindowImage(Wnd, PW_CLIENTONLY);
  ASSERT_EQ(img.Width(), 80);
  EXPECT_TRUE(img.All(Rect(10, 10, 30, 20), clRed));
  EXPECT_EQ(img.At(0, 30), clBlue);
}

TEST_F(ReadBackTest, WindowRegionIsReadAsRectangles) {
  EXPECT_FALSE(test::ReadWindowRegion(Wnd).HasRegion());
  // A region with a notch cut from the top-left corner.
  HRGN rgn = CreateRectRgn(0, 0, 80, 60);
  TUniqueRgn notch(CreateRectRgn(0, 0, 10, 5));
  CombineRgn(rgn, rgn, notch.Get(), RGN_DIFF);
  ASSERT_NE(SetWindowRgn(Wnd, rgn, TRUE), 0);  // the window owns it now
  test::TWindowRegion r = test::ReadWindowRegion(Wnd);
  ASSERT_TRUE(r.HasRegion());
  EXPECT_EQ(r.Type, COMPLEXREGION);
  EXPECT_EQ(r.Box.right, 80);
  EXPECT_EQ(r.Box.bottom, 60);
  EXPECT_FALSE(r.Contains(3, 3));
  EXPECT_TRUE(r.Contains(12, 3));
  EXPECT_TRUE(r.Contains(3, 7));
  EXPECT_FALSE(r.Contains(80, 10));
  // The screen shows what lies beneath in the notch: not this window's frame colour.
  ASSERT_TRUE(WaitForScreenPixel(120 + 12, 90, clBlue));
  EXPECT_NE(test::ScreenPixel(120 + 3, 90 + 3), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
}

}  // namespace
}  // namespace korv
