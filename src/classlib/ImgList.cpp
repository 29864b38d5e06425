// TImageList over comctl32's ImageList_* functions.
#include "classlib/ImgList.h"

#include <memory>

#include "classlib/Streaming.h"

namespace korv {

namespace {

const TPropInfo kImageListProps[] = {
    KORV_PROP_INT(TImageList, BkColor, clNone),
    KORV_PROP_INT(TImageList, Height, 16),
    KORV_PROP_BOOL(TImageList, Masked, true),
    KORV_PROP_INT(TImageList, Width, 16),
};
KORV_DEFINE_PROPS(TImageList, kImageListProps);

// ImageList_Add selects the bitmap into a DC of its own, and ImageList_AddMasked blackens the
// masked pixels of the bitmap it is given: both get a private copy.
std::unique_ptr<TBitmap> Copy24(const TBitmap* source) {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(source);
  return copy;
}

}  // namespace

KORV_DEFINE_CLASS(TImageList, TComponent, &CreateComponent<TImageList>, &TImageList_PropTable);

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

TImageList::TImageList(TComponent* owner, int width, int height) : TComponent(owner) { SetSize(width, height); }

TImageList::~TImageList() {
  if (FHandle) ImageList_Destroy(FHandle);
}

HIMAGELIST TImageList::Handle() {
  if (!FHandle) {
    FHandle = ImageList_Create(FWidth, FHeight, ILC_COLOR24 | (FMasked ? ILC_MASK : 0), 4, 4);
    if (!FHandle) throw EInvalidOperation("Unable to create the image list");
    ImageList_SetBkColor(FHandle, BkColorRef());
  }
  return FHandle;
}

void TImageList::Recreate() {
  if (FHandle) {
    ImageList_Destroy(FHandle);
    FHandle = nullptr;
  }
}

void TImageList::Changed() {
  if (OnChange) OnChange(this);
}

void TImageList::SetSize(int width, int height) {
  if (width < 1 || height < 1) throw EInvalidOperation("Invalid image size");
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  Recreate();
  Changed();
}

void TImageList::SetMasked(bool masked) {
  if (masked == FMasked) return;
  FMasked = masked;
  Recreate();
  Changed();
}

COLORREF TImageList::BkColorRef() const noexcept {
  if (FBkColor == clNone) return CLR_NONE;
  if (FBkColor == clDefault) return CLR_DEFAULT;
  return ColorToColorRef(FBkColor);
}

void TImageList::SetBkColor(TColor color) {
  if (color == FBkColor) return;
  FBkColor = color;
  if (FHandle) ImageList_SetBkColor(FHandle, BkColorRef());
  Changed();
}

int TImageList::Count() const { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

int TImageList::Add(const TBitmap* image, const TBitmap* mask) {
  if (!image || image->Empty()) throw EInvalidOperation("Unable to insert an image");
  auto img = Copy24(image);
  // The mask goes in as a monochrome bitmap: white (the mask's light pixels) is transparent.
  TUniqueBitmap mono;
  if (mask && !mask->Empty()) {
    auto m = Copy24(mask);
    mono.Reset(CreateBitmap(m->Width(), m->Height(), 1, 1, nullptr));
    TUniqueDC src(CreateCompatibleDC(nullptr)), dst(CreateCompatibleDC(nullptr));
    if (!mono || !src || !dst) throw EOutOfMemory("Out of system resources");
    TSelectGuard s1(src.Get(), m->Handle());
    TSelectGuard s2(dst.Get(), mono.Get());
    ::SetBkColor(src.Get(), RGB(255, 255, 255));
    BitBlt(dst.Get(), 0, 0, m->Width(), m->Height(), src.Get(), 0, 0, SRCCOPY);
  }
  int index = ImageList_Add(Handle(), img->Handle(), mono.Get());
  if (index < 0) throw EInvalidOperation("Unable to insert an image");
  Changed();
  return index;
}

int TImageList::AddMasked(const TBitmap* image, TColor maskColor) {
  if (!image || image->Empty()) throw EInvalidOperation("Unable to insert an image");
  auto img = Copy24(image);
  int index = ImageList_AddMasked(Handle(), img->Handle(), ColorToColorRef(maskColor));
  if (index < 0) throw EInvalidOperation("Unable to insert an image");
  Changed();
  return index;
}

void TImageList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid image list index");
  ImageList_Remove(FHandle, index);
  Changed();
}

void TImageList::Clear() {
  if (FHandle && ImageList_GetImageCount(FHandle) > 0) {
    ImageList_Remove(FHandle, -1);
    Changed();
  }
}

void TImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
  if (!canvas || index < 0 || index >= Count()) return;
  HDC dc = canvas->Handle();
  if (enabled) {
    // With BkColor clNone (CLR_NONE) the mask makes the image transparent; any other colour
    // fills the masked pixels.
    ImageList_DrawEx(FHandle, index, dc, x, y, 0, 0, BkColorRef(), CLR_DEFAULT, ILD_NORMAL);
    return;
  }
  // The image's shape as a monochrome mask (black = image, white = transparent), then the
  // two brushes stamped through it: ROP 0xB8074A keeps the destination where the mask is
  // white and paints the brush where it is black.
  TUniqueBitmap mono(CreateBitmap(FWidth, FHeight, 1, 1, nullptr));
  TUniqueDC monoDC(CreateCompatibleDC(nullptr));
  if (!mono || !monoDC) throw EOutOfMemory("Out of system resources");
  TSelectGuard selMono(monoDC.Get(), mono.Get());
  if (FMasked) {
    PatBlt(monoDC.Get(), 0, 0, FWidth, FHeight, WHITENESS);
    ImageList_Draw(FHandle, index, monoDC.Get(), 0, 0, ILD_MASK);
  } else {
    // Without a mask the whole cell is the image.
    PatBlt(monoDC.Get(), 0, 0, FWidth, FHeight, BLACKNESS);
  }
  TSaveDCGuard save(dc);
  SetTextColor(dc, RGB(0, 0, 0));
  ::SetBkColor(dc, RGB(255, 255, 255));
  TUniqueBrush highlight(CreateSolidBrush(ColorToColorRef(clBtnHighlight)));
  TUniqueBrush shadow(CreateSolidBrush(ColorToColorRef(clBtnShadow)));
  {
    TSelectGuard b(dc, highlight.Get());
    BitBlt(dc, x + 1, y + 1, FWidth, FHeight, monoDC.Get(), 0, 0, 0x00B8074A);
  }
  {
    TSelectGuard b(dc, shadow.Get());
    BitBlt(dc, x, y, FWidth, FHeight, monoDC.Get(), 0, 0, 0x00B8074A);
  }
}

}  // namespace korv
