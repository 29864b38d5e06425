// A form's own scroll bars: with AutoScroll the ranges follow the children, the bars show when
// the children reach beyond the client area, and real clicks on a bar scroll the children by the
// bar's position.
#include <gtest/gtest.h>

#include "ControlsTestKit.h"
#include "classlib/Forms.h"
#include "support/GuiTest.h"

namespace korv::test {
namespace {

class FormScrollTest : public TFormTest {};

TEST_F(FormScrollTest, ChildrenBeyondTheClientAreaShowTheBarsAndClicksScrollThem) {
  TForm* f = NewForm(150, 150, 320, 240);
  auto* nearBox = NewComponent<TBox>(f);
  nearBox->SetBounds(10, 10, 40, 30);
  nearBox->SetParent(f);
  auto* farBox = NewComponent<TBox>(f);
  farBox->SetBounds(400, 350, 40, 30);
  farBox->SetParent(f);
  auto* graphic = NewComponent<TColorBox>(f);
  graphic->SetBounds(60, 100, 20, 20);
  graphic->SetParent(f);
  ShowAndActivate(f);
  HWND h = f->Handle();
  TControlScrollBar* vb = f->VertScrollBar();
  EXPECT_EQ(vb->Range(), 380);
  EXPECT_EQ(f->HorzScrollBar()->Range(), 440);
  EXPECT_TRUE((GetWindowLongA(h, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)) == (WS_VSCROLL | WS_HSCROLL));
  EXPECT_EQ(vb->ScrollRange(), 380 - f->ClientHeight()) << "the page is the client area the bars leave";

  auto expectScrolledBy = [&](int pos) {
    EXPECT_EQ(nearBox->Top(), 10 - pos);
    EXPECT_EQ(farBox->Top(), 350 - pos);
    EXPECT_EQ(graphic->Top(), 100 - pos);
    RECT wr;
    GetWindowRect(nearBox->Handle(), &wr);
    EXPECT_EQ(wr.top, f->ClientToScreen(Point(0, nearBox->Top())).y) << "the window stands where the object says";
    EXPECT_EQ(GetScrollPos(h, SB_VERT), pos);
  };
  auto click = [&](int y, int expected) {
    SCROLLBARINFO sbi{};
    sbi.cbSize = sizeof sbi;
    ASSERT_TRUE(GetScrollBarInfo(h, OBJID_VSCROLL, &sbi));
    int x = (sbi.rcScrollBar.left + sbi.rcScrollBar.right) / 2;
    TInputDriver d;
    ASSERT_TRUE(d.Run([&](TInputDriver& d) {
      d.MoveTo(x, y < 0 ? sbi.rcScrollBar.bottom + y : sbi.rcScrollBar.top + y);
      d.LeftDown();
      d.LeftUp();
    })) << d.Error();
    ASSERT_TRUE(PumpUntil([&] { return vb->Position() == expected; })) << vb->Position();
    expectScrolledBy(expected);
  };
  // The down arrow: one line; the track below the thumb: a page, which reaches the end here.
  int arrow = GetSystemMetrics(SM_CYVSCROLL);
  click(-arrow / 2, vb->Increment());
  click(-arrow - 4, std::min(vb->Increment() + f->ClientHeight(), vb->ScrollRange()));

  // The far child comes inside: the bars go and the children come back.
  int pos = vb->Position();
  farBox->SetBounds(100, 50 - pos, 40, 30);
  EXPECT_FALSE(vb->IsScrollBarVisible());
  EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL));
  EXPECT_EQ(nearBox->Top(), 10);
  EXPECT_EQ(farBox->Top(), 50);
  EXPECT_EQ(graphic->Top(), 100);

  // A range given by hand switches AutoScroll off and stays; the window's messages scroll.
  vb->SetRange(1000);
  EXPECT_FALSE(f->AutoScroll());
  nearBox->SetTop(20);
  EXPECT_EQ(vb->Range(), 1000);
  SendMessageA(h, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 100), 0);
  EXPECT_EQ(nearBox->Top(), -80);
  vb->SetVisible(false);
  EXPECT_EQ(nearBox->Top(), 20) << "a hidden bar gives the scrolled distance back";
}

}  // namespace
}  // namespace korv::test
