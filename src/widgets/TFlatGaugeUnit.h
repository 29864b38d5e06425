// TFlatGauge: a flat progress bar with a one-pixel frame and an optional centred "N %" text that
// takes the background colour where the bar lies under it.
#pragma once

#include <windows.h>

#include <string>

#include "classlib/Controls.h"
#include "classlib/Graphics.h"
#include "widgets/FlatUtilitys.h"

namespace korv {

class TFlatGauge : public TGraphicControl {
  KORV_CLASS(TFlatGauge, TGraphicControl)
 public:
  explicit TFlatGauge(TComponent* owner);

  [[nodiscard]] TAdvColors AdvColorBorder() const noexcept { return FAdvColorBorder; }
  void SetAdvColorBorder(int v);  // 0..100; other values raise ERangeError
  [[nodiscard]] bool Transparent() const noexcept { return FTransparent; }
  void SetTransparent(bool v);
  [[nodiscard]] bool UseAdvColors() const noexcept { return FUseAdvColors; }
  void SetUseAdvColors(bool v);

  // Colours by index: 0 ColorBorder, 1 BarColor.
  [[nodiscard]] TColor GetColors(int index) const noexcept;
  void SetColors(int index, TColor v);
  [[nodiscard]] TColor ColorBorder() const noexcept { return FColorBorder; }
  void SetColorBorder(TColor v) { SetColors(0, v); }
  [[nodiscard]] TColor BarColor() const noexcept { return FBarColor; }
  void SetBarColor(TColor v) { SetColors(1, v); }

  // Kept so that MinValue <= Progress <= MaxValue.
  [[nodiscard]] int MinValue() const noexcept { return FMinValue; }
  void SetMinValue(int v);
  [[nodiscard]] int MaxValue() const noexcept { return FMaxValue; }
  void SetMaxValue(int v);
  [[nodiscard]] int Progress() const noexcept { return FProgress; }
  void SetProgress(int v);
  [[nodiscard]] bool ShowText() const noexcept { return FShowText; }
  void SetShowText(bool v);

  // The bar's width inside an inner width, and the percentage shown (an empty bar and 0 when
  // MinValue equals MaxValue).
  [[nodiscard]] int BarWidth(int innerWidth) const noexcept;
  [[nodiscard]] int PercentDone() const noexcept;
  [[nodiscard]] std::string PercentText() const;

  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;

 private:
  void ApplyAdvColors();

  TAdvColors FAdvColorBorder = 0;
  bool FTransparent = false;
  bool FUseAdvColors = false;
  TColor FColorBorder = 0x8396A0;
  TColor FBarColor = 0x996633;
  int FMinValue = 0;
  int FMaxValue = 100;
  int FProgress = 25;
  bool FShowText = true;
};

}  // namespace korv
