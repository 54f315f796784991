// PNG through stb_image_write, into memory.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "tools/artgen/Encoders.h"

namespace kal::artgen {
namespace {

void Append(void* context, void* data, int size) {
  auto* out = static_cast<Bytes*>(context);
  auto* p = static_cast<std::uint8_t*>(data);
  out->insert(out->end(), p, p + size);
}

}  // namespace

Bytes EncodePng(const Raster& picture) {
  std::vector<std::uint8_t> rgb(std::size_t(picture.width) * picture.height * 3);
  for (std::size_t i = 0; i < picture.px.size(); ++i) {
    rgb[i * 3 + 0] = static_cast<std::uint8_t>(RedOf(picture.px[i]));
    rgb[i * 3 + 1] = static_cast<std::uint8_t>(GreenOf(picture.px[i]));
    rgb[i * 3 + 2] = static_cast<std::uint8_t>(BlueOf(picture.px[i]));
  }
  Bytes out;
  stbi_write_png_to_func(Append, &out, picture.width, picture.height, 3, rgb.data(), picture.width * 3);
  return out;
}

}  // namespace kal::artgen
