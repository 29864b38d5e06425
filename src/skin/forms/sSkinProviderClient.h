// The rules of a skinned form's own scroll bars, as plain functions: what one direction needs
// (range, page, steps, whether a bar shows and where), and how two bars share the corner with the
// grip. The provider (UpdateScrolls) feeds them from its form; tests call them directly.
//
// Rectangles are in the form's client coordinates.
#pragma once

#include "classlib/Controls.h"

namespace korv {

class TsSkinProvider;

// The page is the client extent less this; a bar shows only when the range passes the page by
// more than this too.
inline constexpr int sScrollPageMargin = 4;
// The page step of the skinned bars.
inline constexpr int sScrollLargeStep = 80;

// One direction's scroll information.
struct TsScrollInfo {
  bool Needed = false;  // a bar is shown
  int Maximum = 0;      // Range - Page: the bar's Max
  int Range = 0;
  int Page = 0;
  int SmallStep = 0;
  int LargeStep = sScrollLargeStep;
  TRect Rect{};  // where the bar lies (empty while Maximum < 1)
};

// What one direction's information is computed from.
struct TsScrollInput {
  int Content = 0;    // ContentHeight (ContentWidth)
  int FormRange = 0;  // the Range of the form's own bar of that direction (0: none set)
  int Increment = 0;  // the Increment of the form's own bar
  int ClientWidth = 0;
  int ClientHeight = 0;
  int BarSize = 0;           // SM_CXVSCROLL for the vertical bar, SM_CYHSCROLL for the horizontal one
  bool RightToLeft = false;  // the form's scroll bars are on the left
  bool CanShow = false;      // the form's section is valid and the form visible
};

// Range: the content, or the larger of it and the form's own range when that is set; page: the
// client extent less 4; large step 80. With a maximum (range - page) of 1 or more the bar lies at
// the client's right edge (a right-to-left form: Rect(1, 1, w + 1, ClientHeight - 1)), the
// horizontal one at the bottom edge, and it is needed when it can show and range > page + 4.
[[nodiscard]] TsScrollInfo ScrollInfoOf(bool vertical, const TsScrollInput& in) noexcept;

// Both bars needed: the vertical one gives up the horizontal one's height at the bottom, the
// horizontal one the vertical one's width on the right (on the left, up to the vertical bar's
// right edge, for a right-to-left form). Returns the grip's rectangle: at (vertical bar's left,
// horizontal bar's top), the vertical bar's width by the horizontal bar's height.
[[nodiscard]] TRect FitScrollBars(TsScrollInfo& vert, TsScrollInfo& horz, bool rightToLeft) noexcept;

// One direction of the provider's form, read now (not needed unless the form had AutoScroll when
// the provider was made and the form's own bar of that direction is Visible).
[[nodiscard]] TsScrollInfo FormScrollInfo(const TsSkinProvider& provider, bool vertical);

}  // namespace korv
