// The default manager's hook on the application window: the menu painter posts 0xBCB3 while it
// draws an item of a popup it could not find the window of, and the hook finds that window once
// the menu is on the screen.
#include "classlib/Menus.h"
#include "skin/core/sSkinManager.h"

namespace korv {

bool TsSkinManager::AppHook(TMessage& message) {
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
