#include "skin/data/sMaskData.h"

#include <algorithm>
#include <array>

#include "classlib/SysUtils.h"
#include "skin/data/sUtils.h"

namespace korv {

namespace {

// The first N words of Text (as SplitWords gives them; missing ones empty) and how many words
// there are, counted up to N.
template <size_t N>
size_t FirstWords(std::string_view text, std::string_view delims, std::array<std::string_view, N>& words) noexcept {
  words = {};
  size_t pos = 0, n = 0;
  while (n < N && !(words[n] = NextWord(text, delims, pos)).empty()) ++n;
  return n;
}

}  // namespace

bool ParseHashImageValue(std::string_view section, std::string_view key, std::string_view value, TsMaskData& out) {
  if (value.find('#') == std::string_view::npos || value == "#") return false;
  // Words 2 and 3 of the value; a missing word or number is empty, which is not an integer.
  std::array<std::string_view, 3> words;
  std::array<std::string_view, 4> rect, counts;
  FirstWords(value, " ()", words);
  FirstWords(words[1], ",", rect);
  const size_t countWords = FirstWords(words[2], ", ", counts);
  TsMaskData m;
  m.ClassName = UpperCase(section);
  m.PropertyName = UpperCase(key);
  m.R = TRect{StrToInt(rect[0]), StrToInt(rect[1]), StrToInt(rect[2]), StrToInt(rect[3])};
  auto clamp16 = [](int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
  m.ImageCount = clamp16(std::max(1, StrToInt(counts[0])));
  m.MaskType = clamp16(std::max(0, StrToInt(counts[1])));
  m.BorderWidth = countWords >= 3 ? clamp16(std::max(0, StrToInt(counts[2]))) : 0;
  const bool texture = m.PropertyName == "PATTERN" || m.PropertyName == "HOTPATTERN";
  m.ImgType = texture ? itisaTexture : itisaBorder;
  m.StretchMode = texture ? 0 : (countWords >= 4 ? clamp16(StrToInt(counts[3])) : 1);
  out = std::move(m);
  return true;
}

}  // namespace korv
