// Menus: item tree, menu handles, command pool, popup list, tracking and owner-draw dispatch.
#include "classlib/Menus.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "classlib/Forms.h"
#include "classlib/Messages.h"

namespace korv {

KORV_DEFINE_CLASS(TMenuItem, TComponent, &CreateComponent<TMenuItem>, nullptr);
KORV_DEFINE_CLASS(TMenu, TComponent, nullptr, nullptr);
KORV_DEFINE_CLASS(TMainMenu, TMenu, &CreateComponent<TMainMenu>, nullptr);
KORV_DEFINE_CLASS(TPopupMenu, TMenu, &CreateComponent<TPopupMenu>, nullptr);

namespace {

// ---------------------------------------------------------------------------------------------
// Process-wide state. Menus live on the user-interface thread, as their windows do.

// Every item that exists now: item data and posted pointers are checked against it.
std::unordered_set<const void*>& LiveItems() {
  static std::unordered_set<const void*> items;
  return items;
}

// Command identifiers 256..65535; the lowest free one is handed out.
class TCommandPool {
 public:
  static constexpr unsigned First = 256;
  static constexpr unsigned Count = 65536;

  WORD Allocate() {
    for (unsigned id = FLowestFree; id < Count; ++id) {
      if (!FUsed[id]) {
        FUsed[id] = true;
        FLowestFree = id + 1;
        return static_cast<WORD>(id);
      }
    }
    throw EMenuError("No free menu command identifier");
  }
  void Release(WORD id) noexcept {
    if (id < First) return;
    FUsed[id] = false;
    FLowestFree = std::min<unsigned>(FLowestFree, id);
  }

 private:
  std::vector<bool> FUsed = std::vector<bool>(Count, false);
  unsigned FLowestFree = First;
};

TCommandPool& CommandPool() {
  static TCommandPool pool;
  return pool;
}

TMenuTracker& CurrentTracker() {
  static TMenuTracker tracker;
  return tracker;
}

UINT DefaultTracker(HMENU menu, HWND owner, POINT pt, UINT flags) {
  return static_cast<UINT>(TrackPopupMenu(menu, flags, pt.x, pt.y, 0, owner, nullptr));
}

// An exception of an event handler that reached a window procedure: the procedure must not let it
// out, so it goes to the application's exception handler.
void ReportHandlerException() noexcept { HandleWndProcException("Unknown exception in a menu event handler"); }

// The font items are measured and painted with: the screen's menu font, or the system's menu
// font before the screen object exists.
const TFont& MenuFont() {
  if (Screen && Screen->MenuFont()) return *Screen->MenuFont();
  static TFont font;
  static bool ready = false;
  if (!ready) {
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
      font.SetHandle(CreateFontIndirectA(&ncm.lfMenuFont));
    ready = true;
  }
  return font;
}

// Layout of the default owner-draw paint (pixels).
constexpr int kMargin = 3;   // around the glyph column and the text
constexpr int kSpacing = 6;  // between glyph column and text, and before the shortcut

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shortcuts

TShortCut ShortCut(WORD key, TShiftState shift) noexcept {
  if (key & 0xFF00) return 0;
  TShortCut r = key;
  if (shift & ssShift) r |= scShift;
  if (shift & ssCtrl) r |= scCtrl;
  if (shift & ssAlt) r |= scAlt;
  return r;
}

void ShortCutToKey(TShortCut shortCut, WORD& key, TShiftState& shift) noexcept {
  key = shortCut & 0xFF;
  shift = 0;
  if (shortCut & scShift) shift |= ssShift;
  if (shortCut & scCtrl) shift |= ssCtrl;
  if (shortCut & scAlt) shift |= ssAlt;
}

namespace {

std::string KeyName(WORD key) {
  static constexpr struct {
    WORD Key;
    const char* Name;
  } kNames[] = {
      {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},     {VK_ESCAPE, "Esc"}, {VK_RETURN, "Enter"}, {VK_SPACE, "Space"},
      {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},   {VK_END, "End"},    {VK_HOME, "Home"},    {VK_LEFT, "Left"},
      {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},  {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
  };
  for (const auto& n : kNames)
    if (n.Key == key) return n.Name;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
  // Any other key: the keyboard layout's name for its scan code.
  UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
  if (scan == 0) return {};
  char name[64] = {};
  int n = GetKeyNameTextA(static_cast<LONG>(scan << 16), name, sizeof name);
  return n > 0 ? std::string(name, static_cast<size_t>(n)) : std::string();
}

}  // namespace

std::string ShortCutToText(TShortCut shortCut) {
  std::string name = KeyName(shortCut & 0xFF);
  if (name.empty()) return {};
  std::string r;
  if (shortCut & scShift) r += "Shift+";
  if (shortCut & scCtrl) r += "Ctrl+";
  if (shortCut & scAlt) r += "Alt+";
  return r + name;
}

std::string StripHotkey(const std::string& caption) {
  std::string r;
  r.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') {
      r += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
      r += '&';
      ++i;
    }
  }
  return r;
}

char GetHotkey(const std::string& caption) noexcept {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return caption[i + 1];
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Tracker

TMenuTracker SetMenuTracker(TMenuTracker tracker) {
  TMenuTracker old = std::move(CurrentTracker());
  CurrentTracker() = std::move(tracker);
  return old;
}

UINT TrackMenu(HMENU menu, HWND owner, POINT pt, UINT flags) {
  // A copy, so a tracker that replaces itself while it runs stays alive.
  TMenuTracker tracker = CurrentTracker();
  return tracker ? tracker(menu, owner, pt, flags) : DefaultTracker(menu, owner, pt, flags);
}

// ---------------------------------------------------------------------------------------------
// TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {
  FCommand = CommandPool().Allocate();
  LiveItems().insert(this);
}

TMenuItem::~TMenuItem() {
  SetComponentState(csDestroying);
  LiveItems().erase(this);
  if (FParent) {
    TMenuItem* parent = FParent;
    auto it = std::find(parent->FItems.begin(), parent->FItems.end(), this);
    if (it != parent->FItems.end()) parent->FItems.erase(it);
    FParent = nullptr;
    try {
      parent->RebuildHandle();
      parent->MenuChanged(true);
    } catch (...) {
      // A failure to rebuild the parent's handle must not stop the destruction.
    }
  }
  while (!FItems.empty()) {
    TMenuItem* child = FItems.back();
    FItems.pop_back();
    child->FParent = nullptr;
    delete child;
  }
  DetachHandle();
  CommandPool().Release(FCommand);
}

void TMenuItem::DetachHandle() noexcept {
  if (!FHandle) return;
  // DestroyMenu also destroys the sub-menus still inserted. Those of our sub-items belong to
  // them (and may be gone already), so our entries are taken out first; sub-menus that others
  // merged in go with the menu, as their owners expect.
  HMENU h = FHandle.Get();
  for (int i = GetMenuItemCount(h) - 1; i >= 0; --i) {
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_DATA;
    if (!GetMenuItemInfoA(h, static_cast<UINT>(i), TRUE, &mii)) continue;
    if (std::find(FInserted.begin(), FInserted.end(), reinterpret_cast<const void*>(mii.dwItemData)) != FInserted.end())
      RemoveMenu(h, static_cast<UINT>(i), MF_BYPOSITION);
  }
  FInserted.clear();
  FHandle.Reset();
}

bool TMenuItem::IsLive(const void* p) noexcept { return p && LiveItems().count(p) != 0; }

TMenuItem* TMenuItem::FromItemData(ULONG_PTR data) noexcept {
  void* p = reinterpret_cast<void*>(data);
  return IsLive(p) ? static_cast<TMenuItem*>(p) : nullptr;
}

void TMenuItem::SetCaption(const std::string& value) {
  if (FCaption == value) return;
  FCaption = value;
  MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut value) {
  if (FShortCut == value) return;
  FShortCut = value;
  MenuChanged(true);
}

TBitmap* TMenuItem::Bitmap() {
  if (!FBitmap) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->OnChange = TNotifyEvent(this, &TMenuItem::BitmapChanged);
  }
  return FBitmap.get();
}

bool TMenuItem::HasBitmap() const noexcept { return FBitmap && !FBitmap->Empty(); }

void TMenuItem::SetBitmap(const TBitmap* value) { Bitmap()->Assign(value); }

void TMenuItem::BitmapChanged(TObject*) { MenuChanged(true); }

void TMenuItem::SetImageIndex(int value) {
  if (FImageIndex == value) return;
  FImageIndex = value;
  MenuChanged(true);
}

void TMenuItem::SetChecked(bool value) {
  if (FChecked == value) return;
  FChecked = value;
  if (value && FRadioItem) TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::TurnSiblingsOff() {
  if (!FParent) return;
  for (TMenuItem* s : FParent->FItems)
    if (s != this && s->FRadioItem && s->FGroupIndex == FGroupIndex) s->FChecked = false;
}

void TMenuItem::SetRadioItem(bool value) {
  if (FRadioItem == value) return;
  FRadioItem = value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::SetEnabled(bool value) {
  if (FEnabled == value) return;
  FEnabled = value;
  MenuChanged(true);
}

void TMenuItem::SetVisible(bool value) {
  if (FVisible == value) return;
  FVisible = value;
  MenuChanged(true);
}

void TMenuItem::SetDefault(bool value) {
  if (FDefault == value) return;
  if (value && FParent)
    for (TMenuItem* s : FParent->FItems) s->FDefault = false;
  FDefault = value;
  MenuChanged(true);
}

void TMenuItem::SetBreak(TMenuBreak value) {
  if (FBreak == value) return;
  FBreak = value;
  MenuChanged(true);
}

void TMenuItem::SetGroupIndex(uint8_t value) {
  if (FGroupIndex == value) return;
  FGroupIndex = value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
  MenuChanged(true);
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  return FItems[static_cast<size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const noexcept {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Add(const std::vector<TMenuItem*>& items) {
  for (TMenuItem* i : items) Add(i);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item) throw EMenuError("Menu item is nil");
  if (item->FParent || item->FMenu) throw EMenuError("Menu inserted twice");
  for (const TMenuItem* p = this; p; p = p->FParent)
    if (p == item) throw EMenuError("Menu item inserted into itself");
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  RebuildHandle();
  MenuChanged(true);
}

void TMenuItem::Delete(int index) {
  TMenuItem* item = Items(index);
  FItems.erase(FItems.begin() + index);
  item->FParent = nullptr;
  RebuildHandle();
  MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* item) {
  int i = IndexOf(item);
  if (i < 0) throw EMenuError("Sub-menu is not in menu");
  Delete(i);
}

void TMenuItem::Clear() {
  if (FItems.empty()) return;
  while (!FItems.empty()) {
    TMenuItem* child = FItems.back();
    FItems.pop_back();
    child->FParent = nullptr;
    delete child;
  }
  RebuildHandle();
  MenuChanged(true);
}

int TMenuItem::MenuIndex() const noexcept { return FParent ? FParent->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(int value) {
  if (!FParent) return;
  TMenuItem* parent = FParent;
  int cur = parent->IndexOf(this);
  value = std::clamp(value, 0, parent->Count() - 1);
  if (value == cur) return;
  parent->FItems.erase(parent->FItems.begin() + cur);
  parent->FItems.insert(parent->FItems.begin() + value, this);
  parent->RebuildHandle();
  parent->MenuChanged(true);
}

TMenu* TMenuItem::GetParentMenu() const noexcept {
  const TMenuItem* p = this;
  while (p->FParent) p = p->FParent;
  return p->FMenu;
}

HMENU TMenuItem::Handle() {
  if (!FHandle) {
    HMENU h = FMenu ? FMenu->CreateMenuHandle() : CreatePopupMenu();
    if (!h) RaiseLastOSError();
    FHandle.Reset(h);
    RebuildHandle();
  }
  return FHandle.Get();
}

bool TMenuItem::IsOwnerDraw() const noexcept {
  const TMenu* menu = GetParentMenu();
  return menu && menu->OwnerDraw();
}

void TMenuItem::InsertInto(HMENU menu, UINT position) {
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
  const bool line = IsLine();
  if (IsOwnerDraw())
    mii.fType = MFT_OWNERDRAW | (line ? MFT_SEPARATOR : 0u);
  else
    mii.fType = line ? MFT_SEPARATOR : MFT_STRING;
  if (FRadioItem) mii.fType |= MFT_RADIOCHECK;
  if (FBreak == mbBreak)
    mii.fType |= MFT_MENUBREAK;
  else if (FBreak == mbBarBreak)
    mii.fType |= MFT_MENUBARBREAK;
  if (FChecked) mii.fState |= MFS_CHECKED;
  if (!FEnabled) mii.fState |= MFS_GRAYED;
  if (FDefault) mii.fState |= MFS_DEFAULT;
  mii.wID = FCommand;
  mii.hSubMenu = FItems.empty() ? nullptr : Handle();
  mii.dwItemData = reinterpret_cast<ULONG_PTR>(this);
  // The text is kept for owner-drawn items too, so the system can read the caption and its
  // accelerator; the shortcut follows a tab.
  std::string text;
  if (!line) {
    text = FCaption;
    std::string sc = ShortCutToText(FShortCut);
    if (!sc.empty()) text += "\t" + sc;
    mii.fMask |= MIIM_STRING;
    mii.dwTypeData = text.data();
    mii.cch = static_cast<UINT>(text.size());
  }
  if (!InsertMenuItemA(menu, position, TRUE, &mii)) RaiseLastOSError();
}

void TMenuItem::RebuildHandle() {
  if (!FHandle || HasState(csDestroying)) return;
  HMENU h = FHandle.Get();
  // The entries this item put in are removed (recognised by their item data, which is never
  // dereferenced here: the item may be gone); entries put in by others (a merged shell menu)
  // stay, and the sub-items go back where the first of ours was.
  int insertAt = -1;
  for (int i = GetMenuItemCount(h) - 1; i >= 0; --i) {
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_DATA;
    if (!GetMenuItemInfoA(h, static_cast<UINT>(i), TRUE, &mii)) continue;
    const void* data = reinterpret_cast<const void*>(mii.dwItemData);
    if (std::find(FInserted.begin(), FInserted.end(), data) == FInserted.end()) continue;
    RemoveMenu(h, static_cast<UINT>(i), MF_BYPOSITION);
    insertAt = i;
  }
  FInserted.clear();
  UINT pos = insertAt < 0 ? static_cast<UINT>(std::max(0, GetMenuItemCount(h))) : static_cast<UINT>(insertAt);
  for (TMenuItem* child : ShownItems()) {
    if (!child->FVisible) continue;
    child->InsertInto(h, pos++);
    FInserted.push_back(child);
  }
}

std::vector<TMenuItem*> TMenuItem::ShownItems() const {
  const auto* main = dynamic_cast<const TMainMenu*>(FMenu);
  if (!main || !main->Merged()) return FItems;
  return MergeMenuItems(*this, main->Merged()->Items());
}

void TMenuItem::RebuildTree() {
  for (TMenuItem* child : FItems) child->RebuildTree();
  RebuildHandle();
}

void TMenuItem::MenuChanged(bool rebuild) {
  if (HasState(csDestroying)) return;
  if (rebuild && FParent) FParent->RebuildHandle();
  Changed(this, rebuild);
}

void TMenuItem::Changed(TMenuItem* source, bool rebuild) {
  if (FParent)
    FParent->Changed(source, rebuild);
  else if (FMenu)
    FMenu->MenuChanged(source, rebuild);
}

void TMenuItem::Click() {
  if (FEnabled && OnClick) OnClick(this);
}

TSize TMenuItem::GlyphSize() const {
  if (HasBitmap()) return TSize{FBitmap->Width(), FBitmap->Height()};
  const TMenu* menu = GetParentMenu();
  if (menu && menu->Images()) return TSize{menu->Images()->Width(), menu->Images()->Height()};
  return TSize{GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK)};
}

namespace {

bool IsTopLevelOfMainMenu(const TMenuItem* item) {
  const TMenuItem* p = item->Parent();
  return p && !p->Parent() && p->GetParentMenu() && p->GetParentMenu()->Is<TMainMenu>();
}

}  // namespace

void TMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
  DefaultMeasure(canvas, width, height);
  if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::AdvancedDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel) {
  if (OnAdvancedDrawItem)
    OnAdvancedDrawItem(this, canvas, rect, state);
  else
    DefaultDraw(canvas, rect, state, topLevel);
}

void TMenuItem::DefaultMeasure(TCanvas* canvas, int& width, int& height) {
  // A default item is painted bold: measure it so.
  if (FDefault) canvas->Font()->SetStyle(canvas->Font()->Style() | fsBold);
  if (IsTopLevelOfMainMenu(this)) {
    TRect r{0, 0, 0, 0};
    canvas->DrawTextRect(FCaption, r, DT_CALCRECT | DT_SINGLELINE);
    width = RectWidth(r) + 2 * kSpacing;
    height = GetSystemMetrics(SM_CYMENU) - 1;
    return;
  }
  if (IsLine()) {
    width = 0;
    height = GetSystemMetrics(SM_CYMENU) / 2;
    return;
  }
  TRect r{0, 0, 0, 0};
  canvas->DrawTextRect(FCaption.empty() ? std::string(" ") : FCaption, r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  TSize glyph = GlyphSize();
  int column = std::max<int>(glyph.cx, GetSystemMetrics(SM_CXMENUCHECK));
  width = kMargin + column + kSpacing + RectWidth(r) + kMargin;
  std::string sc = ShortCutToText(FShortCut);
  if (!sc.empty()) width += 2 * kSpacing + canvas->TextWidth(sc);
  height = std::max<int>(RectHeight(r), glyph.cy) + 2 * kMargin;
}

void TMenuItem::DefaultDraw(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel) {
  const bool grayed = (state & (odGrayed | odDisabled)) != 0;
  const bool selected = (state & (odSelected | odHotLight)) != 0;
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(selected && !IsLine() ? clHighlight : clMenu);
  canvas->FillRect(rect);
  HDC dc = canvas->Handle();
  if (IsLine()) {
    TRect line = rect;
    line.top += RectHeight(rect) / 2 - 1;
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  if (state & odDefault) canvas->Font()->SetStyle(canvas->Font()->Style() | fsBold);
  const TColor textColor = grayed ? clGrayText : selected ? clHighlightText : clMenuText;
  canvas->Font()->SetColor(textColor);
  const UINT prefix = (state & odNoAccel) ? DT_HIDEPREFIX : 0u;
  TRect text = rect;
  if (topLevel) {
    canvas->Brush()->SetStyle(bsClear);
    canvas->DrawTextRect(FCaption, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefix);
    return;
  }
  // Glyph column: the bitmap, else a check mark or radio dot when checked.
  TSize glyph = GlyphSize();
  const int column = std::max<int>(glyph.cx, GetSystemMetrics(SM_CXMENUCHECK));
  TRect box = Bounds(rect.left + kMargin, rect.top + (RectHeight(rect) - glyph.cy) / 2, column, glyph.cy);
  TImageList* images = GetParentMenu() ? GetParentMenu()->Images() : nullptr;
  const bool image = !HasBitmap() && images && FImageIndex >= 0 && FImageIndex < images->Count();
  if (HasBitmap() || image) {
    const int x = box.left + (column - glyph.cx) / 2;
    if (image)
      images->Draw(canvas, x, box.top, FImageIndex, !grayed);
    else
      canvas->Draw(x, box.top, FBitmap.get());
    if (FChecked) {
      TRect frame = box;
      InflateRect(&frame, 1, 1);
      DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    }
  } else if (FChecked) {
    canvas->Pen()->SetColor(textColor);
    canvas->Brush()->SetColor(textColor);
    const int cx = box.left + column / 2, cy = box.top + glyph.cy / 2;
    if (FRadioItem) {
      canvas->Ellipse(cx - 3, cy - 3, cx + 3, cy + 3);
    } else {
      const TPoint mark[] = {{cx - 4, cy - 1}, {cx - 2, cy + 2}, {cx + 4, cy - 4}};
      canvas->Polyline(mark, 3);
      const TPoint mark2[] = {{cx - 4, cy}, {cx - 2, cy + 3}, {cx + 4, cy - 3}};
      canvas->Polyline(mark2, 3);
    }
  }
  canvas->Brush()->SetStyle(bsClear);
  text.left += kMargin + column + kSpacing;
  text.right -= kMargin;
  canvas->DrawTextRect(FCaption, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | prefix);
  std::string sc = ShortCutToText(FShortCut);
  if (!sc.empty()) {
    TRect scRect = rect;
    scRect.right -= kMargin + kSpacing;
    canvas->DrawTextRect(sc, scRect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

// ---------------------------------------------------------------------------------------------
// TMenu

TMenu::TMenu(TComponent* owner) : TComponent(owner) {
  FItems = NewComponent<TMenuItem>(nullptr);
  FItems->FMenu = this;
}

TMenu::~TMenu() {
  SetComponentState(csDestroying);
  TMenuItem* items = FItems;
  FItems = nullptr;
  delete items;
}

HMENU TMenu::CreateMenuHandle() const { return CreatePopupMenu(); }

void TMenu::SetOwnerDraw(bool value) {
  if (FOwnerDraw == value) return;
  FOwnerDraw = value;
  FItems->RebuildTree();
  MenuChanged(nullptr, true);
}

void TMenu::SetImages(TImageList* value) {
  if (FImages == value) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = value;
  if (FImages) FImages->FreeNotification(this);
  if (FOwnerDraw) FItems->RebuildTree();
  MenuChanged(nullptr, true);
}

void TMenu::SetWindowHandle(HWND value) { FWindowHandle = value; }

void TMenu::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FImages) {
    FImages = nullptr;
    if (!HasState(csDestroying) && FItems) {
      if (FOwnerDraw) FItems->RebuildTree();
      MenuChanged(nullptr, true);
    }
  }
}

namespace {

TMenuItem* FindIn(TMenuItem* parent, UINT_PTR value, TFindItemKind kind) {
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    switch (kind) {
      case fkCommand:
        if (item->Command() == value) return item;
        break;
      case fkHandle:
        if (item->HandleAllocated() && reinterpret_cast<UINT_PTR>(item->Handle()) == value) return item;
        break;
      case fkShortCut:
        if (item->ShortCut() != 0 && item->ShortCut() == value) return item;
        break;
    }
    if (TMenuItem* found = FindIn(item, value, kind)) return found;
  }
  return nullptr;
}

}  // namespace

TMenuItem* TMenu::FindItem(UINT_PTR value, TFindItemKind kind) const {
  if (!FItems || value == 0) return nullptr;
  return FindIn(FItems, value, kind);
}

bool TMenu::DispatchCommand(WORD command) {
  TMenuItem* item = FindItem(command, fkCommand);
  if (!item) return false;
  item->Click();
  return true;
}

bool TMenu::DispatchPopup(HMENU menu) {
  TMenuItem* item = FindItem(reinterpret_cast<UINT_PTR>(menu), fkHandle);
  if (!item) return false;
  item->Click();
  return true;
}

void TMenu::MenuChanged(TMenuItem*, bool) {}

// ---------------------------------------------------------------------------------------------
// TMainMenu

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) {}

TMainMenu::~TMainMenu() {
  // Neither bar may keep the other's items.
  if (FMergedInto) FMergedInto->Unmerge(this);
  if (FMerged) std::exchange(FMerged, nullptr)->FMergedInto = nullptr;
  HWND wnd = WindowHandle();
  if (wnd && Items()->HandleAllocated() && IsWindow(wnd) && GetMenu(wnd) == Items()->Handle()) {
    SetMenu(wnd, nullptr);
  }
}

HMENU TMainMenu::CreateMenuHandle() const { return CreateMenu(); }

void TMainMenu::MenuChanged(TMenuItem* source, bool rebuild) {
  if (HasState(csDestroying | csLoading)) return;
  HWND wnd = WindowHandle();
  // Only the window that carries this menu (a stale handle may name another window by now).
  if (wnd && Items()->HandleAllocated() && IsWindow(wnd) && GetMenu(wnd) == Items()->Handle()) {
    DrawMenuBar(wnd);
    SendMessageA(wnd, CM_MENUCHANGED, 0, 0);
  }
  inherited::MenuChanged(source, rebuild);
  // The bar this menu is merged into shows its items too.
  if (TMainMenu* into = FMergedInto) {
    if (rebuild) into->RebuildItems();
    into->MenuChanged(source, rebuild);
  }
}

void TMainMenu::Merge(TMainMenu* menu) {
  if (menu == this) menu = nullptr;
  if (menu == FMerged) return;
  if (menu && menu->FMergedInto) menu->FMergedInto->Unmerge(menu);
  if (FMerged) FMerged->FMergedInto = nullptr;
  FMerged = menu;
  if (menu) menu->FMergedInto = this;
  if (HasState(csDestroying)) return;
  RebuildItems();
  MenuChanged(nullptr, true);
}

void TMainMenu::Unmerge(TMainMenu* menu) {
  if (menu && menu == FMerged) Merge(nullptr);
}

TMenuItem* TMainMenu::FindItem(UINT_PTR value, TFindItemKind kind) const {
  if (TMenuItem* own = inherited::FindItem(value, kind)) return own;
  return FMerged ? FMerged->FindItem(value, kind) : nullptr;
}

std::vector<TMenuItem*> MergeMenuItems(const TMenuItem& own, const TMenuItem* merged) {
  std::vector<TMenuItem*> shown;
  const int count = merged ? merged->Count() : 0;
  auto mergedHas = [&](uint8_t group) {
    for (int i = 0; i < count; ++i)
      if (merged->Items(i)->GroupIndex() == group) return true;
    return false;
  };
  int next = 0;  // the first merged item not shown yet
  for (int i = 0; i < own.Count(); ++i) {
    TMenuItem* item = own.Items(i);
    const uint8_t group = item->GroupIndex();
    while (next < count && merged->Items(next)->GroupIndex() < group) shown.push_back(merged->Items(next++));
    if (!mergedHas(group)) {
      shown.push_back(item);
      continue;
    }
    // Replaced: the merged items of the group stand here, once.
    while (next < count && merged->Items(next)->GroupIndex() == group) shown.push_back(merged->Items(next++));
  }
  while (next < count) shown.push_back(merged->Items(next++));
  return shown;
}

// ---------------------------------------------------------------------------------------------
// Popup list

namespace {

LRESULT CALLBACK PopupListWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

class TPopupList {
 public:
  void Add(TPopupMenu* menu) { FMenus.push_back(menu); }
  void Remove(TPopupMenu* menu) noexcept {
    std::erase(FMenus, menu);
    if (FMenus.empty() && FWindow) {
      DestroyWindow(FWindow);
      FWindow = nullptr;
    }
  }
  [[nodiscard]] bool Contains(const TPopupMenu* menu) const noexcept {
    return std::find(FMenus.begin(), FMenus.end(), menu) != FMenus.end();
  }
  [[nodiscard]] std::vector<TPopupMenu*> Menus() const { return FMenus; }
  [[nodiscard]] HWND Window() {
    if (FMenus.empty()) return nullptr;
    if (!FWindow) FWindow = CreateOwnerWindow();
    return FWindow;
  }

 private:
  static HWND CreateOwnerWindow() {
    static const char* const kClass = "KorvPopupList";
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(inst, kClass, &wc)) {
      wc = WNDCLASSEXA{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = &PopupListWndProc;
      wc.hInstance = inst;
      wc.lpszClassName = kClass;
      if (!RegisterClassExA(&wc)) RaiseLastOSError();
    }
    HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, inst, nullptr);
    if (!w) RaiseLastOSError();
    return w;
  }

  std::vector<TPopupMenu*> FMenus;
  HWND FWindow = nullptr;
};

TPopupList& PopupList() {
  static TPopupList list;
  return list;
}

LRESULT CALLBACK PopupListWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    switch (msg) {
      case WM_COMMAND:
        if (HIWORD(wParam) == 0) {
          for (TPopupMenu* m : PopupList().Menus())
            if (PopupList().Contains(m) && m->DispatchCommand(LOWORD(wParam))) return 0;
        }
        break;
      case WM_INITMENUPOPUP:
        for (TPopupMenu* m : PopupList().Menus())
          if (PopupList().Contains(m) && m->DispatchPopup(reinterpret_cast<HMENU>(wParam))) return 0;
        break;
      case WM_MENUCHAR:
      case WM_MEASUREITEM:
      case WM_DRAWITEM: {
        LRESULT result = 0;
        if (HandleMenuMessage(nullptr, msg, wParam, lParam, result)) return result;
        break;
      }
      default:
        break;
    }
  } catch (...) {
    ReportHandlerException();
    return 0;
  }
  return DefWindowProcA(wnd, msg, wParam, lParam);
}

}  // namespace

HWND PopupListWindow() { return PopupList().Window(); }

// ---------------------------------------------------------------------------------------------
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) { PopupList().Add(this); }

TPopupMenu::~TPopupMenu() { PopupList().Remove(this); }

void TPopupMenu::SetPopupComponent(TComponent* value) {
  if (FPopupComponent == value) return;
  if (FPopupComponent) FPopupComponent->RemoveFreeNotification(this);
  FPopupComponent = value;
  if (value) value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == TOperation::opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::DoPopup(TObject* sender) {
  if (OnPopup) OnPopup(sender);
}

void TPopupMenu::Popup(int x, int y) {
  FPopupPoint = TPoint{x, y};
  DoPopup(this);
  UINT flags = TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD;
  if (FMenuAnimation & maNone)
    flags |= TPM_NOANIMATION;
  else {
    if (FMenuAnimation & maLeftToRight) flags |= TPM_HORPOSANIMATION;
    if (FMenuAnimation & maRightToLeft) flags |= TPM_HORNEGANIMATION;
    if (FMenuAnimation & maTopToBottom) flags |= TPM_VERPOSANIMATION;
    if (FMenuAnimation & maBottomToTop) flags |= TPM_VERNEGANIMATION;
  }
  HMENU menu = Handle();
  HWND owner = PopupListWindow();
  UINT command = TrackMenu(menu, owner, FPopupPoint, flags);
  if (command != 0) DispatchCommand(static_cast<WORD>(command));
}

// ---------------------------------------------------------------------------------------------
// Owner-draw dispatch

namespace {

// Gives a DC back to its previous objects whatever happens to the canvas on it.
class TCanvasOnDC {
 public:
  explicit TCanvasOnDC(HDC dc) {
    FCanvas.SetHandle(dc);
    FCanvas.Font()->Assign(&MenuFont());
  }
  ~TCanvasOnDC() { FCanvas.SetHandle(nullptr); }
  TCanvas* operator->() noexcept { return &FCanvas; }
  TCanvas* Get() noexcept { return &FCanvas; }

 private:
  TCanvas FCanvas;
};

}  // namespace

bool MenuMeasureItem(MEASUREITEMSTRUCT& mis) {
  if (mis.CtlType != ODT_MENU) return false;
  TMenuItem* item = TMenuItem::FromItemData(mis.itemData);
  if (!item || item->HasState(csDestroying)) return false;
  TWindowDC screen = TWindowDC::Client(nullptr);
  if (!screen) return false;
  int width = static_cast<int>(mis.itemWidth);
  int height = static_cast<int>(mis.itemHeight);
  {
    TCanvasOnDC canvas(screen.Get());
    item->MeasureItem(canvas.Get(), width, height);
  }
  mis.itemWidth = static_cast<UINT>(std::max(0, width));
  mis.itemHeight = static_cast<UINT>(std::max(0, height));
  return true;
}

bool MenuDrawItem(const DRAWITEMSTRUCT& dis) {
  if (dis.CtlType != ODT_MENU) return false;
  TMenuItem* item = TMenuItem::FromItemData(dis.itemData);
  if (!item || item->HasState(csDestroying)) return false;
  // The item must sit in the menu the system names: a reused address of a freed item that is
  // now elsewhere is not drawn.
  TMenuItem* parent = item->Parent();
  if (!parent || !parent->HandleAllocated() || reinterpret_cast<HMENU>(dis.hwndItem) != parent->Handle()) return false;
  const bool topLevel = IsTopLevelOfMainMenu(item);
  item->FOwnArrow = false;
  {
    TSaveDCGuard saved(dis.hDC);
    TCanvasOnDC canvas(dis.hDC);
    item->AdvancedDrawItem(canvas.Get(), dis.rcItem, OwnerDrawStateFromItemState(dis.itemState), topLevel);
  }
  // The system draws a sub-menu's arrow on the same DC once the owner has painted: a handler's
  // own arrow is kept from being covered by it.
  if (TMenuItem::IsLive(item) && item->FOwnArrow)
    ExcludeClipRect(dis.hDC, dis.rcItem.left, dis.rcItem.top, dis.rcItem.right, dis.rcItem.bottom);
  return true;
}

namespace {

// WM_MENUCHAR in an owner-drawn menu: the system does not know the captions' accelerators, so
// the item whose caption carries the typed character is chosen here.
bool MenuChar(WPARAM wParam, LPARAM lParam, LRESULT& result) {
  HMENU menu = reinterpret_cast<HMENU>(lParam);
  char typed = static_cast<char>(LOWORD(wParam));
  if (!menu || !typed) return false;
  // Case as the system sees it in the ANSI code page (the C locale's toupper knows ASCII only).
  const auto upper = [](char c) {
    CharUpperBuffA(&c, 1);
    return c;
  };
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_DATA | MIIM_FTYPE;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mii)) continue;
    if (!(mii.fType & MFT_OWNERDRAW)) continue;
    TMenuItem* item = TMenuItem::FromItemData(mii.dwItemData);
    if (!item || !item->Enabled()) continue;
    char hot = GetHotkey(item->Caption());
    if (hot && upper(hot) == upper(typed)) {
      result = MAKELRESULT(i, MNC_EXECUTE);
      return true;
    }
  }
  return false;
}

}  // namespace

bool HandleMenuMessage(TMenu* menu, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept {
  try {
    switch (msg) {
      case WM_COMMAND:
        // From a menu: notification code 0 and no control window.
        if (menu && HIWORD(wParam) == 0 && lParam == 0 && menu->DispatchCommand(LOWORD(wParam))) {
          result = 0;
          return true;
        }
        return false;
      case WM_INITMENUPOPUP:
        if (menu && menu->DispatchPopup(reinterpret_cast<HMENU>(wParam))) {
          result = 0;
          return true;
        }
        return false;
      case WM_MENUCHAR:
        return MenuChar(wParam, lParam, result);
      case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis && MenuMeasureItem(*mis)) {
          result = TRUE;
          return true;
        }
        return false;
      }
      case WM_DRAWITEM: {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (dis && MenuDrawItem(*dis)) {
          result = TRUE;
          return true;
        }
        return false;
      }
      default:
        return false;
    }
  } catch (...) {
    ReportHandlerException();
    result = 0;
    return true;
  }
}

}  // namespace korv
