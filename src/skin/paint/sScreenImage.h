// A screen-format copy of a block of a 24-bit picture. Copying a 24-bit bitmap to a window
// converts every pixel to the screen's 32-bit format on every copy (under Wine about fifteen times
// the cost of a copy from a 32-bit bitmap); a picture that is shown again and again unchanged is
// converted once into a 32-bit bitmap and copied from there.
#pragma once

#include <windows.h>

#include <cstdint>

#include "classlib/Graphics.h"
#include "classlib/Handles.h"

namespace korv {

// count pixels of three bytes (blue, green, red) as 32-bit pixels 0x00RRGGBB.
void Pixels24To32(const uint8_t* src, uint32_t* dst, int count) noexcept;

class TsScreenImage {
 public:
  TsScreenImage() = default;
  ~TsScreenImage() { Release(); }
  TsScreenImage(const TsScreenImage&) = delete;
  TsScreenImage& operator=(const TsScreenImage&) = delete;

  // The picture under the copy was painted again: the next Source converts it again.
  void Invalidate() noexcept { FValid = false; }
  [[nodiscard]] bool Valid() const noexcept { return FValid; }
  // A memory DC holding the 32-bit copy of block (in src's coordinates) at (0, 0), converted only
  // when the copy is out of date or was taken of another block or bitmap. nullptr when no copy
  // can be had (an empty block or bitmap, no memory): the caller then copies from src itself.
  // The bitmap in the DC may be larger than the block (it is kept while the block changes size).
  [[nodiscard]] HDC Source(TBitmap* src, const TRect& block);
  // Frees the copy.
  void Release() noexcept;

 private:
  TUniqueBitmap FBitmap;
  TUniqueDC FDC;
  HGDIOBJ FOld = nullptr;
  uint32_t* FBits = nullptr;    // top-down rows of FWidth pixels
  int FWidth = 0, FHeight = 0;  // the 32-bit bitmap's size (the block's, with room to grow)
  HBITMAP FFrom = nullptr;      // the source's bitmap the copy was taken of
  TRect FBlock{};
  bool FValid = false;
};

}  // namespace korv
