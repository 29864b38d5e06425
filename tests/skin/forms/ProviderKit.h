// What the provider's tests share: a small skin made in code, a fixture that loads it and makes
// forms carrying a provider, and a sub-class that paints the non-client area through the provider
// the way the form's window procedure will.
#pragma once

#include <gtest/gtest.h>

#include <memory>

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
// Border images are two 12 x 12 frames (cells of 4 x 4) with a one-pixel ring and a key-colour
// notch in each corner: FORM's at all four corners, FORMTITLE's at the top ones.
inline constexpr int kCell = 4;
[[nodiscard]] constexpr bool NotchPixel(int x, int y) noexcept { return (x == 0 && y <= 1) || (x == 1 && y == 0); }

// Adds the stored skin "Test" (GLOBALINFO with a 6 x 6 GRIPIMAGE, FORM, FORMTITLE, MENULINE).
void AddTestSkin(TsSkinManager& sm);

// Paints WM_NCPAINT and WM_PRINT through the provider (building and applying the region first),
// and repaints the skinned strips after the system drew its caption for WM_NCACTIVATE and
// WM_SETTEXT.
class TNonClientPainter {
 public:
  TNonClientPainter(TCustomForm* form, TsSkinProvider* provider);
  ~TNonClientPainter();
  int Paints = 0;

 private:
  void Proc(TMessage& m);
  void Paint(HDC dc);  // nullptr: the window's DC
  TCustomForm* Form_;
  TsSkinProvider* Provider_;
  TWndMethod Saved_;
};

class TProviderTest : public TFormTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  TsSkinManager* LoadTestSkin();
  // A form of that style carrying a provider named "sSkinProvider1", not shown.
  TForm* NewSkinnedForm(TBorderStyle style = bsSizeable, int w = 300, int h = 200);
  // The same, shown and painted through a TNonClientPainter.
  TForm* ShowSkinnedForm(TBorderStyle style = bsSizeable, int w = 300, int h = 200);
  [[nodiscard]] static TsSkinProvider* ProviderOf(TCustomForm* form);
  // Composes the image again and reads the cache.
  [[nodiscard]] static TPixelImage Compose(TsSkinProvider* p);

  std::unique_ptr<TsSkinManager> Manager;
  std::unique_ptr<TNonClientPainter> Painter;
};

}  // namespace korv::test
