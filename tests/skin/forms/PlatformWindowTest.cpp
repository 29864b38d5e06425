// A skinned form as the platform's own window: its styles and system menu, no system caption over
// the skin, the region ahead of size changes, the work area, drag to restore, printing, contrast.
#include <gtest/gtest.h>

#include <functional>

#include "ProviderKit.h"
#include "skin/core/sMessages.h"
#include "skin/paint/sStyleSimply.h"
#include "support/MenuDriver.h"

namespace korv::test {
namespace {

// The first step of a form's WindowProc chain while it lives: it looks at each message first.
struct TTap {
  explicit TTap(TControl* c) : Control(c), Saved(c->WindowProc) { c->WindowProc = TWndMethod(this, &TTap::Proc); }
  ~TTap() { Control->WindowProc = Saved; }
  void Proc(TMessage& m) { Look(m), Saved(m); }
  TControl* Control;
  TWndMethod Saved;
  std::function<void(TMessage&)> Look;
};

// A step put under a provider (before it is made): what the provider passes on, and the window
// right after the form's own handling. It outlives the forms.
struct TUnder {
  TWndMethod Saved;
  std::function<void(TMessage&)> After;
  void Proc(TMessage& m) { Saved(m), After ? After(m) : void(); }
};

class PlatformWindowTest : public TCaptionTest {
 protected:
  TUnder Under;
  [[nodiscard]] TPoint OnTitle(int x) const { return Screen(Point(x, P->Frame().TitleHeight() / 2)); }
  // The header as the window has it is the cache wherever the region keeps it.
  [[nodiscard]] bool HeaderIsTheCache() const {
    const TPixelImage cache = BitmapImage(*P->SkinData()->CacheBmp), window = CaptureWindowDC(Wnd);
    const TWindowRegion region = ReadWindowRegion(Wnd);
    for (int y = 0; y < P->HeaderHeight(); ++y)
      for (int x = 0; x < Form->Width(); ++x)
        if (region.Contains(x, y) && window.At(x, y) != cache.At(x, y)) return false;
    return true;
  }
};

TEST_F(PlatformWindowTest, KeepsItsBoxesAndTheSystemMenuOpensByRightClickAndAltSpace) {
  ShowActive();
  P->SetShowAppIcon(false);
  EXPECT_EQ(GetWindowLongA(Wnd, GWL_STYLE) & (WS_SYSMENU | WS_MAXIMIZEBOX), WS_SYSMENU | WS_MAXIMIZEBOX);
  const TRect close = P->ButtonClose.Rect;  // the system's icon place is caption, the drawn close is close
  EXPECT_EQ(SystemHit(Point(P->SysBorderWidth() + 1, close.top + 2)), HTCAPTION);
  EXPECT_EQ(SystemHit(Point(close.left + 1, close.top + 1)), HTCLOSE);
  int x = 40;  // each click elsewhere: two at one place are a double click
  for (const bool skinned : {true, false})
    for (const bool keyboard : {false, true}) {
      Manager->SetSkinnedPopups(skinned);
      ShowAndActivate(Form);
      // The system's Maximize left disabled: the menu shown follows the form's state.
      EnableMenuItem(GetSystemMenu(Wnd, FALSE), SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
      HMENU shown = nullptr;
      bool captionKept = false;
      TMenuPicker picker(
          [&] {
            if (HWND w = VisibleMenuWindow(); w && !shown)
              captionKept = (shown = reinterpret_cast<HMENU>(SendMessageA(w, MN_GETHMENU, 0, 0))) && HeaderIsTheCache();
            return shown;
          },
          skinned ? P->SystemMenu->ItemMaximize->Command() : SC_MAXIMIZE);
      const LPARAM alt = 0x20000001 | (MapVirtualKeyA(VK_SPACE, MAPVK_VK_TO_VSC) << 16);
      const TPoint c = OnTitle(x += 30);
      TInputDriver d;
      if (keyboard)  // posted: an Alt released after the menu closed would start menu mode
        PostMessageA(Wnd, WM_SYSKEYDOWN, VK_SPACE, alt), PostMessageA(Wnd, WM_SYSKEYUP, VK_SPACE, alt | 0xC0000000);
      else
        d.Run([&](TInputDriver& d) {
          d.MoveTo(c.x, c.y) && d.Button(MOUSEEVENTF_RIGHTDOWN) && d.Button(MOUSEEVENTF_RIGHTUP);
        });
      EXPECT_TRUE(PumpUntil([&] { return IsZoomed(Wnd) || picker.SafetyFired(); }) && IsZoomed(Wnd))
          << skinned << keyboard;
      EXPECT_TRUE(captionKept && (shown == P->SystemMenu->Handle()) == skinned) << skinned << keyboard;
      ShowWindow(Wnd, SW_RESTORE);
      ShowPainted(Form);
    }
}

// Activation leaves the skin's caption (the default handling gets lParam -1); a new icon leaves
// the skin's title, its header cut out and back without a redraw.
TEST_F(PlatformWindowTest, TheSystemNeverPaintsItsCaptionOverTheSkin) {
  (Form = NewForm())->SetCaption("");
  Under.Saved = Form->WindowProc;
  Form->WindowProc = TWndMethod(&Under, &TUnder::Proc);
  (P = NewComponent<TsSkinProvider>(Form))->SetName("sSkinProvider1");
  ShowPainted(Form);
  ShowAndActivate(Form);
  Wnd = Form->Handle();
  int activations = 0, kept = 0;
  Under.After = [&](TMessage& m) {
    if (m.Msg == WM_NCACTIVATE) ++activations, kept += m.LParam == -1 && HeaderIsTheCache();
  };
  ShowAndActivate(NewForm(600, 500, 120, 80));
  ShowAndActivate(Form);
  Under.After = nullptr;
  EXPECT_TRUE(activations >= 2 && kept == activations) << kept << " of " << activations;
  std::vector<UINT> reshapes;  // flags of position messages that neither move nor size
  TTap tap(Form);
  tap.Look = [&](TMessage& m) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
    constexpr UINT shape = SWP_FRAMECHANGED | SWP_NOSIZE | SWP_NOMOVE;
    if (m.Msg == WM_WINDOWPOSCHANGING && (pos->flags & shape) == shape) reshapes.push_back(pos->flags);
  };
  Form->Icon()->SetHandle(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)));
  const TPoint t = OnTitle(Form->Width() / 2);
  EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(t.x, t.y) == kTitleColor; }));
  EXPECT_GE(reshapes.size(), 2u);
  for (UINT flags : reshapes) EXPECT_TRUE(flags & SWP_NOREDRAW) << std::hex << flags;
}

// The region is the skin's cut for the new size before a change is painted; maximised, the
// window covers the work area with its buttons whole, and a drag on its caption goes to the
// system's move loop.
TEST_F(PlatformWindowTest, SizeChangesAreShapedAheadAndAMaximisedFormIsWholeAndDrags) {
  ShowActive();
  int changes = 0, wrong = 0, moves = 0;
  TTap tap(Form);
  tap.Look = [&](TMessage& m) {
    moves += m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_MOVE;
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
    if (m.Msg != WM_WINDOWPOSCHANGED || (pos->flags & SWP_NOSIZE) || IsIconic(Wnd)) return;
    const TWindowRegion r = ReadWindowRegion(Wnd);
    ++changes;
    wrong += r.Box.right != pos->cx || r.Box.bottom != pos->cy || r.Contains(pos->cx - 1, pos->cy - 1) ||
             !r.Contains(pos->cx - 2, pos->cy - 2);
  };
  SetWindowPos(Wnd, nullptr, 0, 0, 420, 330, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(Wnd, nullptr, 0, 0, 250, 180, SWP_NOMOVE | SWP_NOZORDER);
  for (int show : {SW_MINIMIZE, SW_RESTORE, SW_MAXIMIZE}) ShowWindow(Wnd, show);
  EXPECT_TRUE(changes >= 4 && wrong == 0) << changes << " " << wrong;
  TRect work{}, wr{};
  GetWorkArea(work);
  ASSERT_TRUE(PumpUntil([&] {
    return GetWindowRect(Wnd, &wr) && SameRect(wr, work) && P->ButtonClose.Rect.right == wr.right - P->SysBorderWidth();
  }));
  const TRect& b = P->ButtonClose.Rect;
  const TPoint s = Screen(Point(b.left, b.top));
  EXPECT_TRUE(PumpUntil([&] {
    const TPixelImage img = CaptureScreen(Bounds(s.x, s.y, RectWidth(b), RectHeight(b)));
    return img.All(Rect(0, 0, RectWidth(b), RectHeight(b)), ButtonColor("BICONCLOSE", 0));
  }));
  const TPoint c = OnTitle(Form->Width() / 3);
  TInputDriver d;
  d.Run([&](TInputDriver& d) {
    d.MoveTo(c.x, c.y) && d.LeftDown() && d.MoveInSteps(c.x, c.y, c.x, c.y + 40, 4) && d.LeftUp();
  });
  EXPECT_TRUE(PumpUntil([&] { return moves > 0; }));
}

// PrintWindow, WM_PRINTCLIENT and a paint message carrying a DC give the skinned client, the last
// two leaving what waits to be painted on the screen to the system's paint.
TEST_F(PlatformWindowTest, APrintedFormShowsItsSkinnedClient) {
  ShowActive();
  POINT o{0, 0};
  ClientToScreen(Wnd, &o);
  const TPoint lt = P->FormLeftTop();
  TBitmap into(Form->ClientWidth(), Form->ClientHeight());
  const TRect all = Rect(0, 0, into.Width(), into.Height());
  EXPECT_TRUE(PrintWindowImage(Wnd).All(Bounds(o.x - lt.x, o.y - lt.y, all.right, all.bottom), kFormColor));
  RECT waiting{};
  for (const UINT msg : {WM_PRINTCLIENT, WM_PAINT}) {
    FillDC(into.Canvas()->Handle(), all, 0x000000);
    InvalidateRect(Wnd, nullptr, FALSE);
    SendMessageA(Wnd, msg, reinterpret_cast<WPARAM>(into.Canvas()->Handle()), msg == WM_PAINT ? 0 : PRF_CLIENT);
    GdiFlush();
    EXPECT_TRUE(BitmapImage(into).All(all, kFormColor) && GetUpdateRect(Wnd, &waiting, FALSE)) << msg;
  }
}

// High contrast on: the manager's forms show the system's frame, also when a skin is loaded; off
// again, the skin comes back.
TEST_F(PlatformWindowTest, HighContrastKeepsTheSkinOffUntilItIsOffAgain) {
  struct TContrast {
    ~TContrast() { SetHighContrastOverride(-1); }
    void Set(int on) { SetHighContrastOverride(on), SendMessageA(Application->Handle(), WM_SETTINGCHANGE, 0, 0); }
  } contrast;
  Forms_.push_back(Form = NewComponent<TForm>(Application));  // the manager's announcements reach it
  Form->SetCaption("");
  P = NewComponent<TsSkinProvider>(Form);
  ShowAndActivate(Form);
  Wnd = Form->Handle();
  const TPoint t = OnTitle(Form->Width() / 2);
  auto skinned = [&](bool on) {
    return PumpUntil(
        [&] { return ReadWindowRegion(Wnd).HasRegion() == on && (ScreenPixel(t.x, t.y) == kTitleColor) == on; });
  };
  contrast.Set(1);
  Manager->SetSkinName("Test");  // as at the start: held back
  EXPECT_TRUE(Manager->HeldForContrast() && !Manager->SkinData.Active && skinned(false));
  contrast.Set(0);
  EXPECT_TRUE(Manager->SkinData.Active && skinned(true));
}

}  // namespace
}  // namespace korv::test
