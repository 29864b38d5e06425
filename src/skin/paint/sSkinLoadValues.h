// The image values of skin text, read apart from any file: which values describe an image, the
// rectangle and counts they give, and the rules every image entry must meet before the skin
// manager keeps it.
//
// Forms of a value (the section and key of the entry are those of the INI text):
//   "~LLLL TTTT RRRR BBBB SS M"          a texture rectangle: stretch mode SS, mask type M (optional)
//   "@LLLL TTTT RRRR BBBB C M"           a glyph rectangle: C frames, mask type M
//   "^LLLL TTTT RRRR BBBB wl wt wr wb C M S B"
//                                        a border rectangle: border widths of four digits, then
//                                        frames, mask type, stretch mode and border width
//   "!file.BMP!count!mask!type"          a bitmap file of its own with image type 0, 1 or 2
//   "...#(l,t,r,b)(count,mask[,border[,stretch]])"  a rectangle (see ParseHashImageValue)
//   anything else naming a ".bmp" file   a border bitmap of its own, three frames with a mask
// The fixed-column forms keep the section and key names as written; the others upper-case them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "skin/data/sMaskData.h"

namespace korv {

enum class TacImageForm : uint8_t {
  None,       // not an image value
  Rect,       // a rectangle of the master bitmap (Mask.R)
  OwnBitmap,  // a bitmap file of its own (FileName); its rectangle is the whole bitmap
  Malformed,  // an image value with a number that is not an integer: only this entry is dropped
};

struct TacImageValue {
  TacImageForm Form = TacImageForm::None;
  TsMaskData Mask;       // names, image type, counts, and the rectangle of the Rect form
  std::string FileName;  // OwnBitmap: the name as written (see SkinFileName)
};

// A value of a folder skin.
[[nodiscard]] TacImageValue ParseImageValue(std::string_view section, std::string_view key, std::string_view value);

// A value of the skin manager's extra sections: the "#" form when the skin has a master bitmap,
// otherwise a bitmap file of the plain file form.
[[nodiscard]] TacImageValue ParseCommonImageValue(std::string_view section, std::string_view key,
                                                  std::string_view value, bool hasMasterBitmap);

// Brings an entry's counts into range (frames at least 1, mask type and border width at least 0)
// and tells whether its rectangle is non-empty and lies wholly inside its source of
// SourceWidth x SourceHeight pixels (0 x 0 for no source). An entry that fails is not kept: its
// frame and cell sizes come from the rectangle, so it is never clipped.
[[nodiscard]] bool FitImageEntry(TsMaskData& m, int sourceWidth, int sourceHeight) noexcept;

// A value naming a JPEG file: ".JPG" or ".JPEG" in any case.
[[nodiscard]] bool IsJpegValue(std::string_view value);

// A file named by a skin: as it is when it holds a ":", else relative to the skin's folder
// (which ends with a separator, or is empty for a stored skin).
[[nodiscard]] std::string SkinFileName(std::string_view skinPath, std::string_view name);

// JPEG pictures of fewer pixels than this become images of their own at load time.
inline constexpr int64_t sSmallTexturePixels = 90000;

}  // namespace korv
