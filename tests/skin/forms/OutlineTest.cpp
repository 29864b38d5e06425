// The outline drag on the screen: inverted pixels while it lasts, the window moved once at the
// end, and aborts that leave no pixel, DC or GDI object behind.
#include <gtest/gtest.h>

#include "ProviderKit.h"
#include "skin/forms/sSkinProviderOutline.h"
#include "support/MenuDriver.h"

namespace korv::test {
namespace {

class OutlineTest : public TProviderTest {
 protected:
  void SetUp() override {
    TProviderTest::SetUp();
    LoadTestSkin();
    Form = ShowSkinnedForm();
    P = ProviderOf(Form);
    P->SetResizeMode(rmBorder);
    GetWindowRect(Form->Handle(), &Start);
    Area = Rect(Start.left - 60, Start.top - 60, Start.right + 60, Start.bottom + 60);
    Before = CaptureScreen(Area);
  }
  // The screen shows Before with exactly these closed outlines inverted (outside Skip).
  void ExpectOutlines(std::vector<TRect> outlines, TRect skip = {}) {
    const TPixelImage now = CaptureScreen(Area);
    for (int y = Area.top; y < Area.bottom; ++y)
      for (int x = Area.left; x < Area.right; ++x) {
        bool on = false;
        for (const TRect& r : outlines)
          on ^= ((x == r.left || x == r.right) && y >= r.top && y <= r.bottom) ||
                ((y == r.top || y == r.bottom) && x > r.left && x < r.right);
        const TColor was = Before.At(x - Area.left, y - Area.top);
        if (PtInRect(&skip, Point(x, y))) continue;
        ASSERT_EQ(now.At(x - Area.left, y - Area.top), on ? was ^ 0xFFFFFF : was) << x << "," << y;
      }
  }
  void MoveOutlineBy(int dx, int dy) {  // as the caption mouse handling does
    P->DrawOutline(OutlineDrag.Left, OutlineDrag.Top);
    OutlineDrag.Left += dx, OutlineDrag.Top += dy;
    P->DrawOutline(OutlineDrag.Left, OutlineDrag.Top);
  }
  [[nodiscard]] bool WindowAt(TRect r) const {
    RECT w{};
    GetWindowRect(Form->Handle(), &w);
    return EqualRect(&w, &r) != FALSE;
  }
  TForm* Form = nullptr;
  TsSkinProvider* P = nullptr;
  TRect Start{}, Area{};
  TPixelImage Before;
};

TEST_F(OutlineTest, OnlyTheEndMovesOrSizesTheWindowAndAStillDragChangesNothing) {
  P->StartOutline(Start.left + 10, Start.top + 5, true);
  EXPECT_TRUE(OutlineDrag.InProgress && GetCapture() == Form->Handle());
  ExpectOutlines({Start});
  MoveOutlineBy(30, 20);
  ExpectOutlines({Bounds(Start.left + 30, Start.top + 20, Form->Width(), Form->Height())});
  MoveOutlineBy(-30, -20);  // back to the start
  P->EndOutline();
  ExpectOutlines({});
  EXPECT_TRUE(WindowAt(Start) && !OutlineDrag.InProgress && GetCapture() != Form->Handle());
  TMessageRecorder positions(Form);
  positions.Filter({WM_WINDOWPOSCHANGING});
  P->StartOutline(0, 0, false);  // a size without a mouse move
  P->EndOutline();
  ExpectOutlines({});
  EXPECT_EQ(positions.Count(WM_WINDOWPOSCHANGING), 0);
  P->StartOutline(0, 0, false);
  P->DrawOutline(0, 0);
  OutlineDrag.Right += 50, OutlineDrag.Bottom += 30, OutlineDrag.FirstMove = false;
  P->DrawOutline(0, 0);
  P->EndOutline();
  EXPECT_TRUE(WindowAt(Rect(Start.left, Start.top, Start.right + 50, Start.bottom + 30)));
  P->StartOutline(0, 0, false);  // an outline sized down to nothing: the window stops at the minimum
  OutlineDrag.Right = OutlineDrag.Left, OutlineDrag.Bottom = OutlineDrag.Top, OutlineDrag.FirstMove = false;
  P->EndOutline();
  EXPECT_TRUE(Form->Width() >= GetSystemMetrics(SM_CXMINTRACK) && Form->Height() >= GetSystemMetrics(SM_CYMINTRACK));
}

TEST_F(OutlineTest, EveryAbortErasesTheOutlineGivesTheDCBackAndMovesNothing) {
  HWND wnd = Form->Handle();
  TForm* other = NewSkinnedForm();
  other->SetBounds(800, 600, 200, 150);
  other->Show();
  ProviderOf(other)->SetResizeMode(rmBorder);
  PumpPending();
  Before = CaptureScreen(Area);
  P->StartOutline(0, 0, true);  // the desktop DC comes from the DC cache: warm it up
  P->EndOutline();
  const DWORD objects = GdiObjectCount();
  const std::function<void()> aborts[] = {
      [&] { SetCapture(other->Handle()), ReleaseCapture(); },
      [&] { PostKey(wnd, VK_ESCAPE), PumpPending(); },
      [&] { SendMessageA(wnd, WM_CANCELMODE, 0, 0); },
      [&] { EnableWindow(wnd, FALSE), EnableWindow(wnd, TRUE); },
      [&] { ProviderOf(other)->StartOutline(0, 0, false), ProviderOf(other)->EndOutline(); },  // another drag
      [&] { Form->DestroyHandle(); }};
  for (const auto& abort : aborts) {
    P->StartOutline(Start.left + 5, Start.top + 5, true);
    MoveOutlineBy(25, 15);
    abort();
    EXPECT_FALSE(OutlineDrag.InProgress);
    EXPECT_LE(GdiObjectCount(), objects);                            // a destroyed window gives its region back
    if (!Form->HandleAllocated()) return ExpectOutlines({}, Start);  // the window is gone
    EXPECT_TRUE(WindowAt(Start));
    ExpectOutlines({});
  }
}

}  // namespace
}  // namespace korv::test
