// TCustomPanel and TTimer.
#include "classlib/ExtCtrls.h"

#include "classlib/Streaming.h"

namespace korv {

KORV_DEFINE_CLASS(TCustomPanel, TCustomControl, nullptr, nullptr);
namespace {
const TPropInfo kPanelProps[] = {
    KORV_PROP_ENUM(TPanel, Align, kAlignIdents, alNone),
    KORV_PROP_STR(TPanel, Caption, ""),
    KORV_PROP_STORED(KORV_PROP_INT_NODEFAULT(TPanel, Color), TPanel, IsColorStored),
    KORV_PROP_BOOL(TPanel, ParentColor, true),
    KORV_PROP_STORED(KORV_PROP_OBJECT(TPanel, Font), TPanel, IsFontStored),
    KORV_PROP_BOOL(TPanel, ParentFont, true),
    KORV_PROP_BOOL(TPanel, Enabled, true),
    KORV_PROP_BOOL(TPanel, Visible, true),
    KORV_PROP_BOOL(TPanel, ShowHint, false),
    KORV_PROP_BOOL(TPanel, ParentShowHint, true),
};
}  // namespace
KORV_DEFINE_PROPS(TPanel, kPanelProps);
KORV_DEFINE_CLASS(TPanel, TCustomPanel, &CreateComponent<TPanel>, &TPanel_PropTable);
KORV_DEFINE_CLASS(TTimer, TComponent, &CreateComponent<TTimer>, nullptr);

// ---------------------------------------------------------------------------------------------
// Frame3D

void Frame3D(HDC dc, TRect& rect, TColor topColor, TColor bottomColor, int width) {
  // Right and bottom name the last pixel column and row while drawing.
  --rect.right;
  --rect.bottom;
  TUniquePen top(CreatePen(PS_SOLID, 1, ColorToColorRef(topColor)));
  TUniquePen bottom(CreatePen(PS_SOLID, 1, ColorToColorRef(bottomColor)));
  for (int i = 0; i < width; ++i) {
    {
      TSelectGuard sel(dc, top.Get());
      POINT pts[3] = {{rect.left, rect.bottom}, {rect.left, rect.top}, {rect.right, rect.top}};
      Polyline(dc, pts, 3);
    }
    {
      TSelectGuard sel(dc, bottom.Get());
      POINT pts[3] = {{rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left - 1, rect.bottom}};
      Polyline(dc, pts, 3);
    }
    InflateRect(&rect, -1, -1);
  }
  ++rect.right;
  ++rect.bottom;
}

// ---------------------------------------------------------------------------------------------
// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  FControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks |
                  csReplicatable;
  FWidth = 185;
  FHeight = 41;
  FColor = clBtnFace;
  FParentColor = false;
}

void TCustomPanel::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  if (FBorderStyle == bsSingle) p.Style |= WS_BORDER;
  p.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::AdjustClientRect(TRect& r) {
  TCustomControl::AdjustClientRect(r);
  int bevel = 0;
  if (FBevelOuter != bvNone) bevel += FBevelWidth;
  if (FBevelInner != bvNone) bevel += FBevelWidth;
  InflateRect(&r, -bevel, -bevel);
}

void TCustomPanel::Paint() {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  TRect r = ClientRect();
  auto colors = [](TBevelCut cut, TColor& tl, TColor& br) {
    tl = cut == bvLowered ? clBtnShadow : clBtnHighlight;
    br = cut == bvLowered ? clBtnHighlight : clBtnShadow;
  };
  TColor tl, br;
  if (FBevelOuter != bvNone) {
    colors(FBevelOuter, tl, br);
    Frame3D(dc, r, tl, br, FBevelWidth);
  }
  Frame3D(dc, r, FColor, FColor, FBorderWidth);
  if (FBevelInner != bvNone) {
    colors(FBevelInner, tl, br);
    Frame3D(dc, r, tl, br, FBevelWidth);
  }
  c->Brush()->SetColor(FColor);
  c->FillRect(r);
  std::string text = GetText();
  if (!text.empty()) {
    c->Brush()->SetStyle(bsClear);
    c->SetFont(Font());
    UINT flags = DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE;
    flags |= FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    c->DrawTextRect(text, r, flags);
  }
}

void TCustomPanel::SetAlignment(TAlignment v) {
  if (FAlignment == v) return;
  FAlignment = v;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut v) {
  if (FBevelInner == v) return;
  FBevelInner = v;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut v) {
  if (FBevelOuter == v) return;
  FBevelOuter = v;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelWidth(TBevelWidth v) {
  if (v < 1) v = 1;
  if (FBevelWidth == v) return;
  FBevelWidth = v;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle v) {
  if (v != bsNone && v != bsSingle) v = bsSingle;
  if (FBorderStyle == v) return;
  FBorderStyle = v;
  RecreateWnd();
}

void TCustomPanel::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
      Invalidate();
      return;
    case WM_SIZE:
      TCustomControl::Dispatch(m);
      if (FFullRepaint) Invalidate();
      return;
    default:
      break;
  }
  TCustomControl::Dispatch(m);
}

// ---------------------------------------------------------------------------------------------
// TTimer

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  FWindowHandle = AllocateHWnd(TWndMethod(this, &TTimer::WndProc));
}

TTimer::~TTimer() {
  FEnabled = false;
  if (FRunning) KillTimer(FWindowHandle, 1);
  FRunning = false;
  DeallocateHWnd(FWindowHandle);
  FWindowHandle = nullptr;
}

void TTimer::UpdateTimer() {
  if (FRunning) {
    KillTimer(FWindowHandle, 1);
    FRunning = false;
  }
  if (FEnabled && FInterval != 0 && FOnTimer) {
    if (!SetTimer(FWindowHandle, 1, FInterval, nullptr)) {
      FEnabled = false;
      throw EOutOfResources("Not enough timers available");
    }
    FRunning = true;
  }
}

void TTimer::SetEnabled(bool v) {
  if (FEnabled == v) return;
  FEnabled = v;
  UpdateTimer();
}

void TTimer::SetInterval(UINT v) {
  if (FInterval == v) return;
  FInterval = v;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent v) {
  FOnTimer = v;
  UpdateTimer();
}

void TTimer::Timer() {
  if (FOnTimer) FOnTimer(this);
}

void TTimer::WndProc(TMessage& m) {
  if (m.Msg == WM_TIMER) {
    // Last action: the handler may free the timer.
    if (FEnabled && FRunning) Timer();
    return;
  }
  m.Result = DefWindowProcA(FWindowHandle, m.Msg, m.WParam, m.LParam);
}

}  // namespace korv
