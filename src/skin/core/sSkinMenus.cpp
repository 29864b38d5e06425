#include "skin/core/sSkinMenus.h"

#include <algorithm>

#include "classlib/Forms.h"
#include "classlib/Streaming.h"
#include "skin/core/sSkinManager.h"
#include "skin/data/sUtils.h"

namespace korv {

TacMenuPainterState MenuPainterState;

namespace {

using MS = TacMenuSupport;
const TPropInfo kMenuSupportProps[] = {
    KORV_PROP_STR(MS, IcoLineSkin, ""),
    KORV_PROP_BOOL(MS, UseExtraLine, false),
    KORV_PROP_INT(MS, ExtraLineWidth, 32),
    KORV_PROP_OBJECT(MS, ExtraLineFont),
};
KORV_DEFINE_PROPS(TacMenuSupport, kMenuSupportProps);

// The class library's own paint of an item, reached from outside the item: the default painting
// and an item drawn without a manager use it.
struct TItemPaint : TMenuItem {
  using TMenuItem::DefaultDraw;
};
constexpr auto kDefaultDraw = &TItemPaint::DefaultDraw;

template <class E>
void SetIfUnassigned(E& event, const E& handler) {
  if (!event) event = handler;
}
template <class E>
void ClearIfOurs(E& event, const E& handler) {
  if (event == handler) event = nullptr;
}

}  // namespace

KORV_DEFINE_CLASS(TacMenuSupport, TPersistent, nullptr, &TacMenuSupport_PropTable);
KORV_DEFINE_CLASS(TsSkinableMenus, TPersistent, nullptr, nullptr);

TacMenuSupport::TacMenuSupport() : FExtraLineFont(std::make_unique<TFont>()) {}
TacMenuSupport::~TacMenuSupport() = default;

// ---- TsSkinableMenus ---------------------------------------------------------------------------

TsSkinableMenus::TsSkinableMenus(TsSkinManager* manager)
    : FWatch(std::unique_ptr<TacFreeWatch>(NewComponent<TacFreeWatch>([this](TComponent* c) {
        std::erase_if(FHooked, [c](const THookedMenu& h) { return h.Menu == c; });
      }))),
      FManager(manager),
      FCaptionFont(std::make_unique<TFont>()) {}

TsSkinableMenus::~TsSkinableMenus() {
  // Hooks stay on menus that outlive the painter: each would call into freed memory at the next
  // popup. Every menu of the application loses the painter's handlers first, and so does any
  // other menu the painter took.
  try {
    UpdateMenus(false);
    while (!FHooked.empty()) {
      TMenu* menu = FHooked.back().Menu;
      HookTree(menu->Items(), false, false);
      GiveBackMenu(menu);
    }
  } catch (...) {
  }
  FWatch.reset();
  FManager = nullptr;
}

int TsSkinableMenus::SkinBorderWidth() {
  if (FSkinBorderWidth >= 0) return FSkinBorderWidth;
  if (!FManager) return 0;
  const int i = FManager->GetMaskIndexByName("MAINMENU", "BORDERSMASK");
  if (i < 0) {
    FSkinBorderWidth = 0;
  } else {
    const int w = FManager->Images[static_cast<size_t>(i)].BorderWidth;
    FSkinBorderWidth = w < 1 ? 3 : w;
  }
  return FSkinBorderWidth;
}

bool TsSkinableMenus::SkinnedPopups() const noexcept { return FManager && FManager->SkinnedPopups(); }

void TsSkinableMenus::SetActive(bool value) {
  if (value != FActive) UpdateMenus(value);
}

void TsSkinableMenus::UpdateActive() {
  if (FManager) SetActive(FManager->SkinData.Active);
}

void TsSkinableMenus::UpdateMenus(bool value) {
  FActive = value;
  WatchMenuWindows(value && FManager && !FManager->HasState(csDesigning));
  if (!FManager || FManager->HasState(csDesigning) || !Application) return;
  HookOwned(Application, value);
}

void TsSkinableMenus::HookOwned(TComponent* owner, bool value) {
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    TComponent* c = owner->Components(i);
    if (auto* mainMenu = dynamic_cast<TMainMenu*>(c)) {
      HookMenu(mainMenu, value);
      for (int k = 0; k < mainMenu->Items()->Count(); ++k) HookSubItems(mainMenu->Items()->Items(k), value);
    } else if (auto* popup = dynamic_cast<TPopupMenu*>(c)) {
      if (!value || SkinnedPopups()) HookPopupMenu(popup, value);
    } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
      if ((!value || SkinnedPopups()) && !dynamic_cast<TMainMenu*>(item->GetParentMenu())) HookSubItems(item, value);
    }
    HookOwned(c, value);
  }
}

void TsSkinableMenus::TakeMenu(TMenu* menu, bool noAnimation) {
  if (menu->HasState(csDestroying)) return;
  auto* popup = dynamic_cast<TPopupMenu*>(menu);
  if (std::none_of(FHooked.begin(), FHooked.end(), [&](const THookedMenu& h) { return h.Menu == menu; })) {
    FHooked.push_back({menu, menu->OwnerDraw(), popup ? popup->MenuAnimation() : 0});
    FWatch->FreeNotification(menu);
  }
  menu->SetOwnerDraw(true);
  if (popup && noAnimation) popup->SetMenuAnimation(popup->MenuAnimation() | maNone);
}

void TsSkinableMenus::GiveBackMenu(TMenu* menu) {
  const auto it = std::find_if(FHooked.begin(), FHooked.end(), [&](const THookedMenu& h) { return h.Menu == menu; });
  if (it == FHooked.end()) return;
  const THookedMenu own = *it;
  FHooked.erase(it);
  FWatch->RemoveFreeNotification(menu);
  if (menu->HasState(csDestroying)) return;
  menu->SetOwnerDraw(own.OwnerDraw);
  if (auto* popup = dynamic_cast<TPopupMenu*>(menu)) popup->SetMenuAnimation(own.Animation);
}

void TsSkinableMenus::HookMenu(TMainMenu* menu, bool value) {
  const bool live = FManager && FManager->SkinData.Active;
  TMenuItem* root = menu->Items();
  for (int i = 0; i < root->Count(); ++i) {
    if (value)
      SetTopLinePair(root->Items(i), live);
    else
      Unhook(root->Items(i));
  }
  if (value)
    TakeMenu(menu, false);
  else
    GiveBackMenu(menu);
}

void TsSkinableMenus::HookPopupMenu(TPopupMenu* menu, bool value) {
  if (value)
    TakeMenu(menu, true);
  else
    GiveBackMenu(menu);
  HookTree(menu->Items(), value, false);
}

void TsSkinableMenus::HookSubItems(TMenuItem* item, bool value) { HookTree(item, value, true); }

void TsSkinableMenus::HookTree(TMenuItem* parent, bool value, bool skipTopLine) {
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!value)
      Unhook(item);
    else if (!(skipTopLine && IsTopLineItem(item)))
      SetPopupPair(item);
    HookTree(item, value, skipTopLine);
  }
}

void TsSkinableMenus::HookItem(TMenuItem* item, bool value) {
  if (TMenu* menu = item->GetParentMenu()) {
    if (value)
      TakeMenu(menu, false);
    else
      GiveBackMenu(menu);
  }
  if (!value)
    Unhook(item);
  else if (IsTopLineItem(item))
    SetTopLinePair(item, true);
  else if (SkinnedPopups())
    SetPopupPair(item);
}

bool TsSkinableMenus::IsTopLineItem(const TMenuItem* item) noexcept {
  auto* menu = dynamic_cast<TMainMenu*>(item->GetParentMenu());
  return menu && item->Parent() == menu->Items();
}

void TsSkinableMenus::SetPopupPair(TMenuItem* item) {
  SetIfUnassigned(item->OnAdvancedDrawItem, TAdvancedMenuDrawItemEvent(this, &TsSkinableMenus::DrawItem));
  SetIfUnassigned(item->OnMeasureItem, TMenuMeasureItemEvent(this, &TsSkinableMenus::MeasureItem));
}

void TsSkinableMenus::SetTopLinePair(TMenuItem* item, bool withDraw) {
  SetIfUnassigned(item->OnMeasureItem, TMenuMeasureItemEvent(this, &TsSkinableMenus::MeasureTopLineItem));
  if (withDraw)
    SetIfUnassigned(item->OnAdvancedDrawItem, TAdvancedMenuDrawItemEvent(this, &TsSkinableMenus::DrawTopLineItem));
}

void TsSkinableMenus::Unhook(TMenuItem* item) {
  ClearIfOurs(item->OnAdvancedDrawItem, TAdvancedMenuDrawItemEvent(this, &TsSkinableMenus::DrawItem));
  ClearIfOurs(item->OnAdvancedDrawItem, TAdvancedMenuDrawItemEvent(this, &TsSkinableMenus::DrawTopLineItem));
  ClearIfOurs(item->OnMeasureItem, TMenuMeasureItemEvent(this, &TsSkinableMenus::MeasureItem));
  ClearIfOurs(item->OnMeasureItem, TMenuMeasureItemEvent(this, &TsSkinableMenus::MeasureTopLineItem));
}

void TsSkinableMenus::ClearMenuCache() noexcept { MenuPainterState.MenuBackground.reset(); }

void TsSkinableMenus::MeasureTopLineItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!FManager || !item || !ACanvas || item->HasState(csDestroying)) return;
  MenuPainting().MeasureTopLineItem(*this, item, ACanvas, Width, Height);
}

void TsSkinableMenus::DrawTopLineItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!FManager || !item || !ACanvas || item->HasState(csDestroying)) return;
  MenuPainting().DrawTopLineItem(*this, item, ACanvas, ARect, State);
}

// ---- the painting seam -------------------------------------------------------------------------

namespace {
TacMenuPainting gDefaultPainting;
TacMenuPainting* gPainting = &gDefaultPainting;
}  // namespace

void TacMenuPainting::PaintMenuBackground(TsSkinableMenus&) {}

void TacMenuPainting::DrawItem(TsSkinableMenus&, TMenuItem* item, TCanvas* canvas, const TRect& rect,
                               TOwnerDrawState state) {
  (item->*kDefaultDraw)(canvas, rect, state, false);
}

int TacMenuPainting::DividerHeight(TsSkinableMenus&) { return 2; }

void TacMenuPainting::MeasureTopLineItem(TsSkinableMenus&, TMenuItem*, TCanvas*, int&, int&) {}

void TacMenuPainting::DrawTopLineItem(TsSkinableMenus&, TMenuItem* item, TCanvas* canvas, const TRect& rect,
                                      TOwnerDrawState state) {
  (item->*kDefaultDraw)(canvas, rect, state, true);
}

TacMenuPainting* SetMenuPainting(TacMenuPainting* painting) noexcept {
  TacMenuPainting* old = gPainting == &gDefaultPainting ? nullptr : gPainting;
  gPainting = painting ? painting : &gDefaultPainting;
  return old;
}

TacMenuPainting& MenuPainting() noexcept { return *gPainting; }

// ---- module state --------------------------------------------------------------------------------

void ResetMenuCache() noexcept {
  MenuPainterState.CachedFirstItem = nullptr;
  MenuPainterState.MenuBackground.reset();
  MenuPainterState.ExtraLineVisible = false;
  MenuPainterState.ExtraLineFetched = false;
}

TMenuItem* MenuFirstItem(TMenuItem* item) noexcept {
  TMenuItem* parent = item->Parent();
  return parent && parent->Count() > 0 ? parent->Items(0) : item;
}

HWND MenuItemWindow(TMenuItem* item) {
  TMenuItem* parent = item->Parent();
  if (!parent || !parent->HandleAllocated() || !item->Visible()) return nullptr;
  // Positions in the menu handle count only the items that are in it: the visible ones.
  int position = 0;
  for (int i = 0; i < parent->Count() && parent->Items(i) != item; ++i)
    if (parent->Items(i)->Visible()) ++position;
  RECT r{};
  HMENU menu = parent->Handle();
  if (!GetMenuItemRect(nullptr, menu, static_cast<UINT>(position), &r) &&
      !GetMenuItemRect(PopupListWindow(), menu, static_cast<UINT>(position), &r))
    return nullptr;
  const POINT centre{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
  return WindowFromPoint(centre);
}

void SkinMenusStartup() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  MenuPainterState.IsNTPlatform = GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

void SkinMenusShutdown() noexcept {
  MenuPainterState.MenuBackground.reset();
  FreeAndNil(MenuPainterState.ExtraGlyph);
  MenuPainterState.ExtraSection.clear();
  MenuPainterState.ExtraCaption.clear();
}

}  // namespace korv
