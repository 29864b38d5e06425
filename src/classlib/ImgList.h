// TImageList: a list of equally sized images over a comctl32 image list.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"

namespace korv {

class TImageList : public TComponent {
  KORV_CLASS(TImageList, TComponent)
 public:
  explicit TImageList(TComponent* owner);
  // A list of images of the given size.
  TImageList(TComponent* owner, int width, int height);
  ~TImageList() override;

  // The image list handle, created on first use (24-bit colour, with a mask when Masked).
  [[nodiscard]] HIMAGELIST Handle();
  [[nodiscard]] bool HandleAllocated() const noexcept { return FHandle != nullptr; }

  // Image size (default 16 x 16). Changing it empties the list. Values below 1 raise
  // EInvalidOperation "Invalid image size".
  [[nodiscard]] int Width() const noexcept { return FWidth; }
  [[nodiscard]] int Height() const noexcept { return FHeight; }
  void SetWidth(int width) { SetSize(width, FHeight); }
  void SetHeight(int height) { SetSize(FWidth, height); }
  void SetSize(int width, int height);
  // Images carry a mask (default true). Changing it empties the list.
  [[nodiscard]] bool Masked() const noexcept { return FMasked; }
  void SetMasked(bool masked);
  // Colour drawn under the images: clNone (default) draws them transparently through the mask.
  [[nodiscard]] TColor BkColor() const noexcept { return FBkColor; }
  void SetBkColor(TColor color);

  [[nodiscard]] int Count() const;

  // Adds the image (a bitmap wider than Width adds one image per Width-wide strip) with an
  // optional monochrome-style mask (white = transparent). Returns the index of the first image
  // added. Raises EInvalidOperation "Unable to insert an image" when the platform refuses.
  int Add(const TBitmap* image, const TBitmap* mask);
  // Adds the image with the pixels of maskColor transparent; the bitmap itself is not changed.
  int AddMasked(const TBitmap* image, TColor maskColor);
  // Removes one image (out-of-range indexes raise EInvalidOperation "Invalid image list index").
  void Delete(int index);
  void Clear();

  // Draws image index with its top-left corner at (x, y). A disabled image is drawn engraved:
  // its shape in clBtnHighlight one pixel down and right, then in clBtnShadow. Indexes out of
  // range draw nothing.
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
  // The background colour the platform is given for BkColor: CLR_NONE for clNone, CLR_DEFAULT
  // for clDefault, else the RGB value.
  [[nodiscard]] COLORREF BkColorRef() const noexcept;

  TNotifyEvent OnChange;

 protected:
  virtual void Changed();

 private:
  void Recreate();
  HIMAGELIST FHandle = nullptr;
  int FWidth = 16;
  int FHeight = 16;
  bool FMasked = true;
  TColor FBkColor = clNone;
};

}  // namespace korv
