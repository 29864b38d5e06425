// A screen-format copy of a block of a 24-bit picture. Copying a 24-bit bitmap to a window
// converts every pixel to the screen's format on every copy (under Wine about fifteen times the
// cost of a copy from a bitmap of the screen's format); a picture that is shown again and again
// unchanged is converted once into a bitmap compatible with the screen and copied from there.
#pragma once

#include <windows.h>

#include "classlib/Graphics.h"
#include "classlib/Handles.h"

namespace korv {

class TsScreenImage {
 public:
  TsScreenImage() = default;
  ~TsScreenImage() { Release(); }
  TsScreenImage(const TsScreenImage&) = delete;
  TsScreenImage& operator=(const TsScreenImage&) = delete;

  // The picture under the copy was painted again: the next Source converts it again.
  void Invalidate() noexcept { FValid = false; }
  [[nodiscard]] bool Valid() const noexcept { return FValid; }
  // A memory DC holding the screen-format copy of block (in src's coordinates) at (0, 0),
  // converted only when the copy is out of date or was taken of another block or bitmap.
  // nullptr when no exact copy can be had (an empty block or bitmap, a screen of fewer than 24
  // bits per pixel, no memory): the caller then copies from src itself.
  [[nodiscard]] HDC Source(TBitmap* src, const TRect& block);
  // Frees the copy.
  void Release() noexcept;

 private:
  TUniqueBitmap FBitmap;
  TUniqueDC FDC;
  HGDIOBJ FOld = nullptr;
  int FWidth = 0, FHeight = 0;  // the screen bitmap's size
  HBITMAP FFrom = nullptr;      // the source's bitmap the copy was taken of
  TRect FBlock{};
  bool FValid = false;
};

}  // namespace korv
