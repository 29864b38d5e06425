#include "skin/controls/sSkinMenusPaint.h"

#include <algorithm>

#include "classlib/Forms.h"
#include "classlib/Handles.h"
#include "skin/core/sSkinManager.h"
#include "skin/core/sSkinMenus.h"
#include "skin/forms/sMDIForm.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/paint/sBlend.h"
#include "skin/paint/sFast24.h"
#include "skin/paint/sMaskCopy.h"
#include "skin/paint/sStyleSimply.h"

namespace korv {

namespace {

// The popup's picture copied onto a DC whose coordinates are the popup's client coordinates.
class TPictureCopy {
 public:
  TPictureCopy(HDC dc, TBitmap* picture, TPoint offset) : FDC(dc), FSrc(picture->Canvas()->Handle()), FOffset(offset) {}
  void Copy(int x, int y, int w, int h) const {
    if (w > 0 && h > 0) BitBlt(FDC, x, y, w, h, FSrc, x + FOffset.x, y + FOffset.y, SRCCOPY);
  }

 private:
  HDC FDC;
  HDC FSrc;
  TPoint FOffset;
};

// The visible sibling after the item, or nullptr.
const TMenuItem* NextVisible(const TMenuItem* item) {
  const TMenuItem* parent = item->Parent();
  if (!parent) return nullptr;
  for (int i = parent->IndexOf(item) + 1; i < parent->Count(); ++i)
    if (parent->Items(i)->Visible()) return parent->Items(i);
  return nullptr;
}

// A strip of section painted over the picture at (x, y): what the section leaves see-through shows
// the picture under it. nullptr for an empty strip.
std::unique_ptr<TBitmap> PaintStrip(TBitmap* picture, TsSkinManager* sm, const std::string& section, int x, int y,
                                    int w, int h) {
  if (w < 1 || h < 1) return nullptr;
  std::unique_ptr<TBitmap> strip = CreateBmp24(w, h);
  TCacheInfo under;
  InitCacheInfo(under, picture, 0, 0);
  PaintBorders(strip.get(), sm, section, 0, Rect(0, 0, w, h), Point(x, y), under);
  return strip;
}

void PutStrip(TBitmap* picture, TBitmap* strip, int x, int y) {
  BitBlt(picture->Canvas()->Handle(), x, y, strip->Width(), strip->Height(), strip->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// The MDI parent's active child is maximised (as the system has it now): its buttons take the
// end of the menu line.
bool IsMDIChildMaximized() {
  return MDIParentProvider && MDIParentProvider->Form && ShowsMDIChildButtons(*MDIParentProvider->Form);
}

// The item is the last of the MDI parent's line: the last of the bar's entries that is an item
// (a merged child's items among them; the system's own entries are not).
bool IsLastItem(const TMenuItem* item) {
  HMENU bar = MDIParentProvider->Form->Menu()->Handle();
  for (int i = GetMenuItemCount(bar) - 1; i >= 0; --i) {
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_DATA;
    if (!GetMenuItemInfoA(bar, static_cast<UINT>(i), TRUE, &mii)) continue;
    if (const TMenuItem* last = TMenuItem::FromItemData(mii.dwItemData)) return last == item;
  }
  return false;
}

// The item that holds the MDI child's buttons on the menu line: the provider paints it.
bool IsChildButtonsItem(const TMenuItem* item) { return item->Name() == "sMDICII"; }

// The image dividers are drawn with: the border of "DIVIDERV", or, for a skin without that
// section, the "SLIDERCHANNEL" of "TRACKBAR"; nullptr when there is none.
const TsMaskData* DividerImage(TsSkinManager* sm) {
  int mask = -1;
  if (const int divider = GetSkinIndex(sm, "DIVIDERV"); divider >= 0)
    mask = GetMaskIndex(sm, divider, "DIVIDERV", "BORDERSMASK");
  else
    mask = GetMaskIndex(sm, GetSkinIndex(sm, "TRACKBAR"), "TRACKBAR", "SLIDERCHANNEL");
  return sm && sm->IsValidSkinIndex(mask) ? &sm->Images[static_cast<size_t>(mask)] : nullptr;
}

// The arrow of an item that opens a sub-menu: a triangle pointing right, its tip 3 x margin
// inside the item's right edge, centred vertically.
void DrawSubMenuArrow(TCanvas* canvas, int width, int height, int margin, TColor color) {
  const int half = std::max(2, height / 6), tip = width - 3 * margin, middle = height / 2;
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(color);
  for (int d = 0; d <= half; ++d) canvas->FillRect(Rect(tip - d, middle - d, tip - d + 1, middle + d + 1));
}

class TMenuPainting final : public TacMenuPainting {
 public:
  void PaintMenuBackground(TsSkinableMenus& menus) override;
  void DrawItem(TsSkinableMenus& menus, TMenuItem* item, TCanvas* canvas, const TRect& rect,
                TOwnerDrawState state) override;
  void MeasureTopLineItem(TsSkinableMenus& menus, TMenuItem* item, TCanvas* canvas, int& width, int& height) override;
  void DrawTopLineItem(TsSkinableMenus& menus, TMenuItem* item, TCanvas* canvas, const TRect& rect,
                       TOwnerDrawState state) override;
  int DividerHeight(TsSkinableMenus& menus) override;

 private:
  static void PaintExtraLine(TsSkinableMenus& menus, TBitmap* picture);
  static void DrawDivider(TsSkinableMenus& menus, TCanvas* canvas, const TRect& rect, TBitmap* picture);
  static void DrawCheck(TsSkinableMenus& menus, TMenuItem* item, TBitmap* bmp, bool hot);
  static void DrawGlyph(TMenuItem* item, TBitmap* bmp, bool enabled);
};

TMenuPainting gPainting;
TacMenuPainting* gPrevious = nullptr;

void TMenuPainting::PaintMenuBackground(TsSkinableMenus& menus) {
  TBitmap* picture = MenuPainterState.MenuBackground.get();
  TsSkinManager* sm = menus.Manager();
  const int mainMenu = GetSkinIndex(sm, "MAINMENU");
  if (!picture || mainMenu < 0) return;
  const int w = picture->Width(), h = picture->Height();
  PaintBorders(picture, sm, "MAINMENU", 0, Rect(0, 0, w, h), Point(0, 0), TCacheInfo{});
  const int border = menus.SkinBorderWidth();
  TacMenuSupport* options = sm->MenuSupport();
  if (options->UseExtraLine() && MenuPainterState.ExtraLineVisible) {
    PaintExtraLine(menus, picture);
    // The glyph has been drawn into the picture.
    FreeAndNil(MenuPainterState.ExtraGlyph);
  }
  if (!options->IcoLineSkin().empty() && GetSkinIndex(sm, options->IcoLineSkin()) >= 0) {
    const int x = menus.CurrentExtraLineWidth(false) + border;
    if (auto strip = PaintStrip(picture, sm, options->IcoLineSkin(), x, border, MenuPainterState.IconColumnWidth,
                                h - 2 * border))
      PutStrip(picture, strip.get(), x, border);
  }
  // The border's key-colour corners are cut out of the window: the top ones at the top, the
  // bottom ones at the bottom (a corner cell is a third of a frame's height).
  const int mask = GetMaskIndex(sm, mainMenu, "MAINMENU", "BORDERSMASK");
  if (!sm->IsValidSkinIndex(mask)) return;
  const TsMaskData& image = sm->Images[static_cast<size_t>(mask)];
  CollectKeyColorRects(menus.RegionRects, w, image, 0, 0);
  CollectKeyColorRects(menus.RegionRects, w, image, 1, h - BorderCellHeight(image));
}

void TMenuPainting::PaintExtraLine(TsSkinableMenus& menus, TBitmap* picture) {
  TacMenuPainterState& st = MenuPainterState;
  TsSkinManager* sm = menus.Manager();
  const int section = GetSkinIndex(sm, st.ExtraSection);
  if (section < 0) return;
  TacMenuSupport* options = sm->MenuSupport();
  const int border = menus.SkinBorderWidth();
  const std::unique_ptr<TBitmap> strip = PaintStrip(picture, sm, st.ExtraSection, border, border,
                                                    options->ExtraLineWidth(), picture->Height() - 2 * border);
  if (!strip) return;
  const int w = strip->Width(), h = strip->Height();
  TCanvas* canvas = strip->Canvas();
  TBitmap* glyph = st.ExtraGlyph && !st.ExtraGlyph->Empty() ? st.ExtraGlyph : nullptr;
  // The glyph stands 12 pixels above the strip's bottom, the caption runs upwards above it.
  if (glyph) canvas->Draw((w - glyph->Width()) / 2, h - 12 - glyph->Height(), glyph);
  if (!st.ExtraCaption.empty()) {
    // The font's own height in pixels, turned to write upwards.
    LOGFONTA lf = options->ExtraLineFont()->LogFont();
    lf.lfWeight = FW_NORMAL;
    lf.lfEscapement = lf.lfOrientation = -2700;
    canvas->Font()->SetHandle(CreateFontIndirectA(&lf));
    canvas->Font()->SetColor(sm->Sections[static_cast<size_t>(section)].FontColor[0]);
    canvas->Brush()->SetStyle(bsClear);
    const int textHeight = canvas->TextHeight(st.ExtraCaption);
    const int y = h - 12 - (glyph ? glyph->Height() + 8 : 0);
    canvas->TextRect(Rect(0, 0, w, h), (w - textHeight) / 2, y, st.ExtraCaption);
  }
  PutStrip(picture, strip.get(), border, border);
}

int TMenuPainting::DividerHeight(TsSkinableMenus& menus) {
  // The image's whole frame, so that its middle cells (where a divider's line lies) show at
  // their own height between the corner cells; the grey and white frame needs 2 pixels.
  const TsMaskData* image = DividerImage(menus.Manager());
  if (!image) return 2;
  const TacNinePieces n = NinePieces(*image, ImagePixels(*image, BitmapPixels(MasterBitmapOf(*image))), 2, 2, 0);
  return n.Valid ? std::max(2, 3 * n.CellH) : 2;
}

void TMenuPainting::DrawDivider(TsSkinableMenus& menus, TCanvas* canvas, const TRect& rect, TBitmap* picture) {
  const TsMaskData* image = DividerImage(menus.Manager());
  HDC dc = canvas->Handle();
  if (!image) return DrawRectBorder(dc, rect, 1, 0x808080, 0xFFFFFF);
  const int w = RectWidth(rect), h = RectHeight(rect);
  if (w < 1 || h < 1) return;
  const std::unique_ptr<TBitmap> bmp = CreateBmp24(w, h);
  // The picture under the item, then the divider's image over it.
  BitBlt(bmp->Canvas()->Handle(), 0, 0, w, h, picture->Canvas()->Handle(), rect.left + MenuPainterState.ItemOffset.x,
         rect.top + MenuPainterState.ItemOffset.y, SRCCOPY);
  const int left = menus.CurrentExtraLineWidth(false) + menus.Margin + menus.Spacing;
  PaintRectByMask(bmp.get(), Rect(left, 0, w - menus.Margin, h), 0, *image, true);
  BitBlt(dc, rect.left, rect.top, w, h, bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TMenuPainting::DrawCheck(TsSkinableMenus& menus, TMenuItem* item, TBitmap* bmp, bool hot) {
  TsSkinManager* sm = menus.Manager();
  const int info = GetSkinIndex(sm, "GLOBALINFO");
  int mask = GetMaskIndex(sm, info, "GLOBALINFO", item->RadioItem() ? "RADIOCHECKED" : "CHECK");
  if (mask < 0) mask = GetMaskIndex(sm, info, "GLOBALINFO", "BOXCHECKED");
  if (!sm->IsValidSkinIndex(mask)) return;
  const TsMaskData& image = sm->Images[static_cast<size_t>(mask)];
  const int frameHeight = RectHeight(image.R) / (std::max<int>(0, image.MaskType) + 1);
  DrawSkinGlyph(bmp, Point(menus.Margin, (bmp->Height() - frameHeight) / 2), hot ? 1 : 0, image, 1);
}

void TMenuPainting::DrawGlyph(TMenuItem* item, TBitmap* bmp, bool enabled) {
  TCanvas* canvas = bmp->Canvas();
  if (item->HasBitmap()) {
    TBitmap* glyph = item->Bitmap();
    const int d = (bmp->Height() - glyph->Height()) / 2;
    canvas->Draw(d, d, glyph);
    return;
  }
  const TMenu* menu = item->GetParentMenu();
  TImageList* images = menu ? menu->Images() : nullptr;
  if (!images || item->ImageIndex() < 0 || item->ImageIndex() >= images->Count()) return;
  const int d = (bmp->Height() - images->Height()) / 2;
  images->Draw(canvas, d, d, item->ImageIndex(), enabled);
}

void TMenuPainting::DrawItem(TsSkinableMenus& menus, TMenuItem* item, TCanvas* canvas, const TRect& rect,
                             TOwnerDrawState state) {
  TacMenuPainterState& st = MenuPainterState;
  TBitmap* picture = st.MenuBackground.get();
  TsSkinManager* sm = menus.Manager();
  const TPoint offset = st.ItemOffset;
  const TPictureCopy fromPicture(canvas->Handle(), picture, offset);

  // The column below the last item of a column, and the gap left of a new column, show the picture
  // (whatever kind of item ends or starts the column).
  const int areaBottom = picture->Height() - MenuWindowFrame - offset.y;
  const TMenuItem* next = NextVisible(item);
  if ((next && next->Break() != mbNone) || (!next && areaBottom > rect.bottom))
    fromPicture.Copy(rect.left, rect.bottom, RectWidth(rect), areaBottom - rect.bottom);
  if (item->Break() != mbNone) fromPicture.Copy(rect.left - 4, rect.top, 4, areaBottom - rect.top);

  const TsMenuItemType type = TsSkinableMenus::ItemTypeOf(item);
  if (type == smDivider) return DrawDivider(menus, canvas, rect, picture);
  // A caption item gets no painting of its own: the popup's picture shows there.
  if (type == smCaption) return fromPicture.Copy(rect.left, rect.top, RectWidth(rect), RectHeight(rect));
  st.CurrentItemType = smNormal;

  const int extra = menus.CurrentExtraLineWidth(true);
  const int x = rect.left + extra, w = RectWidth(rect) - extra, h = RectHeight(rect);
  // Left of the item's own picture lies the extra line (first column) or the column's background.
  fromPicture.Copy(rect.left, rect.top, std::min(extra, RectWidth(rect)), h);
  if (w < 1 || h < 1) return;

  const std::unique_ptr<TBitmap> bmp = CreateBmp24(w, h);
  TCanvas* c = bmp->Canvas();
  // Where the skin has no "MENUITEM", the item shows the popup's picture.
  BitBlt(c->Handle(), 0, 0, w, h, picture->Canvas()->Handle(), x + offset.x, rect.top + offset.y, SRCCOPY);
  const bool enabled = item->Enabled();
  const bool selected = enabled && (state & odSelected);
  TCacheInfo under;
  InitCacheInfo(under, picture, offset.x, offset.y);
  PaintBorders(bmp.get(), sm, "MENUITEM", selected ? 1 : 0, Rect(0, 0, w, h), Point(x, rect.top), under);
  if (state & odChecked) DrawCheck(menus, item, bmp.get(), selected);
  DrawGlyph(item, bmp.get(), enabled);

  UseMenuFont(c);
  if (state & odDefault) c->Font()->SetStyle(c->Font()->Style() | fsBold);
  const int skin = GetSkinIndex(sm, "MENUITEM");
  const bool hot = enabled && (state & (odSelected | odHotLight));
  std::string caption = item->Caption();
  UINT align = DT_LEFT;
  if (!caption.empty() && caption.front() == '\b') {
    caption = caption.substr(1) + "      ";
    align = DT_RIGHT;
  } else if (menus.Alignment == taRightJustify) {
    align = DT_RIGHT;
  } else if (menus.Alignment == taCenter) {
    align = DT_CENTER;
  }
  TRect text = Rect(TsSkinableMenus::GetGlyphSize(item).cx + 2 * menus.Margin + menus.Spacing, 0, w, h);
  WriteTextEx(c, caption, enabled, text, align | DT_EXPANDTABS | DT_SINGLELINE | DT_NOCLIP | DT_HIDEPREFIX, sm, skin,
              hot);
  if (const std::string shortcut = ShortCutToText(item->ShortCut()); !shortcut.empty()) {
    TRect r = Rect(0, 0, w - 8, h);
    WriteTextEx(c, shortcut, enabled, r, DT_RIGHT | DT_VCENTER | DT_SINGLELINE, sm, skin, hot);
  }
  if (item->Count() > 0) {
    // The sub-menu's arrow in the caption's colour; the system's own would cover it in the
    // system's highlight colours.
    TColor color = c->Font()->Color();
    if (!enabled) {
      color = clBtnShadow;
    } else if (sm->IsValidSectionIndex(skin)) {
      const TsGeneralData& section = sm->Sections[static_cast<size_t>(skin)];
      color = hot ? section.HotFontColor[0] : section.FontColor[0];
    }
    DrawSubMenuArrow(c, w, h, menus.Margin, color);
    item->OwnSubMenuArrow();
  }
  if (menus.OnDrawItem) menus.OnDrawItem(item, c, Rect(0, 0, w, h), state, st.CurrentItemType);
  // Disabled: 40 percent of the item over 60 percent of the picture under it.
  if (!enabled)
    BlendByKeyColor(bmp.get(), 0, 0, sKeyColor, 0.4, Bounds(x + offset.x, rect.top + offset.y, w, h), picture);
  BitBlt(canvas->Handle(), x, rect.top, w, h, c->Handle(), 0, 0, SRCCOPY);
  if (!st.IsNTPlatform) {
    // Without a sub-classed window the extra line reaches the screen through the items.
    BitBlt(canvas->Handle(), 0, -offset.y, menus.CurrentExtraLineWidth(false), picture->Height(),
           picture->Canvas()->Handle(), offset.x, 0, SRCCOPY);
  }
}

void TMenuPainting::MeasureTopLineItem(TsSkinableMenus&, TMenuItem* item, TCanvas* canvas, int& width, int& height) {
  height = GetSystemMetrics(SM_CYMENU) - 1;
  if (IsChildButtonsItem(item)) {
    width = 8;
    return;
  }
  UseMenuFont(canvas);
  int w = canvas->TextWidth(item->Caption() + ShortCutToText(item->ShortCut()));
  if (IsMDIChildMaximized() && IsLastItem(item)) w += 40;
  width = std::max(width, w);
}

void TMenuPainting::DrawTopLineItem(TsSkinableMenus& menus, TMenuItem* item, TCanvas* canvas, const TRect& rect,
                                    TOwnerDrawState state) {
  if (IsChildButtonsItem(item)) return;
  TsSkinProvider* provider = MDIParentProvider ? MDIParentProvider : SendFormSkinQuery(item->GetParentMenu());
  if (!provider || !provider->Form) return;
  TsSkinManager* sm = menus.Manager();
  TRect r = rect;
  // The maximised child's buttons stand at the end of the line.
  if (IsMDIChildMaximized() && IsLastItem(item)) r.right -= 40;
  const int w = RectWidth(r), h = RectHeight(r);
  if (w < 1 || h < 1) return;
  const bool enabled = item->Enabled();
  const bool hot = enabled && (state & (odSelected | odHotLight));
  // What lies under the item: the provider's picture of the menu line, which starts below the
  // caption, the frame and the form's border (rectangles are window coordinates).
  TBitmap* line = provider->MenuLineBackground.get();
  TCacheInfo under;
  if (line && !line->Empty()) InitCacheInfo(under, line, 0, 0);
  const TsFormFrame f = provider->Frame();
  const TPoint pos = Point(r.left, r.top - (f.SysCaptionHeight() + f.SysBorderHeight() + f.BorderWidth));

  // Enabled items go straight onto the canvas, disabled ones through a bitmap mixed into the line.
  std::unique_ptr<TBitmap> bmp;
  TCanvas* c = canvas;
  TRect text = Rect(r.left + menus.Margin, r.top, r.right - menus.Margin, r.bottom);
  TRect whole = r;
  if (enabled) {
    PaintBorderFast(canvas->Handle(), sm, "MENUITEM", hot ? 1 : 0, r, pos, under);
  } else {
    bmp = CreateBmp24(w, h);
    PaintBorders(bmp.get(), sm, "MENUITEM", 0, Rect(0, 0, w, h), pos, under);
    c = bmp->Canvas();
    OffsetRect(&text, provider->FormBorderHeight() - text.left, -text.top);
    whole = Rect(0, 0, w, h);
  }
  UseMenuFont(c);
  const TFontStyles style = c->Font()->Style();
  c->Font()->SetStyle((state & odDefault) ? style | fsBold : style & ~fsBold);
  const int skin = GetSkinIndex(sm, "MENULINE");
  const UINT align = menus.Alignment == taRightJustify ? DT_RIGHT : DT_LEFT;
  WriteTextEx(c, item->Caption(), enabled, text, align | DT_CENTER | DT_VCENTER | DT_EXPANDTABS, sm, skin, hot);
  if (const std::string shortcut = ShortCutToText(item->ShortCut()); !shortcut.empty()) {
    TRect sr = Rect(whole.left, whole.top, whole.right - 8, whole.bottom);
    WriteTextEx(c, shortcut, enabled, sr, DT_RIGHT | DT_VCENTER | DT_EXPANDTABS, sm, skin, hot);
  }
  if (menus.OnDrawItem) menus.OnDrawItem(item, c, whole, state, smTopLine);
  if (!bmp) return;
  // 102 of 255 (40 percent) the item, the rest the line under it.
  if (under.Ready) BlendBmpRect(bmp.get(), line, 102, Point(0, 0), Bounds(pos.x, pos.y, w, h));
  BitBlt(canvas->Handle(), r.left, r.top, w, h, bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

}  // namespace

void SkinMenusPaintingStartup() noexcept { gPrevious = SetMenuPainting(&gPainting); }

void SkinMenusPaintingShutdown() noexcept { SetMenuPainting(gPrevious); }

}  // namespace korv
