// The section reader over stored skins, and the whole reader step of a skin load.
#include <algorithm>

#include "classlib/SysUtils.h"
#include "skin/data/sGeneralsReader.h"
#include "skin/data/sStoredSkins.h"
#include "skin/data/sUtils.h"

namespace korv {

namespace {

// Five numbers separated by blanks into Out; anything but exactly five words gives colour 0 and
// no contours. A word that is not an integer raises EConvertError.
void ReadFiveColors(const std::string& text, int32_t out[5]) {
  std::vector<std::string_view> words = SplitWords(text, " ");
  if (words.size() != 5) {
    out[0] = 0;
    std::fill(out + 1, out + 5, -1);
    return;
  }
  int32_t v[5];
  for (int i = 0; i < 5; ++i) v[i] = StrToInt(words[i]);
  std::copy(v, v + 5, out);
}

}  // namespace

void ReadStoredGenerals(const TsStoredSkin& skin, TsSkinData& data, TsGeneralDataArray& table) {
  TsGeneralDataArray out;
  const TsSkinGenerals& items = *skin.GeneralData();
  out.reserve(static_cast<size_t>(items.Count()));
  for (int i = 0; i < items.Count(); ++i) {
    const TsSkinGeneral& s = *items.Items(i);
    TsGeneralData& g = out.emplace_back();
    // A bad number ends this record where it happened; the next item is read as usual.
    try {
      g.SectionName = s.SectionName;
      g.ParentClass = s.ParentClass;
      g.Color = s.Color;
      g.Bevel = s.Bevel;
      g.ShadowBlur = s.ShadowBlur;
      g.ShadowOffset = s.ShadowOffset;
      g.ShadowColor = s.ShadowColor;
      g.ShadowTransparency = s.ShadowTransparency;
      g.ShadowEnabled = s.ShadowEnabled;
      g.ReservedBoolean = s.ReservedBoolean;
      g.Transparency = s.Transparency;
      g.GradientPercent = s.GradientPercent;
      g.ImagePercent = s.ImagePercent;
      g.GradientData = s.GradientData;
      ParseGradientData(s.GradientData, g.GradientArray);
      g.ShowFocus = s.ShowFocus;
      g.FadingEnabled = s.FadingEnabled;
      g.FadingIntervalIn = s.FadingIntervalIn;
      g.FadingIntervalOut = s.FadingIntervalOut;
      g.FadingIterations = s.FadingIterations;
      g.HotColor = s.HotColor;
      g.HotTransparency = s.HotTransparency;
      g.HotBevel = s.HotBevel;
      g.HotGradientPercent = s.HotGradientPercent;
      g.HotGradientData = s.HotGradientData;
      ParseGradientData(s.HotGradientData, g.HotGradientArray);
      g.HotImagePercent = s.HotImagePercent;
      g.BorderColor1 = s.BorderColor1;
      g.BorderColor2 = s.BorderColor2;
      ReadFiveColors(s.HotFontColor, g.HotFontColor);
      ReadFiveColors(s.FontColor, g.FontColor);
    } catch (const EConvertError&) {
    }
  }
  TsSkinData d = data;
  d.Version = skin.Version;
  d.Author = skin.Author;
  d.Description = skin.Description;
  d.Shadow1Color = skin.Shadow1Color;
  d.Shadow1Offset = skin.Shadow1Offset;
  d.Shadow1Blur = skin.Shadow1Blur;
  d.Shadow1Transparency = skin.Shadow1Transparency;
  table.swap(out);
  data = std::move(d);
}

bool LoadAllGenerals(const TacGeneralsSources& src, TsSkinData& data, TsGeneralDataArray& table) {
  TsSkinData d = data;
  TsGeneralDataArray t;
  if (src.Folder) {
    ReadFolderGenerals(*src.Folder, d, t);
  } else {
    int index = src.Stored ? src.Stored->IndexOf(src.SkinName) : -1;
    if (index < 0) return false;
    ReadStoredGenerals(*src.Stored->Items(index), d, t);
  }
  AppendCommonGenerals(src.CommonSections, t);
  table.swap(t);
  data = std::move(d);
  return true;
}

}  // namespace korv
