// Constants and small shared types of the skin units.
#pragma once

#include <cstdint>

namespace korv {

class TBitmap;

// Bevel of a skin section ("BEVEL", "HOTBEVEL"): one byte.
enum TsControlBevel : uint8_t { cbNone = 0, cbRaisedSoft = 1, cbLoweredSoft = 2, cbRaisedHard = 3, cbLoweredHard = 4 };

// Kind of a skin image: a nine-piece border, a texture, or a glyph of state frames.
enum TacImgType : uint8_t { itisaBorder = 0, itisaTexture = 1, itisaGlyph = 2 };

// Where a control finds the image lying under it: a 24-bit bitmap (not owned) and the position of
// the control's client area inside it.
struct TCacheInfo {
  TBitmap* Bmp = nullptr;
  int32_t X = 0;
  int32_t Y = 0;
  bool Ready = false;
};

// No cached parent image.
inline constexpr TCacheInfo EmptyCacheInfo{nullptr, -99, 0, false};

// Key colour of skin pictures: pixels of this colour are transparent.
inline constexpr int32_t sKeyColor = 0xFF00FF;

// Section names the reader treats specially.
inline constexpr const char* s_GlobalInfo = "GLOBALINFO";
inline constexpr const char* s_ParentClass = "PARENTCLASS";
inline constexpr const char* s_MasterBitmap = "MASTERBITMAP";

}  // namespace korv
