// Drawing helpers of the flat widgets: frame rings, shaded colours, the parent's background,
// the engraved look of a disabled glyph and the layout of a glyph and a caption in a button.
#pragma once

#include <windows.h>

#include <cstdint>

namespace korv {

// Number of equally wide frames side by side in a glyph bitmap (1..4).
using TNumGlyphs = uint8_t;
// A lightness percentage of the widgets' derived colours (0..100).
using TAdvColors = uint8_t;

enum TTransparentMode : uint8_t { tmAlways = 0, tmNotFocused = 1, tmNone = 2 };

enum TButtonLayout : uint8_t { blGlyphLeft = 0, blGlyphRight = 1, blGlyphTop = 2, blGlyphBottom = 3 };

// ---------------------------------------------------------------------------------------------
// Pure rules (no device context involved).

// An RGB colour made lighter or darker by percent points of lightness on the 0..240 scale, after
// a lift of 10 points; the lightness stays within 0..240.
[[nodiscard]] COLORREF ShadeRgb(COLORREF rgb, uint8_t percent, bool darker) noexcept;

// Where a glyph and a one-line caption go inside a button's client rectangle.
// glyph and text are the sizes of one glyph frame and of the measured caption (zero when absent);
// margin and spacing -1 mean automatic. Divisions truncate toward zero, as in the rule.
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

}  // namespace korv
