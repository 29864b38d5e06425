#include "skin/paint/sPixelRows.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "skin/data/sGradient.h"

namespace korv::rows {

namespace {

inline __m128i Load(const uint8_t* p) noexcept { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(uint8_t* p, __m128i v) noexcept { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// A colour repeated over 48 bytes (16 pixels), as three vectors.
struct TPattern48 {
  __m128i V[3];
};
TPattern48 Pattern(const uint8_t bgr[3]) noexcept {
  uint8_t b[48];
  for (int i = 0; i < 48; ++i) b[i] = bgr[i % 3];
  return TPattern48{{Load(b), Load(b + 16), Load(b + 32)}};
}

// Bit 3j is set when pixel j of the 48 bytes s equals the pattern's colour.
inline uint64_t MatchBits(const __m128i s[3], const TPattern48& p) noexcept {
  const uint64_t eq =
      static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(s[0], p.V[0])))) |
      static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(s[1], p.V[1])))) << 16 |
      static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(s[2], p.V[2])))) << 32;
  return eq & (eq >> 1) & (eq >> 2) & 0x249249249249ull;
}

// 0xFF in every byte whose bit is set in the low 16 bits.
inline __m128i ExpandBits16(unsigned bits) noexcept {
  __m128i t = _mm_cvtsi32_si128(static_cast<int>(bits));
  t = _mm_unpacklo_epi8(t, t);   // lo lo hi hi
  t = _mm_unpacklo_epi16(t, t);  // lo x4, hi x4
  t = _mm_unpacklo_epi32(t, t);  // lo x8, hi x8
  const __m128i sel = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128);
  return _mm_cmpeq_epi8(_mm_and_si128(t, sel), sel);
}

// Replaces the bytes of the pixels whose bit 3j is set in bits by those of k.
inline void SelectPixels(uint64_t bits, __m128i r[3], const __m128i k[3]) noexcept {
  const uint64_t bytes = bits * 7;  // the three bytes of each marked pixel
  for (int v = 0; v < 3; ++v) {
    const __m128i m = ExpandBits16(static_cast<unsigned>(bytes >> (16 * v)) & 0xFFFF);
    r[v] = _mm_or_si128(_mm_and_si128(m, k[v]), _mm_andnot_si128(m, r[v]));
  }
}

// 16 bytes of the masked mix: (d * m + s * (256 - m)) >> 8, at most 255 * 256 before the shift,
// so exact in unsigned 16-bit lanes.
inline __m128i Mix16(__m128i d, __m128i s, __m128i m) noexcept {
  const __m128i z = _mm_setzero_si128(), k256 = _mm_set1_epi16(256);
  const __m128i mlo = _mm_unpacklo_epi8(m, z), mhi = _mm_unpackhi_epi8(m, z);
  const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, z), mlo),
                                   _mm_mullo_epi16(_mm_unpacklo_epi8(s, z), _mm_sub_epi16(k256, mlo)));
  const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, z), mhi),
                                   _mm_mullo_epi16(_mm_unpackhi_epi8(s, z), _mm_sub_epi16(k256, mhi)));
  return _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8));
}

inline uint8_t MixByte(int d, int s, int m) noexcept { return static_cast<uint8_t>((d * m + s * (256 - m)) >> 8); }
inline int RaiseMask(int m, int add) noexcept { return m + add > 255 ? 255 : m + add; }
inline bool IsKey(const uint8_t* p) noexcept { return p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF; }

// 16 bytes of (s * a + d * (32768 - a) + 16384) >> 15, which is d + (((s - d) * a + 16384) >> 15)
// and, with 16-bit lanes, d + ((((s - d) << 7) * a >> 16) + 32 >> 6) (floors of floors).
inline __m128i Linear16(__m128i d, __m128i s, __m128i a) noexcept {
  const __m128i z = _mm_setzero_si128(), k32 = _mm_set1_epi16(32);
  auto eight = [&](__m128i s16, __m128i d16) {
    const __m128i t = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(s16, d16), 7), a);
    return _mm_add_epi16(d16, _mm_srai_epi16(_mm_add_epi16(t, k32), 6));
  };
  return _mm_packus_epi16(eight(_mm_unpacklo_epi8(s, z), _mm_unpacklo_epi8(d, z)),
                          eight(_mm_unpackhi_epi8(s, z), _mm_unpackhi_epi8(d, z)));
}

// Word lanes moved down by n across a sequence of vectors: lane i of the result is lane i + n of
// the sequence (next holds the lanes after cur).
template <int N>
inline __m128i LanesDown(__m128i cur, __m128i next) noexcept {
  return _mm_or_si128(_mm_srli_si128(cur, 2 * N), _mm_slli_si128(next, 16 - 2 * N));
}

}  // namespace

void FillColor(uint8_t* p, int n, int32_t c) noexcept {
  uint8_t b[3];
  SplitColor(c, b);
  for (int i = 0; i < n; ++i, p += 3) {
    p[0] = b[0];
    p[1] = b[1];
    p[2] = b[2];
  }
}

void TileRow(uint8_t* out, const uint8_t* cellRow, int cellWidth, int phase, int n) noexcept {
  for (int i = 0; i < n; phase = 0) {
    const int run = std::min(cellWidth - phase, n - i);
    std::memcpy(out + i * 3, cellRow + phase * 3, static_cast<size_t>(run) * 3);
    i += run;
  }
}

void AlphaBlend(uint8_t* d, const uint8_t* s, int n, int a) noexcept {
  const __m128i z = _mm_setzero_si128(), wa = _mm_set1_epi16(static_cast<short>(a)),
                ws = _mm_set1_epi16(static_cast<short>(255 - a)), half = _mm_set1_epi16(127);
  int i = 0;
  // s * (255 - a) + d * a + 127 <= 255 * 255 + 127: exact in unsigned 16-bit lanes.
  for (; i + 16 <= n; i += 16) {
    const __m128i sv = Load(s + i), dv = Load(d + i);
    const __m128i lo = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(sv, z), ws), _mm_mullo_epi16(_mm_unpacklo_epi8(dv, z), wa)),
        half);
    const __m128i hi = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(sv, z), ws), _mm_mullo_epi16(_mm_unpackhi_epi8(dv, z), wa)),
        half);
    Store(d + i, _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
  }
  for (; i < n; ++i) d[i] = static_cast<uint8_t>((s[i] * (255 - a) + d[i] * a + 127) >> 8);
}

void MaskMix(uint8_t* d, const uint8_t* s, const uint8_t* m, int n, int maskAdd) noexcept {
  const __m128i add = _mm_set1_epi8(static_cast<char>(maskAdd));
  int i = 0;
  for (; i + 16 <= n; i += 16) Store(d + i, Mix16(Load(d + i), Load(s + i), _mm_adds_epu8(Load(m + i), add)));
  for (; i < n; ++i) d[i] = MixByte(d[i], s[i], RaiseMask(m[i], maskAdd));
}

void MaskedRow(uint8_t* d, const uint8_t* s, const uint8_t* m, const uint8_t* k, int n, int maskAdd) noexcept {
  static constexpr uint8_t kKey[3] = {0xFF, 0, 0xFF};
  const TPattern48 key = Pattern(kKey);
  const __m128i add = _mm_set1_epi8(static_cast<char>(maskAdd));
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const int o = i * 3;
    const __m128i sv[3] = {Load(s + o), Load(s + o + 16), Load(s + o + 32)};
    __m128i r[3];
    for (int v = 0; v < 3; ++v)
      r[v] = m ? Mix16(Load(d + o + 16 * v), sv[v], _mm_adds_epu8(Load(m + o + 16 * v), add)) : sv[v];
    if (const uint64_t keys = MatchBits(sv, key)) {
      const __m128i kv[3] = {Load(k + o), Load(k + o + 16), Load(k + o + 32)};
      SelectPixels(keys, r, kv);
    }
    for (int v = 0; v < 3; ++v) Store(d + o + 16 * v, r[v]);
  }
  for (; i < n; ++i) {
    const int o = i * 3;
    const bool key = IsKey(s + o);
    for (int c = 0; c < 3; ++c)
      d[o + c] = key ? k[o + c] : m ? MixByte(d[o + c], s[o + c], RaiseMask(m[o + c], maskAdd)) : s[o + c];
  }
}

void KeyBlendTableRow(uint8_t* d, const uint8_t* s, int n, const uint8_t* t, bool skipKey, int32_t keyColor) noexcept {
  for (int i = 0; i < n; ++i, d += 3, s += 3) {
    if (skipKey && ColorAt(s) == keyColor) continue;
    d[0] = t[s[0] << 8 | d[0]];
    d[1] = t[s[1] << 8 | d[1]];
    d[2] = t[s[2] << 8 | d[2]];
  }
}

void KeyBlendLinearRow(uint8_t* d, const uint8_t* s, int n, int a, bool skipKey, int32_t keyColor) noexcept {
  const int b = 32768 - a;
  const __m128i w = _mm_set1_epi16(static_cast<short>(a));
  uint8_t keyBytes[3];
  SplitColor(keyColor, keyBytes);
  const TPattern48 key = Pattern(keyBytes);
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const int o = i * 3;
    const __m128i sv[3] = {Load(s + o), Load(s + o + 16), Load(s + o + 32)};
    const __m128i dv[3] = {Load(d + o), Load(d + o + 16), Load(d + o + 32)};
    __m128i r[3] = {Linear16(dv[0], sv[0], w), Linear16(dv[1], sv[1], w), Linear16(dv[2], sv[2], w)};
    if (skipKey)
      if (const uint64_t keys = MatchBits(sv, key)) SelectPixels(keys, r, dv);
    for (int v = 0; v < 3; ++v) Store(d + o + 16 * v, r[v]);
  }
  for (; i < n; ++i) {
    const int o = i * 3;
    if (skipKey && ColorAt(s + o) == keyColor) continue;
    for (int c = 0; c < 3; ++c) d[o + c] = static_cast<uint8_t>((s[o + c] * a + d[o + c] * b + 16384) >> 15);
  }
}

void ColorMixRow(uint8_t* row, int n, int p, const uint8_t bgr[3], unsigned tiesToEven) noexcept {
  // Per byte phase of a 48-byte block: c * (100 - p) + 50, and 1 where ties go to even.
  const int ch[3] = {bgr[0], bgr[1], bgr[2]};
  uint16_t add[48], even[48];
  for (int i = 0; i < 48; ++i) {
    add[i] = static_cast<uint16_t>(ch[i % 3] * (100 - p) + 50);
    even[i] = static_cast<uint16_t>(tiesToEven >> (i % 3) & 1);
  }
  __m128i addv[6], evenv[6];
  for (int j = 0; j < 6; ++j) {
    addv[j] = Load(reinterpret_cast<const uint8_t*>(add + 8 * j));
    evenv[j] = Load(reinterpret_cast<const uint8_t*>(even + 8 * j));
  }
  const __m128i z = _mm_setzero_si128(), pv = _mm_set1_epi16(static_cast<short>(p)), magic = _mm_set1_epi16(5243),
                hundred = _mm_set1_epi16(100), one = _mm_set1_epi16(1);
  // x <= 255 * 100 + 50: x / 100 = (x * 5243) >> 19 over that range; a tie is x % 100 == 0.
  auto eight = [&](__m128i v16, int j) {
    const __m128i x = _mm_add_epi16(_mm_mullo_epi16(v16, pv), addv[j]);
    const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(x, magic), 3);
    const __m128i tie = _mm_cmpeq_epi16(_mm_mullo_epi16(q, hundred), x);
    return _mm_sub_epi16(q, _mm_and_si128(_mm_and_si128(tie, evenv[j]), _mm_and_si128(q, one)));
  };
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    uint8_t* b = row + i * 3;
    for (int v = 0; v < 3; ++v) {
      const __m128i bytes = Load(b + 16 * v);
      Store(b + 16 * v,
            _mm_packus_epi16(eight(_mm_unpacklo_epi8(bytes, z), 2 * v), eight(_mm_unpackhi_epi8(bytes, z), 2 * v + 1)));
    }
  }
  for (uint8_t* b = row + i * 3; i < n; ++i)
    for (int k = 0; k < 3; ++k, ++b) *b = static_cast<uint8_t>(ColorMixByte(*b, p, ch[k], tiesToEven >> k & 1));
}

void GrayRow(uint8_t* p, int n) noexcept {
  // 16 pixels a step: the sums of three neighbouring bytes in word lanes, divided by 3
  // ((t * 21846) >> 16 is t / 3 for t <= 765) and packed to bytes; the sums starting at a pixel's
  // first byte are then spread over its three bytes.
  uint8_t phase[2][48];
  for (int i = 0; i < 48; ++i) {
    phase[0][i] = i % 3 == 1 ? 0xFF : 0;
    phase[1][i] = i % 3 == 2 ? 0xFF : 0;
  }
  const __m128i z = _mm_setzero_si128(), third = _mm_set1_epi16(21846);
  int i = 0;
  for (; i + 16 <= n; i += 16, p += 48) {
    __m128i w[7], q[3];
    for (int v = 0; v < 3; ++v) {
      const __m128i b = Load(p + 16 * v);
      w[2 * v] = _mm_unpacklo_epi8(b, z);
      w[2 * v + 1] = _mm_unpackhi_epi8(b, z);
    }
    w[6] = z;  // lanes past the block only reach sums that are not used
    auto third8 = [&](int j) {
      const __m128i t = _mm_add_epi16(_mm_add_epi16(w[j], LanesDown<1>(w[j], w[j + 1])), LanesDown<2>(w[j], w[j + 1]));
      return _mm_mulhi_epu16(t, third);
    };
    for (int v = 0; v < 3; ++v) q[v] = _mm_packus_epi16(third8(2 * v), third8(2 * v + 1));
    for (int v = 0; v < 3; ++v) {
      const __m128i prev = v ? q[v - 1] : z;
      const __m128i up1 = _mm_or_si128(_mm_slli_si128(q[v], 1), _mm_srli_si128(prev, 15));
      const __m128i up2 = _mm_or_si128(_mm_slli_si128(q[v], 2), _mm_srli_si128(prev, 14));
      const __m128i m1 = Load(phase[0] + 16 * v), m2 = Load(phase[1] + 16 * v);
      const __m128i keep = _mm_andnot_si128(_mm_or_si128(m1, m2), q[v]);
      Store(p + 16 * v, _mm_or_si128(keep, _mm_or_si128(_mm_and_si128(m1, up1), _mm_and_si128(m2, up2))));
    }
  }
  for (; i < n; ++i, p += 3) p[0] = p[1] = p[2] = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
}

void LookupRow(uint8_t* p, int n, const uint8_t* tb, const uint8_t* tg, const uint8_t* tr) noexcept {
  // Four pixels (three 32-bit words) a step: one load and one store per word.
  int i = 0;
  for (; i + 4 <= n; i += 4, p += 12) {
    uint32_t w[3];
    __builtin_memcpy(w, p, 12);
    const uint32_t a = w[0], b = w[1], c = w[2];
    w[0] = tb[a & 0xFF] | tg[a >> 8 & 0xFF] << 8 | tr[a >> 16 & 0xFF] << 16 | static_cast<uint32_t>(tb[a >> 24]) << 24;
    w[1] = tg[b & 0xFF] | tr[b >> 8 & 0xFF] << 8 | tb[b >> 16 & 0xFF] << 16 | static_cast<uint32_t>(tg[b >> 24]) << 24;
    w[2] = tr[c & 0xFF] | tb[c >> 8 & 0xFF] << 8 | tg[c >> 16 & 0xFF] << 16 | static_cast<uint32_t>(tr[c >> 24]) << 24;
    __builtin_memcpy(p, w, 12);
  }
  for (; i < n; ++i, p += 3) {
    p[0] = tb[p[0]];
    p[1] = tg[p[1]];
    p[2] = tr[p[2]];
  }
}

}  // namespace korv::rows
