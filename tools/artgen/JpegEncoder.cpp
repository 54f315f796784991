// JPEG through libjpeg-turbo with fixed settings, so output bytes are stable.
#include <cstdio>  // jpeglib.h needs size_t and FILE declared first
#include <cstdlib>
#include <stdexcept>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "tools/artgen/Encoders.h"

namespace kal::artgen {
namespace {

[[noreturn]] void ThrowOnError(j_common_ptr cinfo) {
  char message[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, message);
  throw std::runtime_error(std::string("JPEG encoder: ") + message);
}

}  // namespace

Bytes EncodeJpeg(const Raster& picture, int quality) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jerr.error_exit = ThrowOnError;
  jpeg_create_compress(&cinfo);

  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  Bytes out;
  try {
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);  // TRUE: 8-bit tables, so the file stays baseline
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = TRUE;
    // 4:2:0: luma 2 x 2, both chroma components 1 x 1.
    cinfo.comp_info[0].h_samp_factor = 2;
    cinfo.comp_info[0].v_samp_factor = 2;
    for (int c = 1; c < 3; ++c) {
      cinfo.comp_info[c].h_samp_factor = 1;
      cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.write_JFIF_header = TRUE;
    cinfo.density_unit = 1;  // dots per inch
    cinfo.X_density = 96;
    cinfo.Y_density = 96;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(std::size_t(picture.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
      int y = static_cast<int>(cinfo.next_scanline);
      for (int x = 0; x < picture.width; ++x) {
        std::uint32_t p = picture.at(x, y);
        row[std::size_t(x) * 3 + 0] = static_cast<JSAMPLE>(RedOf(p));
        row[std::size_t(x) * 3 + 1] = static_cast<JSAMPLE>(GreenOf(p));
        row[std::size_t(x) * 3 + 2] = static_cast<JSAMPLE>(BlueOf(p));
      }
      JSAMPROW rows[1] = {row.data()};
      jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    out.assign(buffer, buffer + size);
  } catch (...) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    throw;
  }
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

}  // namespace kal::artgen
