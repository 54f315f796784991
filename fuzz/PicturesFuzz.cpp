// The picture decoders: the same bytes go to the picture decoder (JPEG, GIF,
// bitmap) and to the icon and cursor reader, each refusing the other's files.
//
// Properties: any input decodes to nothing or to a picture whose size and
// pixels agree, with no byte read or written outside its buffers (the
// sanitizers) and no allocation out of proportion (libFuzzer's memory limit).
#include <cstdint>
#include <span>

#include "assets/Picture.h"
#include "fuzz/FuzzCheck.h"
#include "platform/IconFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  if (kal::PictureRef picture = kal::DecodePicture(bytes)) {
    KAL_FUZZ_CHECK(picture->width() > 0 && picture->height() > 0);
    KAL_FUZZ_CHECK(picture->pixels().size() ==
                   std::size_t(picture->width()) * std::size_t(picture->height()));
    for (std::uint32_t px : picture->pixels()) KAL_FUZZ_CHECK(px <= 0xFFFFFF);
  }

  if (kal::IconImageRef icon = kal::DecodeIconFile(bytes)) {
    KAL_FUZZ_CHECK(icon->width >= 1 && icon->width <= 256 && icon->height >= 1 && icon->height <= 256);
    KAL_FUZZ_CHECK(icon->argb.size() == std::size_t(icon->width) * std::size_t(icon->height));
    const int bpp = icon->bitsPerPixel;
    KAL_FUZZ_CHECK(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32);
    // Alpha is all or nothing except where the image brings its own.
    if (bpp != 32) {
      for (std::uint32_t px : icon->argb) KAL_FUZZ_CHECK(px >> 24 == 0 || px >> 24 == 0xFF);
    }
  }
  return 0;
}
