#include "support/JpegEncoder.h"

#include <cstdlib>

namespace korv::test {

std::vector<uint8_t> EncodeJpeg(int width, int height, const std::function<void(int, int, uint8_t*)>& pixel,
                                const TEncodeOptions& o) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = o.Components;
  c.in_color_space = o.Space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, o.Quality, TRUE);
  if (o.Progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * o.Components);
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < width; ++x) pixel(x, static_cast<int>(c.next_scanline), &row[static_cast<size_t>(x) * o.Components]);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> out(mem, mem + size);
  jpeg_destroy_compress(&c);
  free(mem);
  return out;
}

}  // namespace korv::test
