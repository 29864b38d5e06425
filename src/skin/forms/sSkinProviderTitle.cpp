// What the provider's title shows besides its text: the rules for the caption buttons and the
// system menu's items, the title icon and the extra title buttons.
#include "classlib/Streaming.h"
#include "skin/forms/sSkinProvider.h"

namespace korv {

// ---- rules ----

namespace {

// The styles whose title has room for maximise and minimise.
bool FullTitle(TBorderStyle style) noexcept {
  return style != bsDialog && style != bsNone && style != bsToolWindow && style != bsSizeToolWin;
}

bool TitleIconVisible(const TsSysButtonsState& s, TBorderIcon icon) noexcept {
  if (s.Iconic) return true;
  return CloseVisible(s) && FullTitle(s.BorderStyle) && (s.BorderStyle != bsSingle || (s.Icons & icon));
}

}  // namespace

bool CloseVisible(const TsSysButtonsState& s) noexcept { return (s.Icons & biSystemMenu) != 0; }
bool MaximizeVisible(const TsSysButtonsState& s) noexcept { return TitleIconVisible(s, biMaximize); }
bool MinimizeVisible(const TsSysButtonsState& s) noexcept { return TitleIconVisible(s, biMinimize); }

bool RestoreVisible(const TsSysButtonsState& s) noexcept {
  return (s.BorderStyle == bsSingle || s.BorderStyle == bsSizeable) && CloseVisible(s);
}

bool SizeVisible(const TsSysButtonsState& s) noexcept {
  return s.BorderStyle != bsDialog && s.BorderStyle != bsNone && s.BorderStyle != bsToolWindow;
}

bool MaximizeEnabled(const TsSysButtonsState& s) noexcept {
  return (s.Icons & biMaximize) && s.WindowState != wsMaximized &&
         (s.BorderStyle == bsSingle || s.BorderStyle == bsSizeable || s.BorderStyle == bsSizeToolWin);
}

bool MinimizeEnabled(const TsSysButtonsState& s) noexcept {
  return (s.Icons & biMinimize) && s.WindowState != wsMinimized;
}

bool RestoreEnabled(const TsSysButtonsState& s) noexcept {
  return ((s.Icons & biMaximize) && s.WindowState != wsNormal) || s.WindowState == wsMinimized;
}

bool MoveEnabled(const TsSysButtonsState& s) noexcept { return s.WindowState != wsMaximized; }
bool SizeEnabled(const TsSysButtonsState& s) noexcept { return s.BorderStyle != bsSingle && !s.Iconic; }

// ---- title icon ----

namespace {

using I = TsTitleIcon;
const TPropInfo kTitleIconProps[] = {
    KORV_PROP_OBJECT(I, Glyph),
    KORV_PROP_INT(I, Height, 0),
    KORV_PROP_INT(I, Width, 0),
};
KORV_DEFINE_PROPS(TsTitleIcon, kTitleIconProps);

using B = TsTitleButton;
const TPropInfo kTitleButtonProps[] = {
    KORV_PROP_STR_NODEFAULT(B, Name),
    KORV_PROP_OBJECT(B, Glyph),
    KORV_PROP_BOOL(B, UseSkinData, true),
    KORV_PROP_BOOL(B, Enabled, true),
};
KORV_DEFINE_PROPS(TsTitleButton, kTitleButtonProps);

}  // namespace

KORV_DEFINE_CLASS(TsTitleIcon, TPersistent, nullptr, &TsTitleIcon_PropTable);
KORV_DEFINE_CLASS(TsTitleButton, TCollectionItem, &CreateCollectionItem<TsTitleButton>, &TsTitleButton_PropTable);
KORV_DEFINE_CLASS(TsTitleButtons, TOwnedCollection, nullptr, nullptr);

TsTitleIcon::TsTitleIcon() : FGlyph(std::make_unique<TBitmap>()) {}
TsTitleIcon::~TsTitleIcon() = default;

void TsTitleIcon::AssignTo(TPersistent* dest) const {
  auto* d = dynamic_cast<TsTitleIcon*>(dest);
  if (!d) return TPersistent::AssignTo(dest);
  d->SetGlyph(FGlyph.get());
  d->FHeight = FHeight;
  d->FWidth = FWidth;
}

// ---- extra title buttons ----

TsTitleButton::TsTitleButton(TCollection* collection)
    : TCollectionItem(collection), FName(ClassName()), FGlyph(std::make_unique<TBitmap>()) {}
TsTitleButton::~TsTitleButton() = default;

void TsTitleButton::AssignTo(TPersistent* dest) const {
  auto* d = dynamic_cast<TsTitleButton*>(dest);
  if (!d) return TCollectionItem::AssignTo(dest);
  d->SetName(FName);
  d->SetGlyph(FGlyph.get());
  d->FUseSkinData = FUseSkinData;
  d->FEnabled = FEnabled;
  d->OnMouseDown = OnMouseDown;
  d->OnMouseUp = OnMouseUp;
}

TsTitleButtons::TsTitleButtons(TsSkinProvider* owner) : TOwnedCollection(owner, TsTitleButton::StaticClass()) {}

}  // namespace korv
