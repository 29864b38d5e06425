// JPEG decoding over libjpeg. libjpeg reports errors through error_exit, which must not return:
// ours longjmps back into the two small functions below, which hold no C++ objects, and the
// error then leaves as EInvalidGraphic from ordinary C++ code.
#include "classlib/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace korv {

KORV_DEFINE_CLASS(TJPEGImage, TGraphic, [](TObject*) -> TObject* { return new TJPEGImage(); }, nullptr);

namespace {

struct TJpegError {
  jpeg_error_mgr Mgr;  // first: libjpeg sees a jpeg_error_mgr*
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<TJpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->Message);
  longjmp(e->Jump, 1);
}

// Warnings are ignored, except running out of data: a truncated file is an error rather than a
// picture with a grey bottom.
extern "C" void JpegEmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) JpegErrorExit(cinfo);
}

extern "C" void JpegOutputMessage(j_common_ptr) {}

struct TJpegDecoder {
  jpeg_decompress_struct Info;
  TJpegError Err;
  bool Created;
  bool Cmyk;
  bool Inverted;
};

// Phase 1: create the decompressor, read the header, choose the output colour space.
bool JpegReadHeader(TJpegDecoder* d, const uint8_t* data, size_t size) {
  if (setjmp(d->Err.Jump)) return false;
  jpeg_create_decompress(&d->Info);
  d->Created = true;
  jpeg_mem_src(&d->Info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d->Info, TRUE);
  switch (d->Info.jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK:
      d->Info.out_color_space = JCS_CMYK;
      d->Cmyk = true;
      d->Inverted = d->Info.saw_Adobe_marker != 0;
      break;
    default:
      d->Info.out_color_space = JCS_EXT_BGR;
      break;
  }
  jpeg_calc_output_dimensions(&d->Info);
  return true;
}

// Phase 2: decode every row into out (top-down, rowBytes apart); CMYK rows go through scratch.
bool JpegReadPixels(TJpegDecoder* d, uint8_t* out, size_t rowBytes, uint8_t* scratch) {
  if (setjmp(d->Err.Jump)) return false;
  jpeg_start_decompress(&d->Info);
  while (d->Info.output_scanline < d->Info.output_height) {
    JDIMENSION y = d->Info.output_scanline;
    JSAMPROW row = d->Cmyk ? scratch : out + y * rowBytes;
    if (jpeg_read_scanlines(&d->Info, &row, 1) != 1) ERREXIT(&d->Info, JERR_INPUT_EMPTY);
    if (d->Cmyk) {
      uint8_t* dst = out + y * rowBytes;
      for (JDIMENSION x = 0; x < d->Info.output_width; ++x) {
        unsigned c = scratch[4 * x], m = scratch[4 * x + 1], ye = scratch[4 * x + 2], k = scratch[4 * x + 3];
        if (!d->Inverted) {
          c = 255 - c;
          m = 255 - m;
          ye = 255 - ye;
          k = 255 - k;
        }
        dst[3 * x + 0] = static_cast<uint8_t>(ye * k / 255);
        dst[3 * x + 1] = static_cast<uint8_t>(m * k / 255);
        dst[3 * x + 2] = static_cast<uint8_t>(c * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&d->Info);
  return true;
}

class TJpegSession {
 public:
  TJpegSession() : D_(new TJpegDecoder) {
    std::memset(D_.get(), 0, sizeof(TJpegDecoder));
    D_->Info.err = jpeg_std_error(&D_->Err.Mgr);
    D_->Err.Mgr.error_exit = JpegErrorExit;
    D_->Err.Mgr.emit_message = JpegEmitMessage;
    D_->Err.Mgr.output_message = JpegOutputMessage;
  }
  ~TJpegSession() {
    if (D_->Created) jpeg_destroy_decompress(&D_->Info);
  }
  TJpegSession(const TJpegSession&) = delete;
  TJpegSession& operator=(const TJpegSession&) = delete;
  TJpegDecoder* operator->() const noexcept { return D_.get(); }
  TJpegDecoder* Get() const noexcept { return D_.get(); }
  [[noreturn]] void Fail() const { throw EInvalidGraphic(std::string("JPEG error: ") + D_->Err.Message); }

 private:
  std::unique_ptr<TJpegDecoder> D_;
};

}  // namespace

TDecodedBmp DecodeJpeg(const uint8_t* data, size_t size) {
  if (!data || size < 4) throw EInvalidGraphic("JPEG error: not a JPEG file");
  if (size > std::numeric_limits<unsigned long>::max() / 2) throw EInvalidGraphic("JPEG error: data too large");
  TJpegSession s;
  if (!JpegReadHeader(s.Get(), data, size)) s.Fail();
  JDIMENSION w = s->Info.output_width, h = s->Info.output_height;
  if (w == 0 || h == 0 || w > static_cast<JDIMENSION>(MaxBitmapDimension) ||
      h > static_cast<JDIMENSION>(MaxBitmapDimension) || uint64_t{w} * h > (uint64_t{1} << 26))
    throw EInvalidGraphic("JPEG error: image dimensions out of range");
  if (s->Info.output_components != (s->Cmyk ? 4 : 3)) throw EInvalidGraphic("JPEG error: unsupported colour format");
  TDecodedBmp out;
  out.Width = static_cast<int>(w);
  out.Height = static_cast<int>(h);
  out.RowBytes = DibRowBytes(out.Width, 24);
  std::vector<uint8_t> scratch;
  try {
    out.Bits.assign(static_cast<size_t>(out.RowBytes) * h, 0);
    if (s->Cmyk) scratch.assign(static_cast<size_t>(w) * 4, 0);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
  if (!JpegReadPixels(s.Get(), out.Bits.data(), static_cast<size_t>(out.RowBytes), scratch.data())) s.Fail();
  return out;
}

// ---------------------------------------------------------------------------------------------
// TJPEGImage

TJPEGImage::TJPEGImage() : FBitmap(std::make_unique<TBitmap>()) {}
TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::Width() const { return FBitmap->Width(); }
int TJPEGImage::Height() const { return FBitmap->Height(); }

void TJPEGImage::SetWidth(int width) {
  if (width != Width()) throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetHeight(int height) {
  if (height != Height()) throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::Assign(const TPersistent* source) {
  if (source == this) return;
  if (!source) {
    FData.clear();
    FBitmap->Assign(nullptr);
    Changed();
    return;
  }
  if (auto* j = dynamic_cast<const TJPEGImage*>(source)) {
    FBitmap->Assign(j->FBitmap.get());
    FData = j->FData;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TJPEGImage::LoadFromBuffer(const uint8_t* data, size_t size) {
  if (size == 0) {
    Assign(nullptr);
    return;
  }
  TDecodedBmp image = DecodeJpeg(data, size);
  std::vector<uint8_t> bytes(data, data + size);
  FBitmap->AssignDecoded(image);
  FData = std::move(bytes);
  Changed();
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  int64_t remaining = stream.Size() - stream.Position();
  if (remaining <= 0) {
    Assign(nullptr);
    return;
  }
  if (remaining > std::numeric_limits<int32_t>::max()) throw EInvalidGraphic("JPEG error: data too large");
  std::vector<uint8_t> data(static_cast<size_t>(remaining));
  stream.ReadBuffer(data.data(), static_cast<int32_t>(remaining));
  LoadFromBuffer(data.data(), data.size());
}

void TJPEGImage::SaveToStream(TStream& stream) const {
  if (!FData.empty()) stream.WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) const {
  if (FBitmap->Empty()) return;
  FBitmap->Draw(canvas, rect);
}

}  // namespace korv
