// The skin manager's menu painter (TsSkinableMenus) and its menu options (TacMenuSupport).
//
// The painter hooks the application's menus: it makes them owner-drawn and puts its own measure
// and draw handlers on their items. Hooking never replaces a handler the application assigned,
// and unhooking clears only the painter's own handlers, so an application's menu events survive
// any number of skin changes.
//
// The painting itself (item and top-line painting, the popup window's background, frame and
// region) is not built yet: until it is, the painter's draw handlers paint items the class
// library's way, its measure handlers keep the class library's sizes, and SkinMenuWindow does
// nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "classlib/Menus.h"

namespace korv {

class TsSkinManager;

// The kind of item being painted.
enum TsMenuItemType : uint8_t { smCaption, smDivider, smNormal, smTopLine };

using TsMenuManagerDrawItemEvent = TMethod<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect,
                                                TOwnerDrawState State, TsMenuItemType ItemType)>;
// Asked for the extra side line of a menu. A Glyph handed back becomes the painter's: it frees it.
using TacGetExtraLineData = TMethod<void(TMenuItem* FirstItem, std::string& SkinSection, std::string& Caption,
                                         TBitmap*& Glyph, bool& LineVisible)>;

// Menu options of the skin manager (its published MenuSupport).
class TacMenuSupport : public TPersistent {
  KORV_CLASS(TacMenuSupport, TPersistent)
 public:
  TacMenuSupport();
  ~TacMenuSupport() override;

  [[nodiscard]] const std::string& IcoLineSkin() const noexcept { return FIcoLineSkin; }
  void SetIcoLineSkin(const std::string& v) { FIcoLineSkin = v; }
  [[nodiscard]] bool UseExtraLine() const noexcept { return FUseExtraLine; }
  void SetUseExtraLine(bool v) noexcept { FUseExtraLine = v; }
  [[nodiscard]] int ExtraLineWidth() const noexcept { return FExtraLineWidth; }
  void SetExtraLineWidth(int v) noexcept { FExtraLineWidth = v; }
  [[nodiscard]] TFont* ExtraLineFont() const noexcept { return FExtraLineFont.get(); }
  void SetExtraLineFont(const TFont* v) { FExtraLineFont->Assign(v); }

 private:
  std::string FIcoLineSkin;
  bool FUseExtraLine = false;
  int FExtraLineWidth = 32;
  std::unique_ptr<TFont> FExtraLineFont;
};

// The menu painter, owned by a skin manager.
class TsSkinableMenus : public TPersistent {
  KORV_CLASS(TsSkinableMenus, TPersistent)
 public:
  explicit TsSkinableMenus(TsSkinManager* manager);
  // Takes the painter's handlers off every menu of the application first: none may outlive it.
  ~TsSkinableMenus() override;

  int Margin = 3;                         // gap left of the glyph and around the text
  TAlignment Alignment = taLeftJustify;   // caption alignment of popup items
  int BevelWidth = 0;                     // kept, not painted
  int BorderWidth = 3;                    // frame of the popup window taken from the background
  int Spacing = 6;                        // gap between glyph column and text
  TsMenuManagerDrawItemEvent OnDrawItem;  // after an item is painted, before it reaches the screen
  std::vector<TRect> RegionRects;         // rectangles cut out of the popup window's region
  bool Painting = false;                  // SkinMenuWindow is running

  [[nodiscard]] TFont* CaptionFont() const noexcept { return FCaptionFont.get(); }
  void SetCaptionFont(const TFont* v) { FCaptionFont->Assign(v); }

  // The border width of the skin's "MAINMENU" BORDERSMASK image, looked up when the stored value
  // is negative (3 when the image's width is below 1, 0 without the image) and kept until it is
  // set to -1 again (the manager does so for every new skin).
  [[nodiscard]] int SkinBorderWidth();
  void SetSkinBorderWidth(int v) noexcept { FSkinBorderWidth = v; }

  [[nodiscard]] TsSkinManager* Manager() const noexcept { return FManager; }
  [[nodiscard]] bool Active() const noexcept { return FActive; }
  // Hooks or unhooks every menu of the application when Value differs from Active.
  void SetActive(bool value);
  // SetActive with the manager's live-skin state.
  void UpdateActive();
  // Stores Active, then (outside design mode) walks every component the application owns, and
  // recursively what those own: a main menu is hooked with HookMenu and HookSubItems of each top
  // item; a popup menu with HookPopupMenu, and an item outside a main menu with HookSubItems, when
  // the manager skins popups. Unhooking reaches every menu whatever SkinnedPopups says.
  void UpdateMenus(bool value);

  // Main menu: the top-line handlers on each top item (the draw handler only while the skin is
  // live); the menu becomes owner-drawn unless it is being destroyed.
  void HookMenu(TMainMenu* menu, bool value);
  // Popup menu: owner-drawn, maNone added to (removed from) its animation, every item and sub-item
  // given the popup handlers.
  void HookPopupMenu(TPopupMenu* menu, bool value);
  // The popup handlers for the sub-items of Item, recursively; hooking skips items of a menu line.
  void HookSubItems(TMenuItem* item, bool value);
  // One item inserted into (or removed from) a skinned form's menu: its menu becomes owner-drawn,
  // and it gets the top-line handlers (an item of a menu line) or the popup handlers (when the
  // manager skins popups).
  void HookItem(TMenuItem* item, bool value);
  // The item is one of the top items of a main menu (the very items of its line, by identity).
  [[nodiscard]] static bool IsTopLineItem(const TMenuItem* item) noexcept;

  // Frees the cached picture of the open popup.
  void ClearMenuCache() noexcept;
  // Sub-classes and frames a popup menu window with the picture Bmp (not built yet: no effect).
  void SkinMenuWindow(HWND wnd, TBitmap* bmp);

  // The handlers the painter puts on menu items.
  void MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
  void DrawItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State);
  void MeasureTopLineItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
  void DrawTopLineItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State);

 private:
  // Puts the popup (or top-line) pair where the item has no handler; takes the painter's off.
  void SetPopupPair(TMenuItem* item);
  void SetTopLinePair(TMenuItem* item, bool withDraw);
  void Unhook(TMenuItem* item);
  void HookTree(TMenuItem* parent, bool value, bool skipTopLine);
  void HookOwned(TComponent* owner, bool value);
  [[nodiscard]] bool SkinnedPopups() const noexcept;

  TsSkinManager* FManager;
  bool FActive = false;
  int FSkinBorderWidth = -1;
  std::unique_ptr<TFont> FCaptionFont;
};

// The painter's state for the one popup menu open at a time.
struct TacMenuPainterState {
  std::unique_ptr<TBitmap> MenuBackground;  // the whole popup window's picture
  TMenuItem* CachedFirstItem = nullptr;     // first item of the menu the picture belongs to
  TsMenuItemType CurrentItemType = smNormal;
  std::string ExtraSection;
  std::string ExtraCaption;
  TBitmap* ExtraGlyph = nullptr;  // owned: a glyph handed over by the extra-line event
  bool ExtraLineVisible = false;
  bool ExtraLineFetched = false;
  bool ExtraLineFetching = false;
  int IconColumnWidth = 0;
  int FirstGlyphWidth = 0;
  bool IsNTPlatform = false;
};
extern TacMenuPainterState MenuPainterState;

// Forgets the cached popup: no first item, no picture, no extra line fetched or shown.
void ResetMenuCache() noexcept;

// The window of the open popup menu that shows Item: the centre of the item's rectangle
// (GetMenuItemRect without a window, then with the popup list's window) taken to WindowFromPoint.
// nullptr when the item is in no open menu.
[[nodiscard]] HWND MenuItemWindow(TMenuItem* item);

// Start-up (the platform test) and shut-down (the cached picture and glyph freed).
void SkinMenusStartup();
void SkinMenusShutdown() noexcept;

}  // namespace korv
