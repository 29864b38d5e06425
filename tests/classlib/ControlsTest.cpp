// Controls on real windows: alignment, painting into a supplied DC, message routing, focus,
// accelerators, reflection and the replaceable WindowProc.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "classlib/Controls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Messages.h"
#include "support/GuiTest.h"
#include "support/Pixels.h"
#include "ControlsTestKit.h"

namespace korv::test {
namespace {

// ---------------------------------------------------------------------------------------------
// Pure helpers

TEST(ControlHelpers, AcceleratorMatchesTheCharacterAfterASingleAmpersand) {
  EXPECT_TRUE(IsAccel('g', "&Go"));
  EXPECT_TRUE(IsAccel('G', "&go"));
  EXPECT_TRUE(IsAccel('o', "G&o"));
  EXPECT_FALSE(IsAccel('g', "Go"));
  EXPECT_FALSE(IsAccel('&', "A&&B"));
  EXPECT_FALSE(IsAccel('b', "A&&B"));
  EXPECT_TRUE(IsAccel('c', "A&&B&C"));
  EXPECT_FALSE(IsAccel('x', "&"));
}

TEST(ControlHelpers, MessageRecordSplitsItsWords) {
  TMessage m{0xA100, MAKEWPARAM(1, 7), MAKELPARAM(3, 4), 0};
  EXPECT_EQ(m.WParamLo(), 1);
  EXPECT_EQ(m.WParamHi(), 7);
  EXPECT_EQ(m.LParamLo(), 3);
  EXPECT_EQ(m.LParamHi(), 4);
  // Reflected messages stay clear of the skin engine's numbers.
  const UINT reflected[] = {WM_COMMAND, WM_NOTIFY, WM_HSCROLL, WM_VSCROLL, WM_CTLCOLORSCROLLBAR, WM_DRAWITEM,
                            WM_MEASUREITEM, WM_KEYDOWN, WM_SYSCHAR, EM_SETRECT, EM_SETRECTNP};
  for (UINT wm : reflected) {
    for (UINT reserved : {0xA100u, 0xBC4Du, 0xBCB3u, 0xBCB4u}) EXPECT_NE(CN_BASE + wm, reserved) << wm;
  }
}

TEST(ControlHelpers, ThemesNeedVersionSixOfTheCommonControlsAndCanBeForced) {
  // This test program carries no common-controls manifest: whatever the theme functions say,
  // themes are not in use.
  InitCommonControls();
  EXPECT_FALSE(ThemesEnabled());
  SetThemesEnabledOverride(1);
  EXPECT_TRUE(ThemesEnabled());
  SetThemesEnabledOverride(0);
  EXPECT_FALSE(ThemesEnabled());
  SetThemesEnabledOverride(-1);
  EXPECT_FALSE(ThemesEnabled());
}

// ---------------------------------------------------------------------------------------------
// Alignment

class AlignTest : public TFormTest {};

TEST_F(AlignTest, AlignedChildrenShareTheClientAreaInOrder) {
  TForm* f = NewForm(50, 50, 400, 300);
  f->HandleNeeded();
  auto* top = NewComponent<TColorBox>(f);
  top->SetHeight(30);
  top->SetAlign(alTop);
  top->SetParent(f);
  auto* bottom = NewComponent<TColorBox>(f);
  bottom->SetHeight(25);
  bottom->SetAlign(alBottom);
  bottom->SetParent(f);
  auto* left = NewComponent<TBox>(f);
  left->SetWidth(40);
  left->SetAlign(alLeft);
  left->SetParent(f);
  auto* right = NewComponent<TColorBox>(f);
  right->SetWidth(35);
  right->SetAlign(alRight);
  right->SetParent(f);
  auto* client = NewComponent<TBox>(f);
  client->SetAlign(alClient);
  client->SetParent(f);

  TRect cr = f->ClientRect();
  int w = RectWidth(cr), h = RectHeight(cr);
  EXPECT_EQ(top->BoundsRect().left, 0);
  EXPECT_EQ(top->BoundsRect().right, w);
  EXPECT_EQ(top->Top(), 0);
  EXPECT_EQ(bottom->Top(), h - 25);
  EXPECT_EQ(bottom->Width(), w);
  EXPECT_EQ(left->BoundsRect().left, 0);
  EXPECT_EQ(left->Top(), 30);
  EXPECT_EQ(left->Height(), h - 30 - 25);
  EXPECT_EQ(right->Left(), w - 35);
  EXPECT_EQ(right->Height(), h - 55);
  EXPECT_EQ(client->Left(), 40);
  EXPECT_EQ(client->Top(), 30);
  EXPECT_EQ(client->Width(), w - 40 - 35);
  EXPECT_EQ(client->Height(), h - 55);
  // The windowed children's windows follow.
  RECT wr;
  GetWindowRect(client->Handle(), &wr);
  TPoint o = f->ClientToScreen(Point(0, 0));
  EXPECT_EQ(wr.left - o.x, 40);
  EXPECT_EQ(wr.top - o.y, 30);

  // Resizing the form re-lays everything.
  f->SetBounds(50, 50, 500, 350);
  cr = f->ClientRect();
  EXPECT_EQ(bottom->Top(), RectHeight(cr) - 25);
  EXPECT_EQ(client->Width(), RectWidth(cr) - 75);

  // Hiding a child gives its space to the others.
  top->SetVisible(false);
  EXPECT_EQ(client->Top(), 0);
  EXPECT_EQ(left->Top(), 0);
}

TEST_F(AlignTest, DisabledAlignmentWaitsForEnableAndKeepsTheMovedControlsOrder) {
  TForm* f = NewForm(50, 50, 300, 300);
  f->HandleNeeded();
  auto* a = NewComponent<TColorBox>(f);
  a->SetHeight(50);
  a->SetAlign(alBottom);
  a->SetParent(f);
  auto* b = NewComponent<TColorBox>(f);
  b->SetHeight(40);
  b->SetAlign(alBottom);
  b->SetParent(f);
  int ch = f->ClientHeight();
  // The later bottom control goes above the earlier one.
  EXPECT_EQ(a->Top(), ch - 50);
  EXPECT_EQ(b->Top(), ch - 90);

  // Grow the lower control upwards the way a splitter does: top first, then height.
  f->DisableAlign();
  a->SetTop(a->Top() - 20);
  a->SetHeight(70);
  EXPECT_EQ(b->Top(), ch - 90);  // nothing moved yet
  f->EnableAlign();
  EXPECT_EQ(a->Top(), ch - 70);
  EXPECT_EQ(a->Height(), 70);
  EXPECT_EQ(b->Top(), ch - 110);
}

// ---------------------------------------------------------------------------------------------
// Painting into a DC given in WParam

class PaintTest : public TFormTest {};

TEST_F(PaintTest, FormAndGraphicChildrenPaintIntoASuppliedDC) {
  TForm* f = NewForm(60, 60, 300, 200);
  f->SetColor(0x336699);
  f->HandleNeeded();
  auto* g1 = NewComponent<TColorBox>(f, 0x0000FF);
  g1->SetBounds(10, 10, 30, 20);
  g1->Overdraw = true;  // painting beyond the bounds must be clipped
  g1->SetParent(f);
  auto* g2 = NewComponent<TColorBox>(f, 0x00FF00);
  g2->SetBounds(30, 20, 30, 20);  // overlaps g1: later children paint on top
  g2->SetParent(f);

  TRect cr = f->ClientRect();
  TBitmap bmp(RectWidth(cr), RectHeight(cr));
  HDC dc = bmp.Canvas()->Handle();
  // Moved origin: the form must paint relative to the DC's current origin.
  SetViewportOrgEx(dc, 5, 7, nullptr);
  f->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  f->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  TPixelImage img = BitmapImage(bmp);
  EXPECT_EQ(img.At(4 + 5, 100 + 7), ColorToRGB(f->Color()));
  EXPECT_TRUE(img.All(Rect(10 + 5, 10 + 7, 30 + 5, 20 + 7), 0x0000FF));        // g1 alone
  EXPECT_TRUE(img.All(Rect(30 + 5, 20 + 7, 60 + 5, 40 + 7), 0x00FF00));        // g2 over g1
  EXPECT_EQ(img.At(9 + 5, 9 + 7), ColorToRGB(f->Color()));                     // g1 clipped
  EXPECT_EQ(img.At(35 + 5, 15 + 7), 0x0000FF);
  EXPECT_EQ(img.At(45 + 5, 45 + 7), ColorToRGB(f->Color()));
  EXPECT_EQ(g1->Paints, 1);

  // A hidden graphic child is not painted.
  g2->SetVisible(false);
  bmp.Canvas()->Brush()->SetColor(clBlack);
  bmp.Canvas()->FillRect(Rect(0, 0, bmp.Width(), bmp.Height()));
  f->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  f->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  img = BitmapImage(bmp);
  EXPECT_EQ(img.At(50, 35), ColorToRGB(f->Color()));
}

TEST_F(PaintTest, ShownWindowsPaintOnScreenAndOpaqueRepaintUsesTheParentDC) {
  TForm* f = NewForm(80, 80, 260, 180);
  f->SetColor(0x202020);
  auto* box = NewComponent<TBox>(f, 0xC08040);
  box->SetBounds(20, 20, 60, 40);
  box->SetParent(f);
  auto* g = NewComponent<TColorBox>(f, 0x4080C0);
  g->SetControlStyle(g->ControlStyle() | csOpaque);
  g->SetBounds(120, 20, 40, 40);
  g->SetParent(f);
  ShowAndActivate(f);
  RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  // The screen shows a window's drawing once the system has flushed it: wait for it.
  TPixelImage img;
  auto shows = [&](TColor graphic) {
    img = CaptureClient(f->Handle());
    return img.All(Rect(20, 20, 80, 60), 0xC08040) && img.All(Rect(120, 20, 160, 60), graphic) &&
           img.At(100, 100) == 0x202020;
  };
  EXPECT_TRUE(PumpUntil([&] { return shows(0x4080C0); }));

  // Repaint of an opaque graphic control draws at once, without a paint message.
  g->Fill = 0x10E010;
  int before = g->Paints;
  g->Repaint();
  EXPECT_EQ(g->Paints, before + 1);
  EXPECT_TRUE(PumpUntil([&] { return shows(0x10E010); }));
  EXPECT_EQ(img.At(119, 40), 0x202020);
}

TEST_F(PaintTest, DoubleBufferedWindowPaintsTheSameImage) {
  TForm* f = NewForm(80, 80, 200, 150);
  f->SetColor(0x00A0A0);
  f->SetDoubleBuffered(true);
  auto* g = NewComponent<TColorBox>(f, 0xA000A0);
  g->SetBounds(10, 10, 50, 50);
  g->SetParent(f);
  ShowAndActivate(f);
  RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  TPixelImage img;
  EXPECT_TRUE(PumpUntil([&] {
    img = CaptureClient(f->Handle());
    return img.All(Rect(10, 10, 60, 60), 0xA000A0) && img.At(100, 100) == 0x00A0A0;
  }));
}

// ---------------------------------------------------------------------------------------------
// WindowProc, Perform, Broadcast

class Hook {
 public:
  TWndMethod Saved;
  int Seen = 0;
  void Proc(TMessage& m) {
    if (m.Msg == CM_BASE + 200) {
      ++Seen;
      m.LParam = 42;  // an answer in LParam reaches direct callers
      m.Result = 7;
      return;
    }
    Saved(m);
  }
};

TEST_F(PaintTest, ReplacedWindowProcSeesWindowMessagesFirstAndChainsOn) {
  TForm* f = NewForm();
  auto* box = NewComponent<TBox>(f);
  box->SetParent(f);
  f->HandleNeeded();
  Hook hook;
  TWindowProcHook guard(box, hook.Saved, TWndMethod(&hook, &Hook::Proc));
  EXPECT_EQ(box->Perform(CM_BASE + 200, 0, 0), 7);
  TMessage m{CM_BASE + 200, 0, 0, 0};
  box->WindowProc(m);
  EXPECT_EQ(m.LParam, 42);
  // Messages sent to the window go through the replaced procedure too.
  EXPECT_EQ(SendMessageA(box->Handle(), CM_BASE + 200, 0, 0), 7);
  EXPECT_EQ(hook.Seen, 3);
  // Everything else reaches the control: the text lives in the window.
  box->SetCaption("abc");
  char buf[16] = {};
  GetWindowTextA(box->Handle(), buf, sizeof buf);
  EXPECT_STREQ(buf, "abc");
}

class Answerer : public TBox {
 public:
  using TBox::TBox;
  LRESULT Answer = 0;
  int Got = 0;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_BASE + 201) {
      ++Got;
      m.Result = Answer;
      return;
    }
    TBox::Dispatch(m);
  }
};

TEST_F(PaintTest, EveryWindowMadeAgainReachesItsOwnObjectAndAGoneWindowNone) {
  TForm* f = NewForm();
  auto* a = NewComponent<Answerer>(f);
  a->SetParent(f);
  a->Answer = 1;
  auto* b = NewComponent<Answerer>(f);
  b->SetParent(f);
  b->Answer = 2;
  f->HandleNeeded();
  for (int i = 0; i < 4; ++i) {
    HWND wnd = a->Handle();
    EXPECT_EQ(SendMessageA(wnd, CM_BASE + 201, 0, 0), 1);
    EXPECT_EQ(SendMessageA(b->Handle(), CM_BASE + 201, 0, 0), 2);
    EXPECT_EQ(FindControl(wnd), a);
    if (i % 2) {
      a->RecreateWnd();
    } else {
      // Destroyed from outside: the object lets go of the window, and the window of the object.
      DestroyWindow(wnd);
      EXPECT_FALSE(a->HandleAllocated());
      EXPECT_EQ(FindControl(wnd), nullptr);
    }
  }
  EXPECT_EQ(a->Got + b->Got, 8);
}

TEST_F(PaintTest, BroadcastStopsAtTheFirstNonZeroResult) {
  TForm* f = NewForm();
  Answerer* a[3];
  for (int i = 0; i < 3; ++i) {
    a[i] = NewComponent<Answerer>(f);
    a[i]->SetParent(f);
  }
  a[1]->Answer = 5;
  TMessage m{CM_BASE + 201, 0, 0, 0};
  f->Broadcast(m);
  EXPECT_EQ(m.Result, 5);
  EXPECT_EQ(a[0]->Got, 1);
  EXPECT_EQ(a[1]->Got, 1);
  EXPECT_EQ(a[2]->Got, 0);
}

// ---------------------------------------------------------------------------------------------
// Keyboard: tab order, focus notifications, accelerators

class FocusRecorder {
 public:
  std::vector<TWinControl*> Focused;
  TWndMethod Saved;
  void Proc(TMessage& m) {
    if (m.Msg == CM_FOCUSCHANGED) Focused.push_back(reinterpret_cast<TWinControl*>(m.LParam));
    Saved(m);
  }
};

class KeyTest : public TFormTest {};

TEST_F(KeyTest, TabMovesTheFocusInTabOrderBeforeTheControlSeesTheKey) {
  TForm* f = NewForm(100, 100, 300, 200);
  auto* a = NewComponent<TBox>(f);
  auto* b = NewComponent<TBox>(f);
  auto* c = NewComponent<TBox>(f);
  auto* skip = NewComponent<TBox>(f);
  a->SetBounds(10, 10, 40, 30);
  b->SetBounds(60, 10, 40, 30);
  c->SetBounds(110, 10, 40, 30);
  skip->SetBounds(160, 10, 40, 30);
  for (TBox* x : {a, b, c, skip}) x->SetParent(f);
  skip->SetTabStop(false);
  c->SetTabOrder(0);  // c, a, b, skip
  EXPECT_EQ(c->TabOrder(), 0);
  EXPECT_EQ(a->TabOrder(), 1);
  FocusRecorder rec;
  TWindowProcHook hook(f, rec.Saved, TWndMethod(&rec, &FocusRecorder::Proc));
  ShowAndActivate(f);
  c->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return c->Focused(); }));
  EXPECT_EQ(f->ActiveControl(), c);
  ASSERT_FALSE(rec.Focused.empty());
  EXPECT_EQ(rec.Focused.back(), c);

  PostMessageA(c->Handle(), WM_KEYDOWN, VK_TAB, 0x000F0001);
  ASSERT_TRUE(PumpUntil([&] { return a->Focused(); }));
  EXPECT_EQ(rec.Focused.back(), a);
  EXPECT_EQ(c->KeyDowns, 0) << "the tab reached the control";
  PostMessageA(a->Handle(), WM_KEYDOWN, VK_TAB, 0x000F0001);
  ASSERT_TRUE(PumpUntil([&] { return b->Focused(); }));
  // A control without a tab stop is skipped; the order wraps.
  PostMessageA(b->Handle(), WM_KEYDOWN, VK_TAB, 0x000F0001);
  ASSERT_TRUE(PumpUntil([&] { return c->Focused(); }));
  EXPECT_EQ(Screen->ActiveControl(), c);
  // Other keys reach the control.
  PostMessageA(c->Handle(), WM_KEYDOWN, 'X', 0x002D0001);
  ASSERT_TRUE(PumpUntil([&] { return c->KeyDowns == 1; }));
  EXPECT_EQ(c->Keys.back(), 'X');
}

TEST_F(KeyTest, FreeingTheFocusedChildLeavesNoTraceInItsParentOrForm) {
  TForm* f = NewForm();
  auto* a = NewComponent<TBox>(f);
  auto* b = NewComponent<TBox>(f);
  auto* g = NewComponent<TColorBox>(f);
  a->SetParent(f);
  b->SetBounds(50, 0, 40, 30);
  b->SetParent(f);
  g->SetParent(f);
  ShowAndActivate(f);
  a->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return a->Focused(); }));
  HWND ah = a->Handle();
  delete a;
  EXPECT_FALSE(IsWindow(ah));
  EXPECT_EQ(f->ControlCount(), 2);
  EXPECT_EQ(f->WinControlCount(), 1);
  EXPECT_EQ(f->ActiveControl(), nullptr);
  // Navigation and broadcasts run over the remaining children only.
  PostMessageA(f->Handle(), WM_KEYDOWN, VK_TAB, 0x000F0001);
  ASSERT_TRUE(PumpUntil([&] { return b->Focused(); }));
  TMessage m{CM_BASE + 202, 0, 0, 0};
  f->Broadcast(m);
  delete g;
  EXPECT_EQ(f->ControlCount(), 1);
  // A form frees the children that are left with it.
}

TEST_F(KeyTest, DisabledOrHiddenControlsCannotTakeTheFocus) {
  TForm* f = NewForm();
  auto* a = NewComponent<TBox>(f);
  a->SetParent(f);
  EXPECT_FALSE(a->CanFocus());  // the form is not shown
  ShowAndActivate(f);
  EXPECT_TRUE(a->CanFocus());
  a->SetEnabled(false);
  EXPECT_FALSE(a->CanFocus());
  EXPECT_FALSE(IsWindowEnabled(a->Handle()));
  EXPECT_THROW(a->SetFocus(), EInvalidOperation);
  a->SetEnabled(true);
  a->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(a->Handle()));
  EXPECT_FALSE(a->CanFocus());
}

TEST_F(KeyTest, AltLetterReachesTheControlWithThatAcceleratorThroughTheForm) {
  TForm* f = NewForm(100, 100, 300, 200);
  auto* go = NewComponent<TBox>(f);
  go->SetCaption("&Go");
  go->SetBounds(10, 10, 50, 30);
  auto* go2 = NewComponent<TBox>(f);
  go2->SetCaption("&Gone");  // same accelerator: only the first one in child order answers
  go2->SetBounds(70, 10, 50, 30);
  auto* stop = NewComponent<TBox>(f);
  stop->SetCaption("&Stop");
  stop->SetBounds(130, 10, 50, 30);
  for (TBox* x : {go, go2, stop}) x->SetParent(f);
  ShowAndActivate(f);
  stop->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return stop->Focused(); }));

  // Posted as the keyboard would deliver it: WM_SYSCHAR to the focused window.
  PostMessageA(stop->Handle(), WM_SYSCHAR, 'g', 0x20220001);
  ASSERT_TRUE(PumpUntil([&] { return go->Accels == 1; }));
  EXPECT_EQ(go->Clicks, 1);
  EXPECT_EQ(go2->Accels, 0);

  // Real keys: Alt+S.
  TInputDriver d;
  ASSERT_TRUE(d.Run([](TInputDriver& d) {
    d.Key(VK_MENU, true);
    d.Tap('S');
    d.Key(VK_MENU, false);
  })) << d.Error();
  ASSERT_TRUE(PumpUntil([&] { return stop->Accels == 1; }));
  // A plain character goes to CM_DIALOGCHAR too when the focused control takes no characters.
  PostMessageA(stop->Handle(), WM_CHAR, 'g', 0x00220001);
  ASSERT_TRUE(PumpUntil([&] { return go->Accels == 2; }));
}

// ---------------------------------------------------------------------------------------------
// Sub-classing a system class and reflection

class TScrollBarControl : public TWinControl {
 public:
  explicit TScrollBarControl(TComponent* owner) : TWinControl(owner) {
    SetBounds(10, 10, 200, GetSystemMetrics(SM_CYHSCROLL));
    SetTabStop(true);
  }
  std::vector<TMessage> Reflected;
  int CtlColors = 0;
  int RawMessages = 0;
  void WndProc(TMessage& m) override {
    ++RawMessages;
    TWinControl::WndProc(m);
  }
  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case CN_HSCROLL:
      case CN_VSCROLL: Reflected.push_back(m); return;
      case CN_CTLCOLORSCROLLBAR:
        ++CtlColors;
        break;
      default: break;
    }
    TWinControl::Dispatch(m);
  }

 protected:
  void CreateParams(TCreateParams& p) override {
    TWinControl::CreateParams(p);
    CreateSubClass(p, "SCROLLBAR");
    p.Style |= SBS_HORZ;
  }
};

TEST_F(KeyTest, SystemScrollBarNotificationsComeBackAsCNMessages) {
  TForm* f = NewForm(100, 100, 300, 200);
  auto* sb = NewComponent<TScrollBarControl>(f);
  sb->SetParent(f);
  ShowAndActivate(f);
  HWND h = sb->Handle();
  char cls[64] = {};
  GetClassNameA(h, cls, sizeof cls);
  EXPECT_STRNE(cls, "ScrollBar");  // our own class, built on the system one
  SetScrollRange(h, SB_CTL, 0, 100, TRUE);
  // The system class still works behind the control's procedure.
  SetScrollPos(h, SB_CTL, 30, TRUE);
  EXPECT_EQ(GetScrollPos(h, SB_CTL), 30);
  EXPECT_GT(sb->RawMessages, 0);

  sb->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return sb->Focused(); }));
  // A key makes the bar notify its parent; the parent reflects it to the control.
  SendMessageA(h, WM_KEYDOWN, VK_RIGHT, 0);
  ASSERT_FALSE(sb->Reflected.empty());
  const TMessage& m = sb->Reflected.front();
  EXPECT_EQ(m.Msg, CN_HSCROLL);
  EXPECT_EQ(LOWORD(m.WParam), SB_LINEDOWN);
  EXPECT_EQ(reinterpret_cast<HWND>(m.LParam), h);
  // The arrow keys belong to the bar: no dialog navigation.
  EXPECT_EQ(f->ActiveControl(), sb);

  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_GT(sb->CtlColors, 0);
}

}  // namespace
}  // namespace korv::test
