#include "skin/data/sMaskData.h"

#include <algorithm>

#include "classlib/SysUtils.h"
#include "skin/data/sUtils.h"

namespace korv {

bool ParseHashImageValue(std::string_view section, std::string_view key, std::string_view value, TsMaskData& out) {
  if (value.find('#') == std::string_view::npos || value == "#") return false;
  const std::string w2 = NthWord(2, value, " ()");
  const std::string w3 = NthWord(3, value, " ()");
  TsMaskData m;
  m.ClassName = UpperCase(section);
  m.PropertyName = UpperCase(key);
  m.R = TRect{StrToInt(NthWord(1, w2, ",")), StrToInt(NthWord(2, w2, ",")), StrToInt(NthWord(3, w2, ",")),
              StrToInt(NthWord(4, w2, ","))};
  auto clamp16 = [](int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
  m.ImageCount = clamp16(std::max(1, StrToInt(NthWord(1, w3, ", "))));
  m.MaskType = clamp16(std::max(0, StrToInt(NthWord(2, w3, ", "))));
  const int words = CountWords(w3, ", ");
  m.BorderWidth = words >= 3 ? clamp16(std::max(0, StrToInt(NthWord(3, w3, ", ")))) : 0;
  const bool texture = m.PropertyName == "PATTERN" || m.PropertyName == "HOTPATTERN";
  m.ImgType = texture ? itisaTexture : itisaBorder;
  m.StretchMode = texture ? 0 : (words >= 4 ? clamp16(StrToInt(NthWord(4, w3, ", "))) : 1);
  out = std::move(m);
  return true;
}

}  // namespace korv
