// TFlatButton: a flat push button with an optional glyph of up to four state frames and a
// one-line caption. It lights up under the mouse (one shared hover timer for all buttons), can be
// a sticky group button, hands its ModalResult to its form, and presses on Space and on its
// caption's accelerator.
#pragma once

#include <windows.h>

#include <memory>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "widgets/FlatUtilitys.h"

namespace korv {

class TTimer;

enum TFlatButtonState : uint8_t { fbsUp = 0, fbsDisabled = 1, fbsDown = 2, fbsExclusive = 3 };

class TFlatButton : public TCustomControl {
  KORV_CLASS(TFlatButton, TCustomControl)
 public:
  explicit TFlatButton(TComponent* owner);
  ~TFlatButton() override;

  // Presses the button: the parent form's ModalResult takes the button's, then OnClick runs.
  // Runs on whatever thread calls it; it hands nothing over to the window thread.
  void Click() override;
  // Ends the lit look and stops the shared hover timer when this button owns it (unless the
  // mouse button is held on it).
  void EndHover();

  [[nodiscard]] TTransparentMode TransparentMode() const noexcept { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode v);
  [[nodiscard]] bool Default() const noexcept { return FDefault; }
  void SetDefault(bool v);
  [[nodiscard]] bool AllowAllUp() const noexcept { return FAllowAllUp; }
  void SetAllowAllUp(bool v);

  // Colours by index: 0 ColorFocused, 1 ColorDown, 2 ColorBorder, 3 ColorHighLight, 4 ColorShadow.
  [[nodiscard]] TColor GetColors(int index) const noexcept;
  void SetColors(int index, TColor v);
  [[nodiscard]] TColor ColorFocused() const noexcept { return FColorFocused; }
  void SetColorFocused(TColor v) { SetColors(0, v); }
  [[nodiscard]] TColor ColorDown() const noexcept { return FColorDown; }
  void SetColorDown(TColor v) { SetColors(1, v); }
  [[nodiscard]] TColor ColorBorder() const noexcept { return FColorBorder; }
  void SetColorBorder(TColor v) { SetColors(2, v); }
  [[nodiscard]] TColor ColorHighLight() const noexcept { return FColorHighLight; }
  void SetColorHighLight(TColor v) { SetColors(3, v); }
  [[nodiscard]] TColor ColorShadow() const noexcept { return FColorShadow; }
  void SetColorShadow(TColor v) { SetColors(4, v); }

  // Percents by index: 0 AdvColorFocused, 1 AdvColorDown, 2 AdvColorBorder (0..100; other
  // values raise ERangeError).
  [[nodiscard]] TAdvColors GetAdvColors(int index) const noexcept;
  void SetAdvColors(int index, int v);
  [[nodiscard]] TAdvColors AdvColorFocused() const noexcept { return FAdvColorFocused; }
  void SetAdvColorFocused(int v) { SetAdvColors(0, v); }
  [[nodiscard]] TAdvColors AdvColorDown() const noexcept { return FAdvColorDown; }
  void SetAdvColorDown(int v) { SetAdvColors(1, v); }
  [[nodiscard]] TAdvColors AdvColorBorder() const noexcept { return FAdvColorBorder; }
  void SetAdvColorBorder(int v) { SetAdvColors(2, v); }
  [[nodiscard]] bool UseAdvColors() const noexcept { return FUseAdvColors; }
  void SetUseAdvColors(bool v);

  [[nodiscard]] int GroupIndex() const noexcept { return FGroupIndex; }
  void SetGroupIndex(int v);
  [[nodiscard]] bool Down() const noexcept { return FDown; }
  void SetDown(bool v);

  // The glyph: owned by the button; SetGlyph copies the picture.
  [[nodiscard]] TBitmap* Glyph() const noexcept { return FGlyph.get(); }
  void SetGlyph(const TBitmap* v);
  [[nodiscard]] TButtonLayout Layout() const noexcept { return FLayout; }
  void SetLayout(TButtonLayout v);
  [[nodiscard]] int Margin() const noexcept { return FMargin; }
  void SetMargin(int v);  // values below -1 are ignored
  [[nodiscard]] TNumGlyphs NumGlyphs() const noexcept { return FNumGlyphs; }
  void SetNumGlyphs(int v);  // 1..4; other values raise ERangeError
  [[nodiscard]] int Spacing() const noexcept { return FSpacing; }
  void SetSpacing(int v);

  // Plain field: Click hands it to the form.
  TModalResult ModalResult = mrNone;

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  // The glyph's palette (nullptr: none; the 24-bit glyphs carry none).
  [[nodiscard]] HPALETTE GetPalette() const noexcept { return nullptr; }

  // Read-only views for painting checks and diagnostics.
  [[nodiscard]] TFlatButtonState State() const noexcept { return FState; }
  [[nodiscard]] bool Hot() const noexcept { return FHot; }
  [[nodiscard]] bool MouseHeld() const noexcept { return FMouseHeld; }
  [[nodiscard]] TRect CaptionRect() const noexcept { return FCaptionRect; }
  [[nodiscard]] TPoint GlyphOrigin() const noexcept { return FGlyphOrigin; }

  // Shared state of all buttons.
  [[nodiscard]] static TTimer* HoverTimer() noexcept;
  [[nodiscard]] static TFlatButton* HoveredButton() noexcept;
  [[nodiscard]] static int FlatButtonCount() noexcept;

  void Loaded() override;
  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void BeginHover();
  void StopHoverTimer();
  void HoverTimerTick(TObject* sender);
  void UpdateHover();
  void NotifyGroup();
  void ApplyAdvColors();
  // 0 <= x < ClientWidth and 0 <= y <= ClientHeight: the row just below the client area counts.
  [[nodiscard]] bool InsideForRelease(int x, int y) const;
  void ReleaseHeld();  // the press ends without a click (capture taken away)

  void WMLButtonDblClk(TMessage& m);
  void CMEnabledChanged(TMessage& m);
  void CMButtonPressed(TMessage& m);
  void CMDialogChar(TMessage& m);
  void CMSysColorChange(TMessage& m);
  void CMParentColorChanged(TMessage& m);
  void WMSetFocus(TMessage& m);
  void WMKillFocus(TMessage& m);
  void WMKeyDown(TMessage& m);
  void WMKeyUp(TMessage& m);
  void WMMoveOrSize(TMessage& m);
  void CMMouseEnter(TMessage& m);
  void CMMouseLeave(TMessage& m);
  void WMCancelMode(TMessage& m);

  void DrawGlyph(TCanvas& canvas, COLORREF transparent);

  TTransparentMode FTransparentMode = tmNone;
  bool FDefault = false;
  bool FAllowAllUp = false;
  TColor FColorFocused = 0xE1EAEB;
  TColor FColorDown = 0xC5D6D9;
  TColor FColorBorder = 0x8396A0;
  TColor FColorHighLight = 0xFFFFFF;
  TColor FColorShadow = 0x000000;
  TAdvColors FAdvColorFocused = 10;
  TAdvColors FAdvColorDown = 10;
  TAdvColors FAdvColorBorder = 50;
  bool FUseAdvColors = false;
  int FGroupIndex = 0;
  bool FDown = false;
  std::unique_ptr<TBitmap> FGlyph;
  TButtonLayout FLayout = blGlyphTop;
  int FMargin = -1;
  TNumGlyphs FNumGlyphs = 1;
  int FSpacing = 4;

  TFlatButtonState FState = fbsUp;
  bool FHot = false;
  bool FMouseHeld = false;
  TRect FCaptionRect{};
  TPoint FGlyphOrigin{};
};

}  // namespace korv
