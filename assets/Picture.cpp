// Pictures are decoded with stb_image, limited to the formats the programs carry.
#include "assets/Picture.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "assets/Assets.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#include <stb_image.h>

namespace kal {

namespace {

// stb_image fills a bitmap whose rows run past the end of the data with black;
// such a file is damaged, so it is refused here instead.
bool BitmapIsTruncated(std::span<const std::uint8_t> b) {
  if (b.size() < 2 || b[0] != 'B' || b[1] != 'M') return false;
  if (b.size() < 34) return true;
  auto le32 = [&](std::size_t at) {
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) |
           (std::uint32_t{b[at + 3]} << 24);
  };
  const std::uint32_t pixelsAt = le32(10), compression = le32(30);
  const std::uint32_t bpp = std::uint32_t{b[28]} | (std::uint32_t{b[29]} << 8);
  const auto width = static_cast<std::int32_t>(le32(18)), height = static_cast<std::int32_t>(le32(22));
  if (compression != 0) return false;  // stb reads what it can; nothing to measure here
  const std::uint64_t stride = (std::uint64_t(width < 0 ? -std::int64_t(width) : width) * bpp + 31) / 32 * 4;
  const std::uint64_t rows = height < 0 ? std::uint64_t(-std::int64_t(height)) : std::uint64_t(height);
  return std::uint64_t(pixelsAt) + stride * rows > b.size();
}

// The stb_image shipped with Debian 12 writes past its tables when a Huffman
// table declares more than 256 codes, and decodes a scan with whatever memory
// holds for a Huffman or quantization table the file never defined (reading
// out of bounds when that memory looks like a table). A JPEG with such a
// table is damaged; every segment of the file, between scans too, is checked
// first, in the order the decoder meets them.
bool JpegTablesAreUnusable(std::span<const std::uint8_t> b) {
  // The decoder takes fill bytes before the start-of-image marker as well.
  std::size_t at = 0;
  while (at < b.size() && b[at] == 0xFF) ++at;
  if (at == 0 || at == b.size() || b[at] != 0xD8) return false;
  ++at;
  auto byteAt = [&](std::size_t i) { return i < b.size() ? b[i] : std::uint8_t{0}; };
  bool huffman[2][4] = {}, quant[4] = {};  // defined so far: [DC, AC][slot], [slot]
  std::uint8_t componentQuant[256] = {};   // the frame's quantization slot by component id
  bool inFrame[256] = {}, progressive = false;
  while (at + 1 < b.size()) {
    if (b[at] != 0xFF) {  // entropy-coded data: skip to the next marker
      ++at;
      continue;
    }
    const std::uint8_t marker = b[at + 1];
    if (marker == 0x00 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD8) || marker == 0x01) {
      at += marker == 0xFF ? 1 : 2;  // stuffed byte, fill byte, restart or lone marker
      continue;
    }
    if (marker == 0xD9) return false;  // end of image
    if (at + 4 > b.size()) return false;
    const std::size_t length = (std::size_t{b[at + 2]} << 8) | b[at + 3];
    const std::size_t end = at + 2 + length;
    if (marker == 0xC4) {
      // Read as the decoder reads it: table after table while the segment's
      // length lasts, a table's counts taken even past that length.
      for (std::size_t p = at + 4; p < end && p < b.size();) {
        std::size_t codes = 0;
        for (std::size_t i = 1; i <= 16; ++i) codes += byteAt(p + i);
        if (codes > 256) return true;
        if ((b[p] >> 4) < 2 && (b[p] & 15) < 4) huffman[b[p] >> 4][b[p] & 15] = true;
        p += 17 + codes;
      }
    } else if (marker == 0xDB) {
      for (std::size_t p = at + 4; p < end && p < b.size(); p += (b[p] >> 4) ? 129 : 65) {
        if ((b[p] & 15) < 4) quant[b[p] & 15] = true;
      }
    } else if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
      progressive = marker == 0xC2;
      const std::size_t n = byteAt(at + 9);
      for (std::size_t c = 0; c < n; ++c) {
        const std::uint8_t id = byteAt(at + 10 + 3 * c);
        inFrame[id] = true;
        componentQuant[id] = byteAt(at + 12 + 3 * c) & 15;
      }
    } else if (marker == 0xDA) {
      const std::size_t n = byteAt(at + 4);
      const bool dcScan = !progressive || byteAt(at + 5 + 2 * n) == 0;  // spectral start 0
      const bool acScan = !progressive || !dcScan;
      for (std::size_t c = 0; c < n; ++c) {
        const std::uint8_t id = byteAt(at + 5 + 2 * c), tables = byteAt(at + 6 + 2 * c);
        const std::size_t dc = tables >> 4, ac = tables & 15, q = componentQuant[id];
        if (!inFrame[id] || q > 3 || !quant[q]) return true;
        if ((dcScan && (dc > 3 || !huffman[0][dc])) || (acScan && (ac > 3 || !huffman[1][ac]))) return true;
      }
    }
    at += 2 + std::max<std::size_t>(length, 2);
  }
  return false;
}

}  // namespace

PictureRef DecodePicture(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    return nullptr;
  if (BitmapIsTruncated(bytes) || JpegTablesAreUnusable(bytes)) return nullptr;
  int w = 0, h = 0, channels = 0;
  // The size the header declares decides what the decoder allocates, before
  // any pixel is read: a kilobyte could otherwise claim gigabytes.
  if (!stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels) ||
      static_cast<std::int64_t>(w) * h > kMaxPicturePixels)
    return nullptr;
  stbi_uc* rgb = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 3);
  if (!rgb) return nullptr;
  // A bitmap may declare no rows or columns and still be read: no picture.
  if (w <= 0 || h <= 0) {
    stbi_image_free(rgb);
    return nullptr;
  }
  std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < px.size(); ++i) {
    px[i] = (std::uint32_t{rgb[i * 3]} << 16) | (std::uint32_t{rgb[i * 3 + 1]} << 8) | rgb[i * 3 + 2];
  }
  stbi_image_free(rgb);
  return std::make_shared<const Picture>(w, h, std::move(px));
}

PictureRef LoadPicture(std::string_view assetName) {
  std::span<const std::uint8_t> bytes = assets::Find(assetName);
  return bytes.empty() ? nullptr : DecodePicture(bytes);
}

}  // namespace kal
