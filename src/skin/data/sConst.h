// Constants and small shared types of the skin units.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korv {

class TBitmap;

// Bevel of a skin section ("BEVEL", "HOTBEVEL"): one byte.
enum TsControlBevel : uint8_t { cbNone = 0, cbRaisedSoft = 1, cbLoweredSoft = 2, cbRaisedHard = 3, cbLoweredHard = 4 };

// Kind of a skin image: a nine-piece border, a texture, or a glyph of state frames.
enum TacImgType : uint8_t { itisaBorder = 0, itisaTexture = 1, itisaGlyph = 2 };

// A view of 24-bit pixels (blue, green, red): row y starts at Row0 + y * Stride. The stride is
// negative for bottom-up DIB sections.
struct TsPixels24 {
  uint8_t* Row0 = nullptr;
  ptrdiff_t Stride = 0;
  int Width = 0;
  int Height = 0;
  [[nodiscard]] uint8_t* Row(int y) const noexcept { return Row0 + static_cast<ptrdiff_t>(y) * Stride; }
  [[nodiscard]] bool Empty() const noexcept { return !Row0 || Width <= 0 || Height <= 0; }
};

// Where a control finds the image lying under it: a 24-bit bitmap (not owned) and the position of
// the control's client area inside it.
struct TCacheInfo {
  TBitmap* Bmp = nullptr;
  int32_t X = 0;
  int32_t Y = 0;
  bool Ready = false;
  // Changes whenever the picture in Bmp is painted again: a control that painted itself over
  // the image knows from it whether what lies under it may have changed.
  uint32_t Stamp = 0;

  friend bool operator==(const TCacheInfo&, const TCacheInfo&) = default;
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
