// TJPEGImage: a JPEG picture decoded by libjpeg into a 24-bit bitmap. The original JPEG bytes
// are kept, so saving writes back exactly what was loaded.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/Graphics.h"

namespace korv {

// Decodes a JPEG image (baseline or progressive; grey, YCbCr, RGB, CMYK or YCCK) into 24-bit
// top-down rows. Raises EInvalidGraphic with libjpeg's message for data it cannot decode;
// never exits the process and never reads outside [data, data + size).
[[nodiscard]] TDecodedBmp DecodeJpeg(const uint8_t* data, size_t size);

class TJPEGImage : public TGraphic {
  KORV_CLASS(TJPEGImage, TGraphic)
 public:
  TJPEGImage();
  ~TJPEGImage() override;

  [[nodiscard]] bool Empty() const override { return FData.empty(); }
  [[nodiscard]] int Width() const override;
  [[nodiscard]] int Height() const override;
  // The size comes from the JPEG data: setting another one raises EInvalidGraphicOperation
  // "Cannot change the size of a JPEG image".
  void SetWidth(int width) override;
  void SetHeight(int height) override;

  // Copies a TJPEGImage (bytes and decoded picture); nullptr empties it.
  void Assign(const TPersistent* source) override;
  // Reads the rest of the stream as JPEG data and decodes it at once; on an error the picture is
  // left as it was. An empty rest gives an empty picture.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;  // the original JPEG bytes
  void LoadFromBuffer(const uint8_t* data, size_t size);

  // The decoded picture (empty while the image is empty).
  [[nodiscard]] const TBitmap& Bitmap() const noexcept { return *FBitmap; }
  [[nodiscard]] const std::vector<uint8_t>& Data() const noexcept { return FData; }

  void Draw(TCanvas& canvas, const TRect& rect) const override;

 private:
  std::vector<uint8_t> FData;
  std::unique_ptr<TBitmap> FBitmap;
};

}  // namespace korv
