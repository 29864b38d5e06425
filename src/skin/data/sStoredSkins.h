// Skins stored inside a form: one collection of skins, each holding its sections, images, JPEG
// textures, master bitmap and skin-wide shadow values as published properties, so that the class
// library's component streaming writes and reads them.
#pragma once

#include <memory>
#include <string>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "skin/data/sConst.h"

namespace korv {

class TJPEGImage;
class TsStoredSkin;

// One section of a stored skin; the values mirror the section keys of a skin file.
class TsSkinGeneral : public TCollectionItem {
  KORV_CLASS(TsSkinGeneral, TCollectionItem)
 public:
  explicit TsSkinGeneral(TCollection* collection) : TCollectionItem(collection) {}

  std::string SectionName;
  std::string ParentClass;
  TColor Color = 0;
  TsControlBevel Bevel = cbNone;
  int ShadowBlur = 0;
  TColor ShadowColor = 0;
  bool ShadowDontUse = false;
  bool ShadowEnabled = false;
  bool ReservedBoolean = false;
  int ShadowOffset = 0;
  int ShadowTransparency = 0;
  std::string FontColor;     // five numbers separated by blanks: colour, left, top, right, bottom
  std::string HotFontColor;  // the same for the hot state
  int Transparency = 0;
  int GradientPercent = 0;
  std::string GradientData;
  int ImagePercent = 0;
  bool ShowFocus = false;
  bool FadingEnabled = false;
  int FadingIntervalIn = 0;
  int FadingIntervalOut = 0;
  int FadingIterations = 0;
  TColor HotColor = 0;
  int HotTransparency = 0;
  TsControlBevel HotBevel = cbNone;
  int HotGradientPercent = 0;
  std::string HotGradientData;
  int HotImagePercent = 0;
  TColor BorderColor1 = 0;
  TColor BorderColor2 = 0;
  std::string Name;
};

// One image: a rectangle of the master bitmap, or, when Name is not empty, its own Image.
class TsSkinImage : public TCollectionItem {
  KORV_CLASS(TsSkinImage, TCollectionItem)
 public:
  explicit TsSkinImage(TCollection* collection);
  ~TsSkinImage() override;

  std::string SectionName;
  [[nodiscard]] TBitmap* Image() const noexcept { return FImage.get(); }
  void SetImage(const TBitmap* value) { FImage->Assign(value); }
  [[nodiscard]] const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& value) {
    if (value != FName) FName = value;
  }
  std::string PropertyName;  // the key name, e.g. "BORDERSMASK"
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int ImageCount = 0;
  int MaskType = 0;
  int BorderWidth = 0;
  int StretchMode = 0;
  TacImgType ImgType = itisaBorder;
  int WL = 0;
  int WR = 0;
  int WT = 0;
  int WB = 0;

 private:
  std::unique_ptr<TBitmap> FImage;
  std::string FName;
};

// One JPEG texture; items of the same Name share the first picture that is not empty.
class TsSkinPattern : public TCollectionItem {
  KORV_CLASS(TsSkinPattern, TCollectionItem)
 public:
  explicit TsSkinPattern(TCollection* collection);
  ~TsSkinPattern() override;

  std::string SectionName;
  [[nodiscard]] TJPEGImage* Image() const noexcept { return FImage.get(); }
  void SetImage(const TJPEGImage* value);
  [[nodiscard]] const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& value) {
    if (value != FName) FName = value;
  }
  std::string PropertyName;  // "PATTERN" or "HOTPATTERN"

 private:
  std::unique_ptr<TJPEGImage> FImage;
  std::string FName;
};

// The collections: created with their item class and owner, typed item access.
template <class Item>
class TsStoredCollection : public TOwnedCollection {
 public:
  explicit TsStoredCollection(TPersistent* owner) : TOwnedCollection(owner, Item::StaticClass()) {}
  [[nodiscard]] Item* Items(int index) const { return static_cast<Item*>(GetItem(index)); }
  Item* Add() { return static_cast<Item*>(TCollection::Add()); }
};

class TsSkinGenerals : public TsStoredCollection<TsSkinGeneral> {
  KORV_CLASS(TsSkinGenerals, TOwnedCollection)
 public:
  using TsStoredCollection::TsStoredCollection;
};

class TsSkinImages : public TsStoredCollection<TsSkinImage> {
  KORV_CLASS(TsSkinImages, TOwnedCollection)
 public:
  using TsStoredCollection::TsStoredCollection;
};

class TsSkinPatterns : public TsStoredCollection<TsSkinPattern> {
  KORV_CLASS(TsSkinPatterns, TOwnedCollection)
 public:
  using TsStoredCollection::TsStoredCollection;
};

// A whole skin.
class TsStoredSkin : public TCollectionItem {
  KORV_CLASS(TsStoredSkin, TCollectionItem)
 public:
  explicit TsStoredSkin(TCollection* collection);
  ~TsStoredSkin() override;

  [[nodiscard]] const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& value) {
    if (value != FName) FName = value;
  }
  [[nodiscard]] TsSkinGenerals* GeneralData() const noexcept { return FGeneralData.get(); }
  void SetGeneralData(const TsSkinGenerals* value) { FGeneralData->Assign(value); }
  [[nodiscard]] TsSkinImages* Images() const noexcept { return FImages.get(); }
  void SetImages(const TsSkinImages* value) { FImages->Assign(value); }
  [[nodiscard]] TsSkinPatterns* Patterns() const noexcept { return FPatterns.get(); }
  void SetPatterns(const TsSkinPatterns* value) { FPatterns->Assign(value); }
  [[nodiscard]] TBitmap* MasterBitmap() const noexcept { return FMasterBitmap.get(); }
  void SetMasterBitmap(const TBitmap* value) { FMasterBitmap->Assign(value); }

  TColor Shadow1Color = 0;
  int Shadow1Offset = 0;
  int Shadow1Blur = -1;
  int Shadow1Transparency = 0;
  double Version = 0;
  std::string Author;
  std::string Description;

 private:
  std::string FName;
  // Created in this order: master bitmap, images, patterns, general data.
  std::unique_ptr<TBitmap> FMasterBitmap;
  std::unique_ptr<TsSkinImages> FImages;
  std::unique_ptr<TsSkinPatterns> FPatterns;
  std::unique_ptr<TsSkinGenerals> FGeneralData;
};

class TsStoredSkins : public TsStoredCollection<TsStoredSkin> {
  KORV_CLASS(TsStoredSkins, TOwnedCollection)
 public:
  using TsStoredCollection::TsStoredCollection;
  // Index of the first skin whose Name equals Name exactly (case-sensitive), -1 when none.
  [[nodiscard]] int IndexOf(std::string_view name) const;
};

}  // namespace korv
