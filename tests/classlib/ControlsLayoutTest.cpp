// Size constraints and anchors: SetBounds and a real border drag stop at the constraints, and
// anchored children keep their distances to the parent's edges through a resize.
#include <gtest/gtest.h>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "support/GuiTest.h"
#include "ControlsTestKit.h"

namespace korv::test {
namespace {

class LayoutTest : public TFormTest {};

TEST_F(LayoutTest, ConstraintsBoundSetBoundsAndTheirChanges) {
  TForm* f = NewForm(150, 150, 320, 240);
  auto* panel = new TPanel(f);
  panel->SetParent(f);
  panel->SetBounds(10, 10, 80, 40);
  TSizeConstraints* c = panel->Constraints();
  c->SetMinWidth(50);
  c->SetMaxWidth(100);
  c->SetMaxHeight(60);
  panel->SetBounds(10, 10, 20, 200);
  EXPECT_EQ(panel->Width(), 50);
  EXPECT_EQ(panel->Height(), 60);
  panel->SetWidth(300);
  EXPECT_EQ(panel->Width(), 100);
  // A tighter limit applies to the current size at once.
  c->SetMaxWidth(70);
  EXPECT_EQ(panel->Width(), 70);
  // A minimum above the maximum lifts the maximum, and the other way round.
  c->SetMinWidth(90);
  EXPECT_EQ(c->MaxWidth(), 90);
  EXPECT_EQ(panel->Width(), 90);
  c->SetMaxHeight(10);
  c->SetMinHeight(-4);
  EXPECT_EQ(c->MinHeight(), 0);
  EXPECT_EQ(panel->Height(), 10);
  // The window follows.
  RECT wr;
  GetWindowRect(panel->Handle(), &wr);
  EXPECT_EQ(wr.right - wr.left, 90);
  // Assign copies the four limits.
  TSizeConstraints copy(nullptr);
  copy.Assign(c);
  EXPECT_EQ(copy.MinWidth(), 90);
  EXPECT_EQ(copy.MaxHeight(), 10);
}

TEST_F(LayoutTest, ARealBorderDragStopsAtTheFormsConstraintsAndAnchorsFollow) {
  TForm* f = NewForm(150, 150, 320, 240);
  f->Constraints()->SetMinWidth(250);
  f->Constraints()->SetMinHeight(180);
  f->Constraints()->SetMaxWidth(420);
  // Anchored to the right and bottom: keeps its distances; to all four edges: stretches.
  auto* corner = new TBox(f);
  corner->SetParent(f);
  corner->SetBounds(200, 150, 40, 30);
  corner->SetAnchors(akRight | akBottom);
  auto* wide = new TBox(f);
  wide->SetParent(f);
  wide->SetBounds(10, 10, 100, 30);
  wide->SetAnchors(akLeft | akTop | akRight);
  auto* mark = new TColorBox(f);
  mark->SetParent(f);
  mark->SetBounds(10, 150, 20, 20);
  mark->SetAnchors(akLeft | akBottom);
  ShowAndActivate(f);
  HWND h = f->Handle();
  const int rightGap = f->ClientWidth() - corner->Left();
  const int bottomGap = f->ClientHeight() - corner->Top();
  const int wideGap = f->ClientWidth() - (wide->Left() + wide->Width());
  const int markGap = f->ClientHeight() - mark->Top();
  auto expectAnchored = [&] {
    EXPECT_EQ(f->ClientWidth() - corner->Left(), rightGap);
    EXPECT_EQ(f->ClientHeight() - corner->Top(), bottomGap);
    EXPECT_EQ(corner->Width(), 40);
    EXPECT_EQ(wide->Left(), 10);
    EXPECT_EQ(f->ClientWidth() - (wide->Left() + wide->Width()), wideGap);
    EXPECT_EQ(mark->Left(), 10);
    EXPECT_EQ(f->ClientHeight() - mark->Top(), markGap);
    RECT wr;
    GetWindowRect(corner->Handle(), &wr);
    EXPECT_EQ(wr.left, f->ClientToScreen(Point(corner->Left(), 0)).x) << "the window stands where the object says";
  };

  // SetBounds stops at the limits.
  f->SetBounds(150, 150, 100, 100);
  EXPECT_EQ(f->Width(), 250);
  EXPECT_EQ(f->Height(), 180);
  expectAnchored();
  f->SetBounds(150, 150, 320, 240);
  expectAnchored();

  // A drag of the bottom-right corner far inwards, then far outwards.
  RECT wr;
  GetWindowRect(h, &wr);
  TPoint grip = Point(wr.right - 2, wr.bottom - 2);
  ASSERT_EQ(SendMessageA(h, WM_NCHITTEST, 0, PointToLParam(grip.x, grip.y)), HTBOTTOMRIGHT);
  TInputDriver d;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(grip.x, grip.y);
    d.LeftDown();
    d.MoveInSteps(grip.x, grip.y, grip.x - 200, grip.y - 200, 8);
    d.LeftUp();
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] {
    RECT r;
    GetWindowRect(h, &r);
    return r.right - r.left == 250 && r.bottom - r.top == 180;
  })) << f->Width() << " x " << f->Height();
  EXPECT_EQ(f->Width(), 250);
  expectAnchored();

  GetWindowRect(h, &wr);
  grip = Point(wr.right - 2, wr.bottom - 2);
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(grip.x, grip.y);
    d.LeftDown();
    d.MoveInSteps(grip.x, grip.y, grip.x + 300, grip.y + 100, 8);
    d.LeftUp();
  })) << d.Error();
  // The platform's own size loop stops the pointer one pixel inside the largest track size.
  ASSERT_TRUE(PumpUntil([&] {
    RECT r;
    GetWindowRect(h, &r);
    return r.right - r.left >= 419 && r.bottom - r.top == 280;
  })) << f->Width() << " x " << f->Height();
  EXPECT_LE(f->Width(), 420);
  expectAnchored();

  // What the form tells the system: the constraints as the smallest and largest track sizes.
  MINMAXINFO mmi{};
  mmi.ptMaxTrackSize = POINT{-1, -1};
  SendMessageA(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, 250);
  EXPECT_EQ(mmi.ptMinTrackSize.y, 180);
  EXPECT_EQ(mmi.ptMaxTrackSize.x, 420);
  EXPECT_EQ(mmi.ptMaxTrackSize.y, -1) << "a limit that is not set leaves the value alone";
}

TEST_F(LayoutTest, AnchorsAreTakenWhereTheControlIsPlaced) {
  TForm* f = NewForm(150, 150, 320, 240);
  auto* box = new TBox(f);
  box->SetParent(f);
  box->SetBounds(100, 100, 40, 30);
  box->SetAnchors(akRight);
  const int cw = f->ClientWidth();
  // Moved by hand: the new place is what is kept.
  box->SetLeft(150);
  f->SetWidth(f->Width() + 60);
  EXPECT_EQ(box->Left(), 210);
  // Anchored to neither side: half of the change.
  box->SetAnchors(akTop);
  f->SetWidth(f->Width() - 100);
  EXPECT_EQ(box->Left(), 160);
  EXPECT_EQ(f->ClientWidth(), cw - 40);
  // Aligned controls ignore their anchors.
  box->SetAlign(alTop);
  EXPECT_EQ(box->Left(), 0);
  EXPECT_EQ(box->Width(), f->ClientWidth());
}

}  // namespace
}  // namespace korv::test
