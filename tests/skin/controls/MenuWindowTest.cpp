// Popup menu windows caught at their creation: a window that shows a menu the active painter draws
// has the skin's region before it is shown and asks the system not to round its corners; other
// menu windows are left alone.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "skin/core/LinkedControls.h"
#include "skin/core/SkinCoreKit.h"
#include "skin/core/sSkinMenus.h"
#include "skin/paint/PaintPixels.h"
#include "support/MenuDriver.h"
#include "support/Pixels.h"

namespace korv::test {
namespace {

// The region of each popup menu window of the thread as it was when the window was shown (seen
// before the window's own procedure, through a thread hook removed on every exit).
class TShowWatch {
 public:
  TShowWatch() : Hook_(SetWindowsHookExA(WH_CALLWNDPROC, &Proc, nullptr, GetCurrentThreadId())) { Current_ = this; }
  ~TShowWatch() {
    UnhookWindowsHookEx(Hook_);
    Current_ = nullptr;
  }
  TShowWatch(const TShowWatch&) = delete;
  TShowWatch& operator=(const TShowWatch&) = delete;
  struct TShown {
    HWND Wnd;
    int W, H;
    TWindowRegion Region;
  };
  std::vector<TShown> Shown;

 private:
  static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && Current_ && cwp->message == WM_WINDOWPOSCHANGED && WindowClassOf(cwp->hwnd) == "#32768") {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(cwp->lParam);
      if (pos->flags & SWP_SHOWWINDOW) Current_->Shown.push_back({cwp->hwnd, pos->cx, pos->cy, ReadWindowRegion(cwp->hwnd)});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK Hook_;
  static inline TShowWatch* Current_ = nullptr;
};

// The calls the painter makes to the window manager's attribute function, through a stand-in put
// in its place for the test.
struct TDwmCalls {
  TDwmCalls() : Saved(SetDwmSetWindowAttribute(&Record)) { Current = this; }
  ~TDwmCalls() {
    SetDwmSetWindowAttribute(Saved);
    Current = nullptr;
  }
  TDwmCalls(const TDwmCalls&) = delete;
  TDwmCalls& operator=(const TDwmCalls&) = delete;
  static HRESULT WINAPI Record(HWND wnd, DWORD attribute, LPCVOID value, DWORD size) {
    if (Current) Current->Calls.emplace_back(wnd, attribute, size == sizeof(DWORD) ? *static_cast<const DWORD*>(value) : ~0u);
    return E_INVALIDARG;  // as a system without the attribute answers
  }
  TDwmSetWindowAttributeFn Saved;
  std::vector<std::tuple<HWND, DWORD, DWORD>> Calls;
  static inline TDwmCalls* Current = nullptr;
};

class MenuWindowTest : public TSkinCoreTest {
 protected:
  void SetUp() override {
    TSkinCoreTest::SetUp();
    Sm = NewManager();
    AddSection(*Sm, "MAINMENU", 0x40A040);
    AddSection(*Sm, "MENUITEM", 0xC0C0F0);
    AddSection(*Sm, "GLOBALINFO", 0);
    // Each corner cell's outer pixel is the key colour: the window loses its four corner pixels.
    AddImage(*Sm, "MAINMENU", "BORDERSMASK",
             MakeBitmap(9, 18,
                        [](int x, int y) { return y >= 9 ? 0 : (x == 0 || x == 8) && (y == 0 || y == 8) ? sKeyColor : 0x802020; }),
             1, 1);
    Sm->SkinData.Active = true;
    Menus = Sm->SkinableMenus();
    ResetMenuCache();
  }
  void TearDown() override {
    ResetMenuCache();
    TSkinCoreTest::TearDown();
  }
  TPopupMenu* NewPopup() {
    auto* popup = new TPopupMenu(NewRecordingForm());
    for (const char* caption : {"One", "Two", "Three"}) {
      auto* item = new TMenuItem(popup);
      item->SetCaption(caption);
      popup->Items()->Add(item);
    }
    return popup;
  }
  // Pops the menu up and closes it again once its window is on the screen.
  static void PopUpAndClose(TPopupMenu* popup) {
    TMenuDriver driver({[](HWND) { return EndMenu() != FALSE; }});
    popup->Popup(300, 300);
    EXPECT_TRUE(driver.AllStepsRan() && !driver.SafetyFired());
  }
  TsSkinManager* Sm = nullptr;
  TsSkinableMenus* Menus = nullptr;
};

TEST_F(MenuWindowTest, APainterWindowIsShapedBeforeItIsShownAndItsCornersAreNotRounded) {
  Menus->SetActive(true);  // watching the thread's menu windows
  TPopupMenu* skinned = NewPopup();
  Menus->HookPopupMenu(skinned, true);
  TPopupMenu* plain = NewPopup();
  {
    TDwmCalls dwm;
    TShowWatch watch;
    PopUpAndClose(skinned);
    PopUpAndClose(plain);
    ASSERT_EQ(watch.Shown.size(), 2u);
    const TShowWatch::TShown& s = watch.Shown[0];
    const TRect full = Rect(0, 0, s.W, s.H);
    EXPECT_EQ(s.Region.Type, COMPLEXREGION);
    EXPECT_TRUE(EqualRect(&s.Region.Box, &full));
    EXPECT_FALSE(s.Region.Contains(0, 0) || s.Region.Contains(s.W - 1, 0) || s.Region.Contains(0, s.H - 1) ||
                 s.Region.Contains(s.W - 1, s.H - 1));
    EXPECT_TRUE(s.Region.Contains(1, 0) && s.Region.Contains(s.W / 2, s.H / 2));
    // The window manager is asked not to round that window's corners, and only that window's.
    EXPECT_EQ(dwm.Calls, (std::vector<std::tuple<HWND, DWORD, DWORD>>{{s.Wnd, 33u, 1u}}));
    // A menu the painter does not draw keeps the system's window as it is.
    EXPECT_FALSE(watch.Shown[1].Region.HasRegion());
  }
  // Without the window manager's function the window is shaped all the same.
  {
    TDwmCalls dwm;
    SetDwmSetWindowAttribute(nullptr);
    TShowWatch watch;
    PopUpAndClose(skinned);
    ASSERT_EQ(watch.Shown.size(), 1u);
    EXPECT_EQ(watch.Shown[0].Region.Type, COMPLEXREGION);
  }
  Menus->SetActive(false);
}

}  // namespace
}  // namespace korv::test
