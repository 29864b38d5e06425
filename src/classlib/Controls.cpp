// TControl, TGraphicControl, TControlCanvas and the free control functions.
#include "classlib/Controls.h"
#include "classlib/Streaming.h"

#include <algorithm>
#include <cctype>

#include "classlib/Forms.h"

namespace korv {

KORV_DEFINE_CLASS(TControlCanvas, TCanvas, nullptr, nullptr);
namespace {
// What every control publishes; the look and behaviour properties are published per class.
const TPropInfo kControlProps[] = {
    KORV_PROP_INT_NODEFAULT(TControl, Left),
    KORV_PROP_INT_NODEFAULT(TControl, Top),
    KORV_PROP_INT_NODEFAULT(TControl, Width),
    KORV_PROP_INT_NODEFAULT(TControl, Height),
    KORV_PROP_INT(TControl, Cursor, crDefault),
    KORV_PROP_STR(TControl, Hint, ""),
};
}  // namespace
KORV_DEFINE_PROPS(TControl, kControlProps);
KORV_DEFINE_CLASS(TControl, TComponent, nullptr, &TControl_PropTable);
namespace {
const TPropInfo kSizeConstraintsProps[] = {
    KORV_PROP_INT(TSizeConstraints, MaxHeight, 0),
    KORV_PROP_INT(TSizeConstraints, MaxWidth, 0),
    KORV_PROP_INT(TSizeConstraints, MinHeight, 0),
    KORV_PROP_INT(TSizeConstraints, MinWidth, 0),
};
}  // namespace
KORV_DEFINE_PROPS(TSizeConstraints, kSizeConstraintsProps);
KORV_DEFINE_CLASS(TSizeConstraints, TPersistent, nullptr, &TSizeConstraints_PropTable);
KORV_DEFINE_CLASS(TGraphicControl, TControl, nullptr, nullptr);

namespace detail {
// The graphic control that holds the mouse capture through its parent's window.
TControl* GCaptureControl = nullptr;
}  // namespace detail
using detail::GCaptureControl;

TControl* TWinControl::CaptureControl() noexcept { return GCaptureControl; }

// ---------------------------------------------------------------------------------------------
// Shift states

TShiftState MouseKeysToShiftState(UINT keys) noexcept {
  TShiftState s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState KeyDataToShiftState(LONG keyData) noexcept {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (keyData & 0x20000000) s |= ssAlt;  // context code: Alt held
  return s;
}

// ---------------------------------------------------------------------------------------------
// Accelerators

bool IsAccel(WORD charCode, const std::string& caption) noexcept {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {  // "&&" is a literal ampersand
      ++i;
      continue;
    }
    auto up = [](unsigned c) { return static_cast<unsigned>(std::toupper(static_cast<unsigned char>(c))); };
    return up(static_cast<unsigned char>(caption[i + 1])) == up(charCode & 0xFF) && charCode < 256;
  }
  return false;
}

TCustomForm* GetParentForm(const TControl* control) noexcept {
  const TControl* c = control;
  while (c && c->Parent()) c = c->Parent();
  if (!c) return nullptr;
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

// ---------------------------------------------------------------------------------------------
// TSizeConstraints

void TSizeConstraints::SetMaxHeight(TConstraintSize v) {
  v = std::max(v, 0);
  if (v == FMaxHeight) return;
  FMaxHeight = v;
  if (v > 0 && v < FMinHeight) FMinHeight = v;
  Change();
}

void TSizeConstraints::SetMaxWidth(TConstraintSize v) {
  v = std::max(v, 0);
  if (v == FMaxWidth) return;
  FMaxWidth = v;
  if (v > 0 && v < FMinWidth) FMinWidth = v;
  Change();
}

void TSizeConstraints::SetMinHeight(TConstraintSize v) {
  v = std::max(v, 0);
  if (v == FMinHeight) return;
  FMinHeight = v;
  if (FMaxHeight > 0 && v > FMaxHeight) FMaxHeight = v;
  Change();
}

void TSizeConstraints::SetMinWidth(TConstraintSize v) {
  v = std::max(v, 0);
  if (v == FMinWidth) return;
  FMinWidth = v;
  if (FMaxWidth > 0 && v > FMaxWidth) FMaxWidth = v;
  Change();
}

void TSizeConstraints::Apply(int& width, int& height) const noexcept {
  if (FMaxWidth > 0 && width > FMaxWidth) width = FMaxWidth;
  if (FMinWidth > 0 && width < FMinWidth) width = FMinWidth;
  if (FMaxHeight > 0 && height > FMaxHeight) height = FMaxHeight;
  if (FMinHeight > 0 && height < FMinHeight) height = FMinHeight;
}

TPersistent* TSizeConstraints::GetOwner() const { return FControl; }

void TSizeConstraints::AssignTo(TPersistent* dest) const {
  auto* d = dynamic_cast<TSizeConstraints*>(dest);
  if (!d) {
    TPersistent::AssignTo(dest);
    return;
  }
  // One change for all four values.
  TNotifyEvent saved = d->OnChange;
  d->OnChange = nullptr;
  d->FMinHeight = FMinHeight;
  d->FMaxHeight = FMaxHeight;
  d->FMinWidth = FMinWidth;
  d->FMaxWidth = FMaxWidth;
  d->OnChange = saved;
  d->Change();
}

void TSizeConstraints::Change() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------
// TControlCanvas

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* control) {
  if (FControl == control) return;
  FreeHandle();
  FControl = control;
}

void TControlCanvas::FreeHandle() {
  if (FDeviceContext) {
    HDC dc = FDeviceContext;
    FDeviceContext = nullptr;
    SetHandle(nullptr);
    ReleaseDC(FWindowHandle, dc);
    FWindowHandle = nullptr;
  }
}

void TControlCanvas::BindDC(HDC dc) {
  FreeHandle();
  SetHandle(dc);
}

void TControlCanvas::CreateHandle() {
  if (!FControl) return;
  FreeHandle();
  HWND wnd = nullptr;
  int dx = 0, dy = 0;
  bool clip = false;
  if (auto* w = dynamic_cast<TWinControl*>(FControl)) {
    wnd = w->Handle();
  } else {
    TWinControl* p = FControl->Parent();
    if (!p) return;
    wnd = p->Handle();
    dx = FControl->Left();
    dy = FControl->Top();
    clip = true;
  }
  HDC dc = GetDCEx(wnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  if (!dc) return;
  if (clip) {
    SetViewportOrgEx(dc, dx, dy, nullptr);
    IntersectClipRect(dc, 0, 0, FControl->Width(), FControl->Height());
  }
  FDeviceContext = dc;
  FWindowHandle = wnd;
  SetHandle(dc);
}

// ---------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner)
    : TComponent(owner), FFont(std::make_unique<TFont>()), FConstraints(std::make_unique<TSizeConstraints>(this)) {
  WindowProc = TWndMethod(this, &TControl::WndProc);
  FFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
  FConstraints->OnChange = TNotifyEvent(this, &TControl::ConstraintsChanged);
}

TControl::~TControl() {
  SetComponentState(csDestroying);
  if (GCaptureControl == this) {
    GCaptureControl = nullptr;
    if (FParent && FParent->HandleAllocated() && GetCapture() == FParent->HandleIfAllocated()) ReleaseCapture();
  }
  if (FParent) FParent->RemoveControl(this);
  if (Screen) Screen->ControlDestroyed(this);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  if (WindowProc)
    WindowProc(m);
  else
    WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MBUTTONDBLCLK) {
    if (!(FControlStyle & csDoubleClicks)) {
      switch (m.Msg) {
        case WM_LBUTTONDBLCLK: m.Msg = WM_LBUTTONDOWN; break;
        case WM_RBUTTONDBLCLK: m.Msg = WM_RBUTTONDOWN; break;
        case WM_MBUTTONDBLCLK: m.Msg = WM_MBUTTONDOWN; break;
        default: break;
      }
    }
    switch (m.Msg) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (FControlStyle & csCaptureMouse) SetMouseCapture(true);
        if (FControlStyle & csClickEvents) FControlState |= csClicked;
        FControlState |= csLButtonDown;
        break;
      case WM_LBUTTONUP:
        FControlState &= ~csLButtonDown;
        break;
      default:
        break;
    }
  }
  Dispatch(m);
}

void TControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN: WMMouseDown(m, mbLeft, 0); return;
    case WM_RBUTTONDOWN: WMMouseDown(m, mbRight, 0); return;
    case WM_MBUTTONDOWN: WMMouseDown(m, mbMiddle, 0); return;
    case WM_LBUTTONDBLCLK:
      if (FControlStyle & csClickEvents) DblClick();
      WMMouseDown(m, mbLeft, ssDouble);
      return;
    case WM_RBUTTONDBLCLK: WMMouseDown(m, mbRight, ssDouble); return;
    case WM_MBUTTONDBLCLK: WMMouseDown(m, mbMiddle, ssDouble); return;
    case WM_LBUTTONUP: WMMouseUp(m, mbLeft); return;
    case WM_RBUTTONUP: WMMouseUp(m, mbRight); return;
    case WM_MBUTTONUP: WMMouseUp(m, mbMiddle); return;
    case WM_MOUSEMOVE: WMMouseMove(m); return;
    case WM_CAPTURECHANGED:
      // A graphic control loses the capture with its parent's window.
      if (GCaptureControl == this && !IsWindowed()) GCaptureControl = nullptr;
      break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(m); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(m); return;
    case CM_COLORCHANGED: CMColorChanged(m); return;
    case CM_FONTCHANGED: CMFontChanged(m); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(m); return;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(m); return;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(m); return;
    case CM_PARENTBIDIMODECHANGED:
      if (FParentBiDiMode && FParent) {
        SetBiDiMode(FParent->BiDiMode());
        FParentBiDiMode = true;
      }
      return;
    case CM_MOUSEENTER: CMMouseEnter(m); return;
    case CM_MOUSELEAVE: CMMouseLeave(m); return;
    case CM_HITTEST: CMHitTest(m); return;
    case CM_CANCELMODE:
      if (GCaptureControl == this && reinterpret_cast<TControl*>(m.LParam) != this) SetMouseCapture(false);
      return;
    case WM_CANCELMODE:
      if (MouseCapture()) SetMouseCapture(false);
      break;
    default:
      break;
  }
  DefaultHandler(m);
}

void TControl::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_GETTEXTLENGTH: m.Result = static_cast<LRESULT>(FText.size()); break;
    default: break;
  }
}

// The mouse handlers run the window's default handling first: a sub-classed system control
// (a scroll bar, an edit box) does its own work with the button and the pointer there.
void TControl::WMMouseDown(TMessage& m, TMouseButton button, TShiftState extra) {
  if (button != mbLeft) SendCancelMode(this);
  DefaultHandler(m);
  TWMMouse w(m);
  MouseDown(button, MouseKeysToShiftState(w.Keys) | extra, w.XPos, w.YPos);
}

void TControl::WMMouseUp(TMessage& m, TMouseButton button) {
  DefaultHandler(m);
  TWMMouse w(m);
  if (button == mbLeft) {
    if (FControlStyle & csCaptureMouse) SetMouseCapture(false);
    if (FControlState & csClicked) {
      FControlState &= ~csClicked;
      TRect r = ClientRect();
      if (PtInRect(&r, Point(w.XPos, w.YPos))) Click();
    }
  }
  MouseUp(button, MouseKeysToShiftState(w.Keys), w.XPos, w.YPos);
}

void TControl::WMMouseMove(TMessage& m) {
  DefaultHandler(m);
  TWMMouse w(m);
  MouseMove(MouseKeysToShiftState(w.Keys), w.XPos, w.YPos);
}

void TControl::SendCancelMode(TControl* sender) {
  if (TCustomForm* f = GetParentForm()) f->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(sender));
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }
void TControl::CMVisibleChanged(TMessage&) {
  // A graphic control's area of the parent shows what lies beneath now.
  if (FParent && FParent->HandleAllocated()) {
    TRect r = BoundsRect();
    InvalidateRect(FParent->HandleIfAllocated(), &r, TRUE);
  }
}
void TControl::CMColorChanged(TMessage&) { Invalidate(); }
void TControl::CMFontChanged(TMessage&) { Invalidate(); }

void TControl::CMParentColorChanged(TMessage& m) {
  if (!FParentColor) return;
  TColor c = m.WParam ? static_cast<TColor>(m.LParam) : (FParent ? FParent->Color() : FColor);
  SetColor(c);
  FParentColor = true;
}

void TControl::CMParentFontChanged(TMessage&) {
  if (!FParentFont || !FParent) return;
  FFont->Assign(FParent->Font());
  FParentFont = true;
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!FParentShowHint || !FParent) return;
  SetShowHint(FParent->ShowHint());
  FParentShowHint = true;
}

void TControl::CMMouseEnter(TMessage& m) {
  if (m.LParam == 0 && FParent) FParent->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(this));
}
void TControl::CMMouseLeave(TMessage& m) {
  if (m.LParam == 0 && FParent) FParent->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(this));
}
void TControl::CMHitTest(TMessage& m) { m.Result = HTCLIENT; }

void TControl::FontChanged(TObject*) {
  FParentFont = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* p) {
  if (auto* wc = dynamic_cast<TWinControl*>(p)) SetParent(wc);
}

void TControl::SetParent(TWinControl* parent) {
  if (FParent == parent) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  FConstraints->Apply(width, height);
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) {
    if (!FAnchorMove) UpdateAnchorRules();
    return;
  }
  if (FParent && FParent->HandleAllocated() && FVisible) {
    TRect old = BoundsRect();
    InvalidateRect(FParent->HandleIfAllocated(), &old, !(FControlStyle & csOpaque));
  }
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (FParent && FParent->HandleAllocated() && FVisible) {
    TRect r = BoundsRect();
    InvalidateRect(FParent->HandleIfAllocated(), &r, !(FControlStyle & csOpaque));
  }
  if (!FAnchorMove) UpdateAnchorRules();
  BoundsChanged();
}

void TControl::BoundsChanged() {
  RequestAlignOf(this);
  Resize();
}

void TControl::RequestAlignOf(TControl* c) {
  if (!c->FParent) return;
  if (c->FAlign != alNone)
    c->FParent->AlignControl(c);
  else
    c->FParent->ChildBoundsChanged(c);
}

void TControl::ConstraintsChanged(TObject*) { SetBounds(FLeft, FTop, FWidth, FHeight); }

void TControl::SetAnchors(TAnchors v) {
  v &= akLeft | akTop | akRight | akBottom;
  if (FAnchors == v) return;
  FAnchors = v;
  UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (!FParent) {
    FAnchorRules = false;
    return;
  }
  TRect pr = FParent->ClientRect();
  FAnchorOrigin = BoundsRect();
  FAnchorParentSize = Point(RectWidth(pr), RectHeight(pr));
  FAnchorRules = true;
}

void TControl::ApplyAnchors() {
  if (!FParent || !FAnchorRules || FAlign != alNone || FAnchors == kDefaultAnchors) return;
  TRect pr = FParent->ClientRect();
  // Along one axis: anchored to both edges the size follows the parent, to the far edge only the
  // position does, to neither the position follows half of the change (the control stays where
  // it was relative to the middle).
  auto axis = [](int pos, int size, int delta, bool nearEdge, bool farEdge, int& newPos, int& newSize) {
    newPos = pos;
    newSize = size;
    if (farEdge) {
      if (nearEdge)
        newSize = size + delta;
      else
        newPos = pos + delta;
    } else if (!nearEdge) {
      newPos = pos + delta / 2;
    }
  };
  int l, t, w, h;
  axis(FAnchorOrigin.left, RectWidth(FAnchorOrigin), RectWidth(pr) - FAnchorParentSize.x, (FAnchors & akLeft) != 0,
       (FAnchors & akRight) != 0, l, w);
  axis(FAnchorOrigin.top, RectHeight(FAnchorOrigin), RectHeight(pr) - FAnchorParentSize.y, (FAnchors & akTop) != 0,
       (FAnchors & akBottom) != 0, t, h);
  if (l == FLeft && t == FTop && w == FWidth && h == FHeight) return;
  FAnchorMove = true;
  try {
    SetBounds(l, t, std::max(w, 0), std::max(h, 0));
  } catch (...) {
    FAnchorMove = false;
    throw;
  }
  FAnchorMove = false;
}

void TControl::Changed() { Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this)); }

void TControl::BeginReadState() { FControlState |= csReadingState; }
void TControl::EndReadState() noexcept { FControlState &= ~csReadingState; }

TRect TControl::ClientRect() const { return Rect(0, 0, FWidth, FHeight); }

void TControl::SetClientWidth(int v) { SetWidth(FWidth - ClientWidth() + v); }
void TControl::SetClientHeight(int v) { SetHeight(FHeight - ClientHeight() + v); }

TPoint TControl::ClientOrigin() const {
  if (!FParent) return Point(FLeft, FTop);
  TPoint p = FParent->ClientOrigin();
  return Point(p.x + FLeft, p.y + FTop);
}

TPoint TControl::ClientToScreen(TPoint p) const {
  TPoint o = ClientOrigin();
  return Point(p.x + o.x, p.y + o.y);
}

TPoint TControl::ScreenToClient(TPoint p) const {
  TPoint o = ClientOrigin();
  return Point(p.x - o.x, p.y - o.y);
}

void TControl::SetAlign(TAlign align) {
  if (FAlign == align) return;
  TAlign old = FAlign;
  FAlign = align;
  if (FParent) {
    if (old != alNone || align != alNone) FParent->AlignControl(this);
  }
}

void TControl::SetVisible(bool v) {
  if (FVisible == v) return;
  VisibleChanging();
  FVisible = v;
  Perform(CM_VISIBLECHANGED, v ? 1 : 0, 0);
  if (FParent && (FAlign != alNone)) FParent->AlignControl(this);
}

void TControl::Show() {
  if (FParent) FParent->Show();
  SetVisible(true);
}

void TControl::Hide() { SetVisible(false); }

bool TControl::Showing() const { return FVisible && FParent && FParent->Showing(); }

void TControl::SetEnabled(bool v) {
  if (FEnabled == v) return;
  FEnabled = v;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor c) {
  if (FColor == c) {
    FParentColor = false;
    return;
  }
  FColor = c;
  FParentColor = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool v) {
  if (FParentColor == v) return;
  FParentColor = v;
  if (FParent && v) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool v) {
  if (FParentFont == v) return;
  FParentFont = v;
  if (FParent && v) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

std::string TControl::GetText() const { return FText; }

void TControl::SetText(const std::string& v) {
  if (GetText() == v) return;
  SetTextBuf(v);
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetTextBuf(const std::string& v) { FText = v; }

void TControl::SetShowHint(bool v) {
  if (FShowHint == v) {
    FParentShowHint = false;
    return;
  }
  FShowHint = v;
  FParentShowHint = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool v) {
  if (FParentShowHint == v) return;
  FParentShowHint = v;
  if (FParent && v) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor v) {
  if (FCursor == v) return;
  FCursor = v;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* menu) { FPopupMenu = menu; }

void TControl::SetBiDiMode(TBiDiMode v) {
  FParentBiDiMode = false;
  if (FBiDiMode == v) return;
  FBiDiMode = v;
  Perform(CM_BIDIMODECHANGED, 0, 0);
}

void TControl::SetParentBiDiMode(bool v) {
  if (FParentBiDiMode == v) return;
  FParentBiDiMode = v;
  if (FParent && v) Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
}

UINT TControl::DrawTextBiDiModeFlags(UINT flags) const noexcept {
  if (UseRightToLeftAlignment()) {
    if ((flags & (DT_CENTER | DT_RIGHT)) == 0)
      flags |= DT_RIGHT;
    else if (flags & DT_RIGHT)
      flags &= ~static_cast<UINT>(DT_RIGHT);
  }
  if (UseRightToLeftReading()) flags |= DT_RTLREADING;
  return flags;
}

bool TControl::MouseCapture() const {
  HWND cap = GetCapture();
  if (!cap) return false;
  if (IsWindowed()) return static_cast<const TWinControl*>(this)->HandleIfAllocated() == cap;
  return GCaptureControl == this && FParent && FParent->HandleIfAllocated() == cap;
}

void TControl::SetMouseCapture(bool v) {
  if (MouseCapture() == v) return;
  if (v) {
    if (IsWindowed()) {
      GCaptureControl = nullptr;
      SetCapture(static_cast<TWinControl*>(this)->Handle());
    } else {
      if (!FParent) return;
      HWND wnd = FParent->Handle();
      GCaptureControl = this;
      if (GetCapture() != wnd) SetCapture(wnd);
      GCaptureControl = this;  // SetCapture's WM_CAPTURECHANGED went to the old owner
    }
  } else {
    if (GCaptureControl == this) GCaptureControl = nullptr;
    ReleaseCapture();
  }
}

void TControl::Invalidate() {
  if (!FParent || !FParent->HandleAllocated() || !FVisible) return;
  TRect r = BoundsRect();
  InvalidateRect(FParent->HandleIfAllocated(), &r, !(FControlStyle & csOpaque));
}

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::Repaint() {
  if (!FVisible || !FParent || !FParent->HandleAllocated()) return;
  if (FControlStyle & csOpaque) {
    // Paints straight into the parent's window through a DC that is released afterwards.
    HWND wnd = FParent->HandleIfAllocated();
    TWindowDC dc = TWindowDC::Client(wnd);
    if (!dc) return;
    IntersectClipRect(dc.Get(), FLeft, FTop, FLeft + FWidth, FTop + FHeight);
    FParent->PaintControls(dc.Get(), this);
  } else {
    Invalidate();
    Update();
  }
}

void TControl::BringToFront() {
  if (FParent) FParent->SetChildOrder(this, true);
}

void TControl::SendToBack() {
  if (FParent) FParent->SetChildOrder(this, false);
}

TCustomForm* TControl::GetParentForm() const { return korv::GetParentForm(this); }

void TControl::ParentColorChanged() {}

// ---------------------------------------------------------------------------------------------
// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() { FCanvas->SetControl(nullptr); }

void TGraphicControl::Dispatch(TMessage& m) {
  if (m.Msg == WM_PAINT) {
    WMPaint(m);
    return;
  }
  inherited::Dispatch(m);
}

void TGraphicControl::WMPaint(TMessage& m) {
  // The parent passes its DC, with the origin at this control and the clip limited to it.
  if (!m.WParam) return;
  TCanvasPaintScope scope(*FCanvas, reinterpret_cast<HDC>(m.WParam));
  Paint();
}

}  // namespace korv
