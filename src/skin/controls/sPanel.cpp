#include "skin/controls/sPanel.h"

#include <utility>

#include "classlib/Handles.h"
#include "classlib/Streaming.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/sStyleSimply.h"

namespace korv {

namespace {
const TPropInfo kPanelProps[] = {
    KORV_PROP_OBJECT(TsPanel, SkinData),
};
}  // namespace
KORV_DEFINE_PROPS(TsPanel, kPanelProps);
KORV_DEFINE_CLASS(TsPanel, TCustomPanel, &CreateComponent<TsPanel>, &TsPanel_PropTable);
KORV_DEFINE_CLASS(TsGrip, TsPanel, &CreateComponent<TsGrip>, nullptr);

// The control-type code of panels: its default section is "PANEL", and it takes no hover.
constexpr int kPanelTypeCode = 51;

TsPanel::TsPanel(TComponent* owner) : TCustomPanel(owner) {
  FControlStyle |= csOpaque;
  FCommonData = std::make_unique<TsCommonData>(this, true);
  FCommonData->CtrlTypeCode = kPanelTypeCode;
}

TsPanel::~TsPanel() {
  // Messages that still come while the window goes see a panel being destroyed.
  Destroying();
}

void TsPanel::AfterConstruction() {
  TCustomPanel::AfterConstruction();
  FCommonData->Loaded();
}

void TsPanel::Loaded() {
  TCustomPanel::Loaded();
  FCommonData->Loaded();
}

bool TsPanel::ForMyManager(const TMessage& m) const noexcept {
  return m.LParam == reinterpret_cast<LPARAM>(FCommonData->SkinManager());
}

void TsPanel::WndProc(TMessage& m) {
  if (!FCommonData) return TCustomPanel::WndProc(m);
  // The skin's arrival, removal and refresh (and its announcement) reach the children through
  // the panel, but only when they come from the panel's own manager.
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi()) {
      case skcNewSkin:
        if (!ForMyManager(m)) break;
        AlphaBroadcast(this, m);
        CommonMessage(m, FCommonData.get());
        return;
      case skcRefreshFollows:
        if (!ForMyManager(m)) break;
        CommonMessage(m, FCommonData.get());
        AlphaBroadcast(this, m);
        return;
      case skcRemoveSkin: {
        if (!ForMyManager(m)) break;
        CommonMessage(m, FCommonData.get());
        Invalidate();
        // The manager's removal reaches the children; the panel's own section not found while
        // the skin stays live (its setter says so with this command too) is the panel's alone.
        const TsSkinManager* sm = FCommonData->SkinManager();
        if (!sm || !sm->SkinData.Active) AlphaBroadcast(this, m);
        return;
      }
      case skcRefresh: {
        if (!ForMyManager(m)) break;
        // Painted since the refresh was announced (when its parent repainted): nothing to redo.
        const bool painted = FCommonData->PaintedForRefresh();
        CommonMessage(m, FCommonData.get());
        AlphaBroadcast(this, m);
        if (!painted) Repaint();
        return;
      }
      case skcHandlesSkinCmds:
        m.LParam = 1;
        return;
      default:
        break;
    }
  }
  if (!ControlIsReady(this) || !FCommonData->Skinned()) return UnskinnedMessage(m);
  switch (m.Msg) {
    case CM_VISIBLECHANGED:
      FCommonData->BGChanged = true;
      FCommonData->Updating = false;
      Repaint();
      TCustomPanel::WndProc(m);
      return;
    case CM_TEXTCHANGED:
      if (Parent()) FCommonData->Invalidate();
      return;
    case WM_ERASEBKGND:
      m.Result = 1;  // the cache covers the whole panel
      return;
    case WM_NCPAINT:
      // A panel without a border has no frame to paint: the system's handling is skipped.
      if (WithoutNonClientArea(Handle())) return;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomPanel::WndProc(m);
      return;
    case WM_PAINT:
      if (!Visible() && !HasState(csDesigning)) return TCustomPanel::WndProc(m);
      SkinnedPaint(m);
      return;
    default:
      break;
  }
  if (m.Msg == SM_ALPHACMD) return SkinCommand(m);
  if (CommonMessage(m, FCommonData.get())) return;
  TCustomPanel::WndProc(m);
  if (m.Msg == WM_SETFONT && !Caption().empty()) {
    FCommonData->BGChanged = true;
    Repaint();
  }
}

void TsPanel::UnskinnedMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
      TCustomPanel::WndProc(m);
      if (OnPaint) {
        OnPaint(this, Canvas());
        // The canvas took the window's DC for the handler: give it back.
        if (auto* canvas = dynamic_cast<TControlCanvas*>(Canvas())) canvas->FreeHandle();
      }
      return;
    case WM_ERASEBKGND:
      // A panel that paints itself in OnPaint is not erased first: no flicker under it.
      if (!OnPaint) TCustomPanel::WndProc(m);
      return;
    default:
      TCustomPanel::WndProc(m);
  }
}

void TsPanel::SkinCommand(TMessage& m) {
  TsCommonData& link = *FCommonData;
  switch (m.WParamHi()) {
    case skcParentPainted: {
      // The parent paints around its windowed children: the panel paints again only when its
      // window may show something else than what it would paint now.
      const bool wasUpdating = std::exchange(link.Updating, false);
      if (StaleAfterParentPaint(wasUpdating)) Repaint();
      return;
    }
    case skcSetParentRepaint:
      CommonMessage(m, &link);
      if (link.ParentRepaint) {
        TCacheInfo ci;
        link.GetParentCacheInfo(ci);
        RebuildCache(ci);
        link.BGChanged = false;
      }
      return;
    case skcIsBGChanged:
      m.LParam = link.BGChanged || link.PaintDeferred() ? 1 : 0;
      return;
    default:
      CommonWndProc(m, &link);
  }
}

void TsPanel::SkinnedPaint(TMessage& m) {
  const HWND wnd = Handle();
  SetControlState(ControlState() | csCustomPaint);
  struct TCustomPaintEnd {
    TsPanel* panel;
    ~TCustomPaintEnd() { panel->SetControlState(panel->ControlState() & ~csCustomPaint); }
  } customPaint{this};
  const TPaintScope paint(wnd);
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  TWindowDC own;
  if (!dc) {
    own = TWindowDC::Client(wnd);
    dc = own.Get();
  }
  TSaveDCGuard saved(dc);
  auto* canvas = dynamic_cast<TControlCanvas*>(Canvas());
  if (!canvas) return PaintPanel(dc);
  TCanvasPaintScope scope(*canvas, dc);
  PaintPanel(dc);
}

bool TsPanel::StaleAfterParentPaint(bool wasUpdating) {
  TsCommonData& link = *FCommonData;
  // Nothing of a panel outside its parent's client area shows; moved in, it is painted anew.
  if (TWinControl* parent = Parent()) {
    const TRect bounds = BoundsRect(), client = parent->ClientRect();
    RECT common;
    if (!IntersectRect(&common, &bounds, &client)) return false;
  }
  if (!FPainted || wasUpdating || link.BGChanged || link.HalfVisible) return true;
  if (!link.NeedsParentImage()) return false;
  TCacheInfo ci;
  link.GetParentCacheInfo(ci);
  return ci != FUnder;
}

void TsPanel::PaintWindow(HDC dc) {
  TCustomPanel::PaintWindow(dc);
  PaintPanel(dc);
}

void TsPanel::RebuildCache(const TCacheInfo& ci) {
  TsCommonData& link = *FCommonData;
  FScreen.Invalidate();
  link.PrepareCache();
  TBitmap* cache = link.CacheBmp.get();
  const int state = link.ControlIsActive() ? 1 : 0;
  PaintItem(&link, ci, state, false, cache, Point(Left(), Top()), Rect(0, 0, Width(), Height()), state);
  if (cache->Empty()) return;
  // The caption in a band of the height of "W", centred vertically.
  TCanvas* canvas = cache->Canvas();
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(bsClear);
  const int h = canvas->TextHeight("W");
  TRect r = Rect(0, 0, Width(), Height());
  r.top = (r.top + r.bottom - h) / 2;
  r.bottom = r.top + h;
  WriteTextControl(canvas, Caption(), Enabled(), r, &link, DrawTextFlags(this, Alignment()) | DT_NOPREFIX);
}

void TsPanel::PaintPanel(HDC dc) {
  TsCommonData& link = *FCommonData;
  if (HasState(csDestroying) || (Parent() && (Parent()->ControlState() & csCreating)) || !link.Skinned(true)) return;
  link.Updating = link.PaintDeferred();
  if (link.Updating) return;
  const bool redraw = link.HalfVisible || link.BGChanged;
  if (link.NeedsParentImage()) {
    // A panel partly outside its parent cannot take all that lies under it from the parent's
    // image: it is painted again each time.
    const TRect client = Parent() ? Parent()->ClientRect() : TRect{};
    const POINT first{Left() + 1, Top() + 1}, last{Left() + Width() - 1, Top() + Height() - 1};
    link.HalfVisible = !PtInRect(&client, first) || !PtInRect(&client, last);
  } else {
    link.HalfVisible = false;
  }
  TCacheInfo ci;
  link.GetParentCacheInfo(ci);
  FPainted = true;
  FUnder = ci;
  if (redraw && !link.ParentRepaint) {
    RebuildCache(ci);
    link.BGChanged = false;
    if (OnPaint && link.CacheBmp && !link.CacheBmp->Empty()) OnPaint(this, link.CacheBmp->Canvas());
  }
  if (FillKeyColorCorners(link, ci, Point(Left(), Top()))) FScreen.Invalidate();
  const TRect all = Rect(0, 0, Width(), Height());
  // Copied from the screen-format copy of the cache, converted once per change of the cache.
  if (HDC screen = FScreen.Source(link.CacheBmp.get(), all))
    CopyAroundChildren(this, screen, Point(0, 0), dc, all);
  else
    PaintChildControls(this, &link, all, false, dc, all);
  PaintGraphicChildren(dc, this);
  SendToChildWinControls(this);
}

// ---- the grip -----------------------------------------------------------------------------------

TsGrip::TsGrip(TComponent* owner) : TsPanel(owner) {
  SetCaption(" ");
  SkinData()->SetSkinSection("CHECKBOX");
  SetAlign(alNone);
  SetHeight(20);
  SetWidth(20);
}

}  // namespace korv
