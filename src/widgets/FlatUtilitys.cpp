#include "widgets/FlatUtilitys.h"

#include <algorithm>

#include "widgets/HSLUtils.h"

namespace korv {

COLORREF ShadeRgb(COLORREF rgb, uint8_t percent, bool darker) noexcept {
  int h, s, l;
  ColorToHslScaled(rgb & 0xFFFFFF, h, s, l);
  l += 10;
  l = darker ? l - percent : l + percent;
  // The lift of 10 can push a very light colour past the top of the scale even when darkening.
  l = std::clamp(l, 0, HslScale);
  return HslScaledToColor(h, s, l);
}

TGlyphCaptionPlacement PlaceGlyphAndCaption(const RECT& client, POINT offset, TButtonLayout layout, int spacing,
                                            int margin, SIZE glyph, SIZE text) noexcept {
  const int cw = client.right - client.left;
  const int ch = client.bottom - client.top;
  POINT gp{0, 0}, tp{0, 0};
  const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;

  if (horizontal) {
    gp.y = (ch - glyph.cy + 1) / 2;
    tp.y = (ch - text.cy + 1) / 2;
  } else {
    gp.x = (cw - glyph.cx + 1) / 2;
    tp.x = (cw - text.cx + 1) / 2;
  }

  if (text.cx == 0 || glyph.cx == 0) spacing = 0;

  const int clientLen = horizontal ? cw : ch;
  const int glyphLen = horizontal ? glyph.cx : glyph.cy;
  const int textLen = horizontal ? text.cx : text.cy;
  if (margin == -1 && spacing == -1) {
    int total = glyphLen + textLen;
    margin = (clientLen - total) / 3;
    spacing = margin;
  } else if (margin == -1) {
    int total = glyphLen + spacing + textLen;
    margin = (clientLen - total + 1) / 2;
  } else if (spacing == -1) {
    int rest = clientLen - (margin + glyphLen);
    spacing = (rest - textLen) / 2;
  }

  switch (layout) {
    case blGlyphLeft:
      gp.x = margin;
      tp.x = gp.x + glyph.cx + spacing;
      break;
    case blGlyphRight:
      gp.x = cw - margin - glyph.cx;
      tp.x = gp.x - spacing - text.cx;
      break;
    case blGlyphTop:
      gp.y = margin;
      tp.y = gp.y + glyph.cy + spacing;
      break;
    case blGlyphBottom:
      gp.y = ch - margin - glyph.cy;
      tp.y = gp.y - spacing - text.cy;
      break;
  }

  TGlyphCaptionPlacement r;
  r.GlyphPos = {gp.x + client.left + offset.x, gp.y + client.top + offset.y};
  const int dx = tp.x + client.left + offset.x, dy = tp.y + client.top + offset.y;
  r.TextBounds = {dx, dy, dx + text.cx, dy + text.cy};
  return r;
}

namespace {

inline void PutPixel(uint8_t* p, COLORREF c) noexcept {
  p[0] = GetBValue(c);
  p[1] = GetGValue(c);
  p[2] = GetRValue(c);
}

}  // namespace

void EngraveGlyphPixels(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                        COLORREF outline, COLORREF back, COLORREF highlight, COLORREF shadow,
                        bool drawHighlight) noexcept {
  if (width <= 0 || height <= 0) return;
  auto inShape = [&](int x, int y) {
    const uint8_t* p = src + static_cast<ptrdiff_t>(y) * srcStride + x * 3;
    return p[0] == GetBValue(outline) && p[1] == GetGValue(outline) && p[2] == GetRValue(outline);
  };
  auto at = [&](int x, int y) { return dst + static_cast<ptrdiff_t>(y) * dstStride + x * 3; };

  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) PutPixel(at(x, y), back);
  if (drawHighlight)
    for (int y = 0; y + 1 < height; ++y)
      for (int x = 0; x + 1 < width; ++x)
        if (inShape(x, y)) PutPixel(at(x + 1, y + 1), highlight);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (inShape(x, y)) PutPixel(at(x, y), shadow);
}

}  // namespace korv
