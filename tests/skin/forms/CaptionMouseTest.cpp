// The mouse on a skinned caption: hit-tests on the drawn buttons, then real input under the
// platform's own mouse handling: hover and leave, clicks that act as the system's buttons do,
// releases that must not act, the caption's double click, right click and drag, and the outline
// drag of rmBorder.
#include <gtest/gtest.h>

#include "ProviderKit.h"
#include "skin/forms/sSkinProviderOutline.h"
#include "support/MenuDriver.h"

namespace korv::test {
namespace {

const char* const kClose = "BICONCLOSE";

class CaptionMouseTest : public TCaptionTest {
 protected:
  [[nodiscard]] TPoint Centre(int code) const {
    const TRect r = P->ButtonRecord(code)->Rect;
    return Screen(Point((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  }
  // A point of the caption between the icon and the buttons.
  [[nodiscard]] TPoint Caption() const { return Screen(Point(P->IconRect().right + 20, P->ButtonClose.Rect.top + 4)); }
  int Hit(TPoint w) { return P->CaptionHitTest(TMessage{WM_NCHITTEST, 0, PointLParam(Screen(w)), 0}); }
  static LPARAM PointLParam(TPoint s) { return MAKELPARAM(static_cast<WORD>(s.x), static_cast<WORD>(s.y)); }
  // The button shows that frame of its image on the screen (or the other one).
  [[nodiscard]] bool Shows(int code, const char* image, int frame, int other = -1) const {
    const TRect r = P->ButtonRecord(code)->Rect;
    const TPoint s = Screen(Point(r.left, r.top));
    // Only what lies on the screen (a maximised window overhangs it).
    TRect shown = Bounds(s.x, s.y, RectWidth(r), RectHeight(r));
    const TRect screen = Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    IntersectRect(&shown, &shown, &screen);
    const TRect whole = Bounds(0, 0, RectWidth(shown), RectHeight(shown));
    return PumpUntil(
        [&] {
          const TPixelImage img = CaptureScreen(shown);
          return img.All(whole, ButtonColor(image, frame)) || (other >= 0 && img.All(whole, ButtonColor(image, other)));
        },
        2000);
  }
  [[nodiscard]] TRect WindowRect() const {
    RECT r{};
    GetWindowRect(Wnd, &r);
    return r;
  }
  bool Click(TPoint s, int times = 1) {
    TInputDriver d;
    const bool ok = d.Run([&](TInputDriver& d) {
      if (!d.MoveTo(s.x, s.y)) return;
      for (int i = 0; i < times; ++i) d.LeftDown() && d.LeftUp();
    });
    EXPECT_TRUE(ok) << d.Error();
    return ok;
  }
};

TEST_F(CaptionMouseTest, HitTestsFollowTheDrawnButtonsFromTheRight) {
  ShowActive();
  P->SetBorderIcons(biSystemMenu | biMinimize | biMaximize | biHelp);
  TsTitleButton* title = P->TitleButtons()->Add();
  P->TitleButtons()->Add()->SetEnabled(false);
  (void)Compose(P);  // the buttons placed anew
  const TRect close = P->ButtonClose.Rect, max = P->ButtonMax.Rect, help = P->ButtonHelp.Rect;
  const TRect t0 = title->Data.Rect, t1 = P->TitleButtons()->Items(1)->Data.Rect, icon = P->IconRect();
  const int y = (close.top + close.bottom) / 2;  // the top rows are the system's sizing frame
  const struct {
    TPoint At;
    int Code;
  } rows[] = {{{close.right, y}, htSkinClose},  // both ends of a column, the shared one to the right
              {{close.left, close.bottom}, htSkinClose},
              {{max.left + 1, y}, htSkinMaximize},
              {{P->ButtonMin.Rect.left + 1, y}, htSkinMinimize},
              {{help.left + 1, y}, htSkinHelp},  // the fourth from the right, after minimise
              {{t0.left + 1, y}, htSkinTitleButton},
              {{t1.left + 1, y}, HTCAPTION},  // disabled
              {{icon.left, y}, HTSYSMENU},
              {{close.left + 1, close.bottom + 1}, 0}};
  for (const auto& row : rows) EXPECT_EQ(Hit(row.At), row.Code) << row.At.x << "," << row.At.y;
  EXPECT_EQ(Hit(Point(close.left + 1, y)), htSkinClose);  // the element found is the hot one
  EXPECT_TRUE(P->HotButton == htSkinClose && P->ButtonClose.State == 1);
  EXPECT_EQ(SystemHit(Point(t1.left - 1, y)), HTCAPTION);
  EXPECT_TRUE(P->HotButton == 0 && P->ButtonClose.State == 0);

  // A disabled maximise is the caption: a press there drags the window. Without an icon nothing
  // answers for the system menu.
  P->SetBorderIcons(biSystemMenu | biMinimize);
  P->SetShowAppIcon(false);
  (void)Compose(P);  // the buttons placed anew
  EXPECT_EQ(SystemHit(Point(P->ButtonMax.Rect.left + 1, y)), HTCAPTION);
  EXPECT_NE(SystemHit(Point(P->SysBorderWidth(), y)), HTSYSMENU);

  // The grip answers right of and below its top-left corner (a 6 x 6 image).
  P->SetGripMode(gmRightBottom);
  const TPoint grip = Point(Form->Width() - 6 - P->SysBorderWidth(), Form->Height() - 6 - P->SysBorderHeight());
  EXPECT_EQ(Hit(Point(grip.x + 1, grip.y + 1)), HTBOTTOMRIGHT);
  EXPECT_EQ(Hit(Point(grip.x, grip.y + 1)), 0);

  // Iconic, a single form shows minimise and maximise: minimise answers though it is the state.
  P->SetBorderIcons(biSystemMenu);
  ShowWindow(Wnd, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(Wnd) != FALSE; }));
  (void)Compose(P);                               // the buttons placed anew
  ASSERT_EQ(P->CaptionButtonCodes().size(), 5u);  // with the two title buttons
  EXPECT_EQ(Hit(Point(P->ButtonMin.Rect.left + 1, P->ButtonMin.Rect.top)), htSkinMinimize);

  // A maximised form's edges are transparent to the mouse: it is never sized there.
  ShowWindow(Wnd, SW_MAXIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(Wnd) != FALSE; }));
  EXPECT_EQ(SystemHit(Point(1, Form->Height() / 2)), HTTRANSPARENT);
  EXPECT_EQ(SystemHit(Point(Form->Width() - 4, Form->Height() / 2)), HTTRANSPARENT);
}

TEST_F(CaptionMouseTest, HoverLightsAButtonAndLeavingThroughTheCaptionTopClearsIt) {
  ShowActive();
  const TPoint c = Centre(htSkinClose);
  const int above = WindowRect().top - 10;
  TInputDriver d;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(c.x - 40, c.y + 60) && d.MoveInSteps(c.x - 40, c.y + 60, c.x, c.y, 4);
  })) << d.Error();
  EXPECT_TRUE(Shows(htSkinClose, kClose, 1));
  EXPECT_EQ(P->HotButton, htSkinClose);
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveInSteps(c.x, c.y, c.x, above, 3); })) << d.Error();
  EXPECT_TRUE(PumpUntil([&] { return P->HotButton == 0; }));
  EXPECT_TRUE(Shows(htSkinClose, kClose, 0));
}

TEST_F(CaptionMouseTest, ClicksActAsTheSystemsButtonsAndOnlyAReleaseOverThePressedButtonActs) {
  ShowActive();
  // Pressed on maximise (shown pressed, the mouse captured), released on close: nothing.
  const TPoint max = Centre(htSkinMaximize), close = Centre(htSkinClose);
  TInputDriver d;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(max.x, max.y) && d.LeftDown(); })) << d.Error();
  EXPECT_TRUE(PumpUntil([&] { return GetCapture() == Wnd; }));
  EXPECT_TRUE(Shows(htSkinMaximize, "BICONMAX", 2));
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveInSteps(max.x, max.y, close.x, close.y, 2) && d.LeftUp(); }))
      << d.Error();
  PumpPending();
  EXPECT_TRUE(IsWindowVisible(Wnd) && !IsZoomed(Wnd) && GetCapture() != Wnd);
  EXPECT_TRUE(Shows(htSkinMaximize, "BICONMAX", 0));

  // A press whose capture is taken away (cancel mode) ends without a command at the release.
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.MoveTo(close.x, close.y) && d.LeftDown(); })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return GetCapture() == Wnd && P->ButtonClose.State == 2; }));
  SendMessageA(Wnd, WM_CANCELMODE, 0, 0);
  EXPECT_TRUE(GetCapture() != Wnd && P->PressedButton() == 0 && P->ButtonClose.State == 0);
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.LeftUp(); })) << d.Error();
  PumpPending();
  EXPECT_TRUE(IsWindowVisible(Wnd));

  // A left release in the client with Shift and the middle button held carries 20 in its key
  // flags, the close button's hit code: nothing.
  TMessageRecorder ups(Form);
  ups.Filter({WM_LBUTTONUP});
  const TPoint in = Screen(Point(Form->Width() / 2, Form->Height() / 2));
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(in.x, in.y) && d.LeftDown() && d.Button(MOUSEEVENTF_MIDDLEDOWN) &&
        d.Batch({TInputDriver::KeyInput(VK_SHIFT, true), TInputDriver::MouseInput(MOUSEEVENTF_LEFTUP)}) &&
        d.Batch({TInputDriver::MouseInput(MOUSEEVENTF_MIDDLEUP), TInputDriver::KeyInput(VK_SHIFT, false)});
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return ups.Count(WM_LBUTTONUP) == 1; }));
  ASSERT_EQ(ups.Messages[0].WParam, static_cast<WPARAM>(MK_SHIFT | MK_MBUTTON));
  ups.Detach();
  PumpPending();
  EXPECT_TRUE(IsWindowVisible(Wnd) && !IsIconic(Wnd));

  // Maximise, restore (the same place now shows the restore image), minimise, close.
  ASSERT_TRUE(Click(Centre(htSkinMaximize)));
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(Wnd) && Form->WindowState() == wsMaximized; }));
  // The buttons placed again at the new width (close is 20 wide).
  auto placed = [&] { return P->ButtonMax.Rect.right == Form->Width() - P->SysBorderWidth() - 20; };
  ASSERT_TRUE(PumpUntil(placed));
  EXPECT_TRUE(Shows(htSkinMaximize, "BICONNORM", 0, 1));  // under the mouse: normal or hot
  ASSERT_TRUE(Click(Centre(htSkinMaximize)));
  ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(Wnd) && Form->WindowState() == wsNormal; }));
  ASSERT_TRUE(PumpUntil(placed));
  ASSERT_TRUE(Click(Centre(htSkinMinimize)));
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(Wnd) != FALSE; }));
  ShowWindow(Wnd, SW_RESTORE);
  ShowAndActivate(Form);
  ShowPainted(Form);
  ASSERT_TRUE(Click(Centre(htSkinClose)));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(Wnd); }));
}

// The main form minimised by its button: the same place of the iconic bar shows the restore
// image, and a click there restores the form as a double click on the bar does.
TEST_F(CaptionMouseTest, TheIconicMainFormsRestoreButtonRestoresIt) {
  ShowActive();
  TMainFormScope main(Form);
  ASSERT_TRUE(Click(Centre(htSkinMinimize)));
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(Wnd) != FALSE; }));
  // An iconic window is parked off the screen here: its bar is put where the pointer reaches.
  SetWindowPos(Wnd, nullptr, 200, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(PumpUntil([&] { return WindowRect().left == 200 && P->ButtonMin.Rect.right < RectWidth(WindowRect()); }));
  EXPECT_TRUE(Shows(htSkinMinimize, "BICONNORM", 0, 1));
  ASSERT_TRUE(Click(Centre(htSkinMinimize)));
  EXPECT_TRUE(PumpUntil([&] { return !IsIconic(Wnd) && Form->WindowState() == wsNormal; }));
}

TEST_F(CaptionMouseTest, TheCaptionDragsDoubleClicksAndOpensTheSystemMenuOnARightClick) {
  ShowActive();
  const TRect start = WindowRect();
  TPoint c = Caption();
  TInputDriver d;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(c.x, c.y) && d.LeftDown() && d.MoveInSteps(c.x, c.y, c.x + 40, c.y + 30, 4) && d.LeftUp();
  })) << d.Error();
  EXPECT_TRUE(PumpUntil(
      [&] { return SameRect(WindowRect(), Bounds(start.left + 40, start.top + 30, Form->Width(), Form->Height())); }));

  c = Caption();
  TRect popup{};
  HMENU shown = nullptr;
  {
    TMenuDriver menu({[&](HWND w) {
      GetWindowRect(w, &popup);
      shown = reinterpret_cast<HMENU>(SendMessageA(w, MN_GETHMENU, 0, 0));
      EndMenu();
      return true;
    }});
    ASSERT_TRUE(d.Run([&](TInputDriver& d) {
      d.MoveTo(c.x, c.y) && d.Button(MOUSEEVENTF_RIGHTDOWN) && d.Button(MOUSEEVENTF_RIGHTUP);
    })) << d.Error();
    ASSERT_TRUE(PumpUntil([&] { return menu.AllStepsRan(); }));
    EXPECT_FALSE(menu.SafetyFired());
  }
  EXPECT_EQ(shown, P->SystemMenu->Handle());
  EXPECT_TRUE(popup.left == c.x && popup.top == c.y) << popup.left << "," << popup.top;

  ASSERT_TRUE(Click(Caption(), 2));
  EXPECT_TRUE(PumpUntil([&] { return IsZoomed(Wnd) && Form->WindowState() == wsMaximized; }));
}

TEST_F(CaptionMouseTest, WithBorderResizingTheMouseDrivesAnOutlineAndTheWindowMovesAtTheRelease) {
  ShowActive();
  P->SetResizeMode(rmBorder);
  Form->Constraints()->SetMinWidth(200);
  TRect start = WindowRect();
  // The press is not handed to the system's move loop, which would hold this thread until the
  // release: the outline follows while the window stays.
  const TPoint c = Caption();
  TInputDriver d;
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(c.x, c.y) && d.LeftDown() && d.MoveInSteps(c.x, c.y, c.x + 40, c.y + 30, 4);
  })) << d.Error();
  EXPECT_TRUE(PumpUntil([&] {
    return OutlineDrag.InProgress && OutlineDrag.Left == start.left + 40 && OutlineDrag.Top == start.top + 30;
  }));
  EXPECT_TRUE(SameRect(WindowRect(), start));
  ASSERT_TRUE(d.Run([&](TInputDriver& d) { d.LeftUp(); })) << d.Error();
  start = Bounds(start.left + 40, start.top + 30, RectWidth(start), RectHeight(start));
  EXPECT_TRUE(PumpUntil([&] { return SameRect(WindowRect(), start); }));

  // The left edge dragged 200 pixels right stops at the minimum width.
  const TPoint edge = Screen(Point(1, Form->Height() / 2));
  ASSERT_EQ(SystemHit(Point(1, Form->Height() / 2)), HTLEFT);
  ASSERT_TRUE(d.Run([&](TInputDriver& d) {
    d.MoveTo(edge.x, edge.y) && d.LeftDown() && d.MoveInSteps(edge.x, edge.y, edge.x + 200, edge.y, 4) && d.LeftUp();
  })) << d.Error();
  EXPECT_TRUE(PumpUntil([&] {
    return SameRect(WindowRect(), Rect(start.right - 200, start.top, start.right, start.bottom));
  })) << SameRect(WindowRect(), start).message();
  EXPECT_FALSE(OutlineDrag.InProgress);
}

}  // namespace
}  // namespace korv::test
