// Records the skin manager keeps per loaded skin: one per section (TsGeneralData), and, once the
// class library's graphics are in, one per image and per JPEG texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "skin/sConst.h"
#include "skin/sGradient.h"

namespace korv {

// One section of a skin. Colours are 32-bit colour values, percentages and counts 32-bit signed.
struct TsGeneralData {
  std::string ParentClass;
  std::string SectionName;  // as the source spells it
  int32_t Color = 0;
  TsControlBevel Bevel = cbNone;
  int32_t FontColor[5] = {};  // font colour, then left, top, right, bottom contour (-1 none)
  int32_t HotFontColor[5] = {};
  bool ReservedBoolean = false;
  int32_t ShadowBlur = 0;
  int32_t ShadowColor = 0;
  bool ShadowEnabled = false;
  int32_t ShadowOffset = 0;
  int32_t ShadowTransparency = 0;
  int32_t Transparency = 0;
  int32_t GradientPercent = 0;
  std::string GradientData;
  TsGradArray GradientArray;
  int32_t ImagePercent = 0;
  bool ShowFocus = false;
  bool FadingEnabled = false;
  int32_t FadingIntervalIn = 0;
  int32_t FadingIntervalOut = 0;
  int32_t FadingIterations = 0;
  int32_t HotColor = 0;
  int32_t HotTransparency = 0;
  TsControlBevel HotBevel = cbNone;
  int32_t HotGradientPercent = 0;
  std::string HotGradientData;
  TsGradArray HotGradientArray;
  int32_t HotImagePercent = 0;
  int32_t BorderColor1 = 0;
  int32_t BorderColor2 = 0;
};

using TsGeneralDataArray = std::vector<TsGeneralData>;

// Maps a "BEVEL"/"HOTBEVEL" number to a bevel; numbers outside 0..4 give cbNone.
[[nodiscard]] constexpr TsControlBevel BevelFromInt(int32_t v) noexcept {
  return v >= 0 && v <= 4 ? static_cast<TsControlBevel>(v) : cbNone;
}

}  // namespace korv
