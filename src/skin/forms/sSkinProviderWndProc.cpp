// The form's window procedure while the provider lives: the skin commands on the skinned and
// unskinned paths, activation, text, size and move messages, the client paint, the size limits,
// screen snapping and the menu hooks. The non-client paint, the region and the caption cut are in
// sSkinProviderNonClient.cpp.
// clang-format off
#include <windows.h>
#include <uxtheme.h>  // needs windows.h first
// clang-format on

#include <utility>

#include "classlib/Handles.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/sSkinMenus.h"
#include "skin/forms/sMDIForm.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSkinProviderScreen.h"

namespace korv {

namespace {

// The menu painter's cached popup picture is made again for the new skin.
void ClearMenuCacheOf(TsSkinManager* sm) {
  if (sm && sm->SkinableMenus()) sm->SkinableMenus()->ClearMenuCache();
}

}  // namespace

TsSkinProvider* TsSkinProvider::MDIParent() const {
  TsSkinProvider* parent = MDIParentProvider;
  if (!parent || parent == this || parent->HasState(csDestroying) || !parent->Form ||
      parent->Form->HasState(csDestroying))
    return nullptr;
  return parent;
}

void TsSkinProvider::NcPaintMDISiblings(bool visibleOnly) {
  TsSkinProvider* parent = MDIParent();
  if (!parent || Form->FormStyle() != fsMDIChild) return;
  for (int i = 0; i < parent->Form->MDIChildCount(); ++i) {
    TCustomForm* child = parent->Form->MDIChildren(i);
    if (child != Form && (!visibleOnly || child->Visible())) SendNcPaint(child->HandleIfAllocated());
  }
}

// ---- small predicates ----

bool TsSkinProvider::FormCreating() const {
  return Form && ((Form->FormState() & fsCreating) || (Form->ControlState() & csCreating));
}

bool TsSkinProvider::Bordered() const { return Form && Form->BorderStyle() != bsNone; }

bool TsSkinProvider::FormPaintable() const {
  // The window's own state: a form shown by ShowWindow gets its frame painted before its Visible
  // follows the window.
  return Form && Form->HandleAllocated() && IsWindowVisible(Form->HandleIfAllocated()) && !HasState(csLoading) &&
         !FormCreating() && !Form->HasState(csDestroying);
}

bool TsSkinProvider::CacheSizeDiffers() const {
  const TBitmap* cache = FSkinData->CacheBmp.get();
  return !cache || cache->Width() != FormWidth() || cache->Height() != Form->Height();
}

bool TsSkinProvider::FromOwnManager(const TMessage& m) const {
  const TsSkinManager* sm = Manager();
  return sm && m.LParam == reinterpret_cast<LPARAM>(sm);
}

void TsSkinProvider::SnapToEdge(int& position, int edge, int size) const noexcept {
  korv::SnapToEdge(position, edge, size, FSnapBuffer);
}

// ---- entry ----

void TsSkinProvider::ProviderWndProc(TMessage& m) {
  if (OutlineWatch(m)) return;
  PressWatch(m);
  if (m.Msg == WM_NCDESTROY) RegionMade = {};  // a window made again starts without a region
  if (!Form || HasState(csDesigning)) {
    if (const TWndMethod saved = SavedWindowProc()) saved(m);
    return;
  }
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi()) {
      case skcNewSkin:
        if (!SystemMenu) AttachSkin();
        break;
      case skcRemoveSkin:
        if (FromOwnManager(m)) {
          RemoveSkin(m);
          return;
        }
        break;
      case skcHandlesSkinCmds:
        m.LParam = 1;
        return;
      default:
        break;
    }
  }
  if (!Form->HasState(csDestroying) && FSkinData->Skinned())
    SkinnedDispatch(m);
  else
    UnskinnedHandling(m);
}

// ---- unskinned ----

void TsSkinProvider::UnskinnedHandling(TMessage& m) {
  if (m.Msg == SM_ALPHACMD && m.WParamHi() == skcNewSkin && FromOwnManager(m)) {
    if (!Form->HasState(csDestroying)) UnskinnedNewSkin(m);
    AlphaBroadcast(Form, m);
    return;
  }
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
  if (m.Msg != WM_NCDESTROY || Form->FormStyle() != fsMDIChild) return;
  // A skinned MDI child's window went: the parent's bars and menu line follow.
  TsSkinProvider* parent = MDIParent();
  if (!parent || !parent->MDIHelper || !FSkinData->Skinned()) return;
  parent->MDIHelper->UpdateMdiScrolls();
  parent->FullRedraw();
  if (parent->Form->ClientHandle() && !ActiveMDIChildOf(parent->Form->ClientHandle()))
    SendMessageA(parent->Form->ClientHandle(), WM_SIZE, 0, 0);
}

bool TsSkinProvider::BeginNewSkin(bool hide) {
  if (hide && Bordered()) HideByRegion();
  ClearMenuCacheOf(Manager());
  FSkinData->UpdateIndexes();
  if (!KeepSkinnedLook()) return false;
  UpdateButtonImages();
  return true;
}

void TsSkinProvider::UnskinnedNewSkin(TMessage& m) {
  // The system's frame is not to show in between (its buttons go, say).
  if (!BeginNewSkin(true)) return;
  TsSkinManager* sm = Manager();
  if (Form->FormStyle() == fsMDIForm && Screen && Form->ActiveMDIChild() &&
      Form->ActiveMDIChild() == Screen->ActiveForm())
    FormActive = true;
  InitMenuItems(true);
  ForwardToBars(m);
  FSkinData->BGChanged = true;
  MenuLineCount = -1;
  HookMDIClient();
  if (FUseGlobalColor && !FSkinData->CustomColor()) Form->SetColor(sm->GetGlobalColor());
}

void TsSkinProvider::HookMDIClient() {
  if (Form->FormStyle() != fsMDIForm) return;
  if (MDIHelper) {
    MDIHelper->Hook();
    return;
  }
  MDIHelper = new TsMDIForm(this);  // hooks the client itself
  MDIParentProvider = this;
}

// A skin without the form's section leaves the form its own look: no region.
bool TsSkinProvider::KeepSkinnedLook() {
  if (FSkinData->Skinned()) return true;
  if (Bordered()) DropRegion(true);
  return false;
}

void TsSkinProvider::ForwardToBars(const TMessage& m) {
  for (TWinControl* bar : {static_cast<TWinControl*>(VertBar), static_cast<TWinControl*>(HorzBar)})
    if (bar && bar->HandleAllocated()) SendMessageA(bar->HandleIfAllocated(), m.Msg, m.WParam, m.LParam);
}

void TsSkinProvider::RemoveSkin(TMessage& m) {
  const bool bordered = Bordered();
  if (bordered) HideByRegion();
  CommonWndProc(m, FSkinData.get());
  MenuLineCount = -1;
  AlphaBroadcast(Form, m);
  if (FUseGlobalColor && !FSkinData->CustomColor()) Form->SetColor(clBtnFace);
  if (Manager()) {
    ClearMenuCacheOf(Manager());
    InitMenuItems(false);
    if (Form->FormStyle() == fsMDIForm) delete std::exchange(MDIHelper, nullptr);
    if (ThemesEnabled() && Form->HandleAllocated()) SetWindowTheme(Form->HandleIfAllocated(), nullptr, nullptr);
  }
  // Also without a manager: the form never stays hidden behind an empty region.
  if (bordered) DropRegion(true);
}

// ---- skinned ----

void TsSkinProvider::SkinnedDispatch(TMessage& m) {
  const TWndMethod saved = SavedWindowProc();
  auto pass = [&] {
    if (saved) saved(m);
  };
  switch (m.Msg) {
    case SM_ALPHACMD:
      SkinnedCommand(m);
      return;
    case WM_MOVE:
      pass();
      if (Form->FormStyle() == fsMDIChild && !IsZoomed(Form->HandleIfAllocated()) && !HasState(csLoading)) {
        TsSkinProvider* parent = MDIParent();
        if (parent && parent->MDIHelper) {
          parent->SkinData()->Updating = false;
          parent->MDIHelper->UpdateMdiScrolls();
        }
      }
      return;
    case WM_SIZE:
      WMSize(m);
      return;
    case WM_ACTIVATE:
      WMActivate(m);
      return;
    case WM_SETTEXT:
    case WM_SETICON:
      WMSetCaption(m);
      return;
    case WM_PAINT:
      WMPaint(m);
      return;
    case WM_PRINTCLIENT:
      // The client as it is painted, from the cache, into the DC the message carries.
      if (!(m.LParam & PRF_CHECKVISIBLE) || Form->Visible()) PaintClient(reinterpret_cast<HDC>(m.WParam));
      return;
    case WM_ERASEBKGND:
      // The client is painted whole from the cache at WM_PAINT.
      m.Result = 1;
      if (ThemesEnabled()) pass();
      return;
    case WM_SYSCOLORCHANGE:
      pass();
      RefreshMenuBar();
      return;
    case WM_PARENTNOTIFY:
      pass();
      if (LOWORD(m.WParam) == WM_CREATE) RaiseScrollParts();
      return;
    case WM_CHILDACTIVATE:
      pass();
      RefreshMenuBar();
      if (TsSkinProvider* parent = MDIParent(); parent && parent->MDIHelper) parent->MDIHelper->UpdateMdiScrolls();
      return;
    case WM_GETMINMAXINFO:
      WMGetMinMaxInfo(m);
      return;
    case WM_MEASUREITEM:
      WMMeasureItem(m);
      return;
    case WM_WINDOWPOSCHANGING:
      WMWindowPosChanging(m);
      return;
    case WM_WINDOWPOSCHANGED:
    case WM_EXITSIZEMOVE:
      WMWindowPosChanged(m);
      return;
    case WM_SIZING:
      pass();
      if (CacheSizeDiffers()) {
        FSkinData->BGChanged = true;
        MenuLineCount = -1;
        if (Form->FormStyle() == fsMDIForm && MDIHelper) MDIHelper->UpdateMdiScrolls();
      }
      return;
    case WM_NCPAINT:
    case WM_PRINT:
      NonClientPaint(m);
      return;
    case WM_NCACTIVATE:
      WMNCActivate(m);
      return;
    case WM_MOUSELEAVE:
    case CM_MOUSELEAVE:
      if (!FPressCode) SetHotButton(0);  // a held button keeps its state until released
      pass();
      return;
    case WM_NCHITTEST:
      WMNCHitTest(m);
      return;
    case WM_NCLBUTTONDOWN:
      WMNCLButtonDown(m);
      return;
    case WM_NCLBUTTONUP:
      WMNCLButtonUp(m);
      return;
    case WM_LBUTTONUP:
      WMLButtonUp(m);
      return;
    case WM_NCLBUTTONDBLCLK:
      WMNCLButtonDblClk(m);
      return;
    case WM_NCRBUTTONDOWN:
      WMNCRButtonDown(m);
      return;
    case WM_NCRBUTTONUP:
      WMNCRButtonUp(m);
      return;
    case WM_MOUSEMOVE:
      WMMouseMove(m);
      return;
    case WM_SYSCOMMAND:
      WMSysCommand(m);
      return;
    case WM_MDIDESTROY:
    case WM_MDIACTIVATE:
      pass();
      if (Form->FormStyle() == fsMDIChild) {
        if (TsSkinProvider* parent = MDIParent(); parent) {
          MenuLineReady = false;
          parent->RebuildRequested = true;
          parent->SkinData()->BGChanged = true;
          parent->MenuLineCount = -1;
          SendNcPaint(parent->Form->HandleIfAllocated());
        }
      }
      return;
    case CM_COLORCHANGED:
      // The form's colour is the skin's unless it keeps its own.
      if (!FSkinData->CustomColor()) return;
      if (!FormCreating()) FSkinData->BGChanged = true;
      pass();
      return;
    case CM_MENUCHANGED:
      if (Form->Visible() && !FormCreating()) RebuildRequested = true;
      pass();
      return;
    default:
      pass();
      return;
  }
}

void TsSkinProvider::SkinnedCommand(TMessage& m) {
  switch (m.WParamHi()) {
    case skcNewSkin:
      if (FromOwnManager(m)) SkinnedNewSkin(m);
      return;
    case skcRefresh:
      if (FromOwnManager(m)) Refresh();
      return;
    case skcGetProvider:
      m.Result = reinterpret_cast<LRESULT>(this);
      return;
    case skcGetCache: {
      if (HasState(csLoading)) return;
      TBitmap* cache = FSkinData->CacheBmp.get();
      // A cache that holds no picture yet is handed to nobody.
      ParentCacheInfo =
          TCacheInfo{cache, ClientOffsetX(), ClientOffsetY(), cache && !cache->Empty(), FSkinData->CacheStamp};
      return;
    }
    case 8:
      FSkinData->Updating = m.WParamLo() == 1;
      if (FSkinData->PaintDeferred()) FSkinData->BGChanged = true;
      return;
    case skcSetParentRepaint:
      FSkinData->ParentRepaint = (m.WParam & 0xFF) != 0;
      if (FSkinData->ParentRepaint) PaintAll();
      CommonMessage(m, FSkinData.get());
      return;
    case skcIsBGChanged:
      m.LParam = FSkinData->BGChanged || FSkinData->PaintDeferred() ? 1 : 0;
      return;
    case 15:
      FSkinData->StoredValue = static_cast<int32_t>(m.LParam);
      return;
    case skcNeedsParentImage: {
      const TsGeneralData* s = FSkinData->Section();
      m.LParam = s && s->GradientPercent + s->ImagePercent > 0 ? 1 : 0;
      return;
    }
    case skcGetColor: {
      const TsGeneralData* s = FSkinData->Section();
      SkinColorReply = s ? s->HotColor : ColorToRGB(Form->Color());
      return;
    }
    default:
      return;
  }
}

void TsSkinProvider::SkinnedNewSkin(TMessage& m) {
  // Nothing paints until the refresh composes the new skin (the form's and the controls' paints
  // wait while the manager's skin is not live): the old look stays on the screen until then.
  if (!BeginNewSkin(false)) return;
  TsSkinManager* sm = Manager();
  if (sm->SkinableMenus()) sm->SkinableMenus()->SetSkinBorderWidth(-1);
  ForwardToBars(m);
  FSkinData->BGChanged = true;
  MenuLineCount = -1;
  RepaintForm(false);
  HookMDIClient();
}

void TsSkinProvider::Refresh() {
  TsSkinManager* sm = Manager();
  FSkinData->BGChanged = true;
  MenuLineCount = -1;
  FSkinData->Updating = false;
  TitleBackground.reset();
  InitMenuItems(FSkinData->Skinned());
  if (FUseGlobalColor && !FSkinData->CustomColor()) Form->SetColor(sm->GetGlobalColor());
  // The new look is composed before any of it is shown, and the window is then painted in one
  // pass, frame, client and children: nothing half re-skinned reaches the screen, and every
  // window paints once. A form that is not shown composes nothing now.
  const bool shown = FormPaintable();
  if (shown) PaintAll();
  if (Bordered()) {
    // The region of the skin's corners (after a new skin's hiding; unchanged, it is not set again).
    TNesting nesting(FPaintNesting);
    BuildRegionList();
    RegionChanged = false;
    UpdateRgn();
    InRegionUpdate = false;
  }
  if (!shown) return;
  HWND wnd = Form->HandleIfAllocated();
  if (Form->FormStyle() == fsMDIForm && Form->ClientHandle()) {
    bool childMaximized = false;
    if (!ActiveMDIChildOf(Form->ClientHandle(), &childMaximized) || !childMaximized)
      SendMessageA(Form->ClientHandle(), WM_SIZE, 0, 0);
  }
  RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// ---- messages ----

void TsSkinProvider::WMActivate(TMessage& m) {
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
  if (FormCreating()) return;
  FormActive = m.WParamLo() != WA_INACTIVE;
  FSkinData->BGChanged = true;
  MenuLineCount = -1;
  if (Form->FormStyle() == fsMDIChild) {
    NcPaintMDISiblings(true);
    if (TsSkinProvider* parent = MDIParent()) parent->SkinData()->BGChanged = true;
  }
  RepaintForm(false);
  InitMenuItems(true);
  bool childMaximized = false;
  HWND child = Form->FormStyle() == fsMDIForm && Form->ClientHandle()
                   ? ActiveMDIChildOf(Form->ClientHandle(), &childMaximized)
                   : nullptr;
  if (!child)
    UpdateScrolls();
  else if (childMaximized)
    RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  else if (MDIHelper)
    MDIHelper->UpdateMdiScrolls();
  if (SystemMenu) SystemMenu->UpdateItems();
  if (!Bordered()) RepaintClientChild();
}

void TsSkinProvider::WMSetCaption(TMessage& m) {
  const TWndMethod saved = SavedWindowProc();
  if (!Form->Visible() || !Bordered()) {
    if (saved) saved(m);
    // Nothing is painted now: the title is composed anew when the form shows.
    if (Bordered()) FSkinData->BGChanged = true;
    return;
  }
  // The system paints its own caption with the new text or icon: not over the skinned one. The
  // non-client paint below puts the header back into the region and paints it.
  CutHeader();
  if (saved) saved(m);
  FSkinData->BGChanged = true;
  Form->Perform(WM_NCPAINT, 0, 0);
}

void TsSkinProvider::WMPaint(TMessage& m) {
  if (FormCreating()) {
    if (const TWndMethod saved = SavedWindowProc()) saved(m);
  } else if (Form->Visible()) {
    PaintClient(reinterpret_cast<HDC>(m.WParam));
    if (Form->OnPaint) Form->OnPaint(Form);
  } else if (Form->HandleAllocated()) {
    ValidateRect(Form->HandleIfAllocated(), nullptr);  // nothing is shown: nothing waits either
  }
  m.Result = 1;
  if (FSkinData->ParentRepaint) RepaintTree(Form);
}

void TsSkinProvider::WMSize(TMessage& m) {
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
  if (Form->Visible()) {
    if (Form->FormStyle() == fsMDIForm) {
      if (MDIHelper) MDIHelper->UpdateMdiScrolls();
    } else {
      TsSkinProvider* parent = Form->FormStyle() == fsMDIChild ? MDIParent() : nullptr;
      if (parent) {
        if (IsZoomed(Form->HandleIfAllocated())) {
          // A maximised child fills the parent's client: the parent's menu line changes with it.
          const TBitmap* cache = FSkinData->CacheBmp.get();
          parent->SkinData()->BGChanged = cache && (cache->Width() == FormWidth() || cache->Height() == Form->Height());
          SendNcPaint(parent->Form->HandleIfAllocated());
        }
        if (FResizeMode == rmBorder && parent->MDIHelper) parent->MDIHelper->UpdateMdiScrolls();
      }
      UpdateScrolls();
    }
  }
  const TsGeneralData* s = FSkinData->Skinned() ? FSkinData->Section() : nullptr;
  if (!s || s->GradientPercent <= 0) return;
  // The gradient under the children stretched with the form.
  for (int i = 0; i < Form->ControlCount(); ++i) {
    TControl* child = Form->Controls(i);
    if (!child->HasState(csDestroying)) child->Perform(SM_ALPHACMD, SkinCmdWParam(skcParentImageChanged, 1), 0);
  }
}

void TsSkinProvider::WMGetMinMaxInfo(TMessage& m) {
  const TWndMethod saved = SavedWindowProc();
  auto* mmi = reinterpret_cast<MINMAXINFO*>(m.LParam);
  if (!mmi) {
    if (saved) saved(m);
    return;
  }
  // What the form's own handling leaves unset is the work area of the window's monitor, covered
  // whole: the system's default would put the frame, and with it the top of the skin's caption
  // buttons, off the screen. The position is relative to the monitor (the system moves it to the
  // monitor the window is maximised on); the largest tracking size stays the system's.
  mmi->ptMaxSize = POINT{-1, -1};
  mmi->ptMaxPosition = POINT{-1, -1};
  if (saved) saved(m);
  TRect monitor{}, work{};
  WindowMonitor(Form->HandleIfAllocated(), monitor, work);
  const TRect maximized = MaximizedBounds(monitor, work);
  if (mmi->ptMaxSize.x == -1) mmi->ptMaxSize.x = RectWidth(maximized);
  if (mmi->ptMaxSize.y == -1) mmi->ptMaxSize.y = RectHeight(maximized);
  if (mmi->ptMaxPosition.x == -1) mmi->ptMaxPosition.x = maximized.left;
  if (mmi->ptMaxPosition.y == -1) mmi->ptMaxPosition.y = maximized.top;
}

void TsSkinProvider::WMWindowPosChanging(TMessage& m) {
  // The provider's own region change moves nothing.
  if (InRegionUpdate) return;
  auto* pos = reinterpret_cast<WINDOWPOS*>(m.LParam);
  HWND wnd = Form->HandleIfAllocated();
  if (FScreenSnap && pos && !(pos->flags & SWP_NOMOVE) && wnd && !IsZoomed(wnd) && (pos->x != 0 || pos->y != 0)) {
    // The work area of the monitor the form is moved onto, whichever it is.
    const TSize size{Form->Width(), Form->Height()};
    const TPoint snapped = SnapToWorkArea(Point(pos->x, pos->y), size,
                                          MonitorWorkArea(Bounds(pos->x, pos->y, size.cx, size.cy)), FSnapBuffer);
    pos->x = snapped.x;
    pos->y = snapped.y;
  }
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
  MeasureContent();
  if (pos) ShapeForNewSize(*pos);  // the size as the form's handling left it
}

bool TsSkinProvider::RegionWanted() const {
  HWND wnd = Form->HandleIfAllocated();
  if (!wnd || !(Bordered() || HasSizingFrame(wnd))) return false;
  return !IsIconic(wnd) || Form->FormStyle() == fsMDIChild;
}

void TsSkinProvider::ShapeForNewSize(const WINDOWPOS& pos) {
  HWND wnd = Form->HandleIfAllocated();
  if ((pos.flags & SWP_NOSIZE) || !RegionWanted() || IsIconic(wnd)) return;
  RECT r{};
  GetWindowRect(wnd, &r);
  if (pos.cx == r.right - r.left && pos.cy == r.bottom - r.top) return;
  // Only a region of the skin's is kept in step; the first one comes with the first paint.
  if (RegionMade.Wnd != wnd) {
    TUniqueRgn current(CreateRectRgn(0, 0, 0, 0));
    if (!current || GetWindowRgn(wnd, current.Get()) == ERROR) return;
  }
  BuildRegionList(pos.cx, pos.cy);
  // The list is the new size's: a frame paint before the change is applied (the form still
  // reports the old size then) must not take the region back.
  RegionChanged = false;
  UpdateRgn(pos.cx, pos.cy);  // its own position messages are passed over (InRegionUpdate)
  InRegionUpdate = false;
}

void TsSkinProvider::WMWindowPosChanged(TMessage& m) {
  if (InRegionUpdate || SkinChanging) return;
  RegionChanged = true;
  // A region set by another hand comes with a frame change (SetWindowRgn sends one).
  const auto* pos = m.Msg == WM_WINDOWPOSCHANGED ? reinterpret_cast<const WINDOWPOS*>(m.LParam) : nullptr;
  if (pos && (pos->flags & SWP_FRAMECHANGED)) RegionMade = {};
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
  if (!CacheSizeDiffers() || FormCreating()) return;
  FSkinData->BGChanged = true;
  MenuLineCount = -1;
  RepaintForm(true);
}

void TsSkinProvider::WMMeasureItem(TMessage& m) {
  TsSkinManager* sm = Manager();
  const auto* mis = reinterpret_cast<const MEASUREITEMSTRUCT*>(m.LParam);
  if (Form->FormStyle() != fsMDIChild && Form->Menu() && sm && sm->SkinableMenus() && mis &&
      mis->CtlType == ODT_MENU) {
    if (TMenuItem* item = Form->Menu()->FindItem(mis->itemID, fkCommand)) sm->SkinableMenus()->HookItem(item, true);
  }
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
}

// ---- repainting ----

void TsSkinProvider::RepaintForm(bool client, bool frame) {
  if (!Form->HandleAllocated()) return;
  HWND wnd = Form->HandleIfAllocated();
  if (frame) SendMessageA(wnd, WM_NCPAINT, 0, 0);
  // A paint message alone paints nothing that is not invalid.
  if (client) RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TsSkinProvider::RepaintClientChild() {
  for (int i = 0; i < Form->ControlCount(); ++i) {
    TControl* child = Form->Controls(i);
    if (child->Align() != alClient) continue;
    if (child->IsWindowed() && static_cast<TWinControl*>(child)->HandleAllocated())
      RedrawWindow(static_cast<TWinControl*>(child)->HandleIfAllocated(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_UPDATENOW);
    return;
  }
}

}  // namespace korv
