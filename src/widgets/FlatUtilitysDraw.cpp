// The canvas side of the flat drawing helpers.
#include "classlib/ExtCtrls.h"
#include "classlib/Handles.h"
#include "widgets/FlatUtilitys.h"

namespace korv {

void DrawFrameRings(TCanvas& canvas, const TRect& rect, TColor topLeft, TColor bottomRight, int count) {
  TRect r = rect;
  Frame3D(canvas.Handle(), r, topLeft, bottomRight, count);
}

TColor ShadeColor(TColor base, TColor fallback, uint8_t percent, bool darker) {
  if (percent == 0) return fallback;
  return static_cast<TColor>(ShadeRgb(ColorToColorRef(base), percent, darker));
}

void PaintParentBackground(TControl* control, TCanvas& canvas) {
  if (!control || !control->Parent()) return;
  TWinControl* parent = control->Parent();
  HDC dc = canvas.Handle();
  TSaveDCGuard saved(dc);
  POINT org{};
  GetViewportOrgEx(dc, &org);
  SetViewportOrgEx(dc, org.x - control->Left(), org.y - control->Top(), nullptr);
  IntersectClipRect(dc, 0, 0, parent->ClientWidth(), parent->ClientHeight());
  parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

std::unique_ptr<TBitmap> MakeDisabledGlyph(TBitmap* source, TColor outline, TColor back, TColor highlight,
                                           TColor shadow, bool drawHighlight) {
  auto result = std::make_unique<TBitmap>();
  if (!source || source->Empty()) return result;
  const int w = source->Width(), h = source->Height();
  result->SetSize(w, h);
  const TBitmap& src = *source;
  EngraveGlyphPixels(src.ScanLine(0), src.Stride(), result->ScanLine(0), result->Stride(), w, h,
                     ColorToColorRef(outline), ColorToColorRef(back), ColorToColorRef(highlight),
                     ColorToColorRef(shadow), drawHighlight);
  return result;
}

void LayoutGlyphAndCaption(TCanvas& canvas, const TRect& client, TPoint offset, TButtonLayout layout, int spacing,
                           int margin, TBitmap* glyph, int numGlyphs, const std::string& caption, TPoint& glyphPos,
                           TRect& textBounds) {
  SIZE glyphSize{0, 0};
  if (glyph && !glyph->Empty()) glyphSize = {glyph->Width() / (numGlyphs > 0 ? numGlyphs : 1), glyph->Height()};
  SIZE textSize{0, 0};
  if (!caption.empty()) {
    TRect r{0, 0, RectWidth(client), 0};
    canvas.DrawTextRect(caption, r, DT_CALCRECT | DT_SINGLELINE);
    textSize = {RectWidth(r), RectHeight(r)};
  }
  TGlyphCaptionPlacement p = PlaceGlyphAndCaption(client, offset, layout, spacing, margin, glyphSize, textSize);
  glyphPos = p.GlyphPos;
  textBounds = p.TextBounds;
}

}  // namespace korv
