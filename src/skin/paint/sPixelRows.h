// Row kernels of the skin bitmap primitives: one call per row, SSE2 for the bulk of a row (16
// pixels, 48 bytes, a step) and a scalar loop for its tail. Pixels are three bytes, blue first.
// Private to the painting units.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korv::rows {

[[nodiscard]] inline int32_t ColorAt(const uint8_t* p) noexcept { return p[2] | p[1] << 8 | p[0] << 16; }
inline void PutColor(uint8_t* p, int32_t c) noexcept {
  p[0] = static_cast<uint8_t>(c >> 16);
  p[1] = static_cast<uint8_t>(c >> 8);
  p[2] = static_cast<uint8_t>(c);
}
// n pixels of one colour.
void FillColor(uint8_t* p, int n, int32_t c) noexcept;
// n pixels of a row of cellWidth pixels repeated from its column phase (0 <= phase < cellWidth).
void TileRow(uint8_t* out, const uint8_t* cellRow, int cellWidth, int phase, int n) noexcept;

// d := (s * (255 - a) + d * a + 127) >> 8 over n bytes (s and d must not overlap).
void AlphaBlend(uint8_t* d, const uint8_t* s, int n, int a) noexcept;

// The masked mix over n bytes: d := ((d - s) * m + (s << 8)) >> 8, m raised by maskAdd (capped
// at 255). It never leaves 0..255: it equals (d * m + s * (256 - m)) >> 8.
void MaskMix(uint8_t* d, const uint8_t* s, const uint8_t* m, int n, int maskAdd) noexcept;

// One row of a skin image onto d: n pixels of picture s mixed through mask m as MaskMix does (m
// nullptr: the picture is copied). A pixel whose picture is the key colour 0xFF00FF takes k's
// pixel instead (k may be d itself: the pixel stays).
void MaskedRow(uint8_t* d, const uint8_t* s, const uint8_t* m, const uint8_t* k, int n, int maskAdd) noexcept;

// The key blend of one row: each byte d := t[s << 8 | d] (a 64 KB table), pixels whose source
// is keyColor left out when skipKey.
void KeyBlendTableRow(uint8_t* d, const uint8_t* s, int n, const uint8_t* t, bool skipKey, int32_t keyColor) noexcept;
// The same when the table is known to equal (s * a + d * (32768 - a) + 16384) >> 15 for every s
// and d (0 < a < 32768).
void KeyBlendLinearRow(uint8_t* d, const uint8_t* s, int n, int a, bool skipKey, int32_t keyColor) noexcept;

// BlendColorRect in integers: with N = v * p + c * (100 - p) (c the colour's channel, bgr as
// SplitColor gives them, 0 <= p <=
// 100), each byte becomes N / 100 rounded to nearest, ties rounded up, or to even for the
// channels whose bit (blue 1, green 2, red 4) is set in tiesToEven.
void ColorMixRow(uint8_t* row, int n, int p, const uint8_t bgr[3], unsigned tiesToEven) noexcept;
// The rule ColorMixRow applies to one byte.
[[nodiscard]] constexpr int ColorMixByte(int v, int p, int c, bool tiesToEven) noexcept {
  const int x = v * p + c * (100 - p) + 50, q = x / 100;
  return tiesToEven && x % 100 == 0 && (q & 1) ? q - 1 : q;
}

// Each pixel becomes the integer mean of its three channels.
void GrayRow(uint8_t* p, int n) noexcept;

// Each pixel through three 256-byte tables, one per channel (blue, green, red).
void LookupRow(uint8_t* p, int n, const uint8_t* tb, const uint8_t* tg, const uint8_t* tr) noexcept;

}  // namespace korv::rows
