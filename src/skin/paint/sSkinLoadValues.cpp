#include "skin/paint/sSkinLoadValues.h"

#include <algorithm>

#include "classlib/SysUtils.h"
#include "skin/data/sUtils.h"

namespace korv {

namespace {

// Count characters from the 1-based position Pos, cut to the end of the value: a short value
// gives a short or empty field, which then fails as a number instead of reading past the end.
std::string_view Field(std::string_view value, size_t pos, size_t count) noexcept {
  if (pos < 1 || pos > value.size()) return {};
  return value.substr(pos - 1, count);
}

// Whether Text holds Needle (upper case) in any case; ASCII letters only, as UpperCase does.
bool ContainsUpper(std::string_view text, std::string_view needle) noexcept {
  if (needle.size() > text.size()) return false;
  for (size_t i = 0; i + needle.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && (text[i + k] >= 'a' && text[i + k] <= 'z' ? text[i + k] - 32 : text[i + k]) == needle[k])
      ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

int16_t Int16(std::string_view text) { return static_cast<int16_t>(std::clamp(StrToInt(text), -32768, 32767)); }

// The rectangle of the fixed-column forms: four numbers of four digits from column 2.
TRect FixedRect(std::string_view v) {
  return TRect{StrToInt(Field(v, 2, 4)), StrToInt(Field(v, 7, 4)), StrToInt(Field(v, 12, 4)),
               StrToInt(Field(v, 17, 4))};
}

void ReadFixedForm(std::string_view v, TsMaskData& m) {
  m.R = FixedRect(v);
  switch (v[0]) {
    case '~':
      m.ImgType = itisaTexture;
      m.StretchMode = Int16(Field(v, 22, 2));
      m.MaskType = v.size() > 24 ? Int16(Field(v, 25, 1)) : 0;
      m.ImageCount = 1;
      break;
    case '@':
      m.ImgType = itisaGlyph;
      m.ImageCount = Int16(Field(v, 22, 1));
      m.MaskType = Int16(Field(v, 24, 1));
      break;
    default:  // '^'
      m.ImgType = itisaBorder;
      m.WL = Int16(Field(v, 22, 4));
      m.WT = Int16(Field(v, 27, 4));
      m.WR = Int16(Field(v, 32, 4));
      m.WB = Int16(Field(v, 37, 4));
      m.ImageCount = Int16(Field(v, 42, 1));
      m.MaskType = Int16(Field(v, 44, 1));
      m.StretchMode = Int16(Field(v, 46, 1));
      m.BorderWidth = Int16(Field(v, 48, 1));
      break;
  }
}

// "!name!count!mask!type": None unless the name holds ".BMP" as written.
TacImageForm ReadOwnBitmapForm(std::string_view v, TacImageValue& out) {
  const std::vector<std::string_view> words = SplitWords(v, "!");
  if (words.empty() || words[0].find(".BMP") == std::string_view::npos) return TacImageForm::None;
  auto word = [&](size_t i) { return i < words.size() ? words[i] : std::string_view(); };
  const int type = StrToInt(word(3));
  if (type < itisaBorder || type > itisaGlyph) return TacImageForm::Malformed;
  out.FileName = std::string(words[0]);
  out.Mask.ImageCount = Int16(word(1));
  out.Mask.MaskType = Int16(word(2));
  out.Mask.ImgType = static_cast<TacImgType>(type);
  return TacImageForm::OwnBitmap;
}

// A plain bitmap file: three frames with a mask, names upper-cased.
TacImageValue FileForm(std::string_view section, std::string_view key, std::string_view value) {
  TacImageValue out;
  if (!ContainsUpper(value, ".BMP")) return out;
  out.Form = TacImageForm::OwnBitmap;
  out.FileName = std::string(value);
  out.Mask.ClassName = UpperCase(section);
  out.Mask.PropertyName = UpperCase(key);
  out.Mask.ImgType = itisaBorder;
  out.Mask.MaskType = 1;
  out.Mask.ImageCount = 3;
  return out;
}

// The "#" form; None when the value is not of it.
bool HashForm(std::string_view section, std::string_view key, std::string_view value, TacImageValue& out) {
  try {
    if (!ParseHashImageValue(section, key, value, out.Mask)) return false;
    out.Form = TacImageForm::Rect;
  } catch (const EConvertError&) {
    out.Form = TacImageForm::Malformed;
  }
  return true;
}

}  // namespace

TacImageValue ParseImageValue(std::string_view section, std::string_view key, std::string_view value) {
  TacImageValue out;
  if (value.empty()) return out;
  const char first = value[0];
  if (first == '~' || first == '@' || first == '^' || first == '!') {
    out.Mask.ClassName = std::string(section);
    out.Mask.PropertyName = std::string(key);
    try {
      if (first == '!') {
        out.Form = ReadOwnBitmapForm(value, out);
      } else {
        ReadFixedForm(value, out.Mask);
        out.Form = TacImageForm::Rect;
      }
    } catch (const EConvertError&) {
      out.Form = TacImageForm::Malformed;
    }
    return out;
  }
  if (HashForm(section, key, value, out)) return out;
  return FileForm(section, key, value);
}

TacImageValue ParseCommonImageValue(std::string_view section, std::string_view key, std::string_view value,
                                    bool hasMasterBitmap) {
  TacImageValue out;
  if (hasMasterBitmap && HashForm(section, key, value, out)) return out;
  return FileForm(section, key, value);
}

bool FitImageEntry(TsMaskData& m, int sourceWidth, int sourceHeight) noexcept {
  m.ImageCount = std::max<int16_t>(m.ImageCount, 1);
  m.MaskType = std::max<int16_t>(m.MaskType, 0);
  m.BorderWidth = std::max<int16_t>(m.BorderWidth, 0);
  const TRect& r = m.R;
  return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= sourceWidth &&
         r.bottom <= sourceHeight;
}

bool IsJpegValue(std::string_view value) { return ContainsUpper(value, ".JPG") || ContainsUpper(value, ".JPEG"); }

std::string SkinFileName(std::string_view skinPath, std::string_view name) {
  if (name.find(':') != std::string_view::npos) return std::string(name);
  return std::string(skinPath) + std::string(name);
}

}  // namespace korv
