// Section painting: backgrounds (texture, gradient, colour, transparency) and whole sections.
#include "skin/paint/sStyleSimply.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "skin/core/sCommonData.h"
#include "skin/core/sMessages.h"
#include "skin/core/sSkinManager.h"
#include "skin/data/sGradient.h"
#include "skin/data/sUtils.h"
#include "skin/paint/sBlend.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopy.h"
#include "skin/paint/sPixelRows.h"

namespace korv {

namespace {

// The part of rect inside the pixels (empty when none).
TRect ClipToPixels(const TRect& rect, const TsPixels24& px) noexcept {
  return Rect(std::max<int>(rect.left, 0), std::max<int>(rect.top, 0), std::min<int>(rect.right, px.Width),
              std::min<int>(rect.bottom, px.Height));
}

void FillPixels(const TsPixels24& px, const TRect& rect, TColor color) {
  const TRect r = ClipToPixels(rect, px);
  for (int y = r.top; y < r.bottom; ++y) rows::FillColor(px.Row(y) + r.left * 3, r.right - r.left, color);
}

// The rectangle src of a picture repeated over rect from rect's top-left corner (cut to dst).
void TilePixels(const TsPixels24& dst, const TRect& rect, const TsPixels24& pic, const TRect& src) {
  const int sw = RectWidth(src), sh = RectHeight(src);
  const TRect r = ClipToPixels(rect, dst);
  if (sw < 1 || sh < 1 || r.right <= r.left) return;  // a tile under 1 pixel never ends
  for (int y = r.top; y < r.bottom; ++y) {
    const uint8_t* row = pic.Row(src.top + (y - rect.top) % sh) + src.left * 3;
    rows::TileRow(dst.Row(y) + r.left * 3, row, sw, (r.left - rect.left) % sw, r.right - r.left);
  }
}

// Copies what lies under rect from the parent image: pixel (x, y) from (X + pos.x + x, Y + pos.y + y)
// of the cache bitmap; what falls outside the cache stays.
void CopyUnder(const TsPixels24& dst, const TRect& rect, const TCacheInfo& ci, TPoint pos) {
  const TsPixels24 cache = BitmapPixels(ci.Bmp);
  TacBlock b{rect.left, rect.top, ci.X + pos.x + rect.left, ci.Y + pos.y + rect.top, RectWidth(rect), RectHeight(rect)};
  if (cache.Empty() || !ClipBlock(b, dst.Width, dst.Height, cache.Width, cache.Height)) return;
  for (int y = 0; y < b.H; ++y)
    std::memmove(dst.Row(b.DY + y) + b.DX * 3, cache.Row(b.SY + y) + b.SX * 3, static_cast<size_t>(b.W) * 3);
}

// What lies under the control, into rect of bmp: nothing to do when the parent image is bmp
// itself; the colour the parent answered (returned), else the parent image.
std::optional<TColor> ShowUnder(TBitmap* bmp, const TRect& rect, const TCacheInfo& ci, TPoint pos) {
  if (ci.Bmp == bmp) return std::nullopt;
  if (SkinColorReply != sNoColorReply) {
    FillPixels(BitmapPixels(bmp), rect, SkinColorReply);
    return SkinColorReply;
  }
  CopyUnder(BitmapPixels(bmp), rect, ci, pos);
  return std::nullopt;
}

// One section's background without transparency.
class TacSectionFill {
 public:
  TacSectionFill(TsSkinManager& sm, int skinIndex, bool hot, TColor color, int texture, bool parentColor)
      : FSm(sm),
        FSection(sm.Sections[static_cast<size_t>(skinIndex)]),
        FSkinIndex(skinIndex),
        FHot(hot),
        FColor(color),
        FTexture(texture),
        FParentColor(parentColor) {}

  // Returns the colour when rect was filled with one colour.
  std::optional<TColor> Paint(TBitmap* bmp, const TRect& rect) const {
    const TsPixels24 px = BitmapPixels(bmp);
    const int g = std::max(0, FHot ? FSection.HotGradientPercent : FSection.GradientPercent);
    const int i = std::max(0, FHot ? FSection.HotImagePercent : FSection.ImagePercent);
    // A texture that cannot be drawn leaves the colour fill.
    const bool textured = i > 0 && DrawTexture(bmp, rect);
    if (g > 0) {
      if (textured) {
        const int w = RectWidth(rect), h = RectHeight(rect);
        const std::unique_ptr<TBitmap> layer = CreateBmp24(w, h);
        DrawGradient(layer.get(), Rect(0, 0, w, h));
        BlendBmpRect(bmp, layer.get(), static_cast<uint8_t>(LimitByte(i * 255 / 100)), Point(rect.left, rect.top),
                     Rect(0, 0, w, h));
      } else {
        DrawGradient(bmp, rect);
      }
    }
    const int sum = g + (textured ? i : 0);
    if (sum == 0) {
      const TColor color = FParentColor && SkinColorReply != sNoColorReply ? SkinColorReply : FColor;
      FillPixels(px, rect, color);
      return color;
    }
    if (sum < 100) BlendColorRect(px, Rect(rect.left, rect.top, rect.right - 1, rect.bottom - 1), sum, FColor);
    return std::nullopt;
  }

 private:
  void DrawGradient(TBitmap* bmp, const TRect& rect) const {
    const TsGradArray& data = FHot ? FSection.HotGradientArray : FSection.GradientArray;
    if (data.empty())
      FillPixels(BitmapPixels(bmp), rect, FColor);
    else
      FillGradient(bmp, rect, data, 0, 0);
  }

  // The texture image (an image of the skin, else a JPEG texture) over rect; false when there is
  // none to draw.
  bool DrawTexture(TBitmap* bmp, const TRect& rect) const {
    const char* key = FHot ? "HOTPATTERN" : "PATTERN";
    int index = FTexture;
    if (!FSm.IsValidSkinIndex(index) || FSm.Images[static_cast<size_t>(index)].ImgType != itisaTexture)
      index = FSm.GetTextureIndex(FSkinIndex, FSection.SectionName, key);
    if (FSm.IsValidSkinIndex(index)) {
      const TsMaskData& image = FSm.Images[static_cast<size_t>(index)];
      const TsPixels24 src = ImagePixels(image, BitmapPixels(FSm.MasterBitmap.get()));
      const TRect& r = image.R;
      if (src.Empty() || r.left < 0 || r.top < 0 || r.right > src.Width || r.bottom > src.Height || RectWidth(r) < 1 ||
          RectHeight(r) < 1)
        return false;
      if (!image.Bmp && image.StretchMode == 1) {
        StretchTexture(bmp, rect, r);
      } else {
        TilePixels(BitmapPixels(bmp), rect, src, r);
      }
      return true;
    }
    const int pattern = FSm.GetPatternIndex(FSkinIndex, FSection.SectionName, key);
    if (pattern < 0 || static_cast<size_t>(pattern) >= FSm.Textures.size()) return false;
    const TJPEGImage* jpeg = FSm.Textures[static_cast<size_t>(pattern)].Img.get();
    if (!jpeg || jpeg->Empty()) return false;
    // Read only: the decoded picture's rows are only copied from.
    const TsPixels24 pic = BitmapPixels(const_cast<TBitmap*>(&jpeg->Bitmap()));
    if (pic.Empty()) return false;
    TilePixels(BitmapPixels(bmp), rect, pic, Rect(0, 0, pic.Width, pic.Height));
    return true;
  }

  void StretchTexture(TBitmap* bmp, const TRect& rect, const TRect& r) const {
    TBitmap* master = FSm.MasterBitmap.get();
    HDC dc = bmp->Canvas()->Handle();
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, rect.left, rect.top, RectWidth(rect), RectHeight(rect), master->Canvas()->Handle(), r.left, r.top,
               RectWidth(r), RectHeight(r), SRCCOPY);
    GdiFlush();
  }

  TsSkinManager& FSm;
  const TsGeneralData& FSection;
  int FSkinIndex;
  bool FHot;
  TColor FColor;
  int FTexture;
  bool FParentColor;
};

// Leaves both colour cells without a colour when the painting ends, also when it fails.
struct TColorCellsReset {
  ~TColorCellsReset() { MaskFillColor = SkinColorReply = sNoColorReply; }
};

// The parent image as the masked copies read it: shifted to bmp's place.
TCacheInfo Shifted(const TCacheInfo& ci, TPoint pos) noexcept {
  return TCacheInfo{ci.Bmp, ci.X + pos.x, ci.Y + pos.y, ci.Ready && ci.Bmp};
}

void PaintBorder(TBitmap* bmp, TsSkinManager& sm, int borderIndex, int state, const TRect& rect, TPoint pos,
                 const TCacheInfo& ci, bool middle, std::optional<TColor> ground) {
  if (!sm.IsValidSkinIndex(borderIndex)) return;
  const TCacheInfo under = Shifted(ci, pos);
  PaintRectByMask(bmp, rect, state, sm.Images[static_cast<size_t>(borderIndex)], middle, &under, ground);
}

}  // namespace

std::optional<TColor> PaintItemBG(TsSkinManager* sm, int skinIndex, int state, const TRect& rect, TBitmap* bmp,
                                  const TCacheInfo& ci, TPoint pos, TColor color, int texture, int hotTexture,
                                  bool parentColor) {
  if (!sm || !sm->IsValidSectionIndex(skinIndex) || !bmp || bmp->Empty()) return std::nullopt;
  const int w = RectWidth(rect), h = RectHeight(rect);
  if (w < 1 || h < 1) return std::nullopt;
  const TsGeneralData& s = sm->Sections[static_cast<size_t>(skinIndex)];
  const bool hot = state != 0;
  const TColor fillColor = ColorToRGB(color != sKeyColor ? color : hot ? s.HotColor : s.Color);
  const TacSectionFill fill(*sm, skinIndex, hot, fillColor, hot ? hotTexture : texture, parentColor);
  const int t = std::clamp(hot ? s.HotTransparency : s.Transparency, 0, 100);
  if (t == 0 || !ci.Ready || !ci.Bmp) return fill.Paint(bmp, rect);
  if (t == 100) return ShowUnder(bmp, rect, ci, pos);
  const std::unique_ptr<TBitmap> layer = CreateBmp24(w, h);
  fill.Paint(layer.get(), Rect(0, 0, w, h));
  ShowUnder(bmp, rect, ci, pos);
  BlendBmpRect(bmp, layer.get(), static_cast<uint8_t>(LimitByte(t * 255 / 100)), Point(rect.left, rect.top),
               Rect(0, 0, w, h));
  return std::nullopt;
}

std::optional<TColor> PaintItemBG(TsCommonData* link, const TCacheInfo& ci, int state, const TRect& rect, TPoint pos,
                                  TBitmap* bmp) {
  if (!link) return std::nullopt;
  TColor color = sKeyColor;
  if (link->CustomColor()) {
    const TControl* owner = link->OwnerControl;
    if (!owner) owner = FirstOwnerForm(dynamic_cast<TComponent*>(link->OwnerObject));
    if (owner) color = ColorToRGB(owner->Color());
  }
  return PaintItemBG(link->SkinManager(), link->SkinIndex, state, rect, bmp, ci, pos, color, link->Texture,
                     link->HotTexture);
}

void PaintItem(TsCommonData* link, const TCacheInfo& ci, int state, bool middle, TBitmap* bmp, TPoint pos,
               const TRect& rect, int frame) {
  if (!link || !bmp || bmp->Empty()) return;
  TsSkinManager* sm = link->SkinManager();
  if (!sm || !sm->IsValidSectionIndex(link->SkinIndex)) return;
  TColorCellsReset reset;
  SkinColorReply = sNoColorReply;
  TWinControl* parent = link->OwnerControl ? link->OwnerControl->Parent() : nullptr;
  const bool ready = ci.Ready && ci.Bmp;
  if (!ready && parent) {
    MaskFillColor = SkinColorReply = ColorToRGB(parent->Color());
  } else if (ready && parent && !link->NeedsParentImage()) {
    // Over a plain parent its colour is enough: no need to copy its image.
    GetParentSkinColor(parent);
  }
  const std::optional<TColor> ground = PaintItemBG(link, ci, state, rect, pos, bmp);
  PaintBorder(bmp, *sm, link->BorderIndex, state, rect, pos, ci, middle, ground);
  MaskFillColor = SkinColorReply = sNoColorReply;

  const std::string& section = link->SkinSection();
  auto corner = [&](const char* key, auto place) {
    const int i = GetMaskIndex(sm, link->SkinIndex, section, key);
    if (!sm->IsValidSkinIndex(i)) return;
    const TsMaskData& image = sm->Images[static_cast<size_t>(i)];
    const int fw = RectWidth(image.R) / std::max<int>(image.ImageCount, 1);
    const int fh = RectHeight(image.R) / (std::max<int>(image.MaskType, 0) + 1);
    DrawSkinGlyph(bmp, place(fw, fh), frame, image, 1);
  };
  corner("IMGTOPLEFT", [&](int, int) { return Point(rect.left, rect.top); });
  corner("IMGTOPRIGHT", [&](int fw, int) { return Point(rect.right - fw, rect.top); });
  // The bottom-left corner image is placed from x 0: every caller paints from the left edge.
  corner("IMGBTMLEFT", [&](int, int fh) { return Point(0, rect.bottom - fh); });
  corner("IMGBTMRIGHT", [&](int fw, int fh) { return Point(rect.right - fw, rect.bottom - fh); });
}

void PaintSection(TBitmap* bmp, TsSkinManager* sm, int skinIndex, int borderIndex, int state, const TRect& rect,
                  TPoint pos, const TCacheInfo& ci, bool middle, int texture, int hotTexture) {
  if (!sm || !sm->IsValidSectionIndex(skinIndex) || !bmp || bmp->Empty()) return;
  const std::optional<TColor> ground =
      PaintItemBG(sm, skinIndex, state, rect, bmp, ci, pos, sKeyColor, texture, hotTexture);
  PaintBorder(bmp, *sm, borderIndex, state, rect, pos, ci, middle, ground);
}

void PaintBorders(TBitmap* bmp, TsSkinManager* sm, std::string_view section, int state, const TRect& rect, TPoint pos,
                  const TCacheInfo& ci, bool middle) {
  const int index = GetSkinIndex(sm, section);
  PaintSection(bmp, sm, index, GetMaskIndex(sm, index, section, "BORDERSMASK"), state, rect, pos, ci, middle);
}

void PaintBorderFast(HDC dc, TsSkinManager* sm, std::string_view section, int state, const TRect& rect, TPoint pos,
                     const TCacheInfo& ci) {
  const int w = RectWidth(rect), h = RectHeight(rect);
  if (!dc || w < 1 || h < 1 || GetSkinIndex(sm, section) < 0) return;
  const std::unique_ptr<TBitmap> bmp = CreateBmp24(w, h);
  PaintBorders(bmp.get(), sm, section, state, Rect(0, 0, w, h), pos, ci);
  BitBlt(dc, rect.left, rect.top, w, h, bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// ---- start-up -----------------------------------------------------------------------------------

namespace {

// The cache of a link's control repainted from the skin over the control's whole size.
void PaintLinkBackground(TsCommonData& link) {
  const TControl* c = link.OwnerControl;
  if (!c) return;
  link.PrepareCache();
  TCacheInfo ci;
  link.GetParentCacheInfo(ci);
  const int state = link.ControlIsActive() ? 1 : 0;
  PaintItem(&link, ci, state, false, link.CacheBmp.get(), Point(c->Left(), c->Top()),
            Rect(0, 0, c->Width(), c->Height()), state);
  link.BGChanged = false;
}

TacBackgroundPainter gPreviousPainter = nullptr;

}  // namespace

void SectionPaintingStartup() noexcept { gPreviousPainter = SetBackgroundPainter(&PaintLinkBackground); }

void SectionPaintingShutdown() noexcept { SetBackgroundPainter(gPreviousPainter); }

}  // namespace korv
