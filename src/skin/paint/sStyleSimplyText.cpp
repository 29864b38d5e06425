// Section painting: text with the section's colours, shortened captions, plain fills and frames.
#include "classlib/Controls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Handles.h"
#include "skin/core/sCommonData.h"
#include "skin/core/sSkinManager.h"
#include "skin/paint/sStyleSimply.h"

namespace korv {

void FillDC(HDC dc, const TRect& rect, TColor color) {
  if (!dc) return;
  TSaveDCGuard saved(dc);
  TUniqueBrush brush(CreateSolidBrush(ColorToColorRef(color)));
  FillRect(dc, &rect, brush.Get());
}

std::string CutText(TCanvas* canvas, const std::string& text, int width) {
  if (!canvas || width < 1) return {};
  if (canvas->TextWidth(text) <= width) return text;
  // The widths grow with the length: the longest start that fits is found by halving.
  size_t lo = 0, hi = text.size();  // a start of lo characters fits (or lo is 0), hi does not
  auto fits = [&](size_t n) { return canvas->TextWidth(text.substr(0, n) + "...") <= width; };
  while (hi - lo > 1) {
    const size_t mid = lo + (hi - lo) / 2;
    (fits(mid) ? lo : hi) = mid;
  }
  return fits(lo) ? text.substr(0, lo) + "..." : std::string();
}

void WriteTextEx(TCanvas* canvas, const std::string& text, bool enabled, TRect& rect, UINT flags,
                 const TsSkinManager* sm, int skinIndex, bool hot) {
  if (!canvas) return;
  TRect r = rect;
  if (!(flags & DT_WORDBREAK)) {
    const TSize size = canvas->TextExtent(text);
    const int top = rect.top + (RectHeight(rect) - size.cy) / 2;
    int left = rect.left;
    if (flags & DT_CENTER)
      left = rect.left + (RectWidth(rect) - size.cx) / 2;
    else if (flags & DT_RIGHT)
      left = rect.right - size.cx;
    r = Bounds(left, top, size.cx, size.cy);
    rect = Rect(r.left - 1, r.top - 1, r.right + 1, r.bottom + 1);
  }
  canvas->Brush()->SetStyle(bsClear);
  TFont* font = canvas->Font();
  const TColor own = font->Color();
  auto pass = [&](TColor color, int dx, int dy) {
    font->SetColor(color);
    TRect at = Rect(r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
    canvas->DrawTextRect(text, at, flags);
  };
  if (!enabled) {
    pass(clBtnHighlight, 1, 1);
    pass(clBtnShadow, 0, 0);
  } else if (sm && sm->IsValidSectionIndex(skinIndex)) {
    const TsGeneralData& s = sm->Sections[static_cast<size_t>(skinIndex)];
    const int32_t* colors = hot ? s.HotFontColor : s.FontColor;
    static constexpr int kShift[4][2] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};  // left, top, right, bottom
    for (int i = 0; i < 4; ++i)
      if (colors[i + 1] != -1) pass(colors[i + 1], kShift[i][0], kShift[i][1]);
    pass(colors[0], 0, 0);
  } else {
    pass(own, 0, 0);
  }
  font->SetColor(own);
}

void WriteTextControl(TCanvas* canvas, const std::string& text, bool enabled, TRect& rect, TsCommonData* link,
                      UINT flags) {
  if (!canvas) return;
  const bool hot = link && link->ControlIsActive();
  TFont* font = canvas->Font();
  const TFontStyles style = font->Style();
  const bool underline = hot && link->SkinSection() == "WEBBUTTON";
  if (underline) font->SetStyle(style | fsUnderline);
  HDC dc = canvas->Handle();
  // The canvas lets go of its objects around the saved state, so that restoring it never selects
  // a font the canvas has replaced meanwhile.
  canvas->Refresh();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  WriteTextEx(canvas, text, enabled, rect, flags, link ? link->SkinManager() : nullptr, link ? link->SkinIndex : -1,
              hot);
  canvas->Refresh();
  RestoreDC(dc, saved);
  if (underline) font->SetStyle(style);
}

void DrawRectBorder(HDC dc, TRect rect, int width, TColor topLeft, TColor bottomRight) {
  if (dc) Frame3D(dc, rect, topLeft, bottomRight, width);
}

}  // namespace korv
