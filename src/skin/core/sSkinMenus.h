// The skin manager's menu painter (TsSkinableMenus) and its menu options (TacMenuSupport).
//
// The painter hooks the application's menus: it makes them owner-drawn and puts its own measure
// and draw handlers on their items. Hooking never replaces a handler the application assigned,
// and unhooking clears only the painter's own handlers, so an application's menu events survive
// any number of skin changes.
//
// Popup items are measured here and painted from a cached picture of the whole popup window (its
// frame, the extra side line, the icon line and the item area), made once per open popup. The
// popup window itself is sub-classed: it gets a region cut from the skin's corners and its frame
// from the picture. The pictures are made by the skinned menus' painting, installed at start-up
// through SetMenuPainting; without it the items keep the class library's look.
//
// Coordinates: the picture is in window coordinates. The item DC's coordinates (and the item
// rectangles) are the popup's client coordinates, which lie ItemOffset inside the window: that
// offset is measured from the real window (the client area starts inside a non-client frame on
// some platforms, at the window's corner on others).
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

class TacFreeWatch;
class TsSkinManager;

// The frame of a popup menu window around its items, in window coordinates: a non-client border on
// some platforms, a margin inside the client area on others; three pixels on both.
inline constexpr int MenuWindowFrame = 3;

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

// The menu painter, owned by a skin manager. It remembers the menus it made owner-drawn with
// their own OwnerDraw and animation values, and gives exactly those back when it unhooks them;
// a menu it never made owner-drawn (an application's own owner-drawn popup) is never touched.
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
  // live); the menu becomes owner-drawn. Unhooking gives it its own value back unless it is being
  // destroyed.
  void HookMenu(TMainMenu* menu, bool value);
  // Popup menu: owner-drawn, maNone added to its animation, every item and sub-item given the
  // popup handlers; unhooking takes the painter's handlers off and gives the menu its own
  // OwnerDraw and animation back.
  void HookPopupMenu(TPopupMenu* menu, bool value);
  // The popup handlers for the sub-items of Item, recursively; hooking skips items of a menu line.
  void HookSubItems(TMenuItem* item, bool value);
  // One item inserted into (or removed from) a skinned form's menu: its menu becomes owner-drawn
  // (gets its own value back), and it gets the top-line handlers (an item of a menu line) or the
  // popup handlers (when the manager skins popups).
  void HookItem(TMenuItem* item, bool value);
  // The item is one of the top items of a main menu (the very items of its line, by identity).
  [[nodiscard]] static bool IsTopLineItem(const TMenuItem* item) noexcept;

  // Frees the cached picture of the open popup.
  void ClearMenuCache() noexcept;
  // Sub-classes a popup menu window ("#32768"; other windows are left alone) with MenuWindowProc
  // and measures its ItemOffset; then (on NT) cuts its region from the full rectangle minus
  // RegionRects, or, without those, copies its frame from Bmp. A cached picture of another size
  // than the window (made before the window was known) is made again at the window's size first.
  void SkinMenuWindow(HWND wnd, TBitmap* bmp);
  // Cuts the popup window's region for a window of that size from the full rectangle minus
  // RegionRects (or, without those, copies its frame from Bmp onto a shown window), and asks the
  // system not to round its corners. A window not yet shown is not redrawn.
  void ShapeMenuWindow(HWND wnd, TBitmap* bmp, TSize size);
  // While a painter is active, the popup menu windows of its thread are sub-classed as they are
  // created (a thread hook at window creation), so that a window showing one of the active
  // painters' menus is shaped when it is about to be shown (MenuWindowShowing) rather than at its
  // first painted item. The hook goes when the last painter stops watching.
  void WatchMenuWindows(bool value);
  // A caught popup window about to be shown at pos's size: when it shows a menu whose items one
  // of the watching painters draws, that painter makes the picture at that size and shapes the
  // window with it. False when the window is left to itself.
  static bool MenuWindowShowing(HWND wnd, const WINDOWPOS& pos);

  // The extra side line's data for the menu whose first item is firstItem: section, caption and
  // glyph from the manager's OnGetMenuExtraLineData (the default caption without a handler).
  // fromMeasure guards the event against re-entry while it runs.
  void FetchExtraLineData(TMenuItem* firstItem, bool fromMeasure);
  // The width of the extra line (0 unless it is used and shown); narrow: less the part of the
  // frame the skin's border does not take. Never negative.
  [[nodiscard]] int CurrentExtraLineWidth(bool narrow);
  // The height of the popup item as MeasureItem gives it (the canvas takes the menu font).
  [[nodiscard]] int ItemHeight(TCanvas* canvas, const TMenuItem* item);
  // The height of the tallest column of Item's menu: the visible siblings' heights summed, a
  // sibling with a Break starting a new column.
  [[nodiscard]] int ColumnsHeight(TCanvas* canvas, const TMenuItem* item);
  // Makes the picture of the popup whose first item is firstItem, width x height, unless it is
  // cached (for a window: cached at that size), and skins wnd with it when wnd is given.
  void PrepareMenuBackground(TMenuItem* firstItem, int width, int height, HWND wnd);

  // The item's glyph size: its Bitmap, else its menu's Images, else 16 x 16.
  [[nodiscard]] static TSize GetGlyphSize(const TMenuItem* item);
  // smDivider for "-", smCaption for a longer caption beginning and ending with "-", else
  // smNormal.
  [[nodiscard]] static TsMenuItemType ItemTypeOf(const TMenuItem* item) noexcept;

  // The handlers the painter puts on menu items.
  void MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
  void DrawItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State);
  void MeasureTopLineItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
  void DrawTopLineItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State);

 private:
  // The frame of the popup window beside the item, copied from the picture (window DC).
  void CopyFrameBeside(HWND wnd, TMenuItem* item, const TRect& rect);
  // Puts the popup (or top-line) pair where the item has no handler; takes the painter's off.
  void SetPopupPair(TMenuItem* item);
  void SetTopLinePair(TMenuItem* item, bool withDraw);
  void Unhook(TMenuItem* item);
  void HookTree(TMenuItem* parent, bool value, bool skipTopLine);
  void HookOwned(TComponent* owner, bool value);
  [[nodiscard]] bool SkinnedPopups() const noexcept;
  // Makes the menu owner-drawn (noAnimation: and adds maNone to a popup's animation), remembering
  // its own values the first time.
  void TakeMenu(TMenu* menu, bool noAnimation);
  // Gives a menu the painter took its own values back (a menu being destroyed only loses its
  // record); a menu it never took is left as it is.
  void GiveBackMenu(TMenu* menu);

  // A menu made owner-drawn by the painter, with its own values from before.
  struct THookedMenu {
    TMenu* Menu;
    bool OwnerDraw;
    TMenuAnimation Animation;
  };
  std::vector<THookedMenu> FHooked;
  // Drops the record of a menu that is freed.
  std::unique_ptr<TacFreeWatch> FWatch;

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
  // Where the item DC's origin lies in the popup window (client origin - window origin), as last
  // measured from a real popup window.
  TPoint ItemOffset{0, 0};
};
extern TacMenuPainterState MenuPainterState;

// Forgets the cached popup: no first item, no picture, no extra line fetched or shown.
void ResetMenuCache() noexcept;

// The canvas takes the system's menu font (the font items are measured and drawn in).
void UseMenuFont(TCanvas* canvas);

// The first item of the menu Item sits in (Item itself when it has no parent): the key of the
// cached picture.
[[nodiscard]] TMenuItem* MenuFirstItem(TMenuItem* item) noexcept;

// The window of the open popup menu that shows Item: the centre of the item's rectangle
// (GetMenuItemRect without a window, then with the popup list's window) taken to WindowFromPoint.
// nullptr when the item is in no open menu.
[[nodiscard]] HWND MenuItemWindow(TMenuItem* item);

// The window procedure of sub-classed popup windows: a window about to be shown is offered to
// the watching painters; for a window the painter skins, its own frame and background painting
// is left out (the picture gives them) and WM_DESTROY forgets the cached popup; at WM_NCDESTROY
// the saved procedure goes back while this one is still installed. The saved procedure lives in
// the window's GWL_USERDATA slot.
LRESULT CALLBACK MenuWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

// The desktop window manager's DwmSetWindowAttribute, loaded from dwmapi.dll at its first use
// (nullptr where the library or the function is missing). Another function may be put in its
// place (tests); returns the one in place before.
using TDwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
TDwmSetWindowAttributeFn SetDwmSetWindowAttribute(TDwmSetWindowAttributeFn fn) noexcept;

// What the painter's pictures are made with, installed by the skinned menus' painting. The
// defaults paint nothing of the skin: items keep the class library's look.
class TacMenuPainting {
 public:
  virtual ~TacMenuPainting() = default;
  // Paints MenuPainterState.MenuBackground (already of the window's size, CachedFirstItem set)
  // and fills menus.RegionRects.
  virtual void PaintMenuBackground(TsSkinableMenus& menus);
  // Paints a popup item onto its canvas (its DC's coordinates are client coordinates); the
  // picture exists.
  virtual void DrawItem(TsSkinableMenus& menus, TMenuItem* item, TCanvas* canvas, const TRect& rect,
                        TOwnerDrawState state);
  // The height of a divider item: what its picture needs to show whole (2 by default).
  [[nodiscard]] virtual int DividerHeight(TsSkinableMenus& menus);
  // The items of a form's menu line.
  virtual void MeasureTopLineItem(TsSkinableMenus& menus, TMenuItem* item, TCanvas* canvas, int& width, int& height);
  virtual void DrawTopLineItem(TsSkinableMenus& menus, TMenuItem* item, TCanvas* canvas, const TRect& rect,
                               TOwnerDrawState state);
};
// Installs the painting (nullptr: the defaults) and returns the one installed before. Not owned.
TacMenuPainting* SetMenuPainting(TacMenuPainting* painting) noexcept;
[[nodiscard]] TacMenuPainting& MenuPainting() noexcept;

// Start-up (the platform test) and shut-down (the cached picture and glyph freed).
void SkinMenusStartup();
void SkinMenusShutdown() noexcept;

}  // namespace korv
