// Size constraints and anchors: SetBounds and a real border drag stop at the constraints, and
// anchored children keep their distances to the parent's edges through a resize.
#include <gtest/gtest.h>

#include "ControlsTestKit.h"
#include "classlib/Forms.h"
#include "support/GuiTest.h"

namespace korv::test {
namespace {

class LayoutTest : public TFormTest {
 protected:
  // Drags the form's bottom-right corner by (dx, dy) and waits for a width in lo .. hi.
  static void DragCorner(HWND h, int dx, int dy, int lo, int hi) {
    RECT wr;
    GetWindowRect(h, &wr);
    TPoint grip = Point(wr.right - 2, wr.bottom - 2);
    ASSERT_EQ(SendMessageA(h, WM_NCHITTEST, 0, PointToLParam(grip.x, grip.y)), HTBOTTOMRIGHT);
    TInputDriver d;
    ASSERT_TRUE(d.Run([&](TInputDriver& d) {
      d.MoveTo(grip.x, grip.y);
      d.LeftDown();
      d.MoveInSteps(grip.x, grip.y, grip.x + dx, grip.y + dy, 8);
      d.LeftUp();
    })) << d.Error();
    ASSERT_TRUE(PumpUntil([&] {
      RECT r;
      GetWindowRect(h, &r);
      return r.right - r.left >= lo && r.right - r.left <= hi;
    }));
  }
};

TEST_F(LayoutTest, ConstraintsStopSetBoundsAndABorderDragWhileAnchorsKeepTheirDistances) {
  TForm* f = NewForm(150, 150, 320, 240);
  f->Constraints()->SetMinWidth(250);
  f->Constraints()->SetMinHeight(180);
  f->Constraints()->SetMaxWidth(420);
  auto* corner = NewComponent<TBox>(f);  // right and bottom: keeps its distances
  corner->SetParent(f);
  corner->SetBounds(200, 150, 40, 30);
  corner->SetAnchors(akRight | akBottom);
  auto* wide = NewComponent<TBox>(f);  // left and right: stretches
  wide->SetParent(f);
  wide->SetBounds(10, 10, 100, 30);
  wide->SetAnchors(akLeft | akTop | akRight);
  auto* mark = NewComponent<TColorBox>(f);  // a graphic child at the bottom
  mark->SetParent(f);
  mark->SetBounds(10, 150, 20, 20);
  mark->SetAnchors(akLeft | akBottom);
  ShowAndActivate(f);
  HWND h = f->Handle();
  const int rightGap = f->ClientWidth() - corner->Left(), bottomGap = f->ClientHeight() - corner->Top();
  const int wideGap = f->ClientWidth() - wide->BoundsRect().right, markGap = f->ClientHeight() - mark->Top();
  auto expectAnchored = [&] {
    EXPECT_EQ(f->ClientWidth() - corner->Left(), rightGap);
    EXPECT_EQ(f->ClientHeight() - corner->Top(), bottomGap);
    EXPECT_EQ(f->ClientWidth() - wide->BoundsRect().right, wideGap);
    EXPECT_EQ(wide->Left(), 10);
    EXPECT_EQ(f->ClientHeight() - mark->Top(), markGap);
    RECT wr;
    GetWindowRect(corner->Handle(), &wr);
    EXPECT_EQ(wr.left, f->ClientToScreen(Point(corner->Left(), 0)).x) << "the window stands where the object says";
  };

  f->SetBounds(150, 150, 100, 100);
  EXPECT_EQ(f->Width(), 250);
  EXPECT_EQ(f->Height(), 180);
  expectAnchored();
  f->SetBounds(150, 150, 320, 240);
  DragCorner(h, -200, -200, 250, 250);
  EXPECT_EQ(f->Height(), 180);
  expectAnchored();
  // The platform's own size loop may stop the pointer one pixel inside the largest track size.
  DragCorner(h, 300, 100, 419, 420);
  EXPECT_EQ(f->Height(), 280);
  expectAnchored();
  MINMAXINFO mmi{};
  mmi.ptMaxTrackSize = POINT{-1, -1};
  SendMessageA(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, 250);
  EXPECT_EQ(mmi.ptMinTrackSize.y, 180);
  EXPECT_EQ(mmi.ptMaxTrackSize.x, 420);
  EXPECT_EQ(mmi.ptMaxTrackSize.y, -1) << "a limit that is not set leaves the value alone";

  // A tighter limit applies to the current size at once; a minimum above the maximum lifts it.
  wide->Constraints()->SetMaxWidth(120);
  wide->Constraints()->SetMinWidth(150);
  EXPECT_EQ(wide->Width(), 150);
  // Anchored to neither side: the place follows half of the change; a new place is kept.
  corner->SetAnchors(akTop);
  corner->SetLeft(100);
  f->SetWidth(f->Width() - 100);
  EXPECT_EQ(corner->Left(), 50);
}

}  // namespace
}  // namespace korv::test
