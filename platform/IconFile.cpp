// The layout read here: a 6-byte directory header, 16-byte entries, and for
// each image a BITMAPINFOHEADER whose height counts the colour rows and the
// AND-mask rows together, a palette, the colour rows bottom-up and the 1-bit
// mask rows bottom-up (1 = transparent). Every offset is checked against the data.
#include "platform/IconFile.h"

namespace kal {
namespace {

std::uint32_t Read16(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8);
}
std::uint32_t Read32(std::span<const std::uint8_t> b, std::size_t at) {
  return Read16(b, at) | (Read16(b, at + 2) << 16);
}

std::size_t Stride(int width, int bitsPerPixel) {
  return (static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

}  // namespace

IconImageRef DecodeIconFile(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 6 + 16) return nullptr;
  const std::uint32_t type = Read16(bytes, 2);
  if (Read16(bytes, 0) != 0 || (type != 1 && type != 2) || Read16(bytes, 4) == 0) return nullptr;

  const std::size_t entry = 6;
  const std::uint32_t imageSize = Read32(bytes, entry + 8);
  const std::uint32_t offset = Read32(bytes, entry + 12);
  if (offset > bytes.size() || imageSize > bytes.size() - offset || imageSize < 40) return nullptr;
  std::span<const std::uint8_t> dib = bytes.subspan(offset, imageSize);

  const std::uint32_t headerSize = Read32(dib, 0);
  const auto width = static_cast<std::int32_t>(Read32(dib, 4));
  const auto doubledHeight = static_cast<std::int32_t>(Read32(dib, 8));
  const int bpp = static_cast<int>(Read16(dib, 14));
  const std::uint32_t compression = Read32(dib, 16);
  std::uint32_t coloursUsed = Read32(dib, 32);
  if (headerSize < 40 || headerSize > dib.size() || compression != 0) return nullptr;
  if (width <= 0 || width > 256 || doubledHeight <= 0 || doubledHeight % 2 || doubledHeight / 2 > 256)
    return nullptr;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return nullptr;
  const int height = doubledHeight / 2;

  std::size_t paletteCount = 0;
  if (bpp <= 8) {
    const std::uint32_t max = 1u << bpp;
    if (coloursUsed == 0) coloursUsed = max;
    if (coloursUsed > max) return nullptr;
    paletteCount = coloursUsed;
  }
  const std::size_t paletteAt = headerSize;
  const std::size_t colourAt = paletteAt + paletteCount * 4;
  const std::size_t colourStride = Stride(width, bpp);
  const std::size_t maskAt = colourAt + colourStride * height;
  const std::size_t maskStride = Stride(width, 1);
  // A 32-bit image may leave the mask out; every other depth needs it.
  const bool hasMask = maskAt + maskStride * height <= dib.size();
  if (maskAt > dib.size() || (!hasMask && bpp != 32)) return nullptr;

  auto image = std::make_shared<IconImage>();
  image->width = width;
  image->height = height;
  image->bitsPerPixel = bpp;
  image->isCursor = type == 2;
  if (image->isCursor) {
    image->hotX = static_cast<int>(Read16(bytes, entry + 4));
    image->hotY = static_cast<int>(Read16(bytes, entry + 6));
  } else {
    image->hotX = width / 2;
    image->hotY = height / 2;
  }
  image->argb.resize(static_cast<std::size_t>(width) * height);

  bool anyAlpha = false;
  for (int row = 0; row < height; ++row) {
    const std::size_t line = colourAt + colourStride * (height - 1 - row);  // bottom-up
    for (int x = 0; x < width; ++x) {
      std::uint32_t rgb = 0, alpha = 0xFF;
      if (bpp <= 8) {
        const std::size_t bit = static_cast<std::size_t>(x) * bpp;
        const std::uint32_t byte = dib[line + bit / 8];
        const std::uint32_t index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (index >= paletteCount) return nullptr;
        rgb = Read32(dib, paletteAt + std::size_t{index} * 4) & 0xFFFFFF;
      } else {
        const std::size_t at = line + static_cast<std::size_t>(x) * (bpp / 8);
        rgb = (std::uint32_t{dib[at + 2]} << 16) | (std::uint32_t{dib[at + 1]} << 8) | dib[at];
        if (bpp == 32) {
          alpha = dib[at + 3];
          anyAlpha = anyAlpha || alpha != 0;
        }
      }
      image->argb[static_cast<std::size_t>(row) * width + x] = (alpha << 24) | rgb;
    }
  }
  // At 32 bits an all-zero alpha channel means the mask decides, as for the other depths.
  if (bpp == 32 && anyAlpha) return image;
  for (int row = 0; row < height; ++row) {
    const std::size_t line = maskAt + maskStride * (height - 1 - row);
    for (int x = 0; x < width; ++x) {
      std::uint32_t& px = image->argb[static_cast<std::size_t>(row) * width + x];
      const bool transparent = hasMask && (dib[line + x / 8] >> (7 - x % 8)) & 1;
      px = transparent ? 0 : (px | 0xFF000000u);
    }
  }
  return image;
}

}  // namespace kal
