// A form's own scroll bars: with AutoScroll the ranges follow the children, the bars show when
// the children reach beyond the client area, and a real click on a bar scrolls the children by
// the bar's position.
#include <gtest/gtest.h>

#include "classlib/Forms.h"
#include "support/GuiTest.h"
#include "ControlsTestKit.h"

namespace korv::test {
namespace {

class FormScrollTest : public TFormTest {};

// A point of a window's own vertical bar, in screen coordinates: y measured from the bar's top
// (negative: from its bottom).
TPoint OnVertBar(HWND wnd, int y) {
  SCROLLBARINFO sbi{};
  sbi.cbSize = sizeof sbi;
  EXPECT_TRUE(GetScrollBarInfo(wnd, OBJID_VSCROLL, &sbi));
  const RECT& r = sbi.rcScrollBar;
  return Point((r.left + r.right) / 2, y >= 0 ? r.top + y : r.bottom + y);
}

TEST_F(FormScrollTest, ChildrenBeyondTheClientAreaShowTheBarsAndAClickScrollsThem) {
  TForm* f = NewForm(150, 150, 320, 240);
  auto* nearBox = new TBox(f);
  nearBox->SetBounds(10, 10, 40, 30);
  nearBox->SetParent(f);
  auto* farBox = new TBox(f);
  farBox->SetBounds(400, 350, 40, 30);
  farBox->SetParent(f);
  auto* graphic = new TColorBox(f);
  graphic->SetBounds(60, 100, 20, 20);
  graphic->SetParent(f);
  ASSERT_TRUE(f->AutoScroll());
  ShowAndActivate(f);
  HWND h = f->Handle();

  TControlScrollBar* vb = f->VertScrollBar();
  TControlScrollBar* hb = f->HorzScrollBar();
  EXPECT_EQ(vb->Range(), 380);
  EXPECT_EQ(hb->Range(), 440);
  EXPECT_TRUE(vb->IsScrollBarVisible());
  EXPECT_TRUE(hb->IsScrollBarVisible());
  DWORD style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_TRUE(style & WS_HSCROLL);
  // The page is the client area the bars leave.
  EXPECT_EQ(vb->ScrollRange(), 380 - f->ClientHeight());
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(h, SB_VERT, &si);
  EXPECT_EQ(si.nPage, static_cast<UINT>(f->ClientHeight()));
  EXPECT_EQ(si.nMax - static_cast<int>(si.nPage) + 1, vb->ScrollRange());

  auto expectScrolledBy = [&](int pos) {
    EXPECT_EQ(nearBox->Top(), 10 - pos);
    EXPECT_EQ(farBox->Top(), 350 - pos);
    EXPECT_EQ(graphic->Top(), 100 - pos);
    // The windows stand where the objects say.
    RECT wr;
    GetWindowRect(nearBox->Handle(), &wr);
    TPoint client = f->ClientToScreen(Point(nearBox->Left(), nearBox->Top()));
    EXPECT_EQ(wr.top, client.y);
    EXPECT_EQ(GetScrollPos(h, SB_VERT), pos);
  };

  // The down arrow: one line (Increment).
  int cyArrow = GetSystemMetrics(SM_CYVSCROLL);
  TPoint down = OnVertBar(h, -cyArrow / 2);
  TInputDriver d;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(down.x, down.y);
    d.LeftDown();
    d.LeftUp();
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return vb->Position() == vb->Increment(); })) << vb->Position();
  expectScrolledBy(vb->Increment());

  // The track below the thumb: a page, which here reaches the end.
  SCROLLBARINFO sbi{};
  sbi.cbSize = sizeof sbi;
  GetScrollBarInfo(h, OBJID_VSCROLL, &sbi);
  TPoint track = OnVertBar(h, (sbi.xyThumbBottom + (sbi.rcScrollBar.bottom - sbi.rcScrollBar.top) - cyArrow) / 2);
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(track.x, track.y);
    d.LeftDown();
    d.LeftUp();
  })) << d.Error();
  int expected = std::min(vb->Increment() + f->ClientHeight(), vb->ScrollRange());
  ASSERT_TRUE(PumpUntil([&] { return vb->Position() == expected; })) << vb->Position();
  expectScrolledBy(expected);

  // The far child comes inside: nothing to scroll, the bars go and the children come back.
  farBox->SetBounds(100, 50 - expected, 40, 30);
  EXPECT_FALSE(vb->IsScrollBarVisible());
  EXPECT_FALSE(hb->IsScrollBarVisible());
  EXPECT_EQ(vb->Position(), 0);
  EXPECT_EQ(nearBox->Top(), 10);
  EXPECT_EQ(farBox->Top(), 50);
  EXPECT_EQ(graphic->Top(), 100);
  style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
  EXPECT_FALSE(style & (WS_VSCROLL | WS_HSCROLL));
}

TEST_F(FormScrollTest, RangesByHandAndMessagesWithoutAutoScroll) {
  TForm* f = NewForm(150, 150, 320, 240);
  auto* box = new TBox(f);
  box->SetBounds(10, 10, 40, 30);
  box->SetParent(f);
  ShowAndActivate(f);
  TControlScrollBar* vb = f->VertScrollBar();
  EXPECT_FALSE(vb->IsScrollBarVisible());
  // A range given by hand switches AutoScroll off and is kept when the children change.
  vb->SetRange(1000);
  EXPECT_FALSE(f->AutoScroll());
  EXPECT_TRUE(vb->IsScrollBarVisible());
  box->SetTop(20);
  EXPECT_EQ(vb->Range(), 1000);
  SendMessageA(f->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(vb->Position(), 1000 - f->ClientHeight());
  EXPECT_EQ(box->Top(), 20 - vb->Position());
  SendMessageA(f->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 100), 0);
  EXPECT_EQ(vb->Position(), 100);
  EXPECT_EQ(box->Top(), -80);
  SendMessageA(f->Handle(), WM_VSCROLL, SB_PAGEUP, 0);
  EXPECT_EQ(vb->Position(), 0) << "a page up from 100 stops at the start";
  // Smooth: the line step is a tenth of the page step.
  vb->SetSmooth(true);
  EXPECT_EQ(vb->Increment(), std::max(1, f->ClientHeight() * 9 / 10 / 10));
  // An invisible bar hides and gives the scrolled distance back.
  vb->SetPosition(300);
  EXPECT_EQ(box->Top(), -280);
  vb->SetVisible(false);
  EXPECT_FALSE(vb->IsScrollBarVisible());
  EXPECT_EQ(box->Top(), 20);
}

}  // namespace
}  // namespace korv::test
