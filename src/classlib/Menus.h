// Menus: TMenuItem (a tree of items that builds its own menu handles), TMenu with TMainMenu (a
// form's menu bar) and TPopupMenu (a shortcut menu tracked over a hidden owner window, the
// popup list), shortcuts and their text, and the owner-draw dispatch of WM_MEASUREITEM and
// WM_DRAWITEM to the items.
//
// Handles: every item with sub-items owns a popup menu handle holding its visible sub-items; the
// root item of a TMenu owns the menu's handle. Any change of an item rebuilds the handle of the
// menu it sits in (entries are removed and inserted again; sub-menu handles survive), so the
// system measures owner-drawn items again. Items with Visible false are not inserted: positions
// in a menu handle count only the inserted items.
//
// Command identifiers: every item takes the lowest free identifier of a process-wide pool that
// starts at 256, so the identifiers 1..255 stay free for menus merged in from elsewhere (the
// shell's context-menu commands).
//
// Owner draw: items of a menu with OwnerDraw set are inserted with MFT_OWNERDRAW and carry the
// item as item data. WM_MEASUREITEM and WM_DRAWITEM reach the item through MenuMeasureItem and
// MenuDrawItem (called by the popup list's window and by forms); the item data is checked
// against the live items first, so foreign owner-drawn items and stale pointers are ignored.
// The draw event gets a canvas on the real item DC; the measure event a canvas on a screen DC
// with the screen's menu font.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"
#include "classlib/System.h"

namespace korv {

class TMenu;
class TMenuItem;

// ---------------------------------------------------------------------------------------------
// Shortcuts: the virtual key in the low byte, modifiers in the high bits.

using TShortCut = uint16_t;
inline constexpr TShortCut scNone = 0;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// A shortcut from a virtual key (0..255) and ssShift/ssCtrl/ssAlt; 0 for a key beyond 255.
[[nodiscard]] TShortCut ShortCut(WORD key, TShiftState shift) noexcept;
void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift) noexcept;
// "Shift+", "Ctrl+", "Alt+" (in that order) before the key's name: letters and digits as they
// are, "F1".."F24", "BkSp", "Tab", "Esc", "Enter", "Space", "PgUp", "PgDn", "End", "Home",
// "Left", "Up", "Right", "Down", "Ins", "Del", any other key by the system's key name
// (GetKeyNameTextA). Empty for 0 and for a key without a name.
[[nodiscard]] std::string ShortCutToText(TShortCut shortCut);

// ---------------------------------------------------------------------------------------------
// Owner-draw state: bit i is the platform's ODS_ bit i (ODS_SELECTED = odSelected...).

enum : unsigned {
  odSelected = 1u << 0,
  odGrayed = 1u << 1,
  odDisabled = 1u << 2,
  odChecked = 1u << 3,
  odFocused = 1u << 4,
  odDefault = 1u << 5,
  odHotLight = 1u << 6,
  odInactive = 1u << 7,
  odNoAccel = 1u << 8,
  odNoFocusRect = 1u << 9,
  odReserved1 = 1u << 10,
  odReserved2 = 1u << 11,
  odComboBoxEdit = 1u << 12,
};
using TOwnerDrawState = unsigned;
// The itemState of DRAWITEMSTRUCT as a TOwnerDrawState (bits beyond odComboBoxEdit dropped).
[[nodiscard]] constexpr TOwnerDrawState OwnerDrawStateFromItemState(UINT itemState) noexcept {
  return itemState & 0x1FFFu;
}

// ---------------------------------------------------------------------------------------------
// Types

enum TMenuBreak : uint8_t { mbNone, mbBreak, mbBarBreak };
enum TFindItemKind : uint8_t { fkCommand, fkHandle, fkShortCut };

// Animation of a popup menu (TrackPopupMenu's TPM_*ANIMATION flags).
enum : unsigned {
  maLeftToRight = 1u << 0,
  maRightToLeft = 1u << 1,
  maTopToBottom = 1u << 2,
  maBottomToTop = 1u << 3,
  maNone = 1u << 4,
};
using TMenuAnimation = unsigned;

using TMenuMeasureItemEvent = TMethod<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TAdvancedMenuDrawItemEvent =
    TMethod<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State)>;

// The caption that makes an item a separator.
inline constexpr const char* cLineCaption = "-";

// ---------------------------------------------------------------------------------------------
// TMenuItem

class TMenuItem : public TComponent {
  KORV_CLASS(TMenuItem, TComponent)
 public:
  // Takes the lowest free command identifier (raises EMenuError when none is left).
  explicit TMenuItem(TComponent* owner);
  // Removes itself from its parent, frees its sub-items and its handle, gives back its command.
  ~TMenuItem() override;

  [[nodiscard]] const std::string& Caption() const noexcept { return FCaption; }
  void SetCaption(const std::string& value);
  [[nodiscard]] TShortCut ShortCut() const noexcept { return FShortCut; }
  void SetShortCut(TShortCut value);
  // The item's own glyph, created empty on first use; owned by the item. Drawn by the default
  // owner-draw paint in place of the menu's image.
  [[nodiscard]] TBitmap* Bitmap();
  [[nodiscard]] bool HasBitmap() const noexcept;  // a bitmap exists and is not empty
  void SetBitmap(const TBitmap* value);           // copies the picture
  // Index into the menu's Images (-1: none), drawn by the default owner-draw paint.
  [[nodiscard]] int ImageIndex() const noexcept { return FImageIndex; }
  void SetImageIndex(int value);
  // Checking a radio item unchecks the radio items of the same group among its siblings.
  [[nodiscard]] bool Checked() const noexcept { return FChecked; }
  void SetChecked(bool value);
  [[nodiscard]] bool RadioItem() const noexcept { return FRadioItem; }
  void SetRadioItem(bool value);
  [[nodiscard]] bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool value);
  // An invisible item is not inserted into the menu handle.
  [[nodiscard]] bool Visible() const noexcept { return FVisible; }
  void SetVisible(bool value);
  // At most one default item per sub-menu: setting one clears the others.
  [[nodiscard]] bool Default() const noexcept { return FDefault; }
  void SetDefault(bool value);
  [[nodiscard]] TMenuBreak Break() const noexcept { return FBreak; }
  void SetBreak(TMenuBreak value);
  [[nodiscard]] uint8_t GroupIndex() const noexcept { return FGroupIndex; }
  void SetGroupIndex(uint8_t value);
  [[nodiscard]] const std::string& Hint() const noexcept { return FHint; }
  void SetHint(const std::string& value) { FHint = value; }
  [[nodiscard]] int HelpContext() const noexcept { return FHelpContext; }
  void SetHelpContext(int value) noexcept { FHelpContext = value; }

  // Sub-items.
  [[nodiscard]] int Count() const noexcept { return static_cast<int>(FItems.size()); }
  // Raises EMenuError "Menu index out of range".
  [[nodiscard]] TMenuItem* Items(int index) const;
  [[nodiscard]] TMenuItem* operator[](int index) const { return Items(index); }
  [[nodiscard]] int IndexOf(const TMenuItem* item) const noexcept;
  // Add/Insert raise EMenuError "Menu inserted twice" for an item that already has a parent or
  // is the root of a menu, "Menu index out of range" for a bad index, and "Menu item inserted
  // into itself" for the item or one of its ancestors.
  void Add(TMenuItem* item);
  void Add(const std::vector<TMenuItem*>& items);
  void Insert(int index, TMenuItem* item);
  // Delete and Remove take the item out without freeing it. Remove raises EMenuError "Sub-menu
  // is not in menu" for an item that is not a sub-item.
  void Delete(int index);
  void Remove(TMenuItem* item);
  void Clear();  // frees every sub-item

  [[nodiscard]] TMenuItem* Parent() const noexcept { return FParent; }
  // Position among the parent's sub-items (-1 without a parent); setting it moves the item.
  [[nodiscard]] int MenuIndex() const noexcept;
  void SetMenuIndex(int value);
  // The menu whose tree holds this item, or null.
  [[nodiscard]] TMenu* GetParentMenu() const noexcept;
  // The popup menu handle holding the sub-items (created with them on first use). For the root
  // item of a TMenu this is the menu's handle.
  [[nodiscard]] HMENU Handle();
  [[nodiscard]] bool HandleAllocated() const noexcept { return static_cast<bool>(FHandle); }
  [[nodiscard]] WORD Command() const noexcept { return FCommand; }
  // True when the item is a separator (caption "-").
  [[nodiscard]] bool IsLine() const noexcept { return FCaption == cLineCaption; }

  // Runs OnClick when the item is enabled.
  virtual void Click();

  // Owner-draw entry points, called by the dispatch with a prepared canvas (measure: a screen DC
  // with the menu font; draw: the real item DC). MeasureItem computes the default size first and
  // hands it to OnMeasureItem, which may change it. AdvancedDrawItem calls OnAdvancedDrawItem,
  // or paints the item in the system's colours when none is set. TopLevel: an item of a menu bar.
  virtual void MeasureItem(TCanvas* canvas, int& width, int& height);
  virtual void AdvancedDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel);

  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

  // Called by a draw handler that paints the item's sub-menu arrow itself, for the draw under
  // way: once the handler returns, the item's rectangle is left out of the item DC's clip region,
  // so that the arrow the system draws after the owner's painting (in the system's colours) does
  // not cover it.
  void OwnSubMenuArrow() noexcept { FOwnArrow = true; }

  // True when p is an item that exists now (checked before using item data or posted pointers).
  [[nodiscard]] static bool IsLive(const void* p) noexcept;
  // The live item a menu entry's item data names (nullptr for another party's entry).
  [[nodiscard]] static TMenuItem* FromItemData(ULONG_PTR data) noexcept;

 protected:
  // Default measure and paint, used when no handler is assigned.
  virtual void DefaultMeasure(TCanvas* canvas, int& width, int& height);
  virtual void DefaultDraw(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel);
  // Called after any change; Rebuild: the menu handle that holds the item must be rebuilt.
  void MenuChanged(bool rebuild);

 private:
  friend class TMenu;
  friend bool MenuDrawItem(const DRAWITEMSTRUCT& dis);
  void RebuildHandle();
  void RebuildTree();
  void InsertInto(HMENU menu, UINT position);
  // The sub-items this item's handle holds: its own, or for the root of a main menu with another
  // merged in, both merged by group.
  [[nodiscard]] std::vector<TMenuItem*> ShownItems() const;
  [[nodiscard]] bool IsOwnerDraw() const noexcept;
  void TurnSiblingsOff();
  void BitmapChanged(TObject* sender);
  void Changed(TMenuItem* source, bool rebuild);
  [[nodiscard]] TSize GlyphSize() const;
  void DetachHandle() noexcept;

  std::string FCaption;
  TShortCut FShortCut = 0;
  std::unique_ptr<TBitmap> FBitmap;
  int FImageIndex = -1;
  bool FChecked = false;
  bool FRadioItem = false;
  bool FEnabled = true;
  bool FVisible = true;
  bool FDefault = false;
  TMenuBreak FBreak = mbNone;
  uint8_t FGroupIndex = 0;
  std::string FHint;
  int FHelpContext = 0;
  WORD FCommand = 0;
  TUniqueMenu FHandle;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on the root item of a menu only
  std::vector<TMenuItem*> FItems;
  std::vector<const void*> FInserted;  // item data of the entries this item put into FHandle
  bool FOwnArrow = false;              // the draw under way paints the sub-menu arrow itself
};

// ---------------------------------------------------------------------------------------------
// TMenu

class TMenu : public TComponent {
  KORV_CLASS(TMenu, TComponent)
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  // The root item; its sub-items are the menu's items.
  [[nodiscard]] TMenuItem* Items() const noexcept { return FItems; }
  [[nodiscard]] HMENU Handle() const { return FItems->Handle(); }
  // Owner-drawn items: every item is inserted with MFT_OWNERDRAW and measured and painted by
  // its events (or the default paint).
  [[nodiscard]] bool OwnerDraw() const noexcept { return FOwnerDraw; }
  void SetOwnerDraw(bool value);
  // Image list for the items' ImageIndex (not owned; cleared when the list is freed).
  [[nodiscard]] TImageList* Images() const noexcept { return FImages; }
  void SetImages(TImageList* value);
  // The window the menu belongs to: a main menu's form. A popup menu stores it only; its
  // messages always go to the popup list's window.
  [[nodiscard]] HWND WindowHandle() const noexcept { return FWindowHandle; }
  virtual void SetWindowHandle(HWND value);

  // Depth-first search below the root: by command identifier, by sub-menu handle or by
  // shortcut. Null when nothing matches.
  [[nodiscard]] virtual TMenuItem* FindItem(UINT_PTR value, TFindItemKind kind) const;
  // Clicks the item with the command; false when no item has it.
  bool DispatchCommand(WORD command);
  // WM_INITMENUPOPUP: clicks the item whose sub-menu opens; false when the handle is not ours.
  bool DispatchPopup(HMENU menu);

 protected:
  // Creates the root handle: a popup menu (TMainMenu: a menu bar).
  [[nodiscard]] virtual HMENU CreateMenuHandle() const;
  // Called after an item changed (source null: the menu itself).
  virtual void MenuChanged(TMenuItem* source, bool rebuild);
  void Notification(TComponent* component, TOperation operation) override;
  // The root's handle built again (entries removed and inserted).
  void RebuildItems() { FItems->RebuildHandle(); }

 private:
  friend class TMenuItem;
  TMenuItem* FItems = nullptr;
  bool FOwnerDraw = false;
  TImageList* FImages = nullptr;
  HWND FWindowHandle = nullptr;
};

// A form's menu bar. The form sets WindowHandle and attaches Handle with SetMenu; while the window
// carries the menu, changes redraw the bar (DrawMenuBar) and send CM_MENUCHANGED to the window.
//
// Another main menu can be merged in: its top items join this menu's bar by group (see
// MergeMenuItems), a change of its items rebuilds this bar, and its commands and sub-menus are
// found through this menu. One menu at a time; the merge ends when either menu is freed.
class TMainMenu : public TMenu {
  KORV_CLASS(TMainMenu, TMenu)
 public:
  explicit TMainMenu(TComponent* owner);
  // Ends a merge either way, then takes the menu off its window when it is still attached.
  ~TMainMenu() override;

  // Merges menu in (taken out of another menu it was merged into), replacing the one merged
  // before; nullptr (or this menu) takes the merged one out.
  void Merge(TMainMenu* menu);
  // Takes menu out when it is the merged one.
  void Unmerge(TMainMenu* menu);
  [[nodiscard]] TMainMenu* Merged() const noexcept { return FMerged; }
  // The own items first, then the merged menu's.
  [[nodiscard]] TMenuItem* FindItem(UINT_PTR value, TFindItemKind kind) const override;

 protected:
  [[nodiscard]] HMENU CreateMenuHandle() const override;
  void MenuChanged(TMenuItem* source, bool rebuild) override;

 private:
  TMainMenu* FMerged = nullptr;      // the menu merged into this one
  TMainMenu* FMergedInto = nullptr;  // the menu this one is merged into
};

// The top items of a bar that shows own's sub-items merged with merged's, by GroupIndex: a merged
// item takes the place of the own items of its group, and merged groups the own items lack stand
// before the first own item of a higher group (after the last one when there is none). Each item
// appears once; invisible ones are kept (the caller skips them).
[[nodiscard]] std::vector<TMenuItem*> MergeMenuItems(const TMenuItem& own, const TMenuItem* merged);

// A shortcut menu.
class TPopupMenu : public TMenu {
  KORV_CLASS(TPopupMenu, TMenu)
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  // OnPopup, then tracks the menu at the screen point with the popup list's window as owner
  // (TrackPopupMenu with TPM_RETURNCMD through the tracker) and clicks the chosen item before
  // returning.
  virtual void Popup(int x, int y);

  // The control the menu was shown for (set by whoever shows it; not owned).
  [[nodiscard]] TComponent* PopupComponent() const noexcept { return FPopupComponent; }
  void SetPopupComponent(TComponent* value);
  [[nodiscard]] TMenuAnimation MenuAnimation() const noexcept { return FMenuAnimation; }
  void SetMenuAnimation(TMenuAnimation value) noexcept { FMenuAnimation = value; }
  [[nodiscard]] bool AutoPopup() const noexcept { return FAutoPopup; }
  void SetAutoPopup(bool value) noexcept { FAutoPopup = value; }
  // The point of the last Popup.
  [[nodiscard]] TPoint PopupPoint() const noexcept { return FPopupPoint; }

  TNotifyEvent OnPopup;

 protected:
  virtual void DoPopup(TObject* sender);
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TComponent* FPopupComponent = nullptr;
  TMenuAnimation FMenuAnimation = 0;
  bool FAutoPopup = true;
  TPoint FPopupPoint{-1, -1};
};

// ---------------------------------------------------------------------------------------------
// The popup list: the hidden window that owns tracked popup menus and receives their messages.
// It exists while at least one TPopupMenu exists. Its window procedure dispatches WM_COMMAND,
// WM_INITMENUPOPUP, WM_MENUCHAR, WM_MEASUREITEM and WM_DRAWITEM to the items.

// The popup list's window (created when needed; null when no popup menu exists).
[[nodiscard]] HWND PopupListWindow();

// ---------------------------------------------------------------------------------------------
// Tracking. Every popup of the library goes through the tracker; tests replace it to pick a
// command without the modal loop. The default calls TrackPopupMenu(menu, flags, pt, owner).

using TMenuTracker = std::function<UINT(HMENU menu, HWND owner, POINT pt, UINT flags)>;
// Installs a tracker (an empty one restores the default); returns the previous one.
TMenuTracker SetMenuTracker(TMenuTracker tracker);
// Tracks menu through the current tracker.
UINT TrackMenu(HMENU menu, HWND owner, POINT pt, UINT flags);

// ---------------------------------------------------------------------------------------------
// Owner-draw dispatch for windows that own menus (forms, the popup list, other hidden windows).

// WM_MEASUREITEM for an item of this library (CtlType ODT_MENU and live item data): measures it
// and fills itemWidth/itemHeight. False for anything else (left untouched).
bool MenuMeasureItem(MEASUREITEMSTRUCT& mis);
// WM_DRAWITEM for an item of this library: paints it on the given DC. False for anything else.
bool MenuDrawItem(const DRAWITEMSTRUCT& dis);

// The menu messages a window that shows menu receives: WM_COMMAND from a menu (dispatched to
// menu's item), WM_INITMENUPOPUP (to menu's item), WM_MENUCHAR for owner-drawn items,
// WM_MEASUREITEM and WM_DRAWITEM (to any live item). menu may be null. True when handled, with
// the window procedure's answer in result. Never raises: an exception of an event handler goes
// to the application's exception handler.
bool HandleMenuMessage(TMenu* menu, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;

// The caption without its accelerator marks ("&&" becomes "&").
[[nodiscard]] std::string StripHotkey(const std::string& caption);
// The accelerator character of a caption (the character after a single "&"), or 0.
[[nodiscard]] char GetHotkey(const std::string& caption) noexcept;

}  // namespace korv
