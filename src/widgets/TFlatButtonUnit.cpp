#include "widgets/TFlatButtonUnit.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/Streaming.h"

namespace korv {

namespace {

// Shared by every button of the process; the window thread is the only one that touches them.
TTimer* GHoverTimer = nullptr;
TFlatButton* GHoveredButton = nullptr;
int GFlatButtonCount = 0;
// Live buttons, so that a sender named in CM_BUTTONPRESSED is used only when it is one of them.
std::vector<TFlatButton*> GLiveButtons;

bool IsLiveButton(const void* p) {
  return std::find(GLiveButtons.begin(), GLiveButtons.end(), p) != GLiveButtons.end();
}

COLORREF PixelAt(const TBitmap& bmp, int x, int y) {
  const uint8_t* p = bmp.ScanLine(y) + x * 3;
  return RGB(p[2], p[1], p[0]);
}

// Which frame of the glyph each state shows, by NumGlyphs (rows 1..4) and state.
constexpr int kGlyphFrame[4][4] = {
    // fbsUp, fbsDisabled, fbsDown, fbsExclusive
    {0, 0, 0, 0},
    {0, 1, 0, 0},
    {0, 1, 2, 2},
    {0, 1, 2, 3},
};

[[noreturn]] void RangeError() { throw ERangeError("Range check error"); }

// ---- property table ----

const char* const kTransparentModeIdents[] = {"tmAlways", "tmNotFocused", "tmNone"};
const char* const kButtonLayoutIdents[] = {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"};

using B = TFlatButton;
bool ColorStored(const TObject* o) { return !static_cast<const B*>(o)->ParentColor(); }
bool FontStored(const TObject* o) { return !static_cast<const B*>(o)->ParentFont(); }
bool GlyphStored(const TObject* o) { return !static_cast<const B*>(o)->Glyph()->Empty(); }
bool ShowHintStored(const TObject* o) { return !static_cast<const B*>(o)->ParentShowHint(); }

TPropInfo ModalResultProp() {
  TPropInfo p = props::Base("ModalResult", TPropKind::Integer);
  p.GetOrd = [](const TObject* o) -> int64_t { return static_cast<const B*>(o)->ModalResult; };
  p.SetOrd = [](TObject* o, int64_t v) { static_cast<B*>(o)->ModalResult = static_cast<TModalResult>(v); };
  p.HasDefault = true;
  p.DefaultOrd = mrNone;
  return p;
}

const TPropInfo kFlatButtonProps[] = {
    KORV_PROP_ENUM(B, TransparentMode, kTransparentModeIdents, tmNone),
    KORV_PROP_BOOL(B, Default, false),
    KORV_PROP_BOOL(B, AllowAllUp, false),
    props::WithStored(KORV_PROP_INT(B, Color, 0xE1EAEB), &ColorStored),
    KORV_PROP_INT(B, ColorFocused, 0xE1EAEB),
    KORV_PROP_INT(B, ColorDown, 0xC5D6D9),
    KORV_PROP_INT(B, ColorBorder, 0x8396A0),
    KORV_PROP_INT(B, ColorHighLight, 0xFFFFFF),
    KORV_PROP_INT(B, ColorShadow, 0x000000),
    KORV_PROP_INT(B, AdvColorFocused, 10),
    KORV_PROP_INT(B, AdvColorDown, 10),
    KORV_PROP_INT(B, AdvColorBorder, 50),
    KORV_PROP_BOOL(B, UseAdvColors, false),
    KORV_PROP_INT(B, GroupIndex, 0),
    KORV_PROP_BOOL(B, Down, false),
    KORV_PROP_STR(B, Caption, ""),
    KORV_PROP_BOOL(B, Enabled, true),
    props::WithStored(KORV_PROP_OBJECT(B, Font), &FontStored),
    props::WithStored(KORV_PROP_OBJECT(B, Glyph), &GlyphStored),
    KORV_PROP_ENUM(B, Layout, kButtonLayoutIdents, blGlyphTop),
    KORV_PROP_INT(B, Margin, -1),
    KORV_PROP_INT(B, NumGlyphs, 1),
    KORV_PROP_BOOL(B, ParentFont, true),
    KORV_PROP_BOOL(B, ParentColor, true),
    KORV_PROP_BOOL(B, ParentShowHint, true),
    KORV_PROP_COMPONENT(B, PopupMenu),
    props::WithStored(KORV_PROP_BOOL_NODEFAULT(B, ShowHint), &ShowHintStored),
    KORV_PROP_BOOL(B, TabStop, false),
    KORV_PROP_INT(B, TabOrder, -1),
    KORV_PROP_INT(B, Spacing, 4),
    ModalResultProp(),
    KORV_PROP_BOOL(B, Visible, true),
};
KORV_DEFINE_PROPS(TFlatButton, kFlatButtonProps);

}  // namespace

KORV_DEFINE_CLASS(TFlatButton, TCustomControl, &CreateComponent<TFlatButton>, &TFlatButton_PropTable);

// ---------------------------------------------------------------------------------------------

TFlatButton::TFlatButton(TComponent* owner) : TCustomControl(owner), FGlyph(std::make_unique<TBitmap>()) {
  SetBounds(0, 0, 25, 25);
  SetControlStyle(csCaptureMouse | csOpaque | csDoubleClicks);
  SetParentFont(true);
  SetParentColor(true);
  if (!GHoverTimer) {
    GHoverTimer = NewComponent<TTimer>(nullptr);
    GHoverTimer->SetEnabled(false);
    GHoverTimer->SetInterval(100);
  }
  ++GFlatButtonCount;
  GLiveButtons.push_back(this);
}

TFlatButton::~TFlatButton() {
  StopHoverTimer();
  FGlyph.reset();
  GLiveButtons.erase(std::remove(GLiveButtons.begin(), GLiveButtons.end(), this), GLiveButtons.end());
  if (--GFlatButtonCount == 0) FreeAndNil(GHoverTimer);
}

TTimer* TFlatButton::HoverTimer() noexcept { return GHoverTimer; }
TFlatButton* TFlatButton::HoveredButton() noexcept { return GHoveredButton; }
int TFlatButton::FlatButtonCount() noexcept { return GFlatButtonCount; }

void TFlatButton::Loaded() {
  inherited::Loaded();
  Invalidate();
}

// ---- properties ----

void TFlatButton::SetTransparentMode(TTransparentMode v) {
  FTransparentMode = v;
  Invalidate();
}

void TFlatButton::SetDefault(bool v) {
  FDefault = v;
  if (HandleAllocated())
    if (TCustomForm* form = GetParentForm())
      form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
  Invalidate();
}

void TFlatButton::SetAllowAllUp(bool v) {
  if (FAllowAllUp == v) return;
  FAllowAllUp = v;
  NotifyGroup();
}

TColor TFlatButton::GetColors(int index) const noexcept {
  switch (index) {
    case 0:
      return FColorFocused;
    case 1:
      return FColorDown;
    case 2:
      return FColorBorder;
    case 3:
      return FColorHighLight;
    case 4:
      return FColorShadow;
    default:
      return clNone;
  }
}

void TFlatButton::SetColors(int index, TColor v) {
  switch (index) {
    case 0:
      FColorFocused = v;
      break;
    case 1:
      FColorDown = v;
      break;
    case 2:
      FColorBorder = v;
      break;
    case 3:
      FColorHighLight = v;
      break;
    case 4:
      FColorShadow = v;
      break;
    default:
      RangeError();
  }
  Invalidate();
}

TAdvColors TFlatButton::GetAdvColors(int index) const noexcept {
  switch (index) {
    case 0:
      return FAdvColorFocused;
    case 1:
      return FAdvColorDown;
    case 2:
      return FAdvColorBorder;
    default:
      return 0;
  }
}

void TFlatButton::SetAdvColors(int index, int v) {
  if (v < 0 || v > 100) RangeError();
  switch (index) {
    case 0:
      FAdvColorFocused = static_cast<TAdvColors>(v);
      break;
    case 1:
      FAdvColorDown = static_cast<TAdvColors>(v);
      break;
    case 2:
      FAdvColorBorder = static_cast<TAdvColors>(v);
      break;
    default:
      RangeError();
  }
  ApplyAdvColors();
  Invalidate();
}

void TFlatButton::SetUseAdvColors(bool v) {
  if (FUseAdvColors == v) return;
  FUseAdvColors = v;
  SetParentColor(v);
  ApplyAdvColors();
  Invalidate();
}

void TFlatButton::ApplyAdvColors() {
  if (!FUseAdvColors) return;
  FColorFocused = ShadeColor(Color(), FColorFocused, FAdvColorFocused, false);
  FColorDown = ShadeColor(Color(), FColorDown, FAdvColorDown, true);
  FColorBorder = ShadeColor(Color(), FColorBorder, FAdvColorBorder, true);
}

void TFlatButton::SetGroupIndex(int v) {
  if (FGroupIndex == v) return;
  FGroupIndex = v;
  NotifyGroup();
}

void TFlatButton::SetDown(bool v) {
  if (FGroupIndex == 0) v = false;
  if (v == FDown) return;
  // A down group button is released only by another member, unless all may be up.
  if (FDown && !FAllowAllUp) return;
  FDown = v;
  if (v) {
    if (FState == fbsUp) Invalidate();
    FState = fbsExclusive;
  } else {
    FState = fbsUp;
    Repaint();
  }
  if (v) NotifyGroup();
}

void TFlatButton::SetGlyph(const TBitmap* v) {
  if (v == FGlyph.get()) return;
  FGlyph->Assign(v);
  if (!FGlyph->Empty() && FGlyph->Height() > 0 && FGlyph->Width() % FGlyph->Height() == 0) {
    int n = FGlyph->Width() / FGlyph->Height();
    FNumGlyphs = static_cast<TNumGlyphs>(n > 4 ? 1 : n);
  }
  Invalidate();
}

void TFlatButton::SetLayout(TButtonLayout v) {
  if (FLayout == v) return;
  FLayout = v;
  Invalidate();
}

void TFlatButton::SetMargin(int v) {
  if (v == FMargin || v < -1) return;
  FMargin = v;
  Invalidate();
}

void TFlatButton::SetNumGlyphs(int v) {
  if (v < 1 || v > 4) RangeError();
  if (FNumGlyphs == v) return;
  FNumGlyphs = static_cast<TNumGlyphs>(v);
  Invalidate();
}

void TFlatButton::SetSpacing(int v) {
  if (FSpacing == v) return;
  FSpacing = v;
  Invalidate();
}

// ---- pressing and hovering ----

void TFlatButton::Click() {
  if (Parent())
    if (TCustomForm* form = GetParentForm()) form->SetModalResult(ModalResult);
  inherited::Click();
}

void TFlatButton::EndHover() {
  if (FMouseHeld) return;
  // The shared timer stops whenever this button is no longer lit, also when the lit look went
  // already (a click released on the row just below the button clears it before this runs).
  StopHoverTimer();
  if (Enabled() && FHot) {
    FHot = false;
    Invalidate();
  }
}

void TFlatButton::BeginHover() {
  if (Enabled() && !FHot) {
    FHot = true;
    Invalidate();
  }
}

void TFlatButton::StopHoverTimer() {
  if (GHoveredButton == this) {
    GHoverTimer->SetEnabled(false);
    GHoverTimer->SetOnTimer(nullptr);
    GHoveredButton = nullptr;
  }
}

void TFlatButton::HoverTimerTick(TObject*) {
  POINT p;
  if (!GetCursorPos(&p)) return;
  if (FindDragTarget(p, true) != this) EndHover();
}

void TFlatButton::UpdateHover() {
  if (!Enabled()) return;
  POINT p;
  if (!GetCursorPos(&p)) return;
  if (FindDragTarget(p, true) == this)
    BeginHover();
  else
    EndHover();
}

void TFlatButton::NotifyGroup() {
  if (FGroupIndex == 0 || !Parent()) return;
  TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex), reinterpret_cast<LPARAM>(this), 0};
  Parent()->Broadcast(m);
}

bool TFlatButton::InsideForRelease(int x, int y) const {
  return x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight();
}

void TFlatButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  inherited::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (!FDown) {
    FState = fbsDown;
    Invalidate();
  }
  FMouseHeld = true;
  if (CanFocus()) SetFocus();
}

void TFlatButton::MouseMove(TShiftState shift, int x, int y) {
  inherited::MouseMove(shift, x, y);
  TPoint screen = ClientToScreen(Point(x, y));
  // A button under the mouse that is not lit (whether or not it still owns the timer) lights up.
  if ((GHoveredButton != this || !FHot) && FindDragTarget(screen, true) == this) {
    if (GHoveredButton && GHoveredButton != this) GHoveredButton->EndHover();
    if (GetActiveWindow() != nullptr) {
      if (GHoverTimer->Enabled()) GHoverTimer->SetEnabled(false);
      GHoveredButton = this;
      GHoverTimer->SetOnTimer(TNotifyEvent(this, &TFlatButton::HoverTimerTick));
      GHoverTimer->SetEnabled(true);
      BeginHover();
    }
  }
  if (FMouseHeld) {
    TFlatButtonState s = FDown ? fbsExclusive : fbsUp;
    if (InsideForRelease(x, y)) s = FDown ? fbsExclusive : fbsDown;
    if (s != FState) {
      FState = s;
      Invalidate();
    }
  }
}

void TFlatButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  inherited::MouseUp(button, shift, x, y);
  if (!FMouseHeld) return;
  FMouseHeld = false;
  const bool inside = InsideForRelease(x, y);
  if (FGroupIndex == 0) {
    FState = fbsUp;
    if (inside) {
      FHot = false;
      Invalidate();
    }
    // Outside, EndHover below takes the lit look away and repaints.
  } else if (inside) {
    SetDown(!FDown);
    if (FDown) Repaint();
  } else {
    if (FDown) FState = fbsExclusive;
    Repaint();
  }
  if (inside)
    Click();
  else
    EndHover();
  UpdateHover();
}

// The press ends without a click; the lit look stays with the hover timer, as after a release.
void TFlatButton::ReleaseHeld() {
  if (!FMouseHeld) return;
  FMouseHeld = false;
  FState = FDown ? fbsExclusive : fbsUp;
  if (MouseCapture()) SetMouseCapture(false);
  Invalidate();
}

// ---- messages ----

void TFlatButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDBLCLK:
      WMLButtonDblClk(m);
      return;
    case CM_ENABLEDCHANGED:
      CMEnabledChanged(m);
      return;
    case CM_BUTTONPRESSED:
      CMButtonPressed(m);
      return;
    case CM_DIALOGCHAR:
      CMDialogChar(m);
      return;
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
      Invalidate();
      return;
    case CM_SYSCOLORCHANGE:
      CMSysColorChange(m);
      return;
    case CM_PARENTCOLORCHANGED:
      CMParentColorChanged(m);
      return;
    case WM_SETFOCUS:
      WMSetFocus(m);
      return;
    case WM_KILLFOCUS:
      WMKillFocus(m);
      return;
    case WM_KEYDOWN:
      WMKeyDown(m);
      return;
    case WM_KEYUP:
      WMKeyUp(m);
      return;
    case WM_MOVE:
    case WM_SIZE:
      WMMoveOrSize(m);
      return;
    case CM_MOUSEENTER:
      CMMouseEnter(m);
      return;
    case CM_MOUSELEAVE:
      CMMouseLeave(m);
      return;
    case WM_CANCELMODE:
      WMCancelMode(m);
      return;
    default:
      inherited::Dispatch(m);
  }
}

void TFlatButton::WMLButtonDblClk(TMessage& m) {
  inherited::Dispatch(m);
  if (FDown) DblClick();
}

void TFlatButton::CMEnabledChanged(TMessage& m) {
  inherited::Dispatch(m);
  if (!Enabled()) {
    ReleaseHeld();
    FHot = false;
    FState = fbsDisabled;
    StopHoverTimer();
  }
  UpdateHover();
  Invalidate();
}

void TFlatButton::CMButtonPressed(TMessage& m) {
  if (static_cast<int>(m.WParam) != FGroupIndex) return;
  // Only a live flat button is read as the sender; anything else in LParam is ignored.
  void* p = reinterpret_cast<void*>(m.LParam);
  if (p == this || !IsLiveButton(p)) return;
  auto* sender = static_cast<TFlatButton*>(p);
  if (sender->Down() && FDown) {
    FDown = false;
    FState = fbsUp;
    Invalidate();
  }
  FAllowAllUp = sender->AllowAllUp();
}

void TFlatButton::CMDialogChar(TMessage& m) {
  if (IsAccel(static_cast<WORD>(m.WParam), Caption()) && Enabled()) {
    if (FGroupIndex != 0) SetDown(true);
    Click();
    m.Result = 1;
    return;
  }
  inherited::Dispatch(m);
}

void TFlatButton::CMSysColorChange(TMessage&) {
  if (FUseAdvColors) {
    SetParentColor(true);
    ApplyAdvColors();
  }
  Invalidate();
}

void TFlatButton::CMParentColorChanged(TMessage& m) {
  inherited::Dispatch(m);
  if (FUseAdvColors) {
    SetParentColor(true);
    ApplyAdvColors();
  }
  Invalidate();
}

void TFlatButton::WMSetFocus(TMessage& m) {
  inherited::Dispatch(m);
  if (Enabled()) {
    FHot = true;
    Invalidate();
  }
}

void TFlatButton::WMKillFocus(TMessage& m) {
  inherited::Dispatch(m);
  EndHover();
}

void TFlatButton::WMKeyDown(TMessage& m) {
  if (m.WParam == VK_SPACE) {
    if (FGroupIndex != 0)
      SetDown(true);
    else
      FState = fbsDown;
    Invalidate();
  }
}

void TFlatButton::WMKeyUp(TMessage& m) {
  if (m.WParam == VK_SPACE) {
    if (FGroupIndex != 0)
      SetDown(false);
    else
      FState = fbsUp;
    Click();
    Invalidate();
  }
}

void TFlatButton::WMMoveOrSize(TMessage& m) {
  inherited::Dispatch(m);
  if (FTransparentMode != tmNone) Invalidate();
}

void TFlatButton::CMMouseEnter(TMessage& m) {
  inherited::Dispatch(m);
  if (OnMouseEnter) OnMouseEnter(this);
}

void TFlatButton::CMMouseLeave(TMessage& m) {
  inherited::Dispatch(m);
  if (OnMouseLeave) OnMouseLeave(this);
}

void TFlatButton::WMCancelMode(TMessage& m) {
  inherited::Dispatch(m);
  ReleaseHeld();
}

// ---- painting ----

void TFlatButton::Paint() {
  const TRect client = ClientRect();
  const int cw = RectWidth(client), ch = RectHeight(client);

  COLORREF transparent = 0;
  if (!FGlyph->Empty()) transparent = PixelAt(*FGlyph, 0, FGlyph->Height() - 1);

  if (!Enabled()) {
    FState = fbsDisabled;
    FMouseHeld = false;
  } else if (FState == fbsDisabled) {
    FState = (FDown && FGroupIndex != 0) ? fbsExclusive : fbsUp;
  }
  if (cw <= 0 || ch <= 0) return;

  TBitmap mem(cw, ch);
  TCanvas& mc = *mem.Canvas();
  mc.SetFont(Font());

  const TPoint offset = (FState == fbsDown || FState == fbsExclusive) ? Point(1, 1) : Point(0, 0);
  LayoutGlyphAndCaption(mc, client, offset, FLayout, FSpacing, FMargin, FGlyph.get(), FNumGlyphs, Caption(),
                        FGlyphOrigin, FCaptionRect);

  TColor back = Color();
  switch (FState) {
    case fbsUp:
      back = FHot ? FColorFocused : Color();
      break;
    case fbsDisabled:
      back = Color();
      break;
    case fbsDown:
      back = FColorDown;
      break;
    case fbsExclusive:
      back = FHot ? FColorFocused : FColorDown;
      break;
  }
  const bool fill = FTransparentMode == tmNone || (FTransparentMode == tmNotFocused && FHot);
  if (fill) {
    mc.Brush()->SetStyle(bsSolid);
    mc.Brush()->SetColor(back);
    mc.FillRect(client);
  } else {
    PaintParentBackground(this, mc);
  }

  switch (FState) {
    case fbsUp:
      if (FHot)
        DrawFrameRings(mc, client, FColorHighLight, FColorShadow, 1);
      else if (FDefault)
        DrawFrameRings(mc, client, FColorBorder, FColorBorder, 2);
      else
        DrawFrameRings(mc, client, FColorBorder, FColorBorder, 1);
      break;
    case fbsDisabled:
      DrawFrameRings(mc, client, FColorBorder, FColorBorder, 1);
      break;
    case fbsDown:
    case fbsExclusive:
      DrawFrameRings(mc, client, FColorShadow, FColorHighLight, 1);
      break;
  }

  if (!FGlyph->Empty()) DrawGlyph(mc, transparent);

  const std::string caption = Caption();
  mc.Brush()->SetStyle(bsClear);
  const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (FState == fbsDisabled) {
    TRect r = FCaptionRect;
    OffsetRect(&r, 1, 1);
    mc.Font()->SetColor(clBtnHighlight);
    mc.DrawTextRect(caption, r, flags);
    OffsetRect(&r, -1, -1);
    mc.Font()->SetColor(clBtnShadow);
    mc.DrawTextRect(caption, r, flags);
  } else {
    TRect r = FCaptionRect;
    mc.DrawTextRect(caption, r, flags);
  }

  BitBlt(Canvas()->Handle(), 0, 0, cw, ch, mc.Handle(), 0, 0, SRCCOPY);
}

void TFlatButton::DrawGlyph(TCanvas& canvas, COLORREF transparent) {
  const int n = FNumGlyphs;
  const int w = FGlyph->Width() / n;
  const int h = FGlyph->Height();
  if (w < 1 || h < 1) return;  // a glyph narrower than its frame count shows nothing
  const int k = kGlyphFrame[n - 1][FState];
  const int srcRight = (k == n - 1) ? FGlyph->Width() : (k + 1) * w;

  TBitmap frame(w, h);
  StretchBlt(frame.Canvas()->Handle(), 0, 0, w, h, FGlyph->Canvas()->Handle(), k * w, 0, srcRight - k * w, h, SRCCOPY);
  std::unique_ptr<TBitmap> engraved;
  TBitmap* image = &frame;
  if (n == 1 && FState == fbsDisabled) {
    engraved = MakeDisabledGlyph(&frame, clBlack, clBtnFace, clBtnHighlight, clBtnShadow, true);
    image = engraved.get();
    transparent = PixelAt(*image, 0, h - 1);
  }

  HIMAGELIST list = ImageList_Create(w, h, ILC_COLOR24 | ILC_MASK, 1, 0);
  if (!list) return;
  {
    // The image list needs a bitmap that is not selected into any DC: take it out of its canvas.
    TUniqueBitmap bits(image->ReleaseHandle());
    if (bits && ImageList_AddMasked(list, bits.Get(), transparent) == 0)
      ImageList_DrawEx(list, 0, canvas.Handle(), FGlyphOrigin.x, FGlyphOrigin.y, 0, 0, CLR_NONE, CLR_DEFAULT,
                       ILD_NORMAL);
  }
  ImageList_Destroy(list);
}

}  // namespace korv
