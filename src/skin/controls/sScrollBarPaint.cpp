// TsScrollBar: painting the skinned face from the skin's scroll sections into the link's cache,
// and copying it to the window.
#include <algorithm>
#include <memory>

#include "classlib/Forms.h"
#include "classlib/Handles.h"
#include "skin/controls/sScrollBar.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopy.h"
#include "skin/paint/sStyleSimply.h"

namespace korv {

namespace {

// The skin of one part, from the manager's index cache.
struct TPartSkin {
  int Section = -1;
  int Border = -1;
  int Pattern = -1;
  int HotPattern = -1;
  int Glyph = -1;
};

// The arrows: left and right, or top and bottom (the cache's order is top, bottom, left, right).
TPartSkin ButtonSkin(const TacSkinIndexCache& c, bool vertical, bool second) noexcept {
  const int i = (vertical ? 0 : 2) + (second ? 1 : 0);
  const int16_t sections[4] = {c.ScrollBtnTop, c.ScrollBtnBottom, c.ScrollBtnLeft, c.ScrollBtnRight};
  return {sections[i], c.ScrollBtnBorder[i], c.ScrollBtnPattern[i], c.ScrollBtnHotPattern[i], c.ScrollBtnGlyph[i]};
}

// The tracks: before or after the thumb (the cache's order is 1H, 1V, 2H, 2V).
TPartSkin TrackSkin(const TacSkinIndexCache& c, bool vertical, bool after) noexcept {
  const int i = (after ? 2 : 0) + (vertical ? 1 : 0);
  const int16_t sections[4] = {c.ScrollBar1H, c.ScrollBar1V, c.ScrollBar2H, c.ScrollBar2V};
  return {sections[i], c.ScrollBarBorder[i], c.ScrollBarPattern[i], c.ScrollBarHotPattern[i], -1};
}

TPartSkin ThumbSkin(const TacSkinIndexCache& c, bool vertical) noexcept {
  if (vertical) return {c.SliderV, c.SliderBorderV, c.SliderPatternV, c.SliderHotPatternV, c.SliderGlyphV};
  return {c.SliderH, c.SliderBorderH, c.SliderPatternH, c.SliderHotPatternH, c.SliderGlyphH};
}

// One frame of an image: a third of the width and half the height of an image with a bitmap of
// its own; else its rectangle of the master bitmap divided by the image count across and by the
// mask type + 1 down.
TSize ImageFrame(const TsMaskData& image) noexcept {
  if (image.Bmp) return TSize{image.Bmp->Width() / 3, image.Bmp->Height() / 2};
  return TSize{RectWidth(image.R) / std::max<int>(1, image.ImageCount),
               RectHeight(image.R) / (std::max<int>(0, image.MaskType) + 1)};
}

const TsMaskData* ImageOf(const TsSkinManager* sm, int index) noexcept {
  return sm->IsValidSkinIndex(index) ? &sm->Images[static_cast<size_t>(index)] : nullptr;
}

// Draws a glyph (an arrow or the thumb's grip) in state's frame centred in rect; an image with a
// bitmap of its own only when `fits` says its frame suits the part. Nothing when the centred
// frame would start left of or above the bitmap.
void DrawCentredGlyph(TBitmap* bmp, const TsMaskData* image, int state, const TRect& rect, TPoint shift, bool fits) {
  if (!image || (image->Bmp && !fits)) return;
  const TSize f = ImageFrame(*image);
  if (f.cx < 1 || f.cy < 1) return;
  const TPoint at =
      Point(rect.left + (RectWidth(rect) - f.cx) / 2 + shift.x, rect.top + (RectHeight(rect) - f.cy) / 2 + shift.y);
  if (at.x < 0 || at.y < 0) return;
  DrawSkinGlyph(bmp, at, state, *image, 1);
}

}  // namespace

bool TsScrollBar::CanPaint() const {
  return OwnFace() && !FModel.PaintLocked && !NewSkinSending && !HasState(csLoading | csDestroying) &&
         !FSkinData->Updating && FSkinData->Skinned();
}

void TsScrollBar::Repaint() {
  if (!OwnFace()) {
    TScrollBar::Repaint();
    return;
  }
  FModel.PaintLocked = false;
  if (FModel.StateChanged) PaintBar(nullptr);
}

void TsScrollBar::WMPaint(TMessage& m) {
  if (m.WParam) {
    // Painting into a DC someone else supplies (WM_PRINT, a parent's background).
    if (CanPaint()) PaintBar(reinterpret_cast<HDC>(m.WParam));
    return;
  }
  // Validated in every case: a paint that has nothing to do still ends the WM_PAINT.
  TPaintScope paint(FHandle);
  if (paint.DC() && CanPaint()) PaintBar(paint.DC());
}

void TsScrollBar::BackgroundInfo(TCacheInfo& ci, TPoint& pos) const {
  pos = Point(FLeft, FTop);
  if (!FLinkedControl) {
    FSkinData->GetParentCacheInfo(ci);
    return;
  }
  ParentCacheInfo.Ready = false;
  SendSkinCmd(FLinkedControl, skcGetCache);
  ci = ParentCacheInfo;
  // A form's image holds its whole client area; another control's starts at its own place.
  if (!dynamic_cast<TCustomForm*>(FLinkedControl)) {
    pos.x -= FLinkedControl->Left();
    pos.y -= FLinkedControl->Top();
  }
}

std::vector<intptr_t> TsScrollBar::FaceKey(const TsScrollLayout& l, const TCacheInfo& under, TPoint pos) const {
  const TBitmap* cache = FSkinData->CacheBmp.get();
  std::vector<intptr_t> key{reinterpret_cast<intptr_t>(cache ? cache->Handle() : nullptr),
                            FWidth,
                            FHeight,
                            FEnabled,
                            static_cast<intptr_t>(FDisabledKind),
                            LinkState(),
                            reinterpret_cast<intptr_t>(FSkinData->SkinManager()),
                            FSkinData->SkinIndex,
                            l.Vertical,
                            l.HasThumb,
                            FLinkedControl && FLinkedControl->Enabled(),
                            reinterpret_cast<intptr_t>(under.Bmp),
                            under.X,
                            under.Y,
                            under.Ready,
                            static_cast<intptr_t>(under.Stamp),
                            pos.x,
                            pos.y};
  for (int part = 0; part < sScrollPartCount; ++part) {
    const TRect& r = l.Parts[static_cast<size_t>(part)];
    key.insert(key.end(), {r.left, r.top, r.right, r.bottom, FModel.State(static_cast<TsScrollPart>(part))});
  }
  return key;
}

bool TsScrollBar::UnderFaceChanged() const {
  if (FFaceKey.empty() || FModel.StateChanged || FSkinData->BGChanged) return true;
  TCacheInfo under;
  TPoint pos;
  BackgroundInfo(under, pos);
  return under != FFaceUnder || pos.x != FFacePos.x || pos.y != FFacePos.y;
}

bool TsScrollBar::FaceCoversWindow() const {
  if (!CanPaint() || FWidth < 1 || FHeight < 1) return false;
  const TsSkinManager* sm = FSkinData->SkinManager();
  const TsScrollLayout l = FModel.Layout();
  return IsRectEmpty(&l.Parts[spTrackBefore]) ||
         sm->IsValidSectionIndex(TrackSkin(sm->SkinIndexCache, l.Vertical, false).Section);
}

void TsScrollBar::PaintBar(HDC dc, bool onlyChanged) {
  if (!CanPaint() || FWidth < 1 || FHeight < 1) return;
  TsSkinManager* sm = FSkinData->SkinManager();
  const TacSkinIndexCache& ix = sm->SkinIndexCache;
  const TsScrollLayout l = FModel.Layout();
  const bool vertical = l.Vertical;
  // A skin without the track before the thumb paints no part of the bar.
  if (!IsRectEmpty(&l.Parts[spTrackBefore]) && !sm->IsValidSectionIndex(TrackSkin(ix, vertical, false).Section)) return;
  TCacheInfo under;
  TPoint pos;
  BackgroundInfo(under, pos);
  // The face is painted again only when something it is painted from changed: a repaint of the
  // window (or of the parent around it) copies the cache.
  const TBitmap* cache = FSkinData->CacheBmp.get();
  std::vector<intptr_t> key = FaceKey(l, under, pos);
  const bool current = FEnabled && !FModel.StateChanged && !FSkinData->BGChanged && cache && !cache->Empty() &&
                       cache->Width() == FWidth && cache->Height() == FHeight && key == FFaceKey;
  if (current && onlyChanged) return;
  FModel.StateChanged = false;
  if (current) {
    CopyFace(dc, FSkinData->CacheBmp.get());
    return;
  }
  FFaceKey.clear();

  // A disabled bar is painted apart: the link's cache keeps the enabled look.
  FSkinData->PrepareCache();
  std::unique_ptr<TBitmap> disabled;
  TBitmap* bmp = FSkinData->CacheBmp.get();
  if (!FEnabled) {
    disabled = CreateBmp24(FWidth, FHeight);
    bmp = disabled.get();
  }
  if (!bmp || bmp->Empty()) return;

  // The parts show their own state, the tracks the bar's while nothing presses them; a disabled
  // bar shows every part normal.
  const int linkState = LinkState();
  auto stateOf = [&](TsScrollPart part, bool tracks) {
    int s = FModel.State(part);
    if (tracks && s == psNormal) s = linkState;
    return FEnabled ? s : 0;
  };

  for (TsScrollPart part : {spTrackBefore, spTrackAfter}) {
    const TRect& r = l.Parts[part];
    if (IsRectEmpty(&r)) continue;
    const TPartSkin skin = TrackSkin(ix, vertical, part == spTrackAfter);
    PaintSection(bmp, sm, skin.Section, skin.Border, stateOf(part, true), r, pos, under, true, skin.Pattern,
                 skin.HotPattern);
  }

  // The arrows over the tracks, each over what is painted already. A section that asks for it
  // (RESERVEDBOOLEAN) grows its button to the size of its border image's frame.
  TCacheInfo self;
  InitCacheInfo(self, bmp, 0, 0);
  for (TsScrollPart part : {spFirstButton, spSecondButton}) {
    const TPartSkin skin = ButtonSkin(ix, vertical, part == spSecondButton);
    if (!sm->IsValidSectionIndex(skin.Section)) continue;
    const TRect& r = l.Parts[part];
    int length = vertical ? RectHeight(r) : RectWidth(r);
    const TsMaskData* border = ImageOf(sm, skin.Border);
    if (border && sm->Sections[static_cast<size_t>(skin.Section)].ReservedBoolean) {
      const TSize frame = ImageFrame(*border);
      length = std::max<int>(l.Button, vertical ? frame.cy : frame.cx);
    }
    const TRect skinRect = part == spFirstButton ? l.Along(0, length) : l.Along(l.Length - length, l.Length);
    const int state = stateOf(part, false);
    PaintSection(bmp, sm, skin.Section, skin.Border, state, skinRect, Point(0, 0), self, true, skin.Pattern,
                 skin.HotPattern);
    const TsMaskData* glyph = ImageOf(sm, skin.Glyph);
    const bool fits = glyph && (vertical ? ImageFrame(*glyph).cy : ImageFrame(*glyph).cx) < l.Button;
    DrawCentredGlyph(bmp, glyph, state, r, Point(0, 0), fits);
  }

  // The thumb, painted over a copy of what lies under it, with its grip in the middle (a pixel
  // lower and to the right while pressed).
  const TPartSkin thumb = ThumbSkin(ix, vertical);
  const bool linkedShows = FLinkedControl && FLinkedControl->Enabled() && !FEnabled;
  if (l.HasThumb && !linkedShows && sm->IsValidSectionIndex(thumb.Section)) {
    const TRect& r = l.Parts[spThumb];
    std::unique_ptr<TBitmap> piece = CreateBmp24(RectWidth(r), RectHeight(r));
    BitBlt(piece->Canvas()->Handle(), 0, 0, RectWidth(r), RectHeight(r), bmp->Canvas()->Handle(), r.left, r.top,
           SRCCOPY);
    TCacheInfo pieceInfo;
    InitCacheInfo(pieceInfo, piece.get(), 0, 0);
    const int state = stateOf(spThumb, false);
    PaintSection(piece.get(), sm, thumb.Section, thumb.Border, state, Rect(0, 0, RectWidth(r), RectHeight(r)),
                 Point(0, 0), pieceInfo, true, thumb.Pattern, thumb.HotPattern);
    BitBlt(bmp->Canvas()->Handle(), r.left, r.top, RectWidth(r), RectHeight(r), piece->Canvas()->Handle(), 0, 0,
           SRCCOPY);
    const TsMaskData* grip = ImageOf(sm, thumb.Glyph);
    // An image with a bitmap of its own only when half its length along the bar is below the thumb's.
    const int half = grip && grip->Bmp ? (vertical ? grip->Bmp->Height() : grip->Bmp->Width()) / 2 : 0;
    const int shift = FModel.State(spThumb) == psPressed ? 1 : 0;
    DrawCentredGlyph(bmp, grip, state, r, Point(shift, shift), half < l.Thumb);
  }

  if (!FEnabled) PaintControlImage(bmp, FDisabledKind, this, pos, under);
  if (FEnabled) {
    // Taken after painting: the cache's handle is part of it.
    FFaceKey = FaceKey(l, under, pos);
    FFaceUnder = under;
    FFacePos = pos;
    FSkinData->BGChanged = false;
  }
  CopyFace(dc, bmp);
}

void TsScrollBar::CopyFace(HDC dc, TBitmap* face) {
  TWindowDC own;
  if (!dc) {
    own = TWindowDC::Client(FHandle);
    dc = own.Get();
    if (!dc) return;
  }
  BitBlt(dc, 0, 0, FWidth, FHeight, face->Canvas()->Handle(), 0, 0, SRCCOPY);
}

}  // namespace korv
