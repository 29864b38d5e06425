// Stored JPEG textures.
#include "classlib/Jpeg.h"
#include "skin/sStoredProps.h"
#include "skin/sStoredSkins.h"

namespace korv {

using namespace stored_props;

namespace {
using P = TsSkinPattern;
const TPropInfo kPatternProps[] = {
    StrProp<P, &P::SectionName>("SectionName"),
    ObjProp<P, &P::Image>("Image", TPropKind::Object),
    StrAccessorProp<P, &P::Name, &P::SetName>("Name"),
    StrProp<P, &P::PropertyName>("PropertyName"),
};
const TPropTable kPatternTable{kPatternProps, static_cast<int>(std::size(kPatternProps))};
}  // namespace

KORV_DEFINE_CLASS(TsSkinPattern, TCollectionItem, &CreateCollectionItem<TsSkinPattern>, &kPatternTable);

TsSkinPattern::TsSkinPattern(TCollection* collection)
    : TCollectionItem(collection), FImage(std::make_unique<TJPEGImage>()) {}
TsSkinPattern::~TsSkinPattern() = default;

void TsSkinPattern::SetImage(const TJPEGImage* value) { FImage->Assign(value); }

}  // namespace korv
