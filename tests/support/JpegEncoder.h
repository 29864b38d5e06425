// JPEG pictures made in tests with libjpeg's compressor, for the decoders and loaders that read
// them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

namespace korv::test {

struct TEncodeOptions {
  J_COLOR_SPACE Space = JCS_RGB;
  int Components = 3;
  bool Progressive = false;
  int Quality = 95;
};

// Encodes width x height pixels; pixel(x, y, out) writes Components bytes (red first for RGB).
[[nodiscard]] std::vector<uint8_t> EncodeJpeg(int width, int height,
                                              const std::function<void(int, int, uint8_t*)>& pixel,
                                              const TEncodeOptions& options = {});

}  // namespace korv::test
