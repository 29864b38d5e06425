// Stored JPEG textures.
#include "classlib/Jpeg.h"
#include "skin/data/sStoredProps.h"
#include "skin/data/sStoredSkins.h"

namespace korv {

using namespace stored_props;

namespace {
using P = TsSkinPattern;
const TPropInfo kPatternProps[] = {
    StrProp<P, &P::SectionName>("SectionName"),
    KORV_PROP_OBJECT(P, Image),
    KORV_PROP_STR_NODEFAULT(P, Name),
    StrProp<P, &P::PropertyName>("PropertyName"),
};
KORV_DEFINE_PROPS(TsSkinPattern, kPatternProps);
}  // namespace

KORV_DEFINE_CLASS(TsSkinPattern, TCollectionItem, &CreateCollectionItem<TsSkinPattern>, &TsSkinPattern_PropTable);

TsSkinPattern::TsSkinPattern(TCollection* collection)
    : TCollectionItem(collection), FImage(std::make_unique<TJPEGImage>()) {}
TsSkinPattern::~TsSkinPattern() = default;

void TsSkinPattern::SetImage(const TJPEGImage* value) { FImage->Assign(value); }

}  // namespace korv
