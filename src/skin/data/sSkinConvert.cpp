#include "skin/data/sSkinConvert.h"

#include <algorithm>

#include "classlib/IniFiles.h"
#include "classlib/SysUtils.h"
#include "skin/data/sGeneralsReader.h"
#include "skin/data/sMaskData.h"
#include "skin/data/sUtils.h"

namespace korv {

namespace {

std::string FiveColors(const int32_t c[5]) {
  std::string s;
  for (int i = 0; i < 5; ++i) s += (i ? " " : "") + IntToStr(c[i]);
  return s;
}

[[noreturn]] void MissingFile(const std::string& name) {
  throw EFOpenError(Format("Cannot open file \"%s\". %s", name, SysErrorMessage(ERROR_FILE_NOT_FOUND)));
}

// Image values of the other forms (own bitmaps, fixed-column rectangles) are not stored here.
bool LooksLikeImage(const std::string& value) {
  if (value.empty()) return false;
  const char c = value[0];
  const std::string up = UpperCase(value);
  return c == '~' || c == '@' || c == '^' || c == '!' || up.find(".BMP") != std::string::npos;
}

}  // namespace

void FolderSkinToStored(const std::string& folder, TsStoredSkin& skin) {
  const std::string dir = IncludeTrailingPathDelimiter(folder);
  const std::string options = dir + "Options.dat";
  if (!FileExists(options)) MissingFile(options);
  TMemIniFile ini(options);
  TacMemIniSource source(ini);

  TsSkinData data;
  TsGeneralDataArray table;
  ReadFolderGenerals(source, data, table);
  skin.Version = data.Version;
  skin.Author = data.Author;
  skin.Description = data.Description;
  skin.Shadow1Color = data.Shadow1Color;
  skin.Shadow1Offset = data.Shadow1Offset;
  skin.Shadow1Blur = data.Shadow1Blur;
  skin.Shadow1Transparency = data.Shadow1Transparency;

  std::string master = ini.ReadString(s_GlobalInfo, s_MasterBitmap, "");
  if (!master.empty()) {
    if (master.find(':') == std::string::npos) master = dir + master;
    if (!FileExists(master)) MissingFile(master);
    skin.MasterBitmap()->LoadFromFile(master);
  }

  for (const TsGeneralData& g : table) {
    TsSkinGeneral& s = *skin.GeneralData()->Add();
    s.SectionName = g.SectionName;
    s.ParentClass = g.ParentClass;
    s.Color = g.Color;
    s.Bevel = g.Bevel;
    s.ShadowBlur = g.ShadowBlur;
    s.ShadowColor = g.ShadowColor;
    s.ShadowEnabled = g.ShadowEnabled;
    s.ReservedBoolean = g.ReservedBoolean;
    s.ShadowOffset = g.ShadowOffset;
    s.ShadowTransparency = g.ShadowTransparency;
    s.FontColor = FiveColors(g.FontColor);
    s.HotFontColor = FiveColors(g.HotFontColor);
    s.Transparency = g.Transparency;
    s.GradientPercent = g.GradientPercent;
    s.GradientData = g.GradientData;
    s.ImagePercent = g.ImagePercent;
    s.ShowFocus = g.ShowFocus;
    s.FadingEnabled = g.FadingEnabled;
    s.FadingIntervalIn = g.FadingIntervalIn;
    s.FadingIntervalOut = g.FadingIntervalOut;
    s.FadingIterations = g.FadingIterations;
    s.HotColor = g.HotColor;
    s.HotTransparency = g.HotTransparency;
    s.HotBevel = g.HotBevel;
    s.HotGradientPercent = g.HotGradientPercent;
    s.HotGradientData = g.HotGradientData;
    s.HotImagePercent = g.HotImagePercent;
    s.BorderColor1 = g.BorderColor1;
    s.BorderColor2 = g.BorderColor2;
  }

  const int mw = skin.MasterBitmap()->Width(), mh = skin.MasterBitmap()->Height();
  TStringList keys;
  for (const TsGeneralData& g : table) {
    ini.ReadSection(g.SectionName, keys);
    for (int i = 0; i < keys.Count(); ++i) {
      const std::string key = keys.Get(i);
      if (SameText(g.SectionName, s_GlobalInfo) && SameText(key, s_MasterBitmap)) continue;
      const std::string value = ini.ReadString(g.SectionName, key, "");
      TsMaskData m;
      if (!ParseHashImageValue(g.SectionName, key, value, m)) {
        if (LooksLikeImage(value))
          throw EConvertError(Format("Image value '%s' of [%s] %s is not stored", value, g.SectionName, key));
        continue;
      }
      const TRect& r = m.R;
      if (r.left < 0 || r.top < 0 || r.right > mw || r.bottom > mh || r.right <= r.left || r.bottom <= r.top)
        throw EConvertError(Format("Image [%s] %s lies outside the master bitmap", g.SectionName, key));
      TsSkinImage& s = *skin.Images()->Add();
      s.SectionName = m.ClassName;
      s.PropertyName = m.PropertyName;
      s.Left = r.left;
      s.Top = r.top;
      s.Right = r.right;
      s.Bottom = r.bottom;
      s.ImageCount = m.ImageCount;
      s.MaskType = m.MaskType;
      s.BorderWidth = m.BorderWidth;
      s.StretchMode = m.StretchMode;
      s.ImgType = m.ImgType;
    }
  }
}

}  // namespace korv
