// Records the skin manager keeps per loaded skin: one per section (TsGeneralData), one per image
// (TsMaskData) and one per JPEG texture (TsPatternData).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Graphics.h"
#include "classlib/Jpeg.h"
#include "skin/data/sConst.h"
#include "skin/data/sGradient.h"

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

class TsSkinManager;

// One image of a skin: a rectangle of the master bitmap, or its own bitmap.
struct TsMaskData {
  std::unique_ptr<TBitmap> Bmp;  // own picture, or none for a rectangle of the master bitmap
  std::string ClassName;         // section name
  std::string PropertyName;      // key name
  TRect R{};                     // Left, Top, Right, Bottom (right and bottom exclusive)
  int16_t ImageCount = 0;        // state frames side by side
  int16_t MaskType = 0;          // 0 none, 1 mask in the lower half
  int16_t BorderWidth = 0;
  int16_t StretchMode = 0;
  TacImgType ImgType = itisaBorder;
  TsSkinManager* Manager = nullptr;  // the owning manager (not owned)
  int16_t WL = 0, WT = 0, WR = 0, WB = 0;
};

// One JPEG texture of a skin.
struct TsPatternData {
  std::unique_ptr<TJPEGImage> Img;
  std::string ClassName;
  std::string PropertyName;
};

using TsMaskArray = std::vector<TsMaskData>;
using TsPatternArray = std::vector<TsPatternData>;

// Reads an image value of the "#" form, "#(left,top,right,bottom)(count,mask[,border[,stretch]])":
// words are split at blanks and parentheses, the numbers of a word at commas. Names are taken
// upper-cased; the key PATTERN or HOTPATTERN makes a texture with stretch mode 0, any other key
// a border whose stretch mode is the fourth number or 1. Counts below 1 become 1, negative mask
// types and border widths 0. Returns false when the value is not of that form (no "#", or just
// "#"); a number that is not an integer raises EConvertError.
bool ParseHashImageValue(std::string_view section, std::string_view key, std::string_view value, TsMaskData& out);

// Maps a "BEVEL"/"HOTBEVEL" number to a bevel; numbers outside 0..4 give cbNone.
[[nodiscard]] constexpr TsControlBevel BevelFromInt(int32_t v) noexcept {
  return v >= 0 && v <= 4 ? static_cast<TsControlBevel>(v) : cbNone;
}

}  // namespace korv
