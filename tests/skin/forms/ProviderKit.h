// What the provider's tests share: a small skin made in code, a fixture that loads it and makes
// forms carrying a provider, and a sub-class that paints the non-client area through the provider
// the way the form's window procedure will.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string_view>

#include "skin/core/sSkinManager.h"
#include "skin/forms/sSkinProvider.h"
#include "support/GuiTest.h"
#include "support/Pixels.h"

namespace korv::test {

// The test skin's colours: FORM (its state 0 and 1 and its border ring per frame), FORMTITLE,
// the grip and GLOBALINFO.
inline constexpr TColor kFormColor = 0x00405060, kFormHotColor = 0x00506070;
inline constexpr TColor kFrameActive = 0x00102030, kFrameInactive = 0x00203040;
inline constexpr TColor kTitleColor = 0x00A06020, kTitleHotColor = 0x00B07030, kTitleFrame = 0x00300060;
inline constexpr TColor kGripColor = 0x0000C0C0, kGlobalColor = 0x00E0D0C0, kKey = 0x00FF00FF;
// The scroll bars' sections (the track before and after the thumb, the thumb, the arrows), the
// size grip's "CHECKBOX" and the MDI client's "MDIAREA".
inline constexpr TColor kTrackBefore = 0x00C04020, kTrackAfter = 0x002060E0, kThumbColor = 0x0030A030;
inline constexpr TColor kArrowColor = 0x00707070, kCheckBoxColor = 0x00608040, kMDIAreaColor = 0x00336699;
// Border images are two 12 x 12 frames (cells of 4 x 4) with a one-pixel ring and a key-colour
// notch in each corner: FORM's at all four corners, FORMTITLE's at the top ones.
inline constexpr int kCell = 4;
[[nodiscard]] constexpr bool NotchPixel(int x, int y) noexcept { return (x == 0 && y <= 1) || (x == 1 && y == 0); }

// Rectangles compared whole, both printed on a mismatch.
inline ::testing::AssertionResult SameRect(const TRect& a, const TRect& b) {
  if (EqualRect(&a, &b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << a.left << "," << a.top << "," << a.right << "," << a.bottom << ") != ("
                                       << b.left << "," << b.top << "," << b.right << "," << b.bottom << ")";
}

// A window's pixels on the screen (its client area only, or the whole window), once ready()
// holds for them: the screen follows a window's painting with a delay. The last capture when
// the deadline passes first.
[[nodiscard]] TPixelImage CaptureWhen(HWND wnd, bool clientOnly, const std::function<bool(const TPixelImage&)>& ready);

// Adds the stored skin "Test" (GLOBALINFO with a 6 x 6 GRIPIMAGE, FORM, FORMTITLE, MENULINE,
// the scroll-bar sections, CHECKBOX and MDIAREA).
void AddTestSkin(TsSkinManager& sm);

// A caption-button image of the test skins: three frames of W x H over a black mask.
struct TButtonImage {
  const char *Section, *Name;
  int W, H;  // of one frame
};
// The colour of frame 0, 1 or 2 of a button image, made from its name.
[[nodiscard]] TColor ButtonColor(std::string_view name, int frame);
// A manager with the test skin and these images added, loaded.
[[nodiscard]] std::unique_ptr<TsSkinManager> NewButtonSkin(std::initializer_list<TButtonImage> images);

class TProviderTest : public TFormTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  TsSkinManager* LoadTestSkin();
  // A form of that style carrying a provider named "sSkinProvider1", not shown.
  TForm* NewSkinnedForm(TBorderStyle style = bsSizeable, int w = 300, int h = 200);
  // The same, shown and painted.
  TForm* ShowSkinnedForm(TBorderStyle style = bsSizeable, int w = 300, int h = 200);
  // Shows a form carrying a provider and waits until its frame and client are painted.
  void ShowPainted(TForm* form);
  [[nodiscard]] static TsSkinProvider* ProviderOf(TCustomForm* form);
  // Composes the image again and reads the cache.
  [[nodiscard]] static TPixelImage Compose(TsSkinProvider* p);

  std::unique_ptr<TsSkinManager> Manager;
};

// A skin whose caption buttons are images of 20 x 18 (close, maximise, minimise, help and the
// restore image) and a skinned form of it shown as the active window.
class TCaptionTest : public TProviderTest {
 protected:
  void SetUp() override;
  // Shows the form, active: Form, Wnd and P.
  void ShowActive();
  // A point of the form's window on the screen.
  [[nodiscard]] TPoint Screen(TPoint windowPoint) const;
  // The window's answer to WM_NCHITTEST at a point of the window.
  [[nodiscard]] int SystemHit(TPoint windowPoint) const;

  TForm* Form = nullptr;
  HWND Wnd = nullptr;
  TsSkinProvider* P = nullptr;
};

}  // namespace korv::test
