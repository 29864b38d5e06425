// BMP reading: a plain decoder over a byte buffer. Every offset and size is checked against the
// buffer before use; anything that cannot be read safely raises EInvalidGraphic.
#include <algorithm>
#include <cstring>
#include <new>

#include "classlib/Graphics.h"

namespace korv {
namespace {

[[noreturn]] void Bad(const char* what) { throw EInvalidGraphic(std::string("Invalid bitmap: ") + what); }

// Little-endian reads inside [p, p + n).
struct TBytes {
  const uint8_t* P;
  size_t N;
  [[nodiscard]] bool Has(size_t off, size_t len) const noexcept { return off <= N && len <= N - off; }
  [[nodiscard]] uint8_t U8(size_t off) const {
    if (!Has(off, 1)) Bad("truncated data");
    return P[off];
  }
  [[nodiscard]] uint16_t U16(size_t off) const {
    if (!Has(off, 2)) Bad("truncated header");
    return static_cast<uint16_t>(P[off] | (P[off + 1] << 8));
  }
  [[nodiscard]] uint32_t U32(size_t off) const {
    if (!Has(off, 4)) Bad("truncated header");
    return static_cast<uint32_t>(P[off]) | (static_cast<uint32_t>(P[off + 1]) << 8) |
           (static_cast<uint32_t>(P[off + 2]) << 16) | (static_cast<uint32_t>(P[off + 3]) << 24);
  }
  [[nodiscard]] int32_t I32(size_t off) const { return static_cast<int32_t>(U32(off)); }
};

// Total pixels accepted: enough for any picture this library handles, small enough that a
// lying header cannot ask for gigabytes.
constexpr int64_t kMaxPixels = int64_t{1} << 26;

struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  int Bits = 0;
  static TChannel From(uint32_t mask) {
    TChannel c;
    c.Mask = mask;
    if (!mask) return c;
    while (!((mask >> c.Shift) & 1)) ++c.Shift;
    uint32_t m = mask >> c.Shift;
    while (m & 1) {
      ++c.Bits;
      m >>= 1;
    }
    if (m) Bad("bit field masks are not contiguous");
    return c;
  }
  // The channel scaled to 8 bits by bit replication (5-bit v becomes v << 3 | v >> 2).
  [[nodiscard]] uint8_t Get(uint32_t pixel) const noexcept {
    if (!Bits) return 0;
    uint32_t v = (pixel & Mask) >> Shift;
    if (Bits >= 8) return static_cast<uint8_t>(v >> (Bits - 8));
    uint32_t out = 0;
    int have = 0;
    while (have < 8) {
      out = (out << Bits) | v;
      have += Bits;
    }
    return static_cast<uint8_t>(out >> (have - 8));
  }
};

struct TRgb {
  uint8_t B, G, R;
};

class TDibReader {
 public:
  // info: the bitmap header onwards (to the end of the data); pixels: the pixel data, or nullptr
  // for a packed DIB (the pixels follow the header, masks and palette).
  TDibReader(TBytes info, const TBytes* pixels) : Info_(info) {
    ParseHeader();
    if (pixels) {
      Pixels_ = *pixels;
    } else {
      if (PixelStart_ > Info_.N) Bad("pixel data outside the data");
      Pixels_ = TBytes{Info_.P + PixelStart_, Info_.N - PixelStart_};
    }
  }

  TDecodedBmp Decode() {
    TDecodedBmp out;
    out.Width = Width_;
    out.Height = Height_;
    out.RowBytes = DibRowBytes(Width_, 24);
    try {
      out.Bits.assign(static_cast<size_t>(out.RowBytes) * static_cast<size_t>(Height_), 0);
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory");
    }
    DecodeTo(TBmpRows{out.Bits.data(), out.RowBytes});
    return out;
  }

  [[nodiscard]] int Width() const noexcept { return Width_; }
  [[nodiscard]] int Height() const noexcept { return Height_; }

  // Into rows of 24-bit pixels that start zeroed (pixels an RLE stream skips stay black).
  void DecodeTo(TBmpRows rows) {
    Out_ = rows;
    if (Compression_ == BI_RLE8 || Compression_ == BI_RLE4)
      DecodeRle();
    else
      DecodeRows();
  }

 private:
  void ParseHeader() {
    uint32_t hsize = Info_.U32(0);
    size_t paletteEntry = 4;
    size_t masksEnd = hsize;
    if (hsize == 12) {  // BITMAPCOREHEADER
      Width_ = Info_.U16(4);
      Height_ = Info_.U16(6);
      if (Info_.U16(8) != 1) Bad("plane count is not 1");
      Bpp_ = Info_.U16(10);
      Compression_ = BI_RGB;
      paletteEntry = 3;
    } else if (hsize == 40 || hsize == 52 || hsize == 56 || hsize == 108 || hsize == 124) {
      if (!Info_.Has(0, hsize)) Bad("truncated header");
      int32_t w = Info_.I32(4);
      int32_t h = Info_.I32(8);
      if (Info_.U16(12) != 1) Bad("plane count is not 1");
      Bpp_ = Info_.U16(14);
      Compression_ = Info_.U32(16);
      SizeImage_ = Info_.U32(20);
      ClrUsed_ = Info_.U32(32);
      if (w <= 0 || h == 0 || h == INT32_MIN) Bad("bad dimensions");
      Width_ = w;
      TopDown_ = h < 0;
      Height_ = h < 0 ? -h : h;
      if (Compression_ == BI_BITFIELDS) {
        size_t at = 40;
        if (hsize == 40) masksEnd = 52;  // three masks follow the header
        RMask_ = Info_.U32(at);
        GMask_ = Info_.U32(at + 4);
        BMask_ = Info_.U32(at + 8);
      }
    } else {
      Bad("unsupported header size");
    }
    if (Width_ <= 0 || Height_ <= 0) Bad("bad dimensions");
    if (Width_ > MaxBitmapDimension || Height_ > MaxBitmapDimension) Bad("dimensions too large");
    if (int64_t{Width_} * Height_ > kMaxPixels) Bad("dimensions too large");

    switch (Compression_) {
      case BI_RGB:
        if (Bpp_ != 1 && Bpp_ != 4 && Bpp_ != 8 && Bpp_ != 16 && Bpp_ != 24 && Bpp_ != 32) Bad("unsupported bit count");
        break;
      case BI_RLE8:
        if (Bpp_ != 8) Bad("RLE8 needs 8 bits per pixel");
        break;
      case BI_RLE4:
        if (Bpp_ != 4) Bad("RLE4 needs 4 bits per pixel");
        break;
      case BI_BITFIELDS:
        if (Bpp_ != 16 && Bpp_ != 32) Bad("bit fields need 16 or 32 bits per pixel");
        break;
      default:
        Bad("unsupported compression");
    }
    if ((Compression_ == BI_RLE8 || Compression_ == BI_RLE4) && TopDown_) Bad("compressed bitmaps cannot be top-down");

    if (Compression_ == BI_BITFIELDS) {
      R_ = TChannel::From(RMask_);
      G_ = TChannel::From(GMask_);
      B_ = TChannel::From(BMask_);
    } else if (Bpp_ == 16) {
      R_ = TChannel::From(0x7C00);
      G_ = TChannel::From(0x03E0);
      B_ = TChannel::From(0x001F);
    }

    // Palette: stored entries (ClrUsed, or 2^bpp when 0) for up to 8 bits per pixel; larger
    // depths may carry an optimisation palette that is skipped.
    size_t stored = 0;
    if (Bpp_ <= 8) {
      stored = ClrUsed_ ? ClrUsed_ : (1u << Bpp_);
      if (stored > 256) Bad("palette too large");
    } else if (hsize != 12) {
      stored = ClrUsed_;
      if (stored > 256) Bad("palette too large");
    }
    size_t palOff = masksEnd;
    if (!Info_.Has(palOff, stored * paletteEntry)) Bad("truncated palette");
    if (Bpp_ <= 8) {
      size_t used = std::min<size_t>(stored, size_t{1} << Bpp_);
      Palette_.resize(size_t{1} << Bpp_, TRgb{0, 0, 0});  // indexes past the palette are black
      for (size_t i = 0; i < used; ++i) {
        const uint8_t* e = Info_.P + palOff + i * paletteEntry;
        Palette_[i] = TRgb{e[0], e[1], e[2]};
      }
    }
    PixelStart_ = palOff + stored * paletteEntry;
  }

  [[nodiscard]] uint8_t* OutRow(int fileRow) const {
    int y = TopDown_ ? fileRow : Height_ - 1 - fileRow;
    return Out_.Top + static_cast<ptrdiff_t>(y) * Out_.Stride;
  }

  static void Put(uint8_t* px, TRgb c) noexcept {
    px[0] = c.B;
    px[1] = c.G;
    px[2] = c.R;
  }

  void DecodeRows() {
    uint64_t stride = ((uint64_t{static_cast<uint32_t>(Width_)} * Bpp_ + 31) / 32) * 4;
    uint64_t need = stride * static_cast<uint64_t>(Height_);
    if (need > Pixels_.N) Bad("truncated pixel data");
    for (int fr = 0; fr < Height_; ++fr) {
      const uint8_t* src = Pixels_.P + stride * static_cast<uint64_t>(fr);
      uint8_t* dst = OutRow(fr);
      switch (Bpp_) {
        case 1:
          for (int x = 0; x < Width_; ++x) Put(dst + 3 * x, Palette_[(src[x >> 3] >> (7 - (x & 7))) & 1]);
          break;
        case 4:
          for (int x = 0; x < Width_; ++x) Put(dst + 3 * x, Palette_[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]);
          break;
        case 8:
          for (int x = 0; x < Width_; ++x) Put(dst + 3 * x, Palette_[src[x]]);
          break;
        case 16:
          for (int x = 0; x < Width_; ++x) {
            uint32_t v = static_cast<uint32_t>(src[2 * x] | (src[2 * x + 1] << 8));
            Put(dst + 3 * x, TRgb{B_.Get(v), G_.Get(v), R_.Get(v)});
          }
          break;
        case 24:
          std::memcpy(dst, src, static_cast<size_t>(Width_) * 3);
          break;
        case 32:
          for (int x = 0; x < Width_; ++x) {
            const uint8_t* s = src + 4 * x;
            if (Compression_ == BI_BITFIELDS) {
              uint32_t v = static_cast<uint32_t>(s[0]) | (static_cast<uint32_t>(s[1]) << 8) |
                           (static_cast<uint32_t>(s[2]) << 16) | (static_cast<uint32_t>(s[3]) << 24);
              Put(dst + 3 * x, TRgb{B_.Get(v), G_.Get(v), R_.Get(v)});
            } else {
              Put(dst + 3 * x, TRgb{s[0], s[1], s[2]});
            }
          }
          break;
        default:
          Bad("unsupported bit count");
      }
    }
  }

  // RLE8/RLE4: pixels the stream skips stay black. The stream must end with its end-of-bitmap
  // code unless every row has been filled. The column stops at Width_: a long stream of runs and
  // deltas past the right edge cannot carry it round to a negative value.
  void DecodeRle() {
    size_t n = Pixels_.N;
    if (SizeImage_ && SizeImage_ < n) n = SizeImage_;
    const uint8_t* p = Pixels_.P;
    size_t i = 0;
    int x = 0, y = 0;  // y counts file rows (bottom-up)
    bool rle4 = Compression_ == BI_RLE4;
    auto put = [&](int index) {
      if (x >= Width_) return;
      Put(OutRow(y) + 3 * x, Palette_[static_cast<size_t>(index)]);
      ++x;
    };
    while (true) {
      if (y >= Height_) return;  // everything below the top row is done
      if (n - i < 2) Bad("truncated RLE data");
      uint8_t count = p[i], value = p[i + 1];
      i += 2;
      if (count) {
        for (int k = 0; k < count && x < Width_; ++k) put(rle4 ? ((k & 1) ? (value & 0xF) : (value >> 4)) : value);
        continue;
      }
      switch (value) {
        case 0:  // end of line
          x = 0;
          ++y;
          break;
        case 1:  // end of bitmap
          return;
        case 2: {  // delta
          if (n - i < 2) Bad("truncated RLE data");
          x = std::min(x + p[i], Width_);
          y += p[i + 1];
          i += 2;
          break;
        }
        default: {  // absolute run of `value` pixels, padded to a 16-bit boundary
          size_t bytes = rle4 ? (static_cast<size_t>(value) + 1) / 2 : value;
          size_t padded = (bytes + 1) & ~size_t{1};
          if (n - i < bytes) Bad("truncated RLE data");
          for (int k = 0; k < value; ++k) {
            uint8_t b = p[i + (rle4 ? k / 2 : k)];
            put(rle4 ? ((k & 1) ? (b & 0xF) : (b >> 4)) : b);
          }
          i += std::min(padded, n - i);
          break;
        }
      }
    }
  }

  TBytes Info_;
  TBytes Pixels_{nullptr, 0};
  int Width_ = 0;
  int Height_ = 0;
  bool TopDown_ = false;
  unsigned Bpp_ = 0;
  uint32_t Compression_ = BI_RGB;
  uint32_t SizeImage_ = 0;
  uint32_t ClrUsed_ = 0;
  uint32_t RMask_ = 0, GMask_ = 0, BMask_ = 0;
  TChannel R_, G_, B_;
  std::vector<TRgb> Palette_;
  size_t PixelStart_ = 0;
  TBmpRows Out_{nullptr, 0};
};

}  // namespace

namespace {
// The reader of a BMP file image: the headers checked, the pixels not yet decoded.
TDibReader FileReader(const uint8_t* data, size_t size) {
  if (!data || size < 14 + 12) Bad("truncated file header");
  TBytes file{data, size};
  if (data[0] != 'B' || data[1] != 'M') Bad("not a BMP file");
  uint32_t offBits = file.U32(10);
  TBytes info{data + 14, size - 14};
  uint32_t hsize = info.U32(0);
  if (offBits < 14 + static_cast<uint64_t>(hsize) || offBits > size) Bad("pixel data offset out of range");
  TBytes pixels{data + offBits, size - offBits};
  return TDibReader(info, &pixels);
}
}  // namespace

TDecodedBmp DecodeBmp(const uint8_t* data, size_t size) { return FileReader(data, size).Decode(); }

void DecodeBmpTo(const uint8_t* data, size_t size, const std::function<TBmpRows(int, int)>& target) {
  TDibReader reader = FileReader(data, size);
  reader.DecodeTo(target(reader.Width(), reader.Height()));
}

TDecodedBmp DecodePackedDib(const uint8_t* data, size_t size) {
  if (!data || size < 12) Bad("truncated header");
  return TDibReader(TBytes{data, size}, nullptr).Decode();
}

}  // namespace korv
