#include "widgets/TFlatGaugeUnit.h"

#include <cstdint>
#include <iterator>

#include "classlib/Streaming.h"

namespace korv {

namespace {

[[noreturn]] void RangeError() { throw ERangeError("Range check error"); }

using G = TFlatGauge;
bool ColorStored(const TObject* o) { return !static_cast<const G*>(o)->ParentColor(); }
bool FontStored(const TObject* o) { return !static_cast<const G*>(o)->ParentFont(); }
bool ShowHintStored(const TObject* o) { return !static_cast<const G*>(o)->ParentShowHint(); }

const TPropInfo kFlatGaugeProps[] = {
    KORV_PROP_INT(G, AdvColorBorder, 50),
    KORV_PROP_BOOL(G, Transparent, false),
    KORV_PROP_BOOL(G, UseAdvColors, false),
    props::WithStored(KORV_PROP_INT(G, Color, 0xE0E9EF), &ColorStored),
    KORV_PROP_INT(G, ColorBorder, 0x555E66),
    KORV_PROP_INT(G, BarColor, 0x996633),
    KORV_PROP_INT(G, MinValue, 0),
    KORV_PROP_INT(G, MaxValue, 100),
    KORV_PROP_INT_NODEFAULT(G, Progress),
    KORV_PROP_BOOL(G, ShowText, true),
    KORV_PROP_ENUM(G, Align, kAlignIdents, alNone),
    KORV_PROP_BOOL(G, Enabled, true),
    props::WithStored(KORV_PROP_OBJECT(G, Font), &FontStored),
    KORV_PROP_BOOL(G, ParentColor, true),
    KORV_PROP_BOOL(G, ParentFont, true),
    KORV_PROP_BOOL(G, ParentShowHint, true),
    props::WithStored(KORV_PROP_BOOL_NODEFAULT(G, ShowHint), &ShowHintStored),
    KORV_PROP_BOOL(G, Visible, true),
};
KORV_DEFINE_PROPS(TFlatGauge, kFlatGaugeProps);

}  // namespace

KORV_DEFINE_CLASS(TFlatGauge, TGraphicControl, &CreateComponent<TFlatGauge>, &TFlatGauge_PropTable);

TFlatGauge::TFlatGauge(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(Left(), Top(), 145, 25);
  SetParentColor(true);
}

void TFlatGauge::SetAdvColorBorder(int v) {
  if (v < 0 || v > 100) RangeError();
  FAdvColorBorder = static_cast<TAdvColors>(v);
  ApplyAdvColors();
  Invalidate();
}

void TFlatGauge::SetTransparent(bool v) {
  FTransparent = v;
  Invalidate();
}

void TFlatGauge::SetUseAdvColors(bool v) {
  if (FUseAdvColors == v) return;
  FUseAdvColors = v;
  SetParentColor(v);
  ApplyAdvColors();
  Invalidate();
}

void TFlatGauge::ApplyAdvColors() {
  if (FUseAdvColors) FColorBorder = ShadeColor(Color(), FColorBorder, FAdvColorBorder, true);
}

TColor TFlatGauge::GetColors(int index) const noexcept {
  return index == 0 ? FColorBorder : index == 1 ? FBarColor : clNone;
}

void TFlatGauge::SetColors(int index, TColor v) {
  if (index == 0)
    FColorBorder = v;
  else if (index == 1)
    FBarColor = v;
  else
    RangeError();
  Invalidate();
}

void TFlatGauge::SetMinValue(int v) {
  if (v == FMinValue) return;
  FMinValue = v > FMaxValue ? FMaxValue : v;
  if (FProgress < FMinValue) FProgress = FMinValue;
  Repaint();
}

void TFlatGauge::SetMaxValue(int v) {
  if (v == FMaxValue) return;
  FMaxValue = v < FMinValue ? FMinValue : v;
  if (FProgress > FMaxValue) FProgress = FMaxValue;
  Repaint();
}

void TFlatGauge::SetProgress(int v) {
  if (v < FMinValue)
    v = FMinValue;
  else if (v > FMaxValue)
    v = FMaxValue;
  if (v == FProgress) return;
  FProgress = v;
  Repaint();
}

void TFlatGauge::SetShowText(bool v) {
  if (FShowText == v) return;
  FShowText = v;
  Repaint();
}

// The range and the done part can reach 2^32 - 1 and the product 2^63: 64-bit integers give the
// exact truncated quotient.
int TFlatGauge::BarWidth(int innerWidth) const noexcept {
  const int64_t range = int64_t{FMaxValue} - FMinValue;
  if (range <= 0 || innerWidth <= 0) return 0;
  return static_cast<int>(int64_t{innerWidth} * (int64_t{FProgress} - FMinValue) / range);
}

int TFlatGauge::PercentDone() const noexcept {
  const int64_t range = int64_t{FMaxValue} - FMinValue;
  if (range <= 0) return 0;
  return static_cast<int>((int64_t{FProgress} - FMinValue) * 100 / range);
}

std::string TFlatGauge::PercentText() const { return std::to_string(PercentDone()) + " %"; }

void TFlatGauge::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_SYSCOLORCHANGE:
      break;
    case CM_PARENTCOLORCHANGED:
      inherited::Dispatch(m);
      break;
    default:
      inherited::Dispatch(m);
      return;
  }
  if (FUseAdvColors) {
    SetParentColor(true);
    ApplyAdvColors();
  }
  Invalidate();
}

void TFlatGauge::Paint() {
  TCanvas& c = *Canvas();
  const TRect client = ClientRect();
  TRect r = client;
  if (!FTransparent) {
    c.Brush()->SetStyle(bsSolid);
    c.Brush()->SetColor(Color());
    c.FillRect(r);
  }
  DrawFrameRings(c, client, FColorBorder, FColorBorder, 1);
  InflateRect(&r, -2, -2);

  const TRect bar{r.left, r.top, r.left + BarWidth(RectWidth(r)), r.bottom};
  if (bar.right > bar.left && bar.bottom > bar.top) {
    c.Brush()->SetStyle(bsSolid);
    c.Brush()->SetColor(FBarColor);
    c.FillRect(bar);
  }

  if (FShowText) {
    const std::string text = PercentText();
    const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    c.SetFont(Font());
    c.Brush()->SetStyle(bsClear);
    TRect tr = r;
    c.DrawTextRect(text, tr, flags);
    // Over the bar the text takes the background colour. The narrowed clip ends with this paint:
    // the parent restores its DC after each graphic child.
    IntersectClipRect(c.Handle(), bar.left, bar.top, bar.right, bar.bottom);
    c.Font()->SetColor(Color());
    tr = r;
    c.DrawTextRect(text, tr, flags);
  }
}

}  // namespace korv
