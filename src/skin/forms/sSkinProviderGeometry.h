// The geometry of a skinned form's non-client area, as plain functions over what it depends on:
// the border style, the window state, the menu, the form's BorderWidth, the window and client
// sizes and the system's frame metrics (read at run time on every call). The provider takes a
// TsFormFrame from its form and asks it; tests build frames of their own.
//
// Coordinates are window coordinates, which are also those of the provider's cache bitmap (the
// whole window image).
#pragma once

#include <array>
#include <vector>

#include "classlib/Controls.h"
#include "skin/data/sMaskData.h"

namespace korv {

class TCustomForm;

// Frame thickness of a border style: 0 for bsNone; the sizing frame (SM_CYFRAME) for bsSizeable
// and bsSizeToolWin, and for an MDI child with bsDialog; the dialog frame (SM_CYDLGFRAME) for
// bsSingle, bsDialog and bsToolWindow. Width: the same with SM_CXFRAME and SM_CXDLGFRAME.
[[nodiscard]] int SysBorderHeightOf(TBorderStyle style, bool mdiChild) noexcept;
[[nodiscard]] int SysBorderWidthOf(TBorderStyle style, bool mdiChild) noexcept;
// Caption height: 0 for bsNone, SM_CYSMCAPTION for the tool-window styles, SM_CYCAPTION else.
[[nodiscard]] int SysCaptionHeightOf(TBorderStyle style) noexcept;
// Height of one menu-bar row: SM_CYMENU - 1 with a main menu, 0 without.
[[nodiscard]] int MenuHeightOf(bool hasMenu) noexcept;
// The window's style holds WS_THICKFRAME.
[[nodiscard]] bool HasSizingFrame(HWND wnd) noexcept;

// Icon size for a height: 0 below 9, 8 up to 16, 16 up to 27, 32 from 28 on.
[[nodiscard]] constexpr int SnapIconSize(int size) noexcept {
  if (size < 9) return 0;
  if (size <= 16) return 8;
  if (size <= 27) return 16;
  return 32;
}

// What the geometry of one form depends on, read at one moment.
struct TsFormFrame {
  TBorderStyle BorderStyle = bsSizeable;
  bool MDIChild = false;
  bool Iconic = false;
  bool HasMenu = false;   // the form has a main menu
  int BorderWidth = 0;    // the form's BorderWidth
  int Width = 0;          // the form's Width and Height
  int Height = 0;
  int WindowWidth = 0;    // the window rectangle
  int WindowHeight = 0;
  int ClientWidth = 0;    // the window's client rectangle
  int ClientHeight = 0;

  [[nodiscard]] bool Bordered() const noexcept { return BorderStyle != bsNone; }
  [[nodiscard]] int SysBorderHeight() const noexcept { return SysBorderHeightOf(BorderStyle, MDIChild); }
  [[nodiscard]] int SysBorderWidth() const noexcept { return SysBorderWidthOf(BorderStyle, MDIChild); }
  [[nodiscard]] int SysCaptionHeight() const noexcept { return SysCaptionHeightOf(BorderStyle); }
  [[nodiscard]] int MenuHeight() const noexcept { return MenuHeightOf(HasMenu); }
  // The form's width; while iconic, that of its window rectangle.
  [[nodiscard]] int FormWidth() const noexcept { return Iconic ? WindowWidth : Width; }
  // The frame and the form's BorderWidth.
  [[nodiscard]] int FormBorderHeight() const noexcept { return SysBorderHeight() + BorderWidth; }
  // Rows of the title strip: caption and top frame.
  [[nodiscard]] int TitleHeight() const noexcept { return SysCaptionHeight() + SysBorderHeight(); }
  // Window height less client height, less the bottom frame of a bordered form (never below 0);
  // plus the frame again while iconic.
  [[nodiscard]] int HeaderHeight() const noexcept;
  // Where the client area starts in the window (and in the cache bitmap).
  [[nodiscard]] int ClientOffsetX() const noexcept { return (WindowWidth - ClientWidth) / 2; }
  [[nodiscard]] int ClientOffsetY() const noexcept;
  // The caption icon's place for an icon of that size (0 x 0 when none is shown).
  [[nodiscard]] TRect IconRect(int iconWidth, int iconHeight) const noexcept;
};

// The frame of a form as it is now (its window's rectangles when it has a window; the class
// library's sizes otherwise). Never creates a window.
[[nodiscard]] TsFormFrame FormFrameOf(TCustomForm& form);

// The four non-client strips copied from the cache to the window (source and destination are
// the same rectangle): top, left, bottom, right; the sides and bottom are the frame's width, and
// also the BorderWidth's for a form without a border. MenuBlock is the height of the shown menu
// rows.
[[nodiscard]] std::array<TRect, 4> NonClientStrips(const TsFormFrame& frame, int menuBlock, int cacheWidth,
                                                  int cacheHeight) noexcept;

// Lays menu-bar items of these widths out in rows from (startX, startY): an item that would pass
// limit starts a new row at startX, rowHeight lower. Returns each item's top-left corner.
[[nodiscard]] std::vector<TPoint> LayMenuItems(const std::vector<int>& widths, int startX, int startY, int limit,
                                               int rowHeight);
// The number of rows that layout takes (1 for no item).
[[nodiscard]] int MenuLineCountOf(const std::vector<int>& widths, int startX, int limit);

// The caption text's rectangle: from after the icon (when shown) to before the caption buttons.
[[nodiscard]] TRect CaptionTextRect(const TsFormFrame& frame, bool iconShown, int iconWidth,
                                    int buttonsWidth) noexcept;

// ---- sizes of skin images (skin data is not trusted: counts below 1 count as 1, mask types
// below 0 as 0; an image without a bitmap or rectangle has size 0) ----

// One state frame of a caption-button image: width / image count; its height: an own bitmap's
// height / 2, else the rectangle's height / (mask type + 1).
[[nodiscard]] int ImageFrameWidth(const TsMaskData& image) noexcept;
[[nodiscard]] int ImageFrameHeight(const TsMaskData& image) noexcept;
// The size grip's frame: an own bitmap's width / 3 and height / 2, else as a state frame.
[[nodiscard]] TPoint GripFrameSize(const TsMaskData& image) noexcept;
// One side part of the title-bar image: an own bitmap's width / 9, else the rectangle's width /
// (3 x image count).
[[nodiscard]] int TitleBarSideWidth(const TsMaskData& image) noexcept;
// One row of corner cells of a border image: an own bitmap's height / 6, else the rectangle's
// height / (3 x (mask type + 1)).
[[nodiscard]] int BorderCellHeight(const TsMaskData& image) noexcept;

}  // namespace korv
