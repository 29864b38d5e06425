// TControlScrollBar and TScrollingWinControl: a window's own scroll bars over children that lie
// beyond its client area.
#include <algorithm>

#include "classlib/Forms.h"
#include "classlib/Streaming.h"

namespace korv {

namespace {
const TPropInfo kControlScrollBarProps[] = {
    KORV_PROP_INT(TControlScrollBar, Increment, 8),
    KORV_PROP_INT(TControlScrollBar, Margin, 0),
    KORV_PROP_INT(TControlScrollBar, Position, 0),
    KORV_PROP_STORED(KORV_PROP_INT(TControlScrollBar, Range, 0), TControlScrollBar, IsRangeStored),
    KORV_PROP_BOOL(TControlScrollBar, Smooth, false),
    KORV_PROP_BOOL(TControlScrollBar, Visible, true),
};
}  // namespace
KORV_DEFINE_PROPS(TControlScrollBar, kControlScrollBarProps);
KORV_DEFINE_CLASS(TControlScrollBar, TPersistent, nullptr, &TControlScrollBar_PropTable);
KORV_DEFINE_CLASS(TScrollingWinControl, TWinControl, nullptr, nullptr);

// ---------------------------------------------------------------------------------------------
// TControlScrollBar

TPersistent* TControlScrollBar::GetOwner() const { return FControl; }

bool TControlScrollBar::IsRangeStored() const noexcept { return !FControl->AutoScroll(); }

void TControlScrollBar::AssignTo(TPersistent* dest) const {
  auto* d = dynamic_cast<TControlScrollBar*>(dest);
  if (!d) {
    TPersistent::AssignTo(dest);
    return;
  }
  d->FVisible = FVisible;
  d->FRange = FRange;
  d->FIncrement = FIncrement;
  d->FSmooth = FSmooth;
  d->FMargin = FMargin;
  d->FControl->UpdateScrollBars();
  d->SetPosition(FPosition);
}

void TControlScrollBar::Changed() { FControl->UpdateScrollBars(); }

void TControlScrollBar::SetVisible(bool v) {
  if (FVisible == v) return;
  FVisible = v;
  Changed();
}

void TControlScrollBar::SetRange(int v) {
  // A range given by hand is not to be recomputed from the children.
  FControl->FAutoScroll = false;
  FRange = std::max(v, 0);
  Changed();
}

void TControlScrollBar::SetIncrement(int v) { FIncrement = std::max(v, 1); }

void TControlScrollBar::SetSmooth(bool v) {
  if (FSmooth == v) return;
  FSmooth = v;
  if (v) Changed();
}

void TControlScrollBar::SetMargin(int v) {
  v = std::max(v, 0);
  if (FMargin == v) return;
  FMargin = v;
  if (FControl->AutoScroll()) Changed();
}

void TControlScrollBar::Update(bool shown, int page) {
  FShown = shown;
  FPage = std::max(page, 0);
  FCalcRange = shown ? std::max(FRange - FPage, 0) : 0;
  if (FSmooth) FIncrement = std::max(1, FPage * 9 / 10 / 10);
  HWND h = FControl->HandleIfAllocated();
  if (h) {
    DWORD style = static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE));
    bool visible = (style & (FKind == sbHorizontal ? WS_HSCROLL : WS_VSCROLL)) != 0;
    // The layout is taken again on every alignment: the window hears of it only when it changed.
    bool same = h == FAppliedWnd && visible == shown && shown == FAppliedShown && FRange == FAppliedRange &&
                FPage == FAppliedPage;
    if (!same) {
      FAppliedWnd = h;
      FAppliedShown = shown;
      FAppliedRange = FRange;
      FAppliedPage = FPage;
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_ALL;
      si.nMin = 0;
      si.nMax = shown ? FRange - 1 : 0;
      si.nPage = shown ? static_cast<UINT>(FPage) : 0;
      si.nPos = std::min(FPosition, FCalcRange);
      SetScrollInfo(h, Bar(), &si, TRUE);
      visible =
          (static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE)) & (FKind == sbHorizontal ? WS_HSCROLL : WS_VSCROLL)) != 0;
      if (visible != shown) ShowScrollBar(h, Bar(), shown);
    }
  }
  // A smaller range brings the contents back into it.
  SetPosition(FPosition);
}

void TControlScrollBar::SetPosition(int v) {
  if (FControl->HasState(csReading)) {
    FPosition = v;
    return;
  }
  v = std::clamp(v, 0, FCalcRange);
  if (v != FPosition) {
    int delta = FPosition - v;
    FPosition = v;
    if (FKind == sbHorizontal)
      FControl->ScrollContents(delta, 0);
    else
      FControl->ScrollContents(0, delta);
  }
  if (HWND h = FControl->HandleIfAllocated(); h && FShown && GetScrollPos(h, Bar()) != FPosition)
    SetScrollPos(h, Bar(), FPosition, TRUE);
}

void TControlScrollBar::ScrollMessage(TMessage& m) {
  int pos = FPosition;
  switch (LOWORD(m.WParam)) {
    case SB_LINEUP:
      pos -= FIncrement;
      break;
    case SB_LINEDOWN:
      pos += FIncrement;
      break;
    case SB_PAGEUP:
      pos -= std::max(FPage, 1);
      break;
    case SB_PAGEDOWN:
      pos += std::max(FPage, 1);
      break;
    case SB_THUMBPOSITION:
      if (FCalcRange > 0x7FFF) {
        // The message carries 16 bits only.
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        if (!GetScrollInfo(FControl->HandleIfAllocated(), Bar(), &si)) return;
        pos = si.nTrackPos;
      } else {
        pos = HIWORD(m.WParam);
      }
      break;
    case SB_TOP:
      pos = 0;
      break;
    case SB_BOTTOM:
      pos = FCalcRange;
      break;
    default:
      return;  // the thumb moving (no live scrolling), the end of a scroll
  }
  m.Result = 0;
  SetPosition(pos);
}

// ---------------------------------------------------------------------------------------------
// TScrollingWinControl

TScrollingWinControl::TScrollingWinControl(TComponent* owner)
    : TWinControl(owner),
      FHorzScrollBar(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      FVertScrollBar(std::make_unique<TControlScrollBar>(this, sbVertical)) {}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::SetAutoScroll(bool v) {
  if (FAutoScroll == v) return;
  FAutoScroll = v;
  if (!v) {
    // The ranges are the caller's from now on: none until given.
    FHorzScrollBar->FRange = 0;
    FVertScrollBar->FRange = 0;
  }
  UpdateScrollBars();
}

int TScrollingWinControl::AutoRange(TScrollBarKind kind) const {
  bool horz = kind == sbHorizontal;
  const TControlScrollBar& bar = horz ? *FHorzScrollBar : *FVertScrollBar;
  int extent = 0, alignMargin = 0;
  for (TControl* c : FControls) {
    if (!c->Visible()) continue;
    // Children anchored to the far edge follow the client area and do not widen the range.
    TAnchors along = c->Anchors() & (horz ? (akLeft | akRight) : (akTop | akBottom));
    bool nearOnly = along == (horz ? akLeft : akTop);
    TAlign a = c->Align();
    if (a == (horz ? alLeft : alTop) || (a == alNone && nearOnly)) {
      // Unscrolled extent: the children stand shifted by minus the position.
      int end = horz ? c->Left() + c->Width() : c->Top() + c->Height();
      extent = std::max(extent, bar.Position() + end);
    } else if (a == (horz ? alRight : alBottom)) {
      alignMargin += horz ? c->Width() : c->Height();
    }
  }
  return extent + alignMargin + bar.Margin();
}

void TScrollingWinControl::UpdateScrollBars() {
  if (FUpdatingBars || !FHandle || HasState(csLoading | csDestroying)) return;
  FUpdatingBars = true;
  try {
    if (FAutoScroll) {
      FHorzScrollBar->FRange = AutoRange(sbHorizontal);
      FVertScrollBar->FRange = AutoRange(sbVertical);
    }
    // The client area without any bar, then which bars the ranges need: a bar that takes room
    // can make the other one needed too.
    RECT cr;
    GetClientRect(FHandle, &cr);
    DWORD style = static_cast<DWORD>(GetWindowLongA(FHandle, GWL_STYLE));
    int cxV = GetSystemMetrics(SM_CXVSCROLL), cyH = GetSystemMetrics(SM_CYHSCROLL);
    int w0 = cr.right + ((style & WS_VSCROLL) ? cxV : 0);
    int h0 = cr.bottom + ((style & WS_HSCROLL) ? cyH : 0);
    bool needH = false, needV = false;
    for (int pass = 0; pass < 2; ++pass) {
      needH = FHorzScrollBar->FVisible && FHorzScrollBar->FRange > w0 - (needV ? cxV : 0);
      needV = FVertScrollBar->FVisible && FVertScrollBar->FRange > h0 - (needH ? cyH : 0);
    }
    FHorzScrollBar->Update(needH, w0 - (needV ? cxV : 0));
    FVertScrollBar->Update(needV, h0 - (needH ? cyH : 0));
  } catch (...) {
    FUpdatingBars = false;
    throw;
  }
  FUpdatingBars = false;
}

void TScrollingWinControl::ScrollContents(int dx, int dy) {
  // The children report their moves while they go: the ranges are taken again at the end.
  bool saved = FScrolling;
  FScrolling = true;
  try {
    ScrollBy(dx, dy);
  } catch (...) {
    FScrolling = saved;
    throw;
  }
  FScrolling = saved;
}

void TScrollingWinControl::AdjustClientRect(TRect& rect) {
  int w = RectWidth(rect), h = RectHeight(rect);
  const TControlScrollBar& hb = *FHorzScrollBar;
  const TControlScrollBar& vb = *FVertScrollBar;
  rect =
      Bounds(rect.left - hb.Position(), rect.top - vb.Position(), hb.IsScrollBarVisible() ? std::max(hb.Range(), w) : w,
             vb.IsScrollBarVisible() ? std::max(vb.Range(), h) : h);
  TWinControl::AdjustClientRect(rect);
}

void TScrollingWinControl::AlignControls(TControl* control, TRect& rect) {
  TWinControl::AlignControls(control, rect);
  UpdateScrollBars();
}

void TScrollingWinControl::ChildBoundsChanged(TControl* child) {
  TWinControl::ChildBoundsChanged(child);
  if (!FAutoScroll || FScrolling || FUpdatingBars) return;
  if (AlignDisabled()) {
    FControlState |= csAlignmentNeeded;  // EnableAlign realigns, which takes the ranges again
    return;
  }
  UpdateScrollBars();
}

void TScrollingWinControl::Loaded() {
  TWinControl::Loaded();
  UpdateScrollBars();
}

void TScrollingWinControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      // A child scroll bar's notice is reflected to it; the window's own bars are handled here.
      if (m.LParam == 0) {
        (m.Msg == WM_HSCROLL ? FHorzScrollBar : FVertScrollBar)->ScrollMessage(m);
        return;
      }
      break;
    case WM_SIZE:
      TWinControl::Dispatch(m);
      // A bar that comes or goes changes the client area but not the window.
      Realign();
      return;
    default:
      break;
  }
  TWinControl::Dispatch(m);
}

}  // namespace korv
