// The skinned form's non-client messages: the frame painted from the cache (WM_NCPAINT, and
// WM_PRINT into the DC it carries), the window region rebuilt from the skin's corners, activation
// without the system's caption repaint (WM_NCACTIVATE), and the header cut out of the region while
// the system paints its own caption (WM_SETTEXT and WM_SETICON, in sSkinProviderWndProc.cpp).
#include "classlib/Handles.h"
#include "skin/forms/sMDIForm.h"
#include "skin/forms/sSkinProvider.h"

namespace korv {

void TsSkinProvider::NonClientPaint(TMessage& m) {
  HDC printDC = nullptr;
  if (m.Msg == WM_PRINT) {
    printDC = reinterpret_cast<HDC>(m.WParam);
    const bool shown = !(m.LParam & PRF_CHECKVISIBLE) || Form->Visible();
    if (printDC && (m.LParam & PRF_CLIENT) && shown) PrintClient(printDC, (m.LParam & PRF_NONCLIENT) != 0);
    // The default handling prints the rest (its own frame, the children, owned windows); the
    // client is printed above, where it lies in the window (not every platform moves the DC's
    // origin to the client for WM_PRINTCLIENT). The skinned frame goes over the system's.
    TMessage rest = m;
    rest.LParam &= ~static_cast<LPARAM>(PRF_CLIENT | PRF_ERASEBKGND);
    if (const TWndMethod saved = SavedWindowProc()) saved(rest);
    m.Result = rest.Result;
    if (!(m.LParam & PRF_NONCLIENT) || !printDC || !shown) return;
  }
  if (!FormPaintable()) return;
  FSkinData->Updating = FSkinData->PaintDeferred();
  if (FSkinData->Updating || HiddenByMaximizedSibling(*Form)) return;
  HWND wnd = Form->HandleIfAllocated();
  TNesting nesting(FPaintNesting);
  const bool outer = FPaintNesting == 1;
  if (!InRegionUpdate && RegionChanged && RegionWanted()) {
    BuildRegionList();
    RegionChanged = false;
    UpdateRgn();
  }
  if (!MenuLineReady) {
    MenuLineReady = true;  // before: measuring the bar again may paint the frame again
    RefreshMenuBar();
  }
  {
    TWindowDC own;
    if (!printDC) own = TWindowDC::Window(wnd);
    HDC dc = printDC ? printDC : own.Get();
    if (dc) {
      TSaveDCGuard state(dc);
      PaintFrame(dc);
    }
  }
  if (outer) InRegionUpdate = false;
  if (Form->FormStyle() == fsMDIForm && MDIHelper) MDIHelper->Hook();
  if (Form->FormStyle() == fsMDIChild && Form->Visible())
    if (TsSkinProvider* parent = MDIParent(); parent && parent->MDIHelper) parent->MDIHelper->UpdateMdiScrolls();
}

void TsSkinProvider::PrintClient(HDC dc, bool inWindow) {
  TSaveDCGuard state(dc);
  if (inWindow && Form->HandleAllocated()) {
    POINT client{0, 0};
    RECT window{};
    ClientToScreen(Form->HandleIfAllocated(), &client);
    GetWindowRect(Form->HandleIfAllocated(), &window);
    OffsetViewportOrgEx(dc, client.x - window.left, client.y - window.top, nullptr);
  }
  PaintClient(dc);
}

void TsSkinProvider::PaintFrame(HDC dc) {
  if (Bordered() || !HasSizingFrame(Form->HandleIfAllocated())) {
    PaintToWindow(dc);
    return;
  }
  // A borderless form with a sizing frame: the frame's strips of the form's own background.
  if (FSkinData->BGChanged) {
    PaintAll();
    FSkinData->BGChanged = false;
    FSkinData->Updating = false;
  }
  TBitmap* cache = FSkinData->CacheBmp.get();
  if (!cache || cache->Empty()) return;
  const int b = Form->BorderWidth() + 3, w = cache->Width(), h = cache->Height();
  HDC src = cache->Canvas()->Handle();
  for (const TRect& r : {Rect(0, 0, w, b), Rect(0, h - b, w, h), Rect(0, 0, b, h), Rect(w - b, 0, w, h)})
    CopySameRect(dc, r, src);
}

void TsSkinProvider::WMNCActivate(TMessage& m) {
  const bool mdiChild = Form->FormStyle() == fsMDIChild;
  const bool bordered = Bordered();
  // The default handling repaints the caption for the new state, and a window with a region gets
  // the classic one (no visual style): an lParam of -1 is the documented way to leave the
  // non-client area unpainted. The default handling's answer is kept. (Without a region, as at
  // the first activation, a visual style ignores the value and the classic caption is left out.)
  if (bordered && !HasState(csLoading)) m.LParam = -1;
  if (const TWndMethod saved = SavedWindowProc()) saved(m);
  TsSkinProvider* parent = mdiChild ? MDIParent() : nullptr;
  if (parent && parent->MDIHelper && Form->Visible() && (Form->FormState() & fsCreatedMDIChild) && Form->Showing()) {
    // The parent's menu line carries the active child's buttons.
    parent->SkinData()->BGChanged = true;
    parent->MenuLineCount = -1;
    parent->MDIHelper->UpdateChildButtons();
    SendNcPaint(parent->Form->HandleIfAllocated());
    SendNcPaint(parent->Form->ClientHandle());
    if (parent->Form->ClientHandle()) InvalidateRect(parent->Form->ClientHandle(), nullptr, TRUE);
    parent->MDIHelper->UpdateMdiScrolls();
  }
  if (FormCreating()) return;
  RepaintForm(false);
  if (bordered) {
    bool active = m.WParamLo() != 0;
    if (ShowsMDIChildButtons(*Form)) {
      // The menu line carries the active child's buttons: the parent stays active with it.
      const TCustomForm* child = Form->ActiveMDIChild();
      active = active || (child && child->Active()) || FormActive;
    }
    // The title shows the state at once, also when no WM_ACTIVATE follows.
    if (active != FormActive) {
      FormActive = active;
      MenuLineCount = -1;
      FSkinData->BGChanged = true;
      RepaintForm(false);
    }
  }
  if (parent) {
    NcPaintMDISiblings(false);
    RepaintForm(false);
  }
  InitMenuItems(FSkinData->Skinned());
  if (!MenuLineReady) {
    MenuLineReady = true;
    RefreshMenuBar();
  }
  if (!bordered) RepaintClientChild();
}

// ---- the window region ----

void TsSkinProvider::CutHeader() {
  if (!Form->HandleAllocated()) return;
  HWND wnd = Form->HandleIfAllocated();
  TUniqueRgn region(CreateRectRgn(0, 0, 0, 0));
  TUniqueRgn header(CreateRectRgn(0, 0, Form->Width(), HeaderHeight()));
  if (!region || !header) return;
  // A window without a region is its whole rectangle (never the empty region made above).
  if (GetWindowRgn(wnd, region.Get()) == ERROR) {
    RECT r{};
    GetWindowRect(wnd, &r);
    SetRectRgn(region.Get(), 0, 0, r.right - r.left, r.bottom - r.top);
  }
  // A window that is all header (iconic) keeps its region: cutting would hide it.
  const int kind = CombineRgn(region.Get(), region.Get(), header.Get(), RGN_DIFF);
  if (kind == ERROR || kind == NULLREGION) return;
  RegionChanged = true;
  RegionMade = {};
  if (SetWindowRgn(wnd, region.Get(), FALSE)) (void)region.Release();
}

void TsSkinProvider::HideByRegion() {
  if (!Form->HandleAllocated()) return;
  RegionChanged = true;
  RegionMade = {};
  TUniqueRgn empty(CreateRectRgn(0, 0, 0, 0));
  if (empty && SetWindowRgn(Form->HandleIfAllocated(), empty.Get(), FALSE)) (void)empty.Release();
}

void TsSkinProvider::DropRegion(bool redraw) {
  RegionMade = {};
  if (Form->HandleAllocated()) SetWindowRgn(Form->HandleIfAllocated(), nullptr, redraw);
}

}  // namespace korv
