// Section painting: a skin section (colour, gradient, texture, transparency over what lies under
// the control, border image, corner images and text colours, each normal and hot) painted into a
// 24-bit bitmap, and its text written with the section's colours and outlines.
//
// What lies under a control comes from its parent's cached image (a TCacheInfo: the parent's
// bitmap and where the parent's client area lies in it) together with `pos`: where the painted
// bitmap's top-left pixel lies in the parent's client area. The pixel under bitmap pixel (x, y)
// is the cache's pixel (cache X + pos.x + x, cache Y + pos.y + y).
//
// State 0 is the normal look; any other state takes the hot fields of the section and that frame
// of its border image. Missing sections, images or bitmaps paint nothing.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Graphics.h"
#include "skin/data/sConst.h"
#include "skin/data/sMaskData.h"

namespace korv {

class TsCommonData;
class TsSkinManager;

// The full skinned image of a control into bmp over rect: the background of the link's section in
// state, its "BORDERSMASK" border (the middle cell too when middle is set), and its corner images
// ("IMGTOPLEFT", "IMGTOPRIGHT", "IMGBTMLEFT", "IMGBTMRIGHT") in frame. Without a parent image the
// key-colour pixels of the border take the parent's colour. SkinColorReply and MaskFillColor are
// left without a colour.
void PaintItem(TsCommonData* link, const TCacheInfo& ci, int state, bool middle, TBitmap* bmp, TPoint pos,
               const TRect& rect, int frame);

// The background of section skinIndex in state over rect of bmp. Its transparency T shows what
// lies under the control: nothing at 0 (or without a ready parent image), all of it at 100 (the
// colour in SkinColorReply when it holds one, else the parent image), else the fill blended over
// it with LimitByte(T * 255 div 100) as the weight of what lies under.
// The fill: the texture ("PATTERN" / "HOTPATTERN", or the images given) when IMAGEPERCENT is above
// 0, the gradient laid over it when GRADIENTPERCENT is above 0 (the colour when the section has no
// gradient), and the colour mixed in while their sum is below 100 (alone at 0: then SkinColorReply
// instead when parentColor is set and it holds a colour).
// color: a colour instead of the section's (sKeyColor: the section's). Returns the colour when
// every pixel of rect was painted with that one colour.
std::optional<TColor> PaintItemBG(TsSkinManager* sm, int skinIndex, int state, const TRect& rect, TBitmap* bmp,
                                  const TCacheInfo& ci, TPoint pos, TColor color = sKeyColor, int texture = -1,
                                  int hotTexture = -1, bool parentColor = false);
// The same for a link: its section and textures, and the owner's own colour when it keeps it
// (CustomColor; a form's provider: the form's colour).
std::optional<TColor> PaintItemBG(TsCommonData* link, const TCacheInfo& ci, int state, const TRect& rect, TPoint pos,
                                  TBitmap* bmp);

// Background and border image (borderIndex, -1: none) of section skinIndex over rect of bmp; the
// border's middle cell only when middle is set (a see-through middle would only tint the fill).
void PaintSection(TBitmap* bmp, TsSkinManager* sm, int skinIndex, int borderIndex, int state, const TRect& rect,
                  TPoint pos, const TCacheInfo& ci, bool middle = false, int texture = -1, int hotTexture = -1);
// The same for a section given by name, its "BORDERSMASK" looked up.
void PaintBorders(TBitmap* bmp, TsSkinManager* sm, std::string_view section, int state, const TRect& rect, TPoint pos,
                  const TCacheInfo& ci, bool middle = false);
// The section by name painted into a 24-bit bitmap of rect's size, then copied onto dc at rect;
// pos is where rect's top-left corner lies in the parent's client area.
void PaintBorderFast(HDC dc, TsSkinManager* sm, std::string_view section, int state, const TRect& rect, TPoint pos,
                     const TCacheInfo& ci);

// The pixels of the link's cache under the key-colour pixels of its border image's four corner
// pieces (frame state) take what lies under the control: SkinColorReply when it holds a colour,
// else the parent image's pixel (when ci is ready). Rounded corners then show the parent. True
// when a pixel of the cache changed.
bool FillKeyColorCorners(TsCommonData& link, const TCacheInfo& ci, TPoint pos, int state = 0);

// Appends to rects one rectangle, one pixel high, per run of key-colour pixels in the corner cells
// of the border image's first frame: the top cells (bottom 0) or the bottom ones (bottom 1), each
// pixel row at its row within the cell plus yOffset; the left cell at its own columns, the right
// one placed so that the frame's right edge meets width. Window regions are cut by them.
void CollectKeyColorRects(std::vector<TRect>& rects, int width, const TsMaskData& image, int bottom, int yOffset);

// rect filled with the colour (system colours resolved); the DC's state is kept.
void FillDC(HDC dc, const TRect& rect, TColor color);

// The text when it fits in width pixels of the canvas's font; else its longest start followed by
// "..." that fits ("..." alone when no character fits, empty when even that does not fit or width
// is below 1).
[[nodiscard]] std::string CutText(TCanvas* canvas, const std::string& text, int width);

// Writes text with the colours of section skinIndex (hot: its hot colours). Unless flags ask for
// word breaks, rect is first fitted to the text (GetTextExtentPoint32A): centred both ways for
// DT_CENTER, else centred vertically from the left (or, for DT_RIGHT, the right) edge; rect then
// returns the fitted rectangle grown by 1 on every side, for a focus frame. The brush becomes
// clear. Disabled text is drawn in clBtnHighlight one pixel right and down, then in clBtnShadow;
// enabled text first in each outline colour that is set (TCLEFT one pixel left, TCTOP up,
// TCRIGHT right, TCBOTTOM down), then in FONTCOLOR; without a section in the canvas font's
// colour. Each pass is one DrawTextA with flags; the font keeps its colour.
void WriteTextEx(TCanvas* canvas, const std::string& text, bool enabled, TRect& rect, UINT flags,
                 const TsSkinManager* sm, int skinIndex, bool hot);
// A control's caption: WriteTextEx with the link's section, hot while the control is active,
// clipped to rect; the "WEBBUTTON" section underlines its hot text.
void WriteTextControl(TCanvas* canvas, const std::string& text, bool enabled, TRect& rect, TsCommonData* link,
                      UINT flags);

// width nested frames inside rect, each the top and left edges in topLeft and the bottom and
// right ones in bottomRight.
void DrawRectBorder(HDC dc, TRect rect, int width, TColor topLeft, TColor bottomRight);

// Start-up: the link's background painter (the cache repainted from the skin for
// PaintChildControls) is installed; shut-down removes it.
void SectionPaintingStartup() noexcept;
void SectionPaintingShutdown() noexcept;

}  // namespace korv
