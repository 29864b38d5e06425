// What the provider's tests share: a small skin made in code (a form frame and a title with
// key-colour corners, a grip, flat section colours), a fixture that loads it into a manager and
// makes forms carrying a provider, and a sub-class that paints the non-client area with the
// provider the way the form's window procedure will.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "classlib/Forms.h"
#include "skin/core/sSkinManager.h"
#include "skin/forms/sSkinProvider.h"
#include "support/GuiTest.h"
#include "support/Pixels.h"

namespace korv::test {

// Colours of the test skin (RGB colour values).
inline constexpr TColor kFormColor = 0x00405060;      // FORM, active
inline constexpr TColor kFormHotColor = 0x00506070;   // FORM, inactive
inline constexpr TColor kFrameActive = 0x00102030;    // FORM border ring, frame 0
inline constexpr TColor kFrameInactive = 0x00203040;  // FORM border ring, frame 1
inline constexpr TColor kTitleColor = 0x00A06020;     // FORMTITLE, active
inline constexpr TColor kTitleHotColor = 0x00B07030;  // FORMTITLE, inactive
inline constexpr TColor kTitleFrame = 0x00300060;     // FORMTITLE border ring
inline constexpr TColor kGripColor = 0x0000C0C0;
inline constexpr TColor kGlobalColor = 0x00E0D0C0;
inline constexpr TColor kKey = 0x00FF00FF;

// The layout of the test skin's images: border images of two 12 x 12 frames with their mask
// below (cells of 4 x 4), corners with a three-pixel key-colour notch; a 6 x 6 grip.
inline constexpr int kFrameSize = 12;
inline constexpr int kCell = 4;
// The key-colour pixels of a top-left corner cell; the other corners mirror it.
[[nodiscard]] bool NotchPixel(int x, int y) noexcept;

// Adds the test skin "Test" to a manager's stored skins: sections GLOBALINFO, FORM, FORMTITLE,
// MENULINE; images FORM/BORDERSMASK (notches at all four corners), FORMTITLE/BORDERSMASK
// (notches at the top corners) and GLOBALINFO/GRIPIMAGE.
void AddTestSkin(TsSkinManager& sm, const std::string& name = "Test");

// A sub-class installed after the provider that paints the non-client area through it, as the
// form's window procedure does: WM_NCPAINT into the window DC, WM_PRINT's non-client part into
// the given DC (then the client), and the region list rebuilt and applied when it changed.
class TNonClientPainter {
 public:
  TNonClientPainter(TCustomForm* form, TsSkinProvider* provider);
  ~TNonClientPainter();
  TNonClientPainter(const TNonClientPainter&) = delete;
  TNonClientPainter& operator=(const TNonClientPainter&) = delete;
  int Paints = 0;

 private:
  void Proc(TMessage& m);
  TCustomForm* Form_;
  TsSkinProvider* Provider_;
  TWndMethod Saved_;
};

class TProviderTest : public TFormTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The default manager with the test skin loaded.
  TsSkinManager* LoadTestSkin();
  // A form of that style with a provider (made with NewComponent, as the library makes
  // components), not shown.
  TForm* NewSkinnedForm(TBorderStyle style = bsSizeable, int x = 100, int y = 100, int w = 300, int h = 200);
  [[nodiscard]] static TsSkinProvider* ProviderOf(TCustomForm* form);

  std::unique_ptr<TsSkinManager> Manager;
};

}  // namespace korv::test
