// Drawing helpers of the flat widgets: frame rings, shaded colours, the parent's background,
// the engraved look of a disabled glyph and the layout of a glyph and a caption in a button.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"

namespace korv {

// Number of equally wide frames side by side in a glyph bitmap (1..4).
using TNumGlyphs = uint8_t;
// A lightness percentage of the widgets' derived colours (0..100).
using TAdvColors = uint8_t;

enum TTransparentMode : uint8_t { tmAlways = 0, tmNotFocused = 1, tmNone = 2 };

// ---------------------------------------------------------------------------------------------
// Pure rules (no device context involved).

// An RGB colour made lighter or darker by percent points of lightness on the 0..240 scale, after
// a lift of 10 points; the lightness stays within 0..240.
[[nodiscard]] COLORREF ShadeRgb(COLORREF rgb, uint8_t percent, bool darker) noexcept;

// Where a glyph and a one-line caption go inside a button's client rectangle.
// glyph and text are the sizes of one glyph frame and of the measured caption (zero when absent);
// margin and spacing -1 mean automatic. Divisions truncate toward zero.
struct TGlyphCaptionPlacement {
  POINT GlyphPos;
  RECT TextBounds;
};
[[nodiscard]] TGlyphCaptionPlacement PlaceGlyphAndCaption(const RECT& client, POINT offset, TButtonLayout layout,
                                                          int spacing, int margin, SIZE glyph, SIZE text) noexcept;

// The engraved image of a glyph over 24-bit pixels (blue, green, red per pixel). Rows are
// addressed as base + y * stride, so a bottom-up bitmap passes its top row and a negative stride.
// The shape is every source pixel equal to outline; the result is filled with back, the shape is
// stamped in highlight one pixel down and right (when drawHighlight), then in shadow in place.
void EngraveGlyphPixels(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                        COLORREF outline, COLORREF back, COLORREF highlight, COLORREF shadow,
                        bool drawHighlight) noexcept;

// ---------------------------------------------------------------------------------------------
// Drawing on canvases.

// count nested one-pixel rings inside rect (unchanged): top and left sides in topLeft, right and
// bottom sides in bottomRight. Nothing for count <= 0.
void DrawFrameRings(TCanvas& canvas, const TRect& rect, TColor topLeft, TColor bottomRight, int count);

// base (a system colour is resolved first) shaded by percent, or fallback unchanged when percent
// is 0.
[[nodiscard]] TColor ShadeColor(TColor base, TColor fallback, uint8_t percent, bool darker);

// Paints the control's parent into the canvas, in the control's coordinates: the parent's own
// background and painting of the area under the control. Nothing without a parent.
void PaintParentBackground(TControl* control, TCanvas& canvas);

// The engraved look of a glyph: a new bitmap of the source's size filled with back, with the
// source's outline-coloured pixels stamped in highlight one pixel down and right (when
// drawHighlight) and in shadow in place.
[[nodiscard]] std::unique_ptr<TBitmap> MakeDisabledGlyph(TBitmap* source, TColor outline, TColor back, TColor highlight,
                                                         TColor shadow, bool drawHighlight);

// Measures the caption on the canvas (single line) and places it with one frame of the glyph
// (nullptr or empty: none) in client. offset is (1, 1) for a pressed button, else (0, 0).
void LayoutGlyphAndCaption(TCanvas& canvas, const TRect& client, TPoint offset, TButtonLayout layout, int spacing,
                           int margin, TBitmap* glyph, int numGlyphs, const std::string& caption, TPoint& glyphPos,
                           TRect& textBounds);

}  // namespace korv
