#include "widgets/TFlatSplitterUnit.h"

#include <iterator>

#include "classlib/Forms.h"
#include "classlib/Streaming.h"

namespace korv {

namespace {

[[noreturn]] void RangeError() { throw ERangeError("Range check error"); }

using S = TFlatSplitter;
bool ColorStored(const TObject* o) { return !static_cast<const S*>(o)->ParentColor(); }
bool ShowHintStored(const TObject* o) { return !static_cast<const S*>(o)->ParentShowHint(); }

const TPropInfo kFlatSplitterProps[] = {
    KORV_PROP_INT(S, AdvColorBorder, 50),
    KORV_PROP_INT(S, AdvColorFocused, 50),
    KORV_PROP_BOOL(S, UseAdvColors, false),
    props::WithStored(KORV_PROP_INT(S, Color, 0xE0E9EF), &ColorStored),
    KORV_PROP_INT(S, ColorFocused, 0x53D2FF),
    KORV_PROP_INT(S, ColorBorder, 0x555E66),
    KORV_PROP_INT(S, MinSize, 30),
    KORV_PROP_ENUM(S, Align, kAlignIdents, alLeft),
    KORV_PROP_BOOL(S, Enabled, true),
    KORV_PROP_BOOL(S, ParentColor, true),
    KORV_PROP_BOOL(S, ParentShowHint, true),
    props::WithStored(KORV_PROP_BOOL_NODEFAULT(S, ShowHint), &ShowHintStored),
    KORV_PROP_BOOL(S, Visible, true),
};
KORV_DEFINE_PROPS(TFlatSplitter, kFlatSplitterProps);

// The 8x8 halftone pattern of the drag line: every other pixel, alternating by row.
TUniqueBrush CreateHalftoneBrush() {
  static const WORD kPattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  TUniqueBitmap bmp(CreateBitmap(8, 8, 1, 1, kPattern));
  if (!bmp) return TUniqueBrush();
  return TUniqueBrush(CreatePatternBrush(bmp.Get()));  // the brush keeps its own copy
}

}  // namespace

KORV_DEFINE_CLASS(TFlatSplitter, TGraphicControl, &CreateComponent<TFlatSplitter>, &TFlatSplitter_PropTable);

TFlatSplitter::TFlatSplitter(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() | csOpaque);
  SetAlign(alLeft);
  SetWidth(5);
  SetCursor(crHSplit);
  SetParentColor(true);
}

TFlatSplitter::~TFlatSplitter() { StopSizing(false); }

// ---- properties ----

TAdvColors TFlatSplitter::GetAdvColors(int index) const noexcept {
  return index == 0 ? FAdvColorBorder : index == 1 ? FAdvColorFocused : 0;
}

void TFlatSplitter::SetAdvColors(int index, int v) {
  if (v < 0 || v > 100) RangeError();
  if (index == 0)
    FAdvColorBorder = static_cast<TAdvColors>(v);
  else if (index == 1)
    FAdvColorFocused = static_cast<TAdvColors>(v);
  else
    RangeError();
  ApplyAdvColors();
  Invalidate();
}

void TFlatSplitter::SetUseAdvColors(bool v) {
  if (FUseAdvColors == v) return;
  FUseAdvColors = v;
  SetParentColor(v);
  ApplyAdvColors();
  Invalidate();
}

TColor TFlatSplitter::GetColors(int index) const noexcept {
  return index == 0 ? FColorFocused : index == 1 ? FColorBorder : clNone;
}

void TFlatSplitter::SetColors(int index, TColor v) {
  if (index == 0)
    FColorFocused = v;
  else if (index == 1)
    FColorBorder = v;
  else
    RangeError();
  Invalidate();
}

void TFlatSplitter::SetMinSize(int v) {
  if (v < 1) RangeError();
  FMinSize = v;
}

void TFlatSplitter::ApplyAdvColors() {
  if (!FUseAdvColors) return;
  FColorBorder = ShadeColor(Color(), FColorBorder, FAdvColorBorder, true);
  FColorFocused = ShadeColor(Color(), FColorFocused, FAdvColorFocused, true);
}

void TFlatSplitter::SetLit(uint8_t v) {
  if (FLit == v) return;
  FLit = v;
  Repaint();
}

// ---- messages ----

void TFlatSplitter::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER:
      SetLit(0);
      return;
    case CM_MOUSELEAVE:
      SetLit(1);
      return;
    case CM_SYSCOLORCHANGE:
    case CM_PARENTCOLORCHANGED:
      if (m.Msg == CM_PARENTCOLORCHANGED) inherited::Dispatch(m);
      if (FUseAdvColors) {
        SetParentColor(true);
        ApplyAdvColors();
      }
      Invalidate();
      return;
    case CM_CANCELMODE:
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      // The capture went elsewhere while we were dragging: nothing is applied.
      inherited::Dispatch(m);
      if (Sizing() && !MouseCapture()) StopSizing();
      return;
    default:
      inherited::Dispatch(m);
  }
}

void TFlatSplitter::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != TOperation::opRemove || !component) return;
  if (component == FActiveControl || component == FControl) StopSizing(true, component);
}

// ---- painting ----

void TFlatSplitter::Paint() {
  const TRect client = ClientRect();
  const int w = RectWidth(client), h = RectHeight(client);
  if (w <= 0 || h <= 0) return;
  TBitmap mem(w, h);
  TCanvas& mc = *mem.Canvas();
  mc.Brush()->SetStyle(bsSolid);
  mc.Brush()->SetColor(FLit == 0 ? FColorFocused : Color());
  mc.FillRect(client);
  DrawFrameRings(mc, client, FColorBorder, FColorBorder, 1);
  BitBlt(Canvas()->Handle(), 0, 0, w, h, mc.Handle(), 0, 0, SRCCOPY);
}

// ---- dragging ----

TControl* TFlatSplitter::FindResizedControl() const {
  if (!Parent()) return nullptr;
  TPoint p = Point(Left(), Top());
  switch (Align()) {
    case alTop:
      --p.y;
      break;
    case alBottom:
      p.y = Top() + Height();
      break;
    case alLeft:
      --p.x;
      break;
    case alRight:
      p.x = Left() + Width();
      break;
    default:
      return nullptr;
  }
  TWinControl* parent = Parent();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    const TRect r = c->BoundsRect();
    if (PtInRect(&r, p)) return c;
  }
  return nullptr;
}

void TFlatSplitter::CalcSplitSize(int x, int y, int& newSize, int& split) const {
  const bool horizontal = Align() == alLeft || Align() == alRight;
  split = horizontal ? x - FDownPos.x : y - FDownPos.y;
  int s = 0;
  switch (Align()) {
    case alTop:
      s = FControl->Height() + split;
      break;
    case alBottom:
      s = FControl->Height() - split;
      break;
    case alLeft:
      s = FControl->Width() + split;
      break;
    case alRight:
      s = FControl->Width() - split;
      break;
    default:
      break;
  }
  newSize = s;
  if (newSize < FMinSize) newSize = FMinSize;
  if (newSize > FMaxSize) newSize = FMaxSize;
  if (newSize != s) {
    if (Align() == alRight || Align() == alBottom)
      split += s - newSize;
    else
      split += newSize - s;
  }
}

TRect TFlatSplitter::LineRect() const noexcept {
  TRect r = BoundsRect();
  if (Align() == alLeft || Align() == alRight)
    OffsetRect(&r, FSplit, 0);
  else
    OffsetRect(&r, 0, FSplit);
  return r;
}

// Inverts the line's rectangle on the parent; a second call restores the pixels.
void TFlatSplitter::DrawLine() {
  if (!FLineDC) return;
  FLineVisible = !FLineVisible;
  const TRect r = LineRect();
  TSelectGuard brush(FLineDC.Get(), FLineBrush.Get());
  PatBlt(FLineDC.Get(), r.left, r.top, RectWidth(r), RectHeight(r), PATINVERT);
}

void TFlatSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  inherited::MouseDown(button, shift, x, y);
  if (button != mbLeft || Sizing()) return;
  TControl* control = FindResizedControl();
  FDownPos = Point(x, y);
  if (!control) return;

  TWinControl* parent = Parent();
  const bool horizontal = Align() == alLeft || Align() == alRight;
  int maxSize = horizontal ? parent->ClientWidth() : parent->ClientHeight();
  maxSize -= FMinSize;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (horizontal && (c->Align() == alLeft || c->Align() == alRight)) maxSize -= c->Width();
    if (!horizontal && (c->Align() == alTop || c->Align() == alBottom)) maxSize -= c->Height();
  }
  maxSize += horizontal ? control->Width() : control->Height();
  // No room to honour MinSize on both sides: the drag does not start.
  if (maxSize < FMinSize) return;

  FControl = control;
  FMaxSize = maxSize;
  FControl->FreeNotification(this);
  CalcSplitSize(x, y, FNewSize, FSplit);

  HWND wnd = parent->Handle();
  FLineDC = TWindowDC(wnd, GetDCEx(wnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE));
  if (!FLineBrush) FLineBrush = CreateHalftoneBrush();

  if (TCustomForm* form = GetParentForm())
    if (TWinControl* active = form->ActiveControl()) {
      FActiveControl = active;
      FOldKeyDown = active->OnKeyDown;
      active->OnKeyDown = TKeyEvent(this, &TFlatSplitter::FocusKeyDown);
      active->FreeNotification(this);
    }
  DrawLine();
}

void TFlatSplitter::MouseMove(TShiftState shift, int x, int y) {
  inherited::MouseMove(shift, x, y);
  if (!Sizing()) return;
  DrawLine();
  CalcSplitSize(x, y, FNewSize, FSplit);
  DrawLine();
}

void TFlatSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  inherited::MouseUp(button, shift, x, y);
  if (!Sizing()) return;
  if (FLineVisible) DrawLine();
  ApplySize();
  StopSizing();
}

void TFlatSplitter::ApplySize() {
  if (FNewSize < 0) return;
  TControl* c = FControl;
  switch (Align()) {
    case alTop:
      c->SetHeight(FNewSize);
      break;
    case alBottom:
      Parent()->DisableAlign();
      c->SetTop(c->Top() + c->Height() - FNewSize);
      c->SetHeight(FNewSize);
      Parent()->EnableAlign();
      break;
    case alLeft:
      c->SetWidth(FNewSize);
      break;
    case alRight:
      Parent()->DisableAlign();
      c->SetLeft(c->Left() + c->Width() - FNewSize);
      c->SetWidth(FNewSize);
      Parent()->EnableAlign();
      break;
    default:
      break;
  }
}

void TFlatSplitter::StopSizing(bool fireMoved, TComponent* dying) {
  if (FControl) {
    if (FLineVisible) DrawLine();
    FLineVisible = false;
    // A control that is being destroyed is only forgotten: its fields may already be gone and it
    // is walking its own notification list.
    if (FControl != dying) FControl->RemoveFreeNotification(this);
    FControl = nullptr;
    FLineDC.Reset();
    if (FActiveControl) {
      if (FActiveControl != dying) {
        // Give the handler back only while ours is still installed.
        if (FActiveControl->OnKeyDown == TKeyEvent(this, &TFlatSplitter::FocusKeyDown))
          FActiveControl->OnKeyDown = FOldKeyDown;
        FActiveControl->RemoveFreeNotification(this);
      }
      FActiveControl = nullptr;
    }
    FOldKeyDown = nullptr;
  }
  if (fireMoved && OnMoved) OnMoved(this);
}

void TFlatSplitter::FocusKeyDown(TObject* sender, WORD& key, TShiftState shift) {
  if (key == VK_ESCAPE) {
    StopSizing();
  } else if (FOldKeyDown) {
    FOldKeyDown(sender, key, shift);
  }
}

}  // namespace korv
