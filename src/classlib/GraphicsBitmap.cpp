// TGraphic and TBitmap: a 24-bit bottom-up DIB section with a canvas on a memory DC.
#include <algorithm>
#include <cstring>
#include <limits>

#include "classlib/Graphics.h"
#include "classlib/Streaming.h"

namespace korv {

KORV_DEFINE_CLASS(TGraphic, TPersistent, nullptr, nullptr);
KORV_DEFINE_CLASS(TBitmap, TGraphic, [](TObject*) -> TObject* { return new TBitmap(); }, nullptr);

// ---------------------------------------------------------------------------------------------
// TGraphic

void TGraphic::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Changed();
}

void TGraphic::SetModified(bool value) {
  if (value)
    Changed();
  else
    FModified = false;
}

void TGraphic::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

// Component streaming keeps the picture as the binary property "Data" (nothing for an empty
// picture).
void TGraphic::DefineProperties(TFiler* filer) {
  TPersistent::DefineProperties(filer);
  if (!filer) return;
  filer->DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, !Empty());
}

void TGraphic::ReadData(TStream& stream) { LoadFromStream(stream); }

void TGraphic::WriteData(TStream& stream) const { SaveToStream(stream); }

// ---------------------------------------------------------------------------------------------
// TBitmapCanvas: a memory DC with the bitmap selected, made on first use.

class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }

  // Puts the DC's own bitmap back and deletes the DC (before the DIB changes or dies).
  void FreeContext() {
    if (!HandleAllocated()) return;
    HDC dc = Handle();
    SetHandle(nullptr);
    if (FOldBitmap) SelectObject(dc, FOldBitmap);
    FOldBitmap = nullptr;
    DeleteDC(dc);
  }

 protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) throw EOutOfMemory("Out of system resources");
    if (FBitmap->FHandle) {
      HGDIOBJ old = SelectObject(dc, FBitmap->FHandle.Get());
      FOldBitmap = (old && old != HGDI_ERROR) ? old : nullptr;
    }
    SetHandle(dc);
  }

 private:
  TBitmap* FBitmap;
  HGDIOBJ FOldBitmap = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Device-independent bitmaps

BITMAPINFOHEADER DibHeader(int width, int height, WORD bitCount) noexcept {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bitCount;
  h.biCompression = BI_RGB;
  return h;
}

TDibSection CreateDibSection24(int width, int height) {
  BITMAPINFO bmi{};
  bmi.bmiHeader = DibHeader(width, height, 24);
  void* bits = nullptr;
  TDibSection dib;
  dib.Handle.Reset(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib.Handle || !bits) throw EOutOfMemory("Out of system resources");
  dib.Bits = static_cast<uint8_t*>(bits);
  return dib;
}

// ---------------------------------------------------------------------------------------------
// TBitmap

namespace {

void CheckSize(int width, int height) {
  if (width > MaxBitmapDimension || height > MaxBitmapDimension) throw EInvalidGraphic("Bitmap image is not valid");
}

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::~TBitmap() {
  // The canvas's DC must let go of the DIB before the DIB is deleted.
  FCanvas.reset();
}

void TBitmap::FreeCanvasContext() {
  if (FCanvas) FCanvas->FreeContext();
}

void TBitmap::Changed() { TGraphic::Changed(); }

void TBitmap::CanvasChanged(TObject*) { Changed(); }

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TBitmapCanvas>(this);
    FCanvas->OnChange = TNotifyEvent(this, &TBitmap::CanvasChanged);
  }
  return FCanvas.get();
}

void TBitmap::TakeDib(TDibSection dib, int width, int height, int sectionWidth, int sectionHeight) {
  FreeCanvasContext();
  FHandle = std::move(dib.Handle);
  FBits = dib.Bits;
  FWidth = width;
  FHeight = height;
  FSectionWidth = FBits ? sectionWidth : 0;
  FSectionHeight = FBits ? sectionHeight : 0;
}

// Replaces the picture with a new DIB of the given size: copied from source (top-down rows of
// the same size) or white.
void TBitmap::NewImage(int width, int height, const TDecodedBmp* source) {
  CheckSize(width, height);
  if (width <= 0 || height <= 0) {
    TakeDib({}, 0, 0);
    return;
  }
  TDibSection dib = CreateDibSection24(width, height);
  const int rowBytes = DibRowBytes(width, 24);
  if (source) {
    for (int y = 0; y < height; ++y)
      std::memcpy(dib.Bits + static_cast<size_t>(height - 1 - y) * rowBytes,
                  source->Bits.data() + static_cast<size_t>(y) * source->RowBytes, static_cast<size_t>(width) * 3);
  } else {
    std::memset(dib.Bits, 0xFF, static_cast<size_t>(rowBytes) * height);
  }
  TakeDib(std::move(dib), width, height);
}

namespace {

// A side of a new section that keeps room: an eighth more (32 pixels at least) to grow into.
int WithRoom(int side) noexcept { return std::min(MaxBitmapDimension, side + std::max(32, side / 8)); }

}  // namespace

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  CheckSize(width, height);
  if (!width || !height) {
    NewImage(0, 0, nullptr);
    Changed();
    return;
  }
  if (FKeepsRoom && FBits && width <= FSectionWidth && height <= FSectionHeight &&
      static_cast<int64_t>(width) * height * 4 >= static_cast<int64_t>(FSectionWidth) * FSectionHeight) {
    // The section stays; what comes into the picture from the room is made white.
    GdiFlush();
    for (int y = 0; y < height; ++y) {
      const int from = y < FHeight ? FWidth : 0;
      if (from < width) std::memset(SectionRow(y) + from * 3, 0xFF, static_cast<size_t>(width - from) * 3);
    }
    FWidth = width;
    FHeight = height;
    Changed();
    return;
  }
  // A picture that has changed size once is likely to again: its new section gets room.
  const bool room = FKeepsRoom && FBits;
  const int sectionWidth = room ? WithRoom(width) : width;
  const int sectionHeight = room ? WithRoom(height) : height;
  TDibSection dib = CreateDibSection24(sectionWidth, sectionHeight);
  const int rowBytes = DibRowBytes(sectionWidth, 24);
  if (FBits) GdiFlush();
  const int w = FBits ? std::min(width, FWidth) : 0;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = dib.Bits + static_cast<size_t>(sectionHeight - 1 - y) * rowBytes;
    const int from = y < FHeight ? w : 0;
    if (from) std::memcpy(row, SectionRow(y), static_cast<size_t>(from) * 3);
    std::memset(row + from * 3, 0xFF, static_cast<size_t>(rowBytes - from * 3));
  }
  TakeDib(std::move(dib), width, height, sectionWidth, sectionHeight);
  Changed();
}

void TBitmap::SetKeepsRoom(bool value) {
  FKeepsRoom = value;
  if (!value) FitSection();
}

void TBitmap::FitSection() {
  if (!FBits || (FSectionWidth == FWidth && FSectionHeight == FHeight)) return;
  TDibSection dib = CreateDibSection24(FWidth, FHeight);
  CopyRowsTo(dib.Bits, DibRowBytes(FWidth, 24));
  TakeDib(std::move(dib), FWidth, FHeight);
}

void TBitmap::CopyRowsTo(uint8_t* dst, int dstRowBytes) const {
  if (!FBits) return;
  GdiFlush();
  if (FSectionHeight == FHeight && dstRowBytes == RowBytes()) {
    std::memcpy(dst, FBits, static_cast<size_t>(dstRowBytes) * FHeight);
    return;
  }
  const size_t bytes = static_cast<size_t>(FWidth) * 3;
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* row = dst + static_cast<size_t>(FHeight - 1 - y) * dstRowBytes;
    std::memcpy(row, SectionRow(y), bytes);
    std::memset(row + bytes, 0, dstRowBytes - bytes);
  }
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  TUniqueBitmap source(bitmap);  // ours now, whatever happens
  if (bitmap && bitmap == FHandle.Get()) {
    (void)source.Release();
    return;
  }
  if (!bitmap) {
    NewImage(0, 0, nullptr);
    Changed();
    return;
  }
  BITMAP info{};
  if (!GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight == 0)
    throw EInvalidGraphic("Bitmap image is not valid");
  int w = info.bmWidth, h = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  CheckSize(w, h);
  TDibSection dib = CreateDibSection24(w, h);
  BITMAPINFO bmi{};
  bmi.bmiHeader = DibHeader(w, h, 24);
  TWindowDC screen = TWindowDC::Client(nullptr);
  if (GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(h), dib.Bits, &bmi, DIB_RGB_COLORS) == 0)
    throw EInvalidGraphic("Bitmap image is not valid");
  TakeDib(std::move(dib), w, h);
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  FitSection();
  FreeCanvasContext();
  HBITMAP h = FHandle.Release();
  FBits = nullptr;
  FWidth = FHeight = FSectionWidth = FSectionHeight = 0;
  Changed();
  return h;
}

uint8_t* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= FHeight || !FBits) throw EInvalidGraphicOperation("Scan line index out of range");
  GdiFlush();
  return SectionRow(row);
}

const uint8_t* TBitmap::ScanLine(int row) const { return const_cast<TBitmap*>(this)->ScanLine(row); }

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format != pf24bit) throw EInvalidGraphicOperation("Unsupported pixel format: bitmaps are kept in 24-bit form");
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentColor != clDefault) return FTransparentColor;
  if (Empty()) return clNone;
  const uint8_t* p = ScanLine(FHeight - 1);
  return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
}

void TBitmap::SetTransparentColor(TColor color) {
  if (color == FTransparentColor) return;
  FTransparentColor = color;
  Changed();
}

void TBitmap::Assign(const TPersistent* source) {
  if (source == this) return;
  if (!source) {
    NewImage(0, 0, nullptr);
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<const TBitmap*>(source)) {
    if (b->Empty()) {
      NewImage(0, 0, nullptr);
    } else {
      TDibSection dib = CreateDibSection24(b->FWidth, b->FHeight);
      b->CopyRowsTo(dib.Bits, DibRowBytes(b->FWidth, 24));
      TakeDib(std::move(dib), b->FWidth, b->FHeight);
    }
    FTransparentColor = b->FTransparentColor;
    if (Transparent() != b->Transparent()) TGraphic::SetTransparent(b->Transparent());
    Changed();
    return;
  }
  if (auto* g = dynamic_cast<const TGraphic*>(source)) {
    NewImage(0, 0, nullptr);
    if (!g->Empty()) {
      NewImage(g->Width(), g->Height(), nullptr);
      g->Draw(*Canvas(), Bounds(0, 0, g->Width(), g->Height()));
    }
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::AssignDecoded(const TDecodedBmp& image) {
  if (image.Width <= 0 || image.Height <= 0 || image.RowBytes < image.Width * 3 ||
      image.Bits.size() < static_cast<size_t>(image.RowBytes) * static_cast<size_t>(image.Height))
    throw EInvalidGraphic("Bitmap image is not valid");
  NewImage(image.Width, image.Height, &image);
  Changed();
}

void TBitmap::LoadFromBuffer(const uint8_t* data, size_t size) {
  if (size == 0) {  // nothing stored: an empty bitmap
    NewImage(0, 0, nullptr);
    Changed();
    return;
  }
  // Decoded straight into the new DIB section, whose memory starts zeroed.
  TDibSection dib;
  int width = 0, height = 0;
  DecodeBmpTo(data, size, [&](int w, int h) {
    CheckSize(w, h);
    dib = CreateDibSection24(w, h);
    width = w;
    height = h;
    const ptrdiff_t rowBytes = DibRowBytes(w, 24);
    return TBmpRows{dib.Bits + (h - 1) * rowBytes, -rowBytes};
  });
  TakeDib(std::move(dib), width, height);
  Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
  int64_t remaining = stream.Size() - stream.Position();
  if (remaining <= 0) {
    LoadFromBuffer(nullptr, 0);
    return;
  }
  if (remaining > std::numeric_limits<int32_t>::max()) throw EInvalidGraphic("Bitmap image is not valid");
  // The file header's size tells where the picture ends when the stream holds more after it.
  uint8_t head[14];
  int64_t start = stream.Position();
  int32_t got = stream.Read(head, sizeof head);
  stream.SetPosition(start);
  int64_t count = remaining;
  if (got == 14 && head[0] == 'B' && head[1] == 'M') {
    uint32_t declared = static_cast<uint32_t>(head[2]) | (static_cast<uint32_t>(head[3]) << 8) |
                        (static_cast<uint32_t>(head[4]) << 16) | (static_cast<uint32_t>(head[5]) << 24);
    if (declared >= 14 + 12 && declared <= remaining) count = declared;
  }
  if (auto* memory = dynamic_cast<TCustomMemoryStream*>(&stream)) {
    // Decoded where it lies: no copy of the file image.
    LoadFromBuffer(static_cast<const uint8_t*>(memory->Memory()) + start, static_cast<size_t>(count));
    stream.SetPosition(start + count);
    return;
  }
  std::vector<uint8_t> data(static_cast<size_t>(count));
  stream.ReadBuffer(data.data(), static_cast<int32_t>(count));
  LoadFromBuffer(data.data(), data.size());
}

void TBitmap::SaveToStream(TStream& stream) const {
  if (Empty()) return;
  GdiFlush();
  const int rowBytes = DibRowBytes(FWidth, 24);
  uint32_t imageSize = static_cast<uint32_t>(rowBytes) * static_cast<uint32_t>(FHeight);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  fh.bfSize = fh.bfOffBits + imageSize;
  BITMAPINFOHEADER ih = DibHeader(FWidth, FHeight, 24);
  ih.biSizeImage = imageSize;
  stream.WriteBuffer(&fh, sizeof fh);
  stream.WriteBuffer(&ih, sizeof ih);
  if (rowBytes == RowBytes() && FSectionHeight == FHeight) {
    stream.WriteBuffer(FBits, static_cast<int32_t>(imageSize));
    return;
  }
  // The picture alone, out of the section's room.
  std::vector<uint8_t> rows(imageSize);
  CopyRowsTo(rows.data(), rowBytes);
  stream.WriteBuffer(rows.data(), static_cast<int32_t>(imageSize));
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const {
  if (Empty()) return;
  HDC dst = canvas.Handle();
  // A bitmap can be selected into one DC at a time: use the canvas's DC when it has one.
  TUniqueDC temp;
  HGDIOBJ oldBitmap = nullptr;
  HDC src;
  if (FCanvas && FCanvas->HandleAllocated()) {
    src = FCanvas->Handle();
  } else {
    temp.Reset(CreateCompatibleDC(dst));
    if (!temp) throw EOutOfMemory("Out of system resources");
    oldBitmap = SelectObject(temp.Get(), FHandle.Get());
    src = temp.Get();
  }
  int w = RectWidth(rect), h = RectHeight(rect);
  bool stretch = w != FWidth || h != FHeight;
  int oldMode = stretch ? SetStretchBltMode(dst, COLORONCOLOR) : 0;
  if (Transparent()) {
    TransparentBlt(dst, rect.left, rect.top, w, h, src, 0, 0, FWidth, FHeight,
                   ColorToColorRef(TransparentColor()));
  } else if (stretch) {
    StretchBlt(dst, rect.left, rect.top, w, h, src, 0, 0, FWidth, FHeight, canvas.CopyMode());
  } else {
    BitBlt(dst, rect.left, rect.top, w, h, src, 0, 0, canvas.CopyMode());
  }
  if (oldMode) SetStretchBltMode(dst, oldMode);
  if (temp && oldBitmap && oldBitmap != HGDI_ERROR) SelectObject(temp.Get(), oldBitmap);
}

}  // namespace korv
