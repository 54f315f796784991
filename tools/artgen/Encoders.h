// File formats the windows load their pictures from. Every encoder is
// deterministic: the same picture always gives the same bytes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/artgen/Raster.h"

namespace kal::artgen {

using Bytes = std::vector<std::uint8_t>;

// JFIF, baseline sequential, three components, chroma sampled 2 x 2 (4:2:0).
Bytes EncodeJpeg(const Raster& picture, int quality);

// GIF89a, one frame, not interlaced, no transparency: `indices` (one byte per
// pixel, rows top-down) over a 256-entry global palette.
Bytes EncodeGif(int width, int height, const std::vector<std::uint8_t>& indices,
                const std::array<std::uint32_t, 256>& palette);

// Windows bitmap, 24 bits per pixel, uncompressed, rows bottom-up.
Bytes EncodeBmp24(const Raster& picture);

// The image of an icon or cursor as Windows stores it: BITMAPINFOHEADER (height
// doubled), palette, colour rows bottom-up, then the 1-bit AND mask (1 = the
// screen shows through). bitsPerPixel is 4 or 8; palette has 2^bitsPerPixel entries.
struct IndexedIcon {
  int size = 32;  // square
  int bitsPerPixel = 8;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<std::uint8_t> indices;   // size * size, rows top-down
  std::vector<bool> transparent;       // size * size, rows top-down
};
Bytes EncodeIconImage(const IndexedIcon& icon);

// A whole .ico file (type 1) or .cur file (type 2, with its hot spot) of one image.
Bytes EncodeIcoFile(const IndexedIcon& icon);
Bytes EncodeCurFile(const IndexedIcon& icon, int hotX, int hotY);

// The executable's icon group directory (RT_GROUP_ICON) naming one icon image
// (RT_ICON) by its resource id.
Bytes EncodeIconGroup(const IndexedIcon& icon, std::uint16_t imageId);

// PNG, for pictures meant for people (the contact sheet), not for the programs.
Bytes EncodePng(const Raster& picture);

}  // namespace kal::artgen
