// The demo's skinned main window as the platform's own: it keeps the system menu and the boxes
// the shell acts on, and its system menu (the system's own: the demo's manager skins no popups)
// opens by a right click on the caption and by Alt+Space.
#include <windows.h>

#include "DemoTestKit.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sSkinProvider.h"

namespace korv::test {
namespace {

using SkinnedSystemMenu = TDemoWindowTest;

TEST_F(SkinnedSystemMenu, OpensByRightClickAndAltSpaceAndItsMaximizeMaximises) {
  OpenWindow({"one.txt"});
  HWND wnd = Form->Handle();
  ASSERT_FALSE(ManagerOf(Form)->SkinnedPopups());
  constexpr LONG boxes = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  EXPECT_EQ(GetWindowLongA(wnd, GWL_STYLE) & boxes, boxes);
  int x = 60;  // each right click elsewhere: two clicks at one place are a double click
  for (const bool keyboard : {false, true}) {
    SCOPED_TRACE(keyboard ? "Alt+Space" : "right click");
    SetForegroundWindow(wnd);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == wnd; }));
    HMENU shown = nullptr;
    TMenuPicker picker(
        [&] {
          if (HWND menu = VisibleMenuWindow()) shown = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
          return shown;
        },
        SC_MAXIMIZE);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    const TPoint caption = Point(wr.left + (x += 40), wr.top + ProviderOf(Form)->Frame().TitleHeight() / 2);
    if (keyboard) {
      // Space with Alt held, as posted keys.
      const LPARAM alt = 0x20000001 | (MapVirtualKeyA(VK_SPACE, MAPVK_VK_TO_VSC) << 16);
      PostMessageA(wnd, WM_SYSKEYDOWN, VK_SPACE, alt);
      PostMessageA(wnd, WM_SYSKEYUP, VK_SPACE, alt | 0xC0000000);
    } else {
      Input([&](TInputDriver& d) { RightClick(d, caption); });
    }
    ASSERT_TRUE(PumpUntil([&] { return picker.Picked() || picker.SafetyFired(); }));
    EXPECT_FALSE(picker.SafetyFired());
    EXPECT_NE(GetMenuState(shown, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));  // the system's menu
    EXPECT_TRUE(PumpUntil([&] { return IsZoomed(wnd) != FALSE; }));
    ShowWindow(wnd, SW_RESTORE);
    ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(wnd); }));
    EXPECT_TRUE(WaitForSkinOnScreen(Form));
  }
}

}  // namespace
}  // namespace korv::test
