// TIcon: .ico data through a checked directory reader, drawn with DrawIconEx.
#include <cstdlib>
#include <cstring>
#include <limits>

#include "classlib/Graphics.h"

namespace korv {

KORV_DEFINE_CLASS(TIcon, TGraphic, [](TObject*) -> TObject* { return new TIcon(); }, nullptr);

namespace {

[[noreturn]] void BadIcon() { throw EInvalidGraphic("Invalid icon"); }

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// The DIB inside an icon image: header, palette, colour (XOR) bits and the 1-bit AND mask must
// all lie inside the image's bytes before the platform is given them.
bool ValidIconDib(const uint8_t* p, size_t n) {
  static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (n >= 8 && std::memcmp(p, kPng, 8) == 0) return false;  // PNG images are not read
  if (n < 40) return false;
  uint32_t hsize = Get32(p);
  if (hsize != 40 || n < hsize) return false;
  int32_t w = static_cast<int32_t>(Get32(p + 4));
  int32_t h2 = static_cast<int32_t>(Get32(p + 8));
  uint16_t planes = Get16(p + 12);
  uint16_t bpp = Get16(p + 14);
  uint32_t compression = Get32(p + 16);
  uint32_t clrUsed = Get32(p + 32);
  if (w <= 0 || w > 1024 || h2 <= 0 || h2 > 2048 || (h2 & 1) || planes != 1) return false;
  if (compression != BI_RGB) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  uint64_t colors = bpp <= 8 ? (clrUsed ? clrUsed : (1u << bpp)) : clrUsed;
  if (colors > 256) return false;
  uint64_t h = static_cast<uint64_t>(h2) / 2;
  uint64_t xorStride = ((static_cast<uint64_t>(w) * bpp + 31) / 32) * 4;
  uint64_t andStride = ((static_cast<uint64_t>(w) + 31) / 32) * 4;
  uint64_t need = hsize + colors * 4 + xorStride * h + andStride * h;
  return need <= n;
}

}  // namespace

TIconImageRef SelectIconImage(const uint8_t* data, size_t size, int wantWidth, int wantHeight) {
  if (!data || size < 6) BadIcon();
  if (Get16(data) != 0 || Get16(data + 2) != 1) BadIcon();
  size_t count = Get16(data + 4);
  if (count == 0 || size < 6 || (size - 6) / 16 < count) BadIcon();
  TIconImageRef best;
  long bestScore = std::numeric_limits<long>::max();
  int bestBpp = -1;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = data + 6 + i * 16;
    int w = e[0] ? e[0] : 256;
    int h = e[1] ? e[1] : 256;
    size_t bytes = Get32(e + 8);
    size_t offset = Get32(e + 12);
    if (offset > size || bytes > size - offset) BadIcon();
    if (!ValidIconDib(data + offset, bytes)) continue;
    int bpp = Get16(data + offset + 14);
    long score = std::labs(static_cast<long>(w) - wantWidth) + std::labs(static_cast<long>(h) - wantHeight);
    if (score < bestScore || (score == bestScore && bpp > bestBpp)) {
      bestScore = score;
      bestBpp = bpp;
      best = TIconImageRef{offset, bytes, w, h};
    }
  }
  if (bestBpp < 0) BadIcon();
  return best;
}

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::Changed() { TGraphic::Changed(); }

void TIcon::SetWidth(int width) {
  if (width != FWidth) throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::SetHeight(int height) {
  if (height != FHeight) throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::SetHandle(HICON icon) {
  TUniqueIcon taken(icon);
  if (icon && icon == FHandle.Get()) {
    (void)taken.Release();
    return;
  }
  int w = 0, h = 0;
  if (icon) {
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) throw EInvalidGraphic("Invalid icon");
    TUniqueBitmap color(ii.hbmColor), mask(ii.hbmMask);
    BITMAP bm{};
    if (color && GetObjectA(color.Get(), sizeof bm, &bm)) {
      w = bm.bmWidth;
      h = bm.bmHeight;
    } else if (mask && GetObjectA(mask.Get(), sizeof bm, &bm)) {
      w = bm.bmWidth;
      h = bm.bmHeight / 2;  // monochrome icons keep both masks in one bitmap
    }
  }
  FHandle = std::move(taken);
  FWidth = w;
  FHeight = h;
  FData.clear();
  Changed();
}

HICON TIcon::ReleaseHandle() {
  HICON h = FHandle.Release();
  FWidth = FHeight = 0;
  FData.clear();
  Changed();
  return h;
}

void TIcon::Assign(const TPersistent* source) {
  if (source == this) return;
  if (!source) {
    FHandle.Reset();
    FWidth = FHeight = 0;
    FData.clear();
    Changed();
    return;
  }
  if (auto* ic = dynamic_cast<const TIcon*>(source)) {
    TUniqueIcon copy;
    if (ic->FHandle) {
      copy.Reset(CopyIcon(ic->FHandle.Get()));
      if (!copy) throw EOutOfMemory("Out of system resources");
    }
    FHandle = std::move(copy);
    FWidth = ic->FWidth;
    FHeight = ic->FHeight;
    FData = ic->FData;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TIcon::LoadFromStream(TStream& stream) {
  int64_t remaining = stream.Size() - stream.Position();
  if (remaining <= 0) {
    Assign(nullptr);
    return;
  }
  if (remaining > (int64_t{64} << 20)) BadIcon();
  std::vector<uint8_t> data(static_cast<size_t>(remaining));
  stream.ReadBuffer(data.data(), static_cast<int32_t>(remaining));
  TIconImageRef ref =
      SelectIconImage(data.data(), data.size(), GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  TUniqueIcon icon(CreateIconFromResourceEx(data.data() + ref.Offset, static_cast<DWORD>(ref.Size), TRUE,
                                            0x00030000, ref.Width, ref.Height, LR_DEFAULTCOLOR));
  if (!icon) BadIcon();
  FHandle = std::move(icon);
  FWidth = ref.Width;
  FHeight = ref.Height;
  FData = std::move(data);
  Changed();
}

void TIcon::SaveToStream(TStream& stream) const {
  if (!FData.empty()) {
    stream.WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
    return;
  }
  if (!FHandle) return;
  // One 32-bit image with its AND mask, read back from the icon's bitmaps.
  ICONINFO ii{};
  if (!GetIconInfo(FHandle.Get(), &ii)) throw EInvalidGraphic("Invalid icon");
  TUniqueBitmap color(ii.hbmColor), mask(ii.hbmMask);
  int w = FWidth, h = FHeight;
  if (w <= 0 || h <= 0 || w > 256 || h > 256) throw EInvalidGraphic("Invalid icon");
  TWindowDC screen = TWindowDC::Client(nullptr);

  // A monochrome icon has no colour bitmap: its mask bitmap is twice as high, the AND mask on
  // top and the XOR (colour) mask below, that is the upper and the lower half of the bottom-up
  // rows. Its XOR half becomes the colour image.
  const int maskHeight = color ? h : 2 * h;
  if (!color && !mask) throw EInvalidGraphic("Invalid icon");
  std::vector<uint8_t> xorBits(static_cast<size_t>(w) * h * 4, 0);
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[2];
  } bi{};
  bi.h = DibHeader(w, maskHeight, 32);
  if (!GetDIBits(screen.Get(), color ? color.Get() : mask.Get(), 0, static_cast<UINT>(h), xorBits.data(),
                 reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS))
    throw EInvalidGraphic("Invalid icon");
  const int andStride = DibRowBytes(w, 1);
  std::vector<uint8_t> andBits(static_cast<size_t>(andStride) * h, 0);
  bi.h = DibHeader(w, maskHeight, 1);
  if (mask && !GetDIBits(screen.Get(), mask.Get(), static_cast<UINT>(maskHeight - h), static_cast<UINT>(h),
                         andBits.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS))
    throw EInvalidGraphic("Invalid icon");
  BITMAPINFOHEADER ih = DibHeader(w, h * 2, 32);
  uint32_t bytes = static_cast<uint32_t>(sizeof ih + xorBits.size() + andBits.size());
  uint8_t dir[6 + 16] = {};
  dir[2] = 1;
  dir[4] = 1;
  dir[6] = static_cast<uint8_t>(w & 0xFF);
  dir[7] = static_cast<uint8_t>(h & 0xFF);
  dir[10] = 1;
  dir[12] = 32;
  std::memcpy(dir + 14, &bytes, 4);
  uint32_t offset = sizeof dir;
  std::memcpy(dir + 18, &offset, 4);
  stream.WriteBuffer(dir, sizeof dir);
  stream.WriteBuffer(&ih, sizeof ih);
  stream.WriteBuffer(xorBits.data(), static_cast<int32_t>(xorBits.size()));
  stream.WriteBuffer(andBits.data(), static_cast<int32_t>(andBits.size()));
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) const {
  if (!FHandle) return;
  DrawIconEx(canvas.Handle(), rect.left, rect.top, FHandle.Get(), RectWidth(rect), RectHeight(rect), 0, nullptr,
             DI_NORMAL);
}

}  // namespace korv
