#include "skin/data/sStoredSkins.h"

#include "skin/data/sStoredProps.h"

namespace korv {

using namespace stored_props;

namespace {

const char* const kBevelIdents[] = {"cbNone", "cbRaisedSoft", "cbLoweredSoft", "cbRaisedHard", "cbLoweredHard"};
const char* const kImgTypeIdents[] = {"itisaBorder", "itisaTexture", "itisaGlyph"};

using G = TsSkinGeneral;
const TPropInfo kGeneralProps[] = {
    StrProp<G, &G::SectionName>("SectionName"),
    StrProp<G, &G::ParentClass>("ParentClass"),
    IntProp<G, &G::Color>("Color"),
    EnumProp<G, &G::Bevel, TsControlBevel>("Bevel", kBevelIdents),
    IntProp<G, &G::ShadowBlur>("ShadowBlur"),
    IntProp<G, &G::ShadowColor>("ShadowColor"),
    BoolProp<G, &G::ShadowDontUse>("ShadowDontUse"),
    BoolProp<G, &G::ShadowEnabled>("ShadowEnabled"),
    BoolProp<G, &G::ReservedBoolean>("ReservedBoolean"),
    IntProp<G, &G::ShadowOffset>("ShadowOffset"),
    IntProp<G, &G::ShadowTransparency>("ShadowTransparency"),
    StrProp<G, &G::FontColor>("FontColor"),
    StrProp<G, &G::HotFontColor>("HotFontColor"),
    IntProp<G, &G::Transparency>("Transparency"),
    IntProp<G, &G::GradientPercent>("GradientPercent"),
    StrProp<G, &G::GradientData>("GradientData"),
    IntProp<G, &G::ImagePercent>("ImagePercent"),
    BoolProp<G, &G::ShowFocus>("ShowFocus"),
    BoolProp<G, &G::FadingEnabled>("FadingEnabled"),
    IntProp<G, &G::FadingIntervalIn>("FadingIntervalIn"),
    IntProp<G, &G::FadingIntervalOut>("FadingIntervalOut"),
    IntProp<G, &G::FadingIterations>("FadingIterations"),
    IntProp<G, &G::HotColor>("HotColor"),
    IntProp<G, &G::HotTransparency>("HotTransparency"),
    EnumProp<G, &G::HotBevel, TsControlBevel>("HotBevel", kBevelIdents),
    IntProp<G, &G::HotGradientPercent>("HotGradientPercent"),
    StrProp<G, &G::HotGradientData>("HotGradientData"),
    IntProp<G, &G::HotImagePercent>("HotImagePercent"),
    IntProp<G, &G::BorderColor1>("BorderColor1"),
    IntProp<G, &G::BorderColor2>("BorderColor2"),
    StrProp<G, &G::Name>("Name"),
};
KORV_DEFINE_PROPS(TsSkinGeneral, kGeneralProps);

using I = TsSkinImage;
const TPropInfo kImageProps[] = {
    StrProp<I, &I::SectionName>("SectionName"),
    KORV_PROP_OBJECT(I, Image),
    KORV_PROP_STR_NODEFAULT(I, Name),
    StrProp<I, &I::PropertyName>("PropertyName"),
    IntProp<I, &I::Left>("Left"),
    IntProp<I, &I::Top>("Top"),
    IntProp<I, &I::Right>("Right"),
    IntProp<I, &I::Bottom>("Bottom"),
    IntProp<I, &I::ImageCount>("ImageCount"),
    IntProp<I, &I::MaskType>("MaskType"),
    IntProp<I, &I::BorderWidth>("BorderWidth"),
    IntProp<I, &I::StretchMode>("StretchMode"),
    EnumProp<I, &I::ImgType, TacImgType>("ImgType", kImgTypeIdents),
    IntProp<I, &I::WL>("WL"),
    IntProp<I, &I::WR>("WR"),
    IntProp<I, &I::WT>("WT"),
    IntProp<I, &I::WB>("WB"),
};
KORV_DEFINE_PROPS(TsSkinImage, kImageProps);

using S = TsStoredSkin;
TPropInfo Shadow1BlurProp() {
  TPropInfo p = IntProp<S, &S::Shadow1Blur>("Shadow1Blur");
  p.HasDefault = true;
  p.DefaultOrd = -1;
  return p;
}
const TPropInfo kSkinProps[] = {
    KORV_PROP_STR_NODEFAULT(S, Name),
    KORV_PROP_COLLECTION(S, GeneralData),
    KORV_PROP_COLLECTION(S, Images),
    KORV_PROP_COLLECTION(S, Patterns),
    KORV_PROP_OBJECT(S, MasterBitmap),
    IntProp<S, &S::Shadow1Color>("Shadow1Color"),
    IntProp<S, &S::Shadow1Offset>("Shadow1Offset"),
    Shadow1BlurProp(),
    IntProp<S, &S::Shadow1Transparency>("Shadow1Transparency"),
    FloatProp<S, &S::Version>("Version"),
    StrProp<S, &S::Author>("Author"),
    StrProp<S, &S::Description>("Description"),
};
KORV_DEFINE_PROPS(TsStoredSkin, kSkinProps);

}  // namespace

KORV_DEFINE_CLASS(TsSkinGeneral, TCollectionItem, &CreateCollectionItem<TsSkinGeneral>, &TsSkinGeneral_PropTable);
KORV_DEFINE_CLASS(TsSkinImage, TCollectionItem, &CreateCollectionItem<TsSkinImage>, &TsSkinImage_PropTable);
KORV_DEFINE_CLASS(TsStoredSkin, TCollectionItem, &CreateCollectionItem<TsStoredSkin>, &TsStoredSkin_PropTable);
KORV_DEFINE_CLASS(TsSkinGenerals, TOwnedCollection, nullptr, nullptr);
KORV_DEFINE_CLASS(TsSkinImages, TOwnedCollection, nullptr, nullptr);
KORV_DEFINE_CLASS(TsSkinPatterns, TOwnedCollection, nullptr, nullptr);
KORV_DEFINE_CLASS(TsStoredSkins, TOwnedCollection, nullptr, nullptr);

TsSkinImage::TsSkinImage(TCollection* collection) : TCollectionItem(collection), FImage(std::make_unique<TBitmap>()) {}
TsSkinImage::~TsSkinImage() = default;

TsStoredSkin::TsStoredSkin(TCollection* collection)
    : TCollectionItem(collection),
      FMasterBitmap(std::make_unique<TBitmap>()),
      FImages(std::make_unique<TsSkinImages>(this)),
      FPatterns(std::make_unique<TsSkinPatterns>(this)),
      FGeneralData(std::make_unique<TsSkinGenerals>(this)) {}

TsStoredSkin::~TsStoredSkin() {
  // Items first, while the skin they report as owner still exists.
  FImages.reset();
  FPatterns.reset();
  FGeneralData.reset();
  FMasterBitmap.reset();
}

int TsStoredSkins::IndexOf(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Name() == name) return i;
  return -1;
}

}  // namespace korv
