// TsMDIForm: the MDI client's sub-class and painting, the child-buttons menu item, and the
// skinned scroll bars over the client.
#include "skin/forms/sMDIForm.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "classlib/Forms.h"
#include "classlib/Handles.h"
#include "classlib/WindowBinding.h"
#include "skin/controls/sPanel.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinMenus.h"
#include "skin/data/sUtils.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/paint/sStyleSimply.h"

namespace korv {

KORV_DEFINE_CLASS(TsMDIForm, TPersistent, nullptr, nullptr);

LRESULT CALLBACK MDIClientProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

namespace {

// The procedure of the system's MDI client class.
WNDPROC ClassProc(HWND wnd) noexcept { return reinterpret_cast<WNDPROC>(GetClassLongPtrA(wnd, GCLP_WNDPROC)); }

// The binding of an MDI client to its sub-class (the window property "KorvMDIClientLink").
constexpr TWindowBinding kClientBinding("KorvMDIClientLink");

}  // namespace

// The sub-class of one MDI client: it outlives its TsMDIForm when another procedure was put over
// it, and then only passes messages on until the client is destroyed.
struct TsMDIForm::TClientLink {
  TsMDIForm* Owner;
  HWND Wnd;
  WNDPROC Previous;
};

HWND ActiveMDIChildOf(HWND client, bool* maximized) noexcept {
  BOOL max = FALSE;
  HWND active = client
                    ? reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&max)))
                    : nullptr;
  if (maximized) *maximized = active && max;
  return active;
}

bool HiddenByMaximizedSibling(const TCustomForm& form) {
  if (form.FormStyle() != fsMDIChild || !form.HandleAllocated()) return false;
  bool maximized = false;
  HWND active = ActiveMDIChildOf(GetParent(form.HandleIfAllocated()), &maximized);
  return maximized && active && active != form.HandleIfAllocated();
}

bool ShowsMDIChildButtons(const TCustomForm& form) {
  if (form.FormStyle() != fsMDIForm || !form.Menu() || !form.ClientHandle()) return false;
  bool maximized = false;
  return ActiveMDIChildOf(form.ClientHandle(), &maximized) && maximized;
}

// ---- scroll sources ----

POINT& TsMDIClientScroll::ViewOf(HWND client) noexcept {
  if (client != FClient) {
    FClient = client;
    FView = POINT{0, 0};
  }
  return FView;
}

bool TsMDIClientScroll::GetInfo(HWND client, int bar, SCROLLINFO& info) {
  RECT cr{};
  if (!client || !GetClientRect(client, &cr)) return false;
  const POINT view = ViewOf(client);
  // In client coordinates: the view, the view at the origin, the children.
  RECT all = cr, origin = cr;
  OffsetRect(&origin, -view.x, -view.y);
  UnionRect(&all, &all, &origin);
  for (HWND child = GetWindow(client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
    UnionRect(&all, &all, &r);
  }
  const bool vertical = bar == SB_VERT;
  const int at = vertical ? view.y : view.x;
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  info.nMin = (vertical ? all.top : all.left) + at;
  info.nMax = (vertical ? all.bottom : all.right) + at - 1;
  info.nPage = static_cast<UINT>(vertical ? cr.bottom : cr.right);
  info.nPos = at;
  info.nTrackPos = at;
  return true;
}

void TsMDIClientScroll::ScrollTo(HWND client, int bar, int position) {
  if (!client) return;
  POINT& view = ViewOf(client);
  LONG& at = bar == SB_VERT ? view.y : view.x;
  const int d = at - position;
  if (d == 0) return;
  at = position;
  ScrollWindowEx(client, bar == SB_HORZ ? d : 0, bar == SB_VERT ? d : 0, nullptr, nullptr, nullptr, nullptr,
                 SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

TsMDIBarValues MirrorScrollInfo(const SCROLLINFO& info) noexcept {
  TsMDIBarValues v;
  const long long page = info.nPage;
  v.Needed = static_cast<long long>(info.nMax) - info.nMin >= page;
  const long long max = static_cast<long long>(info.nMax) - page - info.nMin + 1;
  v.Max = static_cast<int>(std::clamp<long long>(max == 0 ? 1 : max, INT_MIN, INT_MAX));
  v.Position = static_cast<int>(std::clamp<long long>(static_cast<long long>(info.nPos) - info.nMin, INT_MIN, INT_MAX));
  v.PageSize = info.nPage == 0 ? sMDIDefaultPage : static_cast<int>(std::min<long long>(page, INT_MAX));
  v.NativeMin = info.nMin;
  return v;
}

// ---- life cycle ----

TsMDIForm::TsMDIForm(TsSkinProvider* provider)
    : FProvider(provider), FForm(provider ? provider->Form : nullptr), FSource(std::make_unique<TsMDIClientScroll>()) {
  if (FForm) FForm->HandleNeeded();
  BuildItem();
  Hook();
}

TsMDIForm::~TsMDIForm() {
  // The line is the form's own again (only when the merged menu is still the one put there).
  TMainMenu* menu = FForm ? FForm->Menu() : nullptr;
  if (menu && FMergedMenu && menu->Merged() == FMergedMenu) menu->Merge(nullptr);
  delete std::exchange(FItem, nullptr);
  delete std::exchange(FVertBar, nullptr);
  delete std::exchange(FHorzBar, nullptr);
  delete std::exchange(FGrip, nullptr);
  TClientLink* link = std::exchange(FLink, nullptr);
  if (!link) return;
  HWND client = link->Wnd;
  if (IsWindow(client) &&
      reinterpret_cast<WNDPROC>(GetWindowLongPtrA(client, GWLP_WNDPROC)) == reinterpret_cast<WNDPROC>(&MDIClientProc)) {
    SetWindowLongPtrA(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(link->Previous));
    kClientBinding.Unbind(client);
    delete link;
    RedrawWindow(client, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  } else {
    link->Owner = nullptr;  // a procedure put over ours still calls it: it passes messages on
  }
}

void TsMDIForm::ClientGone() noexcept { FLink = nullptr; }

WNDPROC TsMDIForm::PreviousClientProc() const noexcept { return FLink ? FLink->Previous : nullptr; }

void TsMDIForm::SetScrollSource(std::unique_ptr<TsMDIScrollSource> source) {
  FSource = source ? std::move(source) : std::make_unique<TsMDIClientScroll>();
}

bool TsMDIForm::Owns(const TControl* control) const noexcept {
  return control && (control == FVertBar || control == FHorzBar || control == FGrip);
}

void TsMDIForm::Forget(const TComponent* component) noexcept {
  if (!component) return;
  if (component == FVertBar) FVertBar = nullptr;
  if (component == FHorzBar) FHorzBar = nullptr;
  if (component == FGrip) FGrip = nullptr;
  if (component == FItem) {
    FItem = nullptr;
    ItemMDIRestore = ItemMDIMinimize = ItemMDIClose = nullptr;
  }
}

// ---- the client's sub-class ----

LRESULT CALLBACK MDIClientProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  auto* link = static_cast<TsMDIForm::TClientLink*>(kClientBinding.Find(wnd));
  if (!link) return CallWindowProcA(ClassProc(wnd), wnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    // The binding ends with the window: the system's own cleanup runs in its procedure.
    const WNDPROC previous = link->Previous;
    kClientBinding.Unbind(wnd);
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)) == &MDIClientProc)
      SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    if (link->Owner) link->Owner->ClientGone();
    delete link;
    return CallWindowProcA(previous, wnd, msg, wParam, lParam);
  }
  try {
    if (link->Owner) return link->Owner->ClientProc(wnd, msg, wParam, lParam);
  } catch (...) {
    return 0;
  }
  return CallWindowProcA(link->Previous, wnd, msg, wParam, lParam);
}

void TsMDIForm::Hook() {
  if (!FForm || !FForm->ClientHandle() || FHandled) return;
  HWND client = FForm->ClientHandle();
  // A client that is ours already answers (and sets FHandled).
  SendMessageA(client, SM_ALPHACMD, SkinCmdWParam(skcHandlesSkinCmds), 0);
  if (FHandled) return;
  // A pass-through an earlier helper left on the client is taken over: never sub-class twice.
  if (auto* left = static_cast<TClientLink*>(kClientBinding.Find(client))) {
    left->Owner = this;
    FLink = left;
    return;
  }
  auto* link = new TClientLink{this, client, reinterpret_cast<WNDPROC>(GetWindowLongPtrA(client, GWLP_WNDPROC))};
  if (!kClientBinding.Bind(client, link)) {
    delete link;
    return;
  }
  FLink = link;
  SetWindowLongPtrA(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MDIClientProc));
}

LRESULT TsMDIForm::CallPrevious(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) const {
  return CallWindowProcA(FLink ? FLink->Previous : ClassProc(wnd), wnd, msg, wParam, lParam);
}

bool TsMDIForm::PaintsClient() const {
  const TsCommonData* link = FProvider ? FProvider->SkinData() : nullptr;
  const TsSkinManager* sm = link ? link->SkinManager() : nullptr;
  if (!sm || !link->Skinned() || !sm->SkinData.Active || SkinChanging) return false;
  if (!link->CacheBmp || link->CacheBmp->Empty()) return false;
  bool maximized = false;
  (void)ActiveMDIChildOf(FForm->ClientHandle(), &maximized);
  return !maximized;
}

LRESULT TsMDIForm::ClientProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!FProvider || !FForm) return CallPrevious(wnd, msg, wParam, lParam);
  switch (msg) {
    case SM_ALPHACMD:
      if (HIWORD(wParam) == skcRemoveSkin && lParam == reinterpret_cast<LPARAM>(FProvider->SkinData()->SkinManager())) {
        FHandled = false;
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_FRAME);
        return 0;
      }
      if (HIWORD(wParam) == skcHandlesSkinCmds) {
        FHandled = true;
        return 1;
      }
      break;
    case WM_PAINT:
      if (PaintsClient()) {
        PaintClient(wnd, reinterpret_cast<HDC>(wParam));
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      // The whole client is painted from the cache: no system background under it first.
      if (PaintsClient()) return 1;
      break;
    case WM_NCPAINT:
      if (PaintsClient()) {
        PaintFrame(wnd);
        return 0;
      }
      break;
    case WM_SIZE:
    case WM_HSCROLL:
    case WM_VSCROLL: {
      const LRESULT result = CallPrevious(wnd, msg, wParam, lParam);
      if (FProvider->SkinData()->Skinned()) InvalidateRect(wnd, nullptr, TRUE);
      return result;
    }
    default:
      break;
  }
  return CallPrevious(wnd, msg, wParam, lParam);
}

// The client area lies in the cache where the client's window lies in the form's window, inside
// the client's frame.
void TsMDIForm::PaintClient(HWND wnd, HDC given) {
  TPaintScope paint(wnd);
  HDC dc = given ? given : paint.DC();
  if (!dc) return;
  TSaveDCGuard saved(dc);
  RECT fr{}, cr{};
  GetWindowRect(FForm->HandleIfAllocated(), &fr);
  GetClientRect(wnd, &cr);
  POINT origin{0, 0};
  ClientToScreen(wnd, &origin);
  TBitmap* cache = FProvider->SkinData()->CacheBmp.get();
  BitBlt(dc, 0, 0, cr.right, cr.bottom, cache->Canvas()->Handle(), origin.x - fr.left, origin.y - fr.top, SRCCOPY);
  // The children (MDI child forms) repaint over it.
  for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageA(child, SM_ALPHACMD, SkinCmdWParam(skcParentPainted), 0);
}

// The frame in four strips (top, left, bottom, right), each sMDIClientFrame thick, from the cache
// around the client's window.
void TsMDIForm::PaintFrame(HWND wnd) {
  TWindowDC dc = TWindowDC::Window(wnd);
  if (!dc) return;
  RECT wr{};
  GetWindowRect(wnd, &wr);
  const int w = wr.right - wr.left, h = wr.bottom - wr.top, f = sMDIClientFrame;
  const TRect at = ClientWindowRect();
  HDC src = FProvider->SkinData()->CacheBmp->Canvas()->Handle();
  const TRect strips[] = {Rect(0, 0, w, f), Rect(0, f, f, h - f), Rect(0, h - f, w, h), Rect(w - f, f, w, h - f)};
  for (const TRect& r : strips)
    if (RectWidth(r) > 0 && RectHeight(r) > 0)
      BitBlt(dc.Get(), r.left, r.top, RectWidth(r), RectHeight(r), src, at.left + r.left, at.top + r.top, SRCCOPY);
}

TRect TsMDIForm::ClientWindowRect() const {
  HWND client = FForm ? FForm->ClientHandle() : nullptr;
  if (!client || !FForm->HandleAllocated()) return {};
  RECT cr{}, fr{};
  GetWindowRect(client, &cr);
  GetWindowRect(FForm->HandleIfAllocated(), &fr);
  return Rect(cr.left - fr.left, cr.top - fr.top, cr.right - fr.left, cr.bottom - fr.top);
}

TRect TsMDIForm::ClientArea() const {
  HWND client = FForm ? FForm->ClientHandle() : nullptr;
  if (!client || !FForm->HandleAllocated()) return {};
  HWND form = FForm->HandleIfAllocated();
  RECT wr{};
  GetWindowRect(client, &wr);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&wr), 2);
  POINT inner{0, 0};
  MapWindowPoints(client, form, &inner, 1);
  const int fx = inner.x - wr.left, fy = inner.y - wr.top;
  return Rect(wr.left + fx, wr.top + fy, wr.right - fx, wr.bottom - fy);
}

void TsMDIForm::PaintArea() {
  TsCommonData* link = FProvider ? FProvider->SkinData() : nullptr;
  TsSkinManager* sm = link ? link->SkinManager() : nullptr;
  TBitmap* cache = link ? link->CacheBmp.get() : nullptr;
  const TRect r = ClientWindowRect();
  if (!sm || !cache || cache->Empty() || IsRectEmpty(&r)) return;
  PaintBorders(cache, sm, "MDIAREA", 0, r, Point(0, 0), EmptyCacheInfo);
}

// ---- the child-buttons item ----

void TsMDIForm::BuildItem() {
  FItem = NewComponent<TMenuItem>(nullptr);
  FItem->SetName("sMDICII");
  FItem->SetGroupIndex(0);
  auto add = [this](const char* name, const char* caption, TShortCut shortCut, void (TsMDIForm::*click)(TObject*)) {
    auto* item = NewComponent<TMenuItem>(nullptr);
    FItem->Add(item);
    if (name) item->SetName(name);
    item->SetCaption(caption);
    item->SetShortCut(shortCut);
    if (click) item->OnClick = TNotifyEvent(this, click);
    return item;
  };
  ItemMDIRestore = add("ItemMDIRestore", "Restore", scNone, &TsMDIForm::RestoreClick);
  ItemMDIMinimize = add("ItemMDIMinimize", "Minimize", scNone, &TsMDIForm::MinimizeClick);
  add(nullptr, cLineCaption, scNone, nullptr);
  ItemMDIClose = add("ItemMDIClose", "Close", ShortCut(VK_F4, ssCtrl), &TsMDIForm::CloseClick);
  // The menu painter prepares the sub-items as it prepares every popup item.
  const TsSkinManager* sm = FProvider ? FProvider->SkinData()->SkinManager() : nullptr;
  if (sm && sm->SkinableMenus())
    for (int i = 0; i < FItem->Count(); ++i) sm->SkinableMenus()->HookItem(FItem->Items(i), true);
  // The form's menu may free the item while it is in it: the provider then tells Forget.
  if (FProvider) FItem->FreeNotification(FProvider);
}

void TsMDIForm::SendToActiveChild(WPARAM command) const {
  if (HWND child = ActiveMDIChildOf(FForm ? FForm->ClientHandle() : nullptr))
    SendMessageA(child, WM_SYSCOMMAND, command, 0);
}

void TsMDIForm::RestoreClick(TObject*) { SendToActiveChild(SC_RESTORE); }
void TsMDIForm::MinimizeClick(TObject*) { SendToActiveChild(SC_MINIMIZE); }
void TsMDIForm::CloseClick(TObject*) { SendToActiveChild(SC_CLOSE); }

void TsMDIForm::UpdateChildButtons() {
  if (!FForm || !FProvider) return;
  TMainMenu* menu = FForm->Menu();
  bool maximized = false;
  const HWND active = ActiveMDIChildOf(FForm->ClientHandle(), &maximized);
  const bool shows = active && maximized && menu;
  TMenuItem* items = menu ? menu->Items() : nullptr;
  // The bar changes in steps (the merged menu, the item): the line is composed once, after all
  // of them, never from a bar half changed.
  bool changed = false;
  TsCommonData* link = FProvider->SkinData();
  link->BeginUpdate();
  try {
    changed = MergeChildMenu(menu, shows ? FForm->ActiveMDIChild() : nullptr);
    if (FItem && shows && items->IndexOf(FItem) != 0) {
      if (FItem->Parent()) FItem->Parent()->Remove(FItem);
      items->Insert(0, FItem);
      changed = true;
    } else if (FItem && !shows && FItem->Parent()) {
      FItem->Parent()->Remove(FItem);
      FProvider->RefreshMenuBar();
      changed = true;
    }
  } catch (...) {
    link->EndUpdate();
    throw;
  }
  link->EndUpdate();
  if (changed) FProvider->FullRedraw();
  if (!FScrollUpdating) UpdateMdiScrolls();
}

// The maximised child's menu joins the line, drawn by the menu painter as the form's own items;
// true when the merge changed.
bool TsMDIForm::MergeChildMenu(TMainMenu* menu, TCustomForm* child) {
  TMainMenu* childMenu = child && menu ? child->Menu() : nullptr;
  if (!menu || menu->Merged() == childMenu) return false;
  if (!childMenu && menu->Merged() != FMergedMenu) return false;  // only what this object merged leaves
  const TsSkinManager* sm = FProvider->SkinData()->SkinManager();
  if (childMenu && sm && sm->SkinableMenus()) sm->SkinableMenus()->HookMenu(childMenu, true);
  FMergedMenu = childMenu;
  menu->Merge(childMenu);
  return true;
}

// ---- the scroll bars ----

TsScrollBar* TsMDIForm::NeedBar(bool vertical) {
  TsScrollBar*& bar = vertical ? FVertBar : FHorzBar;
  if (bar) return bar;
  // Owned by the provider, which tells Forget when the form frees its children first.
  bar = NewComponent<TsScrollBar>(FProvider);
  bar->SetVisible(false);
  bar->SetTabStop(false);
  bar->SetKind(vertical ? sbVertical : sbHorizontal);
  bar->SetLinkedControl(FForm);
  bar->SkinData()->SetSkinManager(FProvider->SkinData()->SkinManager());
  bar->OnScrollChange = TsScrollChangeEvent(this, &TsMDIForm::BarScrollChange);
  bar->SetParent(FForm);
  return bar;
}

void TsMDIForm::UpdateMdiScrolls() {
  if (!FForm || !FProvider || !FForm->HandleAllocated() || !FForm->ClientHandle() || FScrollUpdating) return;
  const TsSkinManager* sm = FProvider->SkinData()->SkinManager();
  if (!sm || !sm->SkinData.Active || SkinChanging) return;
  TFlagScope updating(FScrollUpdating);
  HWND client = FForm->ClientHandle();
  bool maximized = false;
  const bool scrolls = ActiveMDIChildOf(client, &maximized) && !maximized && FProvider->SkinData()->Skinned();
  TsMDIBarValues values[2];  // vertical, horizontal
  for (int i = 0; i < 2 && scrolls; ++i) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    if (FSource->GetInfo(client, i == 0 ? SB_VERT : SB_HORZ, si)) values[i] = MirrorScrollInfo(si);
  }
  const TRect area = ClientArea();
  const int cx = GetSystemMetrics(SM_CXVSCROLL), cy = GetSystemMetrics(SM_CYHSCROLL);
  const bool both = values[0].Needed && values[1].Needed;
  const TRect places[2] = {Rect(area.right - cx, area.top, area.right, area.bottom - (both ? cy : 0)),
                           Rect(area.left, area.bottom - cy, area.right - (both ? cx : 0), area.bottom)};
  for (int i = 0; i < 2; ++i) {
    const TsMDIBarValues& v = values[i];
    if (!v.Needed) {
      if (TsScrollBar* bar = i == 0 ? FVertBar : FHorzBar) bar->SetVisible(false);
      continue;
    }
    TsScrollBar* bar = NeedBar(i == 0);
    (i == 0 ? FNativeMinV : FNativeMinH) = v.NativeMin;
    bar->SetParams(v.Position, 0, v.Max);
    bar->SetPageSize(v.PageSize);
    bar->SetLargeChange(static_cast<TScrollBarInc>(std::clamp(v.PageSize, 1, 32767)));
    bar->SetBoundsRect(places[i]);
    bar->SetVisible(true);
  }
  if (both) {
    if (!FGrip) {
      FGrip = NewComponent<TsGrip>(FProvider);
      FGrip->SkinData()->SetSkinManager(FProvider->SkinData()->SkinManager());
      FGrip->SetParent(FForm);
    }
    FGrip->SetBoundsRect(Rect(area.right - cx, area.bottom - cy, area.right, area.bottom));
    FGrip->SetVisible(true);
  } else if (FGrip) {
    FGrip->SetVisible(false);
  }
}

// The client's view follows the bar (the full position: no 16-bit message in between), then the
// bars mirror the client again.
void TsMDIForm::BarScrollChange(TObject* Sender, int) {
  auto* bar = dynamic_cast<TsScrollBar*>(Sender);
  if (FScrollUpdating || !bar || !FForm || !FForm->ClientHandle() || (bar != FVertBar && bar != FHorzBar)) return;
  const bool vertical = bar == FVertBar;
  {
    TFlagScope scrolling(FScrollUpdating);
    FSource->ScrollTo(FForm->ClientHandle(), vertical ? SB_VERT : SB_HORZ,
                      bar->Position() + (vertical ? FNativeMinV : FNativeMinH));
  }
  UpdateMdiScrolls();
}

}  // namespace korv
