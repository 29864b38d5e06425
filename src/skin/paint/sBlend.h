// Blends of skin painting on 24-bit pixels: one bitmap over another, a colour over a rectangle,
// a bitmap over another by a floating factor with a key colour, a colour through a mask, the soft
// rounded shade and the disabled look of a control's image.
//
// The floating-point formulas are evaluated once per distinct input into lookup tables, so every
// pixel gets exactly what the formula gives (rounding to nearest, ties to even).
#pragma once

#include <cstdint>

#include "classlib/Graphics.h"
#include "skin/data/sConst.h"

namespace korv {

class TControl;

// Blends the rectangle srcRect of src into dst at dstPoint through FastSum24: each byte
// becomes (src * (255 - alpha) + dst * alpha + 127) shr 8, so alpha is the weight of what dst
// holds. Negative coordinates of the point or the rectangle are cut off (the other side shifted
// by the same amount), the rectangle is cut to src and the extent to dst. Nothing happens when
// either bitmap is smaller than 2 by 2.
void BlendBmpRect(const TsPixels24& dst, const TsPixels24& src, uint8_t alpha, TPoint dstPoint, TRect srcRect);
void BlendBmpRect(TBitmap* dst, TBitmap* src, uint8_t alpha, TPoint dstPoint, TRect srcRect);

// Mixes a colour into the rectangle, whose right and bottom are inclusive (cut to the pixels):
// each channel := round(channel * k + colour channel * (1 - k)), k = percent / 100 (limited to
// 0..255 for a percent outside 0..100).
void BlendColorRect(const TsPixels24& bmp, TRect rect, int percent, TColor color);
void BlendColorRect(TBitmap* bmp, TRect rect, int percent, TColor color);

// Lays the rectangle srcRect of src over dst at (x, y): each channel := round(s - (s - d) * k),
// s the source and d the destination byte (limited to 0..255 for k outside 0..1; a k that is not
// a number draws nothing). Source pixels equal to keyColor are skipped, unless keyColor's top
// byte is 0xFF (then none is). Parts outside either bitmap are skipped.
void BlendByKeyColor(const TsPixels24& dst, int x, int y, TColor keyColor, double k, TRect srcRect,
                     const TsPixels24& src);
void BlendByKeyColor(TBitmap* dst, int x, int y, TColor keyColor, double k, TRect srcRect, TBitmap* src);

// Each channel := LimitByte(((d - c) * m + c * 256) shr 8), c the colour's channel and m the
// mask's: the colour shows where the mask is dark, the old pixel where it is white. Works on the
// part both bitmaps cover (they are meant to be of one size).
void MultiplyByMask(const TsPixels24& dst, const TsPixels24& mask, TColor color);
void MultiplyByMask(TBitmap* dst, TBitmap* mask, TColor color);

// A soft rounded shade: a mask of nested rounded rectangles (corners of twice the radius), one
// per step inward, each (255 - percent * 255 div 100) div (steps + 1) darker than the one
// around it (white around the first), mixes the colour into the rectangle through
// MultiplyByMask.
void BlendRectWithBmp(TBitmap* bmp, TRect rect, int percent, int radius, int steps, TColor color);

// Each pixel becomes the integer mean of its three channels.
void GrayScale(const TsPixels24& bmp) noexcept;
void GrayScale(TBitmap* bmp);

// The disabled looks of a control's image (bit set).
enum : unsigned { dkBlended = 1u << 0, dkGrayed = 1u << 1 };
using TsDisabledKind = unsigned;

// dkGrayed greys the bitmap first; dkBlended then lays the image under the control over it with
// BlendByKeyColor k = 0.4 (the cache's bitmap from (cache X + offset x, cache Y + offset y)) when
// the cache is ready, else mixes it 50 percent with parentColor (what the parent shows: the
// colour it answered, else the control's own colour).
void PaintControlImage(TBitmap* bmp, TsDisabledKind flags, TColor parentColor, TPoint offset, const TCacheInfo& cache);
// The same for a control: the parent's colour is SkinColorReply when it holds an answer, else the
// control's own Color.
void PaintControlImage(TBitmap* bmp, TsDisabledKind flags, const TControl* control, TPoint offset,
                       const TCacheInfo& cache);

}  // namespace korv
