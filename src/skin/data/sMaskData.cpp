#include "skin/data/sMaskData.h"

#include <algorithm>

#include "classlib/SysUtils.h"
#include "skin/data/sUtils.h"

namespace korv {

bool ParseHashImageValue(std::string_view section, std::string_view key, std::string_view value, TsMaskData& out) {
  if (value.find('#') == std::string_view::npos || value == "#") return false;
  // Words 2 and 3 of the value; a missing word or number is empty, which is not an integer.
  const std::vector<std::string_view> words = SplitWords(value, " ()");
  auto nth = [](const std::vector<std::string_view>& w, size_t n) { return n < w.size() ? w[n] : std::string_view(); };
  const std::vector<std::string_view> rect = SplitWords(nth(words, 1), ",");
  const std::vector<std::string_view> counts = SplitWords(nth(words, 2), ", ");
  TsMaskData m;
  m.ClassName = UpperCase(section);
  m.PropertyName = UpperCase(key);
  m.R = TRect{StrToInt(nth(rect, 0)), StrToInt(nth(rect, 1)), StrToInt(nth(rect, 2)), StrToInt(nth(rect, 3))};
  auto clamp16 = [](int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
  m.ImageCount = clamp16(std::max(1, StrToInt(nth(counts, 0))));
  m.MaskType = clamp16(std::max(0, StrToInt(nth(counts, 1))));
  m.BorderWidth = counts.size() >= 3 ? clamp16(std::max(0, StrToInt(counts[2]))) : 0;
  const bool texture = m.PropertyName == "PATTERN" || m.PropertyName == "HOTPATTERN";
  m.ImgType = texture ? itisaTexture : itisaBorder;
  m.StretchMode = texture ? 0 : (counts.size() >= 4 ? clamp16(StrToInt(counts[3])) : 1);
  out = std::move(m);
  return true;
}

}  // namespace korv
