// A skinned form behaves as the platform's own window: it keeps the styles the shell and the
// window manager act on while only the skin's buttons show and answer, its system menu opens by
// mouse and keyboard, the system never paints its caption over the skin, maximise fits the
// monitor with the caption whole on the screen, the region follows size changes before they are
// painted, a maximised caption drags, and the client prints.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ProviderKit.h"
#include "classlib/Handles.h"
#include "skin/core/sMessages.h"
#include "skin/forms/sSkinProviderScreen.h"
#include "skin/paint/sStyleSimply.h"
#include "skin/forms/sSkinProviderOutline.h"
#include "support/MenuDriver.h"

namespace korv::test {
namespace {

const char* const kButtonImages[] = {"BICONCLOSE", "BICONMAX", "BICONMIN"};

// A step put into a control's WindowProc chain: it looks at each message before and after the
// rest of the chain, and leaves the chain as it found it (while it is still the first step).
struct TTap {
  explicit TTap(TControl* control) : Control(control), Saved(control->WindowProc) {
    control->WindowProc = TWndMethod(this, &TTap::Proc);
  }
  ~TTap() {
    if (Control->WindowProc == TWndMethod(this, &TTap::Proc)) Control->WindowProc = Saved;
  }
  TTap(const TTap&) = delete;
  TTap& operator=(const TTap&) = delete;
  void Proc(TMessage& m) {
    if (Before) Before(m);
    Saved(m);
    if (After) After(m);
  }
  TControl* Control;
  TWndMethod Saved;
  std::function<void(TMessage&)> Before, After;
};

class PlatformWindowTest : public TCaptionTest {
 protected:
  // A point of the caption left of the buttons (x: from the left).
  [[nodiscard]] TPoint Caption(int x = 40) const { return Screen(Point(x, P->ButtonClose.Rect.top + 4)); }
  // Every caption button shows frame 0 of its image on the screen.
  [[nodiscard]] bool ButtonsShown() const {
    const int codes[] = {htSkinClose, htSkinMaximize, htSkinMinimize};
    return PumpUntil([&] {
      for (int i = 0; i < 3; ++i) {
        const TRect r = P->ButtonRecord(codes[i])->Rect;
        const TPoint s = Screen(Point(r.left, r.top));
        const TPixelImage img = CaptureScreen(Bounds(s.x, s.y, RectWidth(r), RectHeight(r)));
        const char* image = codes[i] == htSkinMaximize && IsZoomed(Wnd) ? "BICONNORM" : kButtonImages[i];
        if (img.Empty() || !img.All(Bounds(0, 0, RectWidth(r), RectHeight(r)), ButtonColor(image, 0))) return false;
      }
      return true;
    });
  }
  // The header as the window has it is the cache's wherever the region keeps it.
  [[nodiscard]] bool HeaderIsTheCache() const {
    const TPixelImage cache = BitmapImage(*P->SkinData()->CacheBmp), window = CaptureWindowDC(Wnd);
    const TWindowRegion region = ReadWindowRegion(Wnd);
    for (int y = 0; y < P->HeaderHeight(); ++y)
      for (int x = 0; x < Form->Width(); ++x)
        if (region.Contains(x, y) && window.At(x, y) != cache.At(x, y)) return false;
    return true;
  }
  // A skinned form whose provider passes on to Under, shown and active.
  void ShowActiveUnder() {
    Form = NewForm();
    Form->SetCaption("");
    Under.emplace(Form);  // the provider takes the chain over from it
    NewComponent<TsSkinProvider>(Form)->SetName("sSkinProvider1");
    P = ProviderOf(Form);
    ShowPainted(Form);
    ShowAndActivate(Form);
    Wnd = Form->Handle();
  }
  // The middle of the title (the caption is empty), in window coordinates.
  [[nodiscard]] TPoint TitleMiddle() const { return Point(Form->Width() / 2, P->Frame().TitleHeight() / 2); }
  std::optional<TTap> Under;  // outlives the form (freed at tear-down)
};

// The handle of the menu shown in the visible popup window (nullptr while none is up).
HMENU ShownMenu() {
  HWND w = VisibleMenuWindow();
  return w ? reinterpret_cast<HMENU>(SendMessageA(w, MN_GETHMENU, 0, 0)) : nullptr;
}

TEST_F(PlatformWindowTest, AMainFormKeepsItsBoxesWhileOnlyTheSkinsButtonsShowAndAnswer) {
  ShowActive();
  P->SetShowAppIcon(false);  // as every form of the program: no icon, no system-menu place
  constexpr LONG boxes = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  EXPECT_EQ(GetWindowLongA(Wnd, GWL_STYLE) & boxes, boxes);
  EXPECT_EQ(Form->BorderIcons(), P->SavedBorderIcons);
  EXPECT_TRUE(ButtonsShown());
  // Anywhere in the header the system's own buttons and system-menu place never answer: only the
  // drawn buttons do, each inside its own rectangle.
  const struct {
    int Code;
    const TsCaptionButton* Button;
  } drawn[] = {{htSkinClose, &P->ButtonClose}, {htSkinMaximize, &P->ButtonMax}, {htSkinMinimize, &P->ButtonMin}};
  int answered[3] = {};
  for (int y = 0; y < P->HeaderHeight(); ++y)
    for (int x = 0; x < Form->Width(); ++x) {
      const int code = SystemHit(Point(x, y));
      ASSERT_TRUE(code != HTSYSMENU && code != HTHELP) << code << " at " << x << "," << y;
      for (int i = 0; i < 3; ++i) {
        const TRect& r = drawn[i].Button->Rect;
        const bool inside = x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
        if (code == drawn[i].Code) {
          ASSERT_TRUE(inside) << code << " at " << x << "," << y;
          ++answered[i];
        }
      }
    }
  EXPECT_TRUE(answered[0] > 0 && answered[1] > 0 && answered[2] > 0);
  // Inactive, and active again, the buttons are still the skin's.
  P->SetHotButton(0);
  ShowAndActivate(NewForm(600, 500, 120, 80));
  ShowAndActivate(Form);
  EXPECT_TRUE(ButtonsShown());
}

// A right click on the caption and Alt+Space open a system menu whose Maximize maximises: the
// skinned one with skinned popups, the system's own without. The caption stays the skin's.
TEST_F(PlatformWindowTest, TheSystemMenuOpensByRightClickAndAltSpaceAndMaximises) {
  ShowActive();
  int x = 40;  // each click elsewhere: two clicks at one place are a double click
  for (const bool skinned : {true, false}) {
    Manager->SetSkinnedPopups(skinned);
    for (const bool keyboard : {false, true}) {
      SCOPED_TRACE(std::string(skinned ? "skinned " : "system ") + (keyboard ? "Alt+Space" : "right click"));
      ShowAndActivate(Form);
      if (!skinned) {
        // Items left in another state: the menu shown follows the form's.
        EnableMenuItem(GetSystemMenu(Wnd, FALSE), SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
        EnableMenuItem(GetSystemMenu(Wnd, FALSE), SC_RESTORE, MF_BYCOMMAND | MF_ENABLED);
      }
      HMENU shown = nullptr;
      int captionKept = -1;  // the caption as the menu came up
      UINT restore = 0;      // the Restore item's state then
      const UINT maximize = skinned ? P->SystemMenu->ItemMaximize->Command() : SC_MAXIMIZE;
      TMenuPicker picker(
          [&] {
            if (HMENU m = ShownMenu()) {
              if (!shown) captionKept = HeaderIsTheCache();
              if (!shown && !skinned) restore = GetMenuState(m, SC_RESTORE, MF_BYCOMMAND);
              shown = m;
            }
            return shown;
          },
          maximize);
      const TPoint c = Caption(x += 30);
      TInputDriver d;
      ASSERT_TRUE(d.Run([&](TInputDriver& d) {
        if (!keyboard) d.MoveTo(c.x, c.y) && d.Button(MOUSEEVENTF_RIGHTDOWN) && d.Button(MOUSEEVENTF_RIGHTUP);
      })) << d.Error();
      if (keyboard) {
        // Space with Alt held, as posted keys (an Alt released after the menu closed would put
        // the window into menu mode).
        const LPARAM alt = 0x20000001 | (MapVirtualKeyA(VK_SPACE, MAPVK_VK_TO_VSC) << 16);
        PostMessageA(Wnd, WM_SYSKEYDOWN, VK_SPACE, alt);
        PostMessageA(Wnd, WM_SYSKEYUP, VK_SPACE, alt | 0xC0000000);
      }
      ASSERT_TRUE(PumpUntil([&] { return picker.Picked() || picker.SafetyFired(); }));
      EXPECT_FALSE(picker.SafetyFired());
      EXPECT_EQ(shown == P->SystemMenu->Handle(), skinned);
      EXPECT_EQ(captionKept, 1);
      EXPECT_TRUE(skinned || (restore & MF_GRAYED));
      EXPECT_TRUE(PumpUntil([&] { return IsZoomed(Wnd) != FALSE; }));
      ShowWindow(Wnd, SW_RESTORE);
      ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(Wnd) && Form->WindowState() == wsNormal; }));
      ShowPainted(Form);
    }
  }
}

// The system's own caption never lands on the window: activation changes reach the default
// handling with lParam -1 and leave the skin's title as it was; a new icon leaves the skin's
// title on the screen, and the frame's repaint leaves the client alone.
TEST_F(PlatformWindowTest, TheSystemNeverPaintsItsCaptionOverTheSkin) {
  ShowActiveUnder();
  ASSERT_TRUE(PumpUntil([&] { return CaptureWindowDC(Wnd).At(TitleMiddle().x, TitleMiddle().y) == kTitleColor; }));
  std::vector<LPARAM> lparams;
  std::vector<TColor> titles;  // the title as the default handling left it
  Under->After = [&](TMessage& m) {
    if (m.Msg != WM_NCACTIVATE) return;
    lparams.push_back(m.LParam);
    titles.push_back(CaptureWindowDC(Wnd).At(TitleMiddle().x, TitleMiddle().y));
  };
  ShowAndActivate(NewForm(600, 500, 120, 80));
  ShowAndActivate(Form);
  Under->After = nullptr;
  ASSERT_GE(lparams.size(), 2u);
  for (size_t i = 0; i < lparams.size(); ++i) {
    EXPECT_EQ(lparams[i], -1);
    EXPECT_TRUE(titles[i] == kTitleColor || titles[i] == kTitleHotColor) << std::hex << titles[i];
  }

  // A new icon: the title stays the skin's. The header cut out meanwhile comes back without a
  // redraw of the whole window (only the frame is painted).
  std::vector<UINT> reshapes;  // the flags of the region changes' position messages
  TTap above(Form);
  above.Before = [&](TMessage& m) {
    constexpr UINT shape = SWP_FRAMECHANGED | SWP_NOSIZE | SWP_NOMOVE;
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
    if (m.Msg == WM_WINDOWPOSCHANGING && (pos->flags & shape) == shape) reshapes.push_back(pos->flags);
  };
  Form->Icon()->SetHandle(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)));
  TRect wr{};
  GetWindowRect(Wnd, &wr);
  EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(wr.left + TitleMiddle().x, wr.top + TitleMiddle().y) == kTitleColor; }));
  EXPECT_GE(reshapes.size(), 2u);  // cut, and back
  for (UINT flags : reshapes) EXPECT_TRUE(flags & SWP_NOREDRAW) << std::hex << flags;
}

// Maximised, the whole window lies on the work area: the caption buttons show whole on the screen.
TEST_F(PlatformWindowTest, TheMaximisedCaptionShowsItsButtonsWhole) {
  ShowActive();
  ShowWindow(Wnd, SW_MAXIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(Wnd) && P->ButtonMax.Rect.right == Form->Width() - P->SysBorderWidth() - 20; }));
  TRect work{};
  GetWorkArea(work);
  TRect wr{};
  GetWindowRect(Wnd, &wr);
  EXPECT_TRUE(SameRect(wr, work));
  EXPECT_TRUE(ButtonsShown());
}

// The region is the skin's cut for the new size before anything of a size change is painted:
// resized larger and smaller, maximised, restored, and restored from minimised.
TEST_F(PlatformWindowTest, TheRegionFollowsASizeChangeBeforeItIsPainted) {
  ShowActive();
  std::vector<std::string> wrong;  // what was wrong at each size change
  int changes = 0;
  TTap above(Form);
  above.Before = [&](TMessage& m) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
    if (m.Msg != WM_WINDOWPOSCHANGED || (pos->flags & SWP_NOSIZE) || IsIconic(Wnd)) return;
    ++changes;
    const int w = pos->cx, h = pos->cy;
    const TWindowRegion r = ReadWindowRegion(Wnd);
    const bool cut = r.HasRegion() && SameRect(r.Box, Rect(0, 0, w, h)) && !r.Contains(w - 1, h - 1) &&
                     !r.Contains(w - 1, 0) && r.Contains(w - 3, h - 3) && r.Contains(w / 2, h - 1);
    if (!cut)
      wrong.push_back(std::to_string(w) + "x" + std::to_string(h) + " has " + std::to_string(RectWidth(r.Box)) +
                      "x" + std::to_string(RectHeight(r.Box)));
  };
  SetWindowPos(Wnd, nullptr, 0, 0, 420, 330, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(Wnd, nullptr, 0, 0, 250, 180, SWP_NOMOVE | SWP_NOZORDER);
  for (int show : {SW_MAXIMIZE, SW_RESTORE, SW_MINIMIZE, SW_RESTORE}) {
    ShowWindow(Wnd, show);
    PumpPending();
  }
  EXPECT_GE(changes, 5);
  EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
  EXPECT_FALSE(IsIconic(Wnd) || IsZoomed(Wnd));
}

// A press and drag on a maximised caption goes to the system's move loop (which restores the
// window dragged off its place), also with the outline drag of rmBorder.
TEST_F(PlatformWindowTest, APressOnAMaximisedCaptionReachesTheSystemsMoveLoop) {
  ShowActiveUnder();
  for (const TsResizeMode mode : {rmStandard, rmBorder}) {
    P->SetResizeMode(mode);
    ShowWindow(Wnd, SW_MAXIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(Wnd) != FALSE; }));
    ShowPainted(Form);
    int moves = 0;  // move commands passed on to the form's own handling
    Under->Before = [&](TMessage& m) { moves += m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_MOVE; };
    // Each press elsewhere: two presses at one place are a double click.
    const TPoint c = Screen(Point(Form->Width() / (mode == rmBorder ? 3 : 2), P->Frame().TitleHeight() / 2));
    TInputDriver d;
    ASSERT_TRUE(d.Run([&](TInputDriver& d) {
      d.MoveTo(c.x, c.y) && d.LeftDown() && d.MoveInSteps(c.x, c.y, c.x, c.y + 40, 4) && d.LeftUp();
    })) << d.Error();
    EXPECT_TRUE(PumpUntil([&] { return moves > 0; })) << int(mode);
    Under->Before = nullptr;
    EXPECT_FALSE(OutlineDrag.InProgress);
    ShowWindow(Wnd, SW_RESTORE);
    ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(Wnd); }));
  }
}

// Printing gives the skinned client; WM_PRINTCLIENT and a paint message carrying a DC paint into
// it and leave what waits to be painted on the screen to the system's paint.
TEST_F(PlatformWindowTest, APrintedFormShowsItsSkinnedClient) {
  ShowActive();
  const TPixelImage printed = PrintWindowImage(Wnd);
  POINT origin{0, 0};
  ClientToScreen(Wnd, &origin);
  const TPoint lt = P->FormLeftTop();
  const TRect client = Bounds(origin.x - lt.x, origin.y - lt.y, Form->ClientWidth(), Form->ClientHeight());
  EXPECT_TRUE(printed.All(client, kFormColor));
  EXPECT_EQ(printed.At(Form->Width() / 2, P->Frame().TitleHeight() / 2), kTitleColor);

  TBitmap into(Form->ClientWidth(), Form->ClientHeight());
  const TRect all = Rect(0, 0, into.Width(), into.Height());
  RECT waiting{};
  for (const UINT msg : {WM_PRINTCLIENT, WM_PAINT}) {
    FillDC(into.Canvas()->Handle(), all, 0x000000);
    InvalidateRect(Wnd, nullptr, FALSE);
    SendMessageA(Wnd, msg, reinterpret_cast<WPARAM>(into.Canvas()->Handle()), msg == WM_PAINT ? 0 : PRF_CLIENT);
    GdiFlush();
    EXPECT_TRUE(BitmapImage(into).All(all, kFormColor)) << msg;
    EXPECT_TRUE(GetUpdateRect(Wnd, &waiting, FALSE)) << msg;
  }
  PumpPending();
  EXPECT_FALSE(GetUpdateRect(Wnd, &waiting, FALSE));
}

// With high contrast reported on, the manager shows no skin: its forms keep the system's frame
// from the start; off again, the skin comes back; on again, it goes.
TEST_F(PlatformWindowTest, HighContrastKeepsTheSkinOffUntilItIsOffAgain) {
  struct TContrast {
    explicit TContrast(int on) { Set(on); }
    ~TContrast() { SetHighContrastOverride(-1); }
    void Set(int on) {
      SetHighContrastOverride(on);
      SendMessageA(Application->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    }
  } contrast(1);
  Manager.reset();
  Manager = std::make_unique<TsSkinManager>(nullptr);
  AddTestSkin(*Manager);
  Manager->SetSkinName("Test");
  EXPECT_TRUE(Manager->HeldForContrast() && !Manager->SkinData.Active && Manager->Sections.empty());
  Form = new TForm(Application);  // the manager's announcements reach it
  Forms_.push_back(Form);
  Form->SetBounds(100, 100, 300, 200);
  Form->SetCaption("");
  P = NewComponent<TsSkinProvider>(Form);
  ShowAndActivate(Form);
  Wnd = Form->Handle();
  TRect wr{};
  GetWindowRect(Wnd, &wr);
  const TPoint title = Point(wr.left + Form->Width() / 2, wr.top + P->Frame().TitleHeight() / 2);
  auto systemFramed = [&] {
    return !ReadWindowRegion(Wnd).HasRegion() && !P->SkinData()->Skinned() && ScreenPixel(title.x, title.y) != kTitleColor;
  };
  EXPECT_TRUE(PumpUntil(systemFramed));
  contrast.Set(0);
  EXPECT_TRUE(Manager->SkinData.Active && !Manager->HeldForContrast());
  EXPECT_TRUE(PumpUntil([&] {
    const TWindowRegion r = ReadWindowRegion(Wnd);
    return r.HasRegion() && !r.Contains(0, 0) && ScreenPixel(title.x, title.y) == kTitleColor;
  }));
  contrast.Set(1);
  EXPECT_FALSE(Manager->SkinData.Active);
  EXPECT_TRUE(PumpUntil(systemFramed));
}

// On a monitor other than the primary one the maximised place is relative to the monitor, and
// snapping takes that monitor's work area, whose edges are anywhere on the virtual screen.
TEST(PlatformScreen, MaximisedBoundsAndSnappingFollowTheMonitorsWorkArea) {
  const TRect monitor = Rect(1280, -200, 2560, 824), work = Rect(1320, -200, 2560, 784);
  EXPECT_TRUE(SameRect(MaximizedBounds(monitor, work), Rect(40, 0, 1280, 984)));
  const TSize size{300, 200};
  const struct {
    TPoint From, To;
  } rows[] = {{{1329, 100}, {1320, 100}},   // left edge, 9 away
              {{1330, 100}, {1330, 100}},   // 10 away: stays
              {{2251, 100}, {2260, 100}},   // right edge
              {{1500, -191}, {1500, -200}},  // top edge, above the primary monitor's top
              {{1500, 590}, {1500, 584}}};  // bottom edge
  for (const auto& row : rows) {
    const TPoint p = SnapToWorkArea(row.From, size, work, 10);
    EXPECT_TRUE(p.x == row.To.x && p.y == row.To.y) << row.From.x << "," << row.From.y << " -> " << p.x << "," << p.y;
  }
}

}  // namespace
}  // namespace korv::test
