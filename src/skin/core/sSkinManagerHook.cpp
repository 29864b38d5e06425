// The default manager's hook on the application window: the menu painter posts 0xBCB3 while it
// draws an item of a popup it could not find the window of, and the hook finds that window once
// the menu is on the screen. A change of the system's settings may turn high contrast on or off.
#include "classlib/Menus.h"
#include "skin/core/sSkinManager.h"

namespace korv {

namespace {
int gHighContrastOverride = -1;
}  // namespace

bool HighContrastOn() noexcept {
  if (gHighContrastOverride >= 0) return gHighContrastOverride == 1;
  HIGHCONTRASTA hc{};
  hc.cbSize = sizeof hc;
  return SystemParametersInfoA(SPI_GETHIGHCONTRAST, hc.cbSize, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void SetHighContrastOverride(int value) noexcept { gHighContrastOverride = value < 0 ? -1 : (value ? 1 : 0); }

bool TsSkinManager::HoldForContrast() {
  FHeldForContrast = HighContrastOn();
  if (!FHeldForContrast) return false;
  // The forms go back to the system's look; the tables go with the skin.
  if (SkinData.Active || !Sections.empty() || !Images.empty() || MasterBitmap) {
    SendRemoveSkin();
    UpdateCommonIndexes();
  }
  return true;
}

void TsSkinManager::ContrastChanged() {
  const bool held = FHeldForContrast;
  if (HoldForContrast() || !held) return;
  // Off again: the skin is loaded and announced as at the start.
  if (FActive && !FSkinName.empty()) SetSkinName(FSkinName);
}

bool TsSkinManager::AppHook(TMessage& message) {
  if (message.Msg == WM_SETTINGCHANGE) {
    ContrastChanged();
    return false;  // others hear of it too
  }
  if (!FSkinableMenus) return false;
  switch (message.Msg) {
    case WM_SKINMENUITEM: {
      TBitmap* background = MenuPainterState.MenuBackground.get();
      if (!background) return false;
      auto* item = reinterpret_cast<TMenuItem*>(message.LParam);
      // The item was posted earlier: the menu may have been rebuilt and the item freed since.
      if (!item || !TMenuItem::IsLive(item)) return true;
      if (HWND wnd = MenuItemWindow(item)) FSkinableMenus->SkinMenuWindow(wnd, background);
      return true;
    }
    case WM_SKINMENUWINDOW:
      if (message.LParam)
        FSkinableMenus->SkinMenuWindow(reinterpret_cast<HWND>(message.LParam), MenuPainterState.MenuBackground.get());
      return true;
    default:
      return false;
  }
}

}  // namespace korv
