#include "skin/data/sGradient.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "classlib/SysUtils.h"
#include "skin/data/sUtils.h"

namespace korv {

void ParseGradientData(std::string_view text, TsGradArray& data) {
  data.clear();
  if (text.empty()) return;
  std::vector<std::string_view> words = SplitWords(text, ";");
  TsGradArray out(words.size() / 5);
  for (size_t k = 0; k < out.size(); ++k) {
    const std::string_view* w = &words[k * 5];
    TsGradStop& s = out[k];
    s.Color1 = StrToInt(w[0]);
    s.Color2 = StrToInt(w[1]);
    // A negative percent would wrap in the byte; clamp both ways.
    s.Percent = static_cast<uint8_t>(std::clamp(StrToInt(w[2]), 0, 100));
    s.Mode = StrToInt(w[3]);
  }
  data.swap(out);
}

void SplitColor(int32_t color, uint8_t bgr[3]) noexcept {
  uint32_t c = static_cast<uint32_t>(color);
  bgr[0] = static_cast<uint8_t>(c >> 16);
  bgr[1] = static_cast<uint8_t>(c >> 8);
  bgr[2] = static_cast<uint8_t>(c);
}

namespace {

// Channel values of a band, stepped per pixel or row.
struct BandColor {
  double C[3];  // blue, green, red
  double Step[3];
  BandColor(int32_t c1, int32_t c2, int len) {
    uint8_t a[3], b[3];
    SplitColor(c1, a);
    SplitColor(c2, b);
    for (int i = 0; i < 3; ++i) {
      C[i] = a[i];
      Step[i] = (static_cast<double>(b[i]) - a[i]) / len;
    }
  }
  // The current colour, each channel rounded to nearest with ties to even.
  void Put(uint8_t* p) const noexcept {
    for (int i = 0; i < 3; ++i) p[i] = static_cast<uint8_t>(std::clamp<long>(std::lrint(C[i]), 0, 255));
  }
  void Next() noexcept {
    for (int i = 0; i < 3; ++i) C[i] += Step[i];
  }
};

void FillVertical(const TsPixels24& px, const RECT& r, const TsGradArray& data, int offset) {
  const int last = std::min<int>(r.bottom, px.Height) - 1;
  const int height = r.bottom - r.top;
  int y = r.top + offset;
  for (size_t i = 0; i < data.size(); ++i) {
    const TsGradStop& s = data[i];
    const bool isLast = i + 1 == data.size();
    int y0 = y;
    y = y0 + static_cast<int>(static_cast<int64_t>(height + offset) * s.Percent / 100);
    y = isLast ? last : std::min(y, last);
    if (y <= y0) continue;
    if (isLast || y > px.Height - 1) y = std::min<int>(r.bottom - 1, px.Height - 1);
    int h = y - y0;
    if (h == 0) return;
    BandColor c(s.Color1, s.Color2, h);
    uint8_t pixel[3];
    for (int row = y0; row <= y; ++row) {
      if (row >= 0 && row < px.Height) {
        c.Put(pixel);
        uint8_t* p = px.Row(row) + static_cast<ptrdiff_t>(r.left) * 3;
        for (int x = r.left; x < r.right; ++x, p += 3) std::memcpy(p, pixel, 3);
      }
      c.Next();
    }
  }
}

void FillHorizontal(const TsPixels24& px, const RECT& r, const TsGradArray& data) {
  // Every row is the same: paint the first, copy it to the others.
  const int last = std::min<int>(r.right, px.Width) - 1;
  const int width = r.right - r.left;
  uint8_t* first = px.Row(r.top);
  int x = r.left;
  for (size_t i = 0; i < data.size(); ++i) {
    const TsGradStop& s = data[i];
    int x0 = x;
    x = x0 + width * s.Percent / 100;
    x = i + 1 == data.size() ? last : std::min(x, last);
    int w = x - x0;
    if (w <= 0) continue;
    BandColor c(s.Color1, s.Color2, w);
    uint8_t* p = first + static_cast<ptrdiff_t>(x0) * 3;
    for (int col = x0; col <= x; ++col, p += 3) {
      c.Put(p);
      c.Next();
    }
  }
  const size_t bytes = static_cast<size_t>(width) * 3;
  for (int row = r.top + 1; row < r.bottom; ++row)
    std::memcpy(px.Row(row) + static_cast<ptrdiff_t>(r.left) * 3, first + static_cast<ptrdiff_t>(r.left) * 3, bytes);
}

void FillTriangles(HDC dc, const RECT& r, const TsGradArray& data) {
  if (!dc) return;
  const LONG cx = r.left + (r.right - r.left) / 2, cy = r.top + (r.bottom - r.top) / 2;
  const POINT pts[5] = {{r.left, r.top}, {cx, cy}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
  TRIVERTEX v[5];
  for (int i = 0; i < 5; ++i) {
    // A vertex without a stop of its own takes the colour of the vertex before it.
    int32_t color = data[std::min<size_t>(static_cast<size_t>(i), data.size() - 1)].Color1;
    uint8_t bgr[3];
    SplitColor(color, bgr);
    v[i].x = pts[i].x;
    v[i].y = pts[i].y;
    v[i].Red = static_cast<COLOR16>(bgr[2] << 8);
    v[i].Green = static_cast<COLOR16>(bgr[1] << 8);
    v[i].Blue = static_cast<COLOR16>(bgr[0] << 8);
    v[i].Alpha = 0;
  }
  GRADIENT_TRIANGLE tri[4] = {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}};
  GradientFill(dc, v, 5, tri, 4, GRADIENT_FILL_TRIANGLE);
  GdiFlush();
}

}  // namespace

void FillGradient(const TsPixels24& px, HDC dc, RECT r, const TsGradArray& data, int offsetX, int offsetY) {
  (void)offsetX;
  r.right = std::min<LONG>(r.right, px.Width);
  r.bottom = std::min<LONG>(r.bottom, px.Height);
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  if (data.empty() || r.right <= r.left || r.bottom <= r.top) return;
  switch (data[0].Mode) {
    case 0:
      if (px.Row0) FillVertical(px, r, data, offsetY);
      break;
    case 1:
      if (px.Row0) FillHorizontal(px, r, data);
      break;
    case 2:
      FillTriangles(dc, r, data);
      break;
    default:
      break;
  }
}

}  // namespace korv
