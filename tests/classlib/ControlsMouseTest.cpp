// Real mouse input (SendInput from a driver thread): enter and leave for windowed and graphic
// controls and for the non-client area, clicks and the capture of a graphic control.
#include <gtest/gtest.h>

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "support/GuiTest.h"
#include "ControlsTestKit.h"

namespace korv::test {
namespace {

class FormLeaveCounter {
 public:
  TWndMethod Saved;
  int Enters = 0, Leaves = 0, ClientLeaves = 0;
  void Proc(TMessage& m) {
    if (m.Msg == CM_MOUSEENTER && m.LParam == 0) ++Enters;
    if (m.Msg == CM_MOUSELEAVE && m.LParam == 0) ++Leaves;
    if (m.Msg == WM_MOUSELEAVE) ++ClientLeaves;  // the platform's notice: the pointer left the client
    Saved(m);
  }
};

class MouseTest : public TFormTest {};

TEST_F(MouseTest, EnterAndLeaveForWindowedAndGraphicChildrenAndTheFrame) {
  TForm* f = NewForm(200, 200, 300, 200);
  f->SetCaption("mouse test");
  auto* box = NewComponent<TBox>(f);
  box->SetBounds(20, 20, 60, 40);
  box->SetParent(f);
  auto* g = NewComponent<TColorBox>(f);
  g->SetBounds(150, 20, 60, 40);
  g->SetParent(f);
  FormLeaveCounter form;
  TWindowProcHook hook(f, form.Saved, TWndMethod(&form, &FormLeaveCounter::Proc));
  ShowAndActivate(f);

  TPoint boxCentre = box->ClientToScreen(Point(30, 20));
  TPoint gCentre = g->ClientToScreen(Point(30, 20));
  TPoint empty = f->ClientToScreen(Point(100, 150));
  RECT wr;
  GetWindowRect(f->Handle(), &wr);
  TPoint caption = Point((wr.left + wr.right) / 2, wr.top + 3);  // inside the frame, above the client
  TPoint outside = Point(wr.right + 40, wr.bottom + 40);

  TInputDriver d;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(outside.x, outside.y); })) << d.Error();
  // The pointer may have been over the form when it appeared: its leave comes first.
  ASSERT_TRUE(PumpUntil([&] { return form.Enters == form.Leaves; }));
  int formEnters = form.Enters;

  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(empty.x, empty.y); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return form.Enters == formEnters + 1; }));
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(boxCentre.x, boxCentre.y); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return box->Enters == 1; }));
  EXPECT_EQ(box->Leaves, 0);
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(empty.x, empty.y); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return box->Leaves == 1; }));

  // A graphic child gets enter and leave as the pointer moves inside its parent.
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(gCentre.x, gCentre.y); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return g->Enters == 1; }));
  EXPECT_GT(g->Moves, 0);
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(gCentre.x + 40, gCentre.y); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return g->Leaves == 1; }));

  // Into the frame: still over the form, no leave; then out through the frame: leave.
  int leavesBefore = form.Leaves, clientLeaves = form.ClientLeaves;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(caption.x, caption.y); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return form.ClientLeaves > clientLeaves; }));
  EXPECT_EQ(form.Leaves, leavesBefore) << "moving from the client area into the frame is not a leave";
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(caption.x, wr.top - 30); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return form.Leaves == leavesBefore + 1; }))
      << "leaving through the frame must be reported";
  // Straight out of a graphic child, out of the window: the child leaves too.
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(gCentre.x, gCentre.y);
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return g->Enters == 2; }));
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(outside.x, outside.y); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return g->Leaves == 2; }));
}

TEST_F(MouseTest, AGraphicControlThatCapturesGetsMovesAndTheReleaseOutsideItsBounds) {
  TForm* f = NewForm(200, 200, 300, 200);
  auto* g = NewComponent<TColorBox>(f);
  g->SetBounds(40, 40, 50, 50);
  g->SetParent(f);
  auto* other = NewComponent<TColorBox>(f);
  other->SetBounds(150, 40, 50, 50);
  other->SetParent(f);
  ShowAndActivate(f);
  TPoint inside = g->ClientToScreen(Point(25, 25));
  TPoint overOther = other->ClientToScreen(Point(25, 25));
  RECT wr;
  GetWindowRect(f->Handle(), &wr);
  TPoint farAway = Point(wr.right + 60, wr.bottom + 30);

  TInputDriver d;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(inside.x, inside.y);
    d.LeftDown();
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return g->Downs == 1; }));
  EXPECT_TRUE(g->MouseCapture());
  EXPECT_EQ(GetCapture(), f->Handle());

  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(overOther.x, overOther.y); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return g->LastMove.x == 25 + overOther.x - inside.x; }));
  EXPECT_EQ(other->Moves, 0) << "moves belong to the capturing control";
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(farAway.x, farAway.y);
    d.LeftUp();
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return g->Ups == 1; }));
  EXPECT_EQ(g->LastUp.x, 25 + farAway.x - inside.x);
  EXPECT_EQ(g->LastUp.y, 25 + farAway.y - inside.y);
  EXPECT_EQ(g->Clicks, 0) << "a release outside is not a click";
  EXPECT_FALSE(g->MouseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(other->Downs + other->Ups, 0);

  // Press and release inside: a click.
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(inside.x, inside.y);
    d.LeftDown();
    d.LeftUp();
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return g->Ups == 2; }));
  EXPECT_EQ(g->Clicks, 1);

  // Losing the capture mid-press tells the control.
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.LeftDown(); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return g->Downs == 3; }));
  ASSERT_TRUE(g->MouseCapture());
  ReleaseCapture();
  PumpPending();
  EXPECT_EQ(g->CaptureLost, 1);
  EXPECT_FALSE(g->MouseCapture());
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.LeftUp(); })) << d.Error();
}

}  // namespace
}  // namespace korv::test
