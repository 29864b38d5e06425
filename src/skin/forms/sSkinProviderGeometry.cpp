#include "skin/forms/sSkinProviderGeometry.h"

#include <algorithm>

#include "classlib/Forms.h"

namespace korv {

namespace {

// The sizing frame or the dialog frame of a border style; none for bsNone.
int FrameMetric(TBorderStyle style, bool mdiChild, int sizing, int dialog) noexcept {
  switch (style) {
    case bsNone:
      return 0;
    case bsSizeable:
    case bsSizeToolWin:
      return GetSystemMetrics(sizing);
    case bsDialog:
      return GetSystemMetrics(mdiChild ? sizing : dialog);
    case bsSingle:
    case bsToolWindow:
      return GetSystemMetrics(dialog);
  }
  return 0;
}

[[nodiscard]] int ImageCountOf(const TsMaskData& image) noexcept { return std::max<int>(1, image.ImageCount); }
[[nodiscard]] int MaskRowsOf(const TsMaskData& image) noexcept { return std::max<int>(0, image.MaskType) + 1; }
[[nodiscard]] bool OwnBitmap(const TsMaskData& image) noexcept { return image.Bmp && !image.Bmp->Empty(); }

}  // namespace

int SysBorderHeightOf(TBorderStyle style, bool mdiChild) noexcept {
  return FrameMetric(style, mdiChild, SM_CYFRAME, SM_CYDLGFRAME);
}

int SysBorderWidthOf(TBorderStyle style, bool mdiChild) noexcept {
  return FrameMetric(style, mdiChild, SM_CXFRAME, SM_CXDLGFRAME);
}

int SysCaptionHeightOf(TBorderStyle style) noexcept {
  switch (style) {
    case bsNone:
      return 0;
    case bsToolWindow:
    case bsSizeToolWin:
      return GetSystemMetrics(SM_CYSMCAPTION);
    default:
      return GetSystemMetrics(SM_CYCAPTION);
  }
}

int MenuHeightOf(bool hasMenu) noexcept { return hasMenu ? GetSystemMetrics(SM_CYMENU) - 1 : 0; }

bool HasSizingFrame(HWND wnd) noexcept { return wnd && (GetWindowLongA(wnd, GWL_STYLE) & WS_THICKFRAME) != 0; }

int TsFormFrame::HeaderHeight() const noexcept {
  int h = WindowHeight - ClientHeight;
  if (Bordered()) h -= SysBorderHeight();
  h = std::max(0, h);
  if (Iconic) h += SysBorderHeight();
  return h;
}

// The class library keeps a form's BorderWidth inside its client area (it only insets the
// alignment of the children), so the client starts right below the frame, caption and menu: the
// BorderWidth is not taken off here, or the client would be painted from the cache BorderWidth
// rows too high.
int TsFormFrame::ClientOffsetY() const noexcept {
  return WindowHeight - ClientHeight - (Bordered() ? SysBorderHeight() : 0);
}

TRect TsFormFrame::IconRect(int iconWidth, int iconHeight) const noexcept {
  TRect r;
  r.left = SysBorderWidth();
  r.right = r.left + iconWidth;
  r.top = (SysCaptionHeight() + SysBorderHeight() - iconHeight) / 2;
  r.bottom = r.top + iconHeight;
  return r;
}

TsFormFrame FormFrameOf(TCustomForm& form) {
  TsFormFrame f;
  f.BorderStyle = form.BorderStyle();
  f.MDIChild = form.FormStyle() == fsMDIChild;
  f.HasMenu = form.Menu() != nullptr;
  f.BorderWidth = form.BorderWidth();
  f.Width = form.Width();
  f.Height = form.Height();
  if (HWND wnd = form.HandleIfAllocated()) {
    RECT w{}, c{};
    GetWindowRect(wnd, &w);
    GetClientRect(wnd, &c);
    f.Iconic = IsIconic(wnd) != FALSE;
    f.WindowWidth = RectWidth(w);
    f.WindowHeight = RectHeight(w);
    f.ClientWidth = RectWidth(c);
    f.ClientHeight = RectHeight(c);
  } else {
    const TRect c = form.ClientRect();
    f.WindowWidth = f.Width;
    f.WindowHeight = f.Height;
    f.ClientWidth = RectWidth(c);
    f.ClientHeight = RectHeight(c);
  }
  return f;
}

std::array<TRect, 4> NonClientStrips(const TsFormFrame& frame, int menuBlock, int cacheWidth,
                                     int cacheHeight) noexcept {
  const int sbw = frame.SysBorderWidth();
  const int sbh = frame.SysBorderHeight();
  // A bordered form's BorderWidth lies inside its client (see ClientOffsetY), which the client
  // painting covers: its strips are the frame alone and meet the top strip. Only a form without a
  // border gets strips of its BorderWidth.
  const int b = frame.Bordered() ? 0 : frame.BorderWidth;
  const int h = sbh + frame.SysCaptionHeight() + (frame.Iconic ? 1 : 0) + menuBlock;
  return {
      Rect(0, 0, frame.Width, frame.HeaderHeight()),
      Bounds(0, h + b, sbw + b, cacheHeight),
      Bounds(sbw + b, frame.Height - sbh - b, frame.Width - sbw - b, sbh + b),
      Bounds(cacheWidth - sbw - b, h + b, sbw + b, cacheHeight),
  };
}

std::vector<TPoint> LayMenuItems(const std::vector<int>& widths, int startX, int startY, int limit, int rowHeight) {
  std::vector<TPoint> places;
  places.reserve(widths.size());
  int x = startX, y = startY;
  for (int w : widths) {
    // An item that does not fit starts a row, unless it is the row's first (it would not fit
    // on any row).
    if (x + w > limit && x != startX) {
      x = startX;
      y += rowHeight;
    }
    places.push_back(Point(x, y));
    x += w;
  }
  return places;
}

int MenuLineCountOf(const std::vector<int>& widths, int startX, int limit) {
  const std::vector<TPoint> places = LayMenuItems(widths, startX, 0, limit, 1);
  return places.empty() ? 1 : places.back().y + 1;
}

TRect CaptionTextRect(const TsFormFrame& frame, bool iconShown, int iconWidth, int buttonsWidth) noexcept {
  return Rect((iconShown ? iconWidth : 0) + frame.SysBorderWidth() + 4, frame.SysBorderHeight(),
              frame.FormWidth() - buttonsWidth - 6, frame.SysCaptionHeight());
}

int ImageFrameWidth(const TsMaskData& image) noexcept {
  const int w = OwnBitmap(image) ? image.Bmp->Width() : RectWidth(image.R);
  return std::max(0, w) / ImageCountOf(image);
}

int ImageFrameHeight(const TsMaskData& image) noexcept {
  if (OwnBitmap(image)) return image.Bmp->Height() / 2;
  return std::max<int>(0, RectHeight(image.R)) / MaskRowsOf(image);
}

TPoint GripFrameSize(const TsMaskData& image) noexcept {
  if (OwnBitmap(image)) return Point(image.Bmp->Width() / 3, image.Bmp->Height() / 2);
  return Point(ImageFrameWidth(image), ImageFrameHeight(image));
}

int TitleBarSideWidth(const TsMaskData& image) noexcept {
  if (OwnBitmap(image)) return image.Bmp->Width() / 9;
  return std::max<int>(0, RectWidth(image.R)) / (3 * ImageCountOf(image));
}

int BorderCellHeight(const TsMaskData& image) noexcept {
  if (OwnBitmap(image)) return image.Bmp->Height() / 6;
  return std::max<int>(0, RectHeight(image.R)) / (3 * MaskRowsOf(image));
}

}  // namespace korv
