// The Windows bitmap family, written byte by byte: .bmp, the icon/cursor image
// (a headerless DIB with its AND mask), .ico, .cur and the icon group directory.
#include <stdexcept>

#include "tools/artgen/Encoders.h"

namespace kal::artgen {
namespace {

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// BITMAPINFOHEADER (40 bytes).
void PutInfoHeader(Bytes& b, int width, int height, int bitsPerPixel, std::uint32_t imageSize,
                   std::uint32_t coloursUsed) {
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);  // planes
  Put16(b, static_cast<std::uint32_t>(bitsPerPixel));
  Put32(b, 0);  // BI_RGB
  Put32(b, imageSize);
  Put32(b, 3780);  // 96 dpi in pixels per metre
  Put32(b, 3780);
  Put32(b, coloursUsed);
  Put32(b, 0);  // all colours important
}

int RowStride(int width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }

Bytes IconDirectory(int type, const IndexedIcon& icon, std::uint16_t field4, std::uint16_t field6,
                    std::size_t imageBytes) {
  Bytes b;
  Put16(b, 0);
  Put16(b, static_cast<std::uint32_t>(type));
  Put16(b, 1);  // one image
  b.push_back(static_cast<std::uint8_t>(icon.size == 256 ? 0 : icon.size));
  b.push_back(static_cast<std::uint8_t>(icon.size == 256 ? 0 : icon.size));
  b.push_back(static_cast<std::uint8_t>(icon.bitsPerPixel >= 8 ? 0 : 1 << icon.bitsPerPixel));
  b.push_back(0);
  Put16(b, field4);  // icon: planes; cursor: hot spot x
  Put16(b, field6);  // icon: bits per pixel; cursor: hot spot y
  Put32(b, static_cast<std::uint32_t>(imageBytes));
  Put32(b, 6 + 16);  // the image follows the directory
  return b;
}

}  // namespace

Bytes EncodeBmp24(const Raster& picture) {
  const int stride = RowStride(picture.width, 24);
  const auto imageSize = static_cast<std::uint32_t>(stride * picture.height);
  Bytes b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, 14 + 40 + imageSize);
  Put32(b, 0);
  Put32(b, 14 + 40);
  PutInfoHeader(b, picture.width, picture.height, 24, imageSize, 0);
  for (int y = picture.height - 1; y >= 0; --y) {  // bottom-up
    std::size_t start = b.size();
    for (int x = 0; x < picture.width; ++x) {
      std::uint32_t p = picture.at(x, y);
      b.push_back(static_cast<std::uint8_t>(BlueOf(p)));
      b.push_back(static_cast<std::uint8_t>(GreenOf(p)));
      b.push_back(static_cast<std::uint8_t>(RedOf(p)));
    }
    b.resize(start + std::size_t(stride), 0);
  }
  return b;
}

Bytes EncodeIconImage(const IndexedIcon& icon) {
  const int n = icon.size;
  const int bpp = icon.bitsPerPixel;
  if ((bpp != 4 && bpp != 8) || icon.palette.size() != (1u << bpp) ||
      icon.indices.size() != std::size_t(n) * n || icon.transparent.size() != std::size_t(n) * n) {
    throw std::invalid_argument("icon image: inconsistent description");
  }
  const int colourStride = RowStride(n, bpp);
  const int maskStride = RowStride(n, 1);
  Bytes b;
  PutInfoHeader(b, n, 2 * n, bpp, static_cast<std::uint32_t>((colourStride + maskStride) * n),
                static_cast<std::uint32_t>(icon.palette.size()));
  for (std::uint32_t c : icon.palette) Put32(b, c & 0xFFFFFF);  // B, G, R, 0 in memory order
  for (int y = n - 1; y >= 0; --y) {
    Bytes row(std::size_t(colourStride), 0);
    for (int x = 0; x < n; ++x) {
      std::uint8_t idx = icon.transparent[std::size_t(y) * n + x] ? 0 : icon.indices[std::size_t(y) * n + x];
      if (bpp == 8) {
        row[std::size_t(x)] = idx;
      } else {
        row[std::size_t(x / 2)] |= static_cast<std::uint8_t>(x % 2 ? idx : idx << 4);
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  for (int y = n - 1; y >= 0; --y) {
    Bytes row(std::size_t(maskStride), 0);
    for (int x = 0; x < n; ++x) {
      if (icon.transparent[std::size_t(y) * n + x])
        row[std::size_t(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

Bytes EncodeIcoFile(const IndexedIcon& icon) {
  Bytes image = EncodeIconImage(icon);
  Bytes b = IconDirectory(1, icon, 1, static_cast<std::uint16_t>(icon.bitsPerPixel), image.size());
  b.insert(b.end(), image.begin(), image.end());
  return b;
}

Bytes EncodeCurFile(const IndexedIcon& icon, int hotX, int hotY) {
  Bytes image = EncodeIconImage(icon);
  Bytes b = IconDirectory(2, icon, static_cast<std::uint16_t>(hotX), static_cast<std::uint16_t>(hotY),
                          image.size());
  b.insert(b.end(), image.begin(), image.end());
  return b;
}

Bytes EncodeIconGroup(const IndexedIcon& icon, std::uint16_t imageId) {
  // GRPICONDIR followed by one GRPICONDIRENTRY: the file's directory entry with
  // the 32-bit file offset replaced by the 16-bit resource id.
  Bytes b =
      IconDirectory(1, icon, 1, static_cast<std::uint16_t>(icon.bitsPerPixel), EncodeIconImage(icon).size());
  b.resize(b.size() - 4);
  Put16(b, imageId);
  return b;
}

}  // namespace kal::artgen
