// The picture passes of a skin load: images and master bitmap, JPEG textures.
#include "skin/paint/sSkinLoad.h"

#include <algorithm>

#include "classlib/IniFiles.h"
#include "classlib/Jpeg.h"
#include "classlib/SysUtils.h"
#include "skin/paint/sSkinLoadValues.h"

namespace korv {

namespace {

int16_t Int16(int v) noexcept { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

// The stored skin a load reads when no folder skin is open: the first of the name SkinName.
const TsStoredSkin* StoredSkin(const TsSkinManager& sm) {
  const int i = sm.InternalSkins()->IndexOf(sm.SkinName());
  return i < 0 ? nullptr : sm.InternalSkins()->Items(i);
}

// A bitmap file as a 24-bit picture; nullptr when there is no such file.
std::unique_ptr<TBitmap> LoadBitmapFile(const std::string& name) {
  if (!FileExists(name)) return nullptr;
  auto bmp = std::make_unique<TBitmap>();
  bmp->LoadFromFile(name);
  return bmp;
}

std::unique_ptr<TJPEGImage> LoadJpegFile(const std::string& name) {
  if (!FileExists(name)) return nullptr;
  auto jpeg = std::make_unique<TJPEGImage>();
  jpeg->LoadFromFile(name);
  return jpeg;
}

// The master bitmap as the painters take it: key-colour transparent, nullptr when empty.
std::unique_ptr<TBitmap> AsMaster(std::unique_ptr<TBitmap> bmp) {
  if (!bmp || bmp->Empty()) return nullptr;
  bmp->SetTransparent(true);
  bmp->SetTransparentColor(sKeyColor);
  return bmp;
}

// The table being built by one pass, handed to the manager only when the pass has finished.
struct TImageTable {
  explicit TImageTable(TsSkinManager& sm) noexcept : Manager(sm) {}
  TsSkinManager& Manager;
  const TBitmap* Master = nullptr;
  TsMaskArray Images;

  // Keeps an entry when its rectangle lies inside its source: its own bitmap, else the master.
  void Keep(TsMaskData&& m) {
    m.Manager = &Manager;
    const TBitmap* source = m.Bmp ? m.Bmp.get() : Master;
    if (FitImageEntry(m, source ? source->Width() : 0, source ? source->Height() : 0)) Images.push_back(std::move(m));
  }
  // An entry read from a value: rectangles as they are, own bitmaps loaded when the file exists.
  void Keep(TacImageValue&& v, const std::string& skinPath) {
    if (v.Form == TacImageForm::OwnBitmap) {
      v.Mask.Bmp = LoadBitmapFile(SkinFileName(skinPath, v.FileName));
      if (!v.Mask.Bmp) return;
      v.Mask.R = TRect{0, 0, v.Mask.Bmp->Width(), v.Mask.Bmp->Height()};
    } else if (v.Form != TacImageForm::Rect) {
      return;
    }
    Keep(std::move(v.Mask));
  }
};

// Calls Visit(section, key, value) for every entry of every section, in file order.
template <class Visit>
void ForEachValue(const TMemIniFile& ini, Visit&& visit) {
  for (const TIniSection& section : ini.Sections())
    for (const TIniEntry& e : section.Entries) visit(section.Name, e.Key, e.Value);
}

void FolderMasks(const TMemIniFile& ini, const std::string& skinPath, std::unique_ptr<TBitmap>& master,
                 TImageTable& table) {
  const std::string masterName = ini.ReadString(s_GlobalInfo, s_MasterBitmap, "");
  if (!masterName.empty()) master = AsMaster(LoadBitmapFile(SkinFileName(skinPath, masterName)));
  table.Master = master.get();
  ForEachValue(ini, [&](const std::string& section, const std::string& key, const std::string& value) {
    if (value.empty() || (SameText(key, s_MasterBitmap) && SameText(section, s_GlobalInfo))) return;
    table.Keep(ParseImageValue(section, key, value), skinPath);
  });
}

bool IsPatternKey(std::string_view key) { return key == "PATTERN" || key == "HOTPATTERN"; }

void StoredMasks(const TsStoredSkin& skin, std::unique_ptr<TBitmap>& master, TImageTable& table) {
  if (!skin.MasterBitmap()->Empty()) {
    master = std::make_unique<TBitmap>();
    master->Assign(skin.MasterBitmap());
    master = AsMaster(std::move(master));
  }
  table.Master = master.get();
  for (int i = 0; i < skin.Images()->Count(); ++i) {
    const TsSkinImage& item = *skin.Images()->Items(i);
    TsMaskData m;
    if (!item.Image()->Empty() && !item.Name().empty()) {
      m.Bmp = std::make_unique<TBitmap>();
      m.Bmp->Assign(item.Image());
      m.R = TRect{0, 0, m.Bmp->Width(), m.Bmp->Height()};
    } else {
      m.R = TRect{item.Left, item.Top, item.Right, item.Bottom};
    }
    m.ClassName = UpperCase(item.SectionName);
    m.PropertyName = UpperCase(item.PropertyName);
    m.ImageCount = Int16(item.ImageCount);
    m.MaskType = Int16(item.MaskType);
    if (item.ImageCount == 0) {  // a stored image without a count has three frames with a mask
      m.MaskType = 1;
      m.ImageCount = 3;
    }
    m.BorderWidth = Int16(item.BorderWidth);
    if (IsPatternKey(m.PropertyName)) {
      m.ImgType = itisaTexture;
      m.StretchMode = item.ImgType == itisaTexture ? Int16(item.StretchMode) : 0;
    } else {
      m.ImgType = item.ImgType;
      m.StretchMode = Int16(item.StretchMode);
    }
    table.Keep(std::move(m));
  }
}

// The manager's extra sections as INI text, read as a folder skin's file is (never written).
struct TCommonIni {
  explicit TCommonIni(const TStrings& lines) : Ini(std::string()) { Ini.SetStrings(lines); }
  TMemIniFile Ini;
};

void CommonMasks(const TStrings& lines, const std::string& skinPath, TImageTable& table) {
  TCommonIni ini(lines);
  ForEachValue(ini.Ini, [&](const std::string& section, const std::string& key, const std::string& value) {
    if (SameText(section, s_GlobalInfo)) return;
    table.Keep(ParseCommonImageValue(section, key, value, table.Master != nullptr), skinPath);
  });
}

// JPEG files named by the values of an INI source. With SmallImages, pictures of fewer than
// sSmallTexturePixels pixels become image entries instead of textures.
void JpegTextures(const TMemIniFile& ini, const std::string& skinPath, bool smallImages, TsPatternArray& textures,
                  TImageTable& images) {
  ForEachValue(ini, [&](const std::string& section, const std::string& key, const std::string& value) {
    if (!IsJpegValue(value)) return;
    std::unique_ptr<TJPEGImage> jpeg = LoadJpegFile(SkinFileName(skinPath, value));
    if (!jpeg || jpeg->Width() < 1) return;
    if (smallImages && int64_t{jpeg->Width()} * jpeg->Height() < sSmallTexturePixels) {
      TsMaskData m;
      m.Bmp = std::make_unique<TBitmap>();
      m.Bmp->Assign(&jpeg->Bitmap());
      m.R = TRect{0, 0, m.Bmp->Width(), m.Bmp->Height()};
      m.ClassName = UpperCase(section);
      m.PropertyName = UpperCase(key);
      m.ImgType = itisaTexture;
      m.ImageCount = 1;
      images.Keep(std::move(m));
      return;
    }
    textures.push_back(TsPatternData{std::move(jpeg), UpperCase(section), UpperCase(key)});
  });
}

void StoredTextures(const TsStoredSkin& skin, TsPatternArray& textures) {
  const TsSkinPatterns& items = *skin.Patterns();
  for (int i = 0; i < items.Count(); ++i) {
    const TsSkinPattern& item = *items.Items(i);
    // An item without a picture shares the first picture of an item of its name.
    const TJPEGImage* picture = item.Image();
    for (int j = 0; picture->Empty() && j < items.Count(); ++j)
      if (items.Items(j)->Name() == item.Name() && !items.Items(j)->Image()->Empty()) picture = items.Items(j)->Image();
    auto img = std::make_unique<TJPEGImage>();
    if (!picture->Empty()) img->Assign(picture);
    textures.push_back(TsPatternData{std::move(img), UpperCase(item.SectionName), UpperCase(item.PropertyName)});
  }
}

TacSkinLoader gLoader;
TacSkinLoadPasses* gPreviousPasses = nullptr;
bool gInstalled = false;

}  // namespace

void TacSkinLoader::LoadAllMasks(TsSkinManager& sm) {
  sm.FreeMasks();
  std::unique_ptr<TBitmap> master;
  TImageTable table(sm);
  const std::string& path = sm.SkinData.SkinPath;
  if (CurrentSkinFile) {
    FolderMasks(*CurrentSkinFile, path, master, table);
  } else if (const TsStoredSkin* skin = StoredSkin(sm)) {
    StoredMasks(*skin, master, table);
  } else {
    return;
  }
  if (sm.CommonSections()->Count() > 0) CommonMasks(*sm.CommonSections(), path, table);
  sm.Images = std::move(table.Images);
  sm.MasterBitmap = std::move(master);
}

void TacSkinLoader::LoadAllPatterns(TsSkinManager& sm) {
  sm.FreePatterns();
  TsPatternArray textures;
  TImageTable images(sm);
  const std::string& path = sm.SkinData.SkinPath;
  if (CurrentSkinFile) {
    JpegTextures(*CurrentSkinFile, path, true, textures, images);
  } else if (const TsStoredSkin* skin = StoredSkin(sm)) {
    StoredTextures(*skin, textures);
  } else {
    return;
  }
  if (sm.CommonSections()->Count() > 0) {
    TCommonIni ini(*sm.CommonSections());
    JpegTextures(ini.Ini, path, false, textures, images);
  }
  sm.Textures = std::move(textures);
  for (TsMaskData& m : images.Images) sm.Images.push_back(std::move(m));
}

void SkinLoadStartup() {
  if (gInstalled) return;
  gPreviousPasses = SetSkinLoadPasses(&gLoader);
  gInstalled = true;
}

void SkinLoadShutdown() noexcept {
  if (!gInstalled) return;
  SetSkinLoadPasses(gPreviousPasses);
  gPreviousPasses = nullptr;
  gInstalled = false;
}

}  // namespace korv
