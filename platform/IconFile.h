// Icons and cursors (.ico and .cur files): the first image of the file as
// ARGB pixels with its hot spot, for window systems that build their own
// cursor or icon from pixels (X11's Xcursor reads no .cur files).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kal {

struct IconImage {
  int width = 0;
  int height = 0;
  int hotX = 0;  // a cursor's hot spot; an icon's centre
  int hotY = 0;
  bool isCursor = false;
  int bitsPerPixel = 0;  // of the stored colour image
  // 0xAARRGGBB, rows top-down, not premultiplied: alpha 0 where the mask lets
  // the screen show through, 255 elsewhere (or the image's own alpha at 32 bits).
  std::vector<std::uint32_t> argb;
};

using IconImageRef = std::shared_ptr<const IconImage>;

// Reads a .ico (type 1) or .cur (type 2) file holding uncompressed bitmaps of
// 1, 4, 8, 24 or 32 bits per pixel. Returns nullptr for anything else, and for
// damaged or truncated files.
IconImageRef DecodeIconFile(std::span<const std::uint8_t> bytes);

}  // namespace kal
