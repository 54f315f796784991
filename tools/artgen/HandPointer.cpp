// The hand is pixel art: at 32 x 32 with sixteen colours, placing each pixel
// by hand reads better than any scaled outline. Light comes from the upper
// left: dark grey outlines the lit sides, black the shadow sides, light grey
// shades the fingers' right halves.
#include "tools/artgen/HandPointer.h"

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kal::artgen {
namespace {

// The standard 16-colour palette, in its usual order.
constexpr std::array<std::uint32_t, 16> kStandardPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// . transparent  K black  D dark grey  L light grey  W white  N navy  B blue
// clang-format off
constexpr std::array<std::string_view, 32> kHand = {
    "................................",
    "...........DDD..................",
    "..........DWWWK.................",
    "..........DWWLK.................",
    "..........DWWLK.................",
    "..........DWWLK.................",
    "..........DWWLK.................",
    "..........DWWLK.................",
    "..........DWWLKDDD..............",
    "..........DWWLDWWWKDD...........",
    "..........DWWLDWWLDWWWKD........",
    "..........DWWLDWWLDWWLDWWK......",
    "..........DWWLDWWLDWWLDWLK......",
    "..........DWWWWWWWWWWWWWLK......",
    "....DDD...DWWWWWWWWWWWWWLK......",
    "...DWWWK..DWWWWWWWWWWWWWLK......",
    "...DWWWLK.DWWWWWWWWWWWWWLK......",
    "....DWWWLKDWWWWWWWWWWWWWLK......",
    ".....DWWWLWWWWWWWWWWWWWWLK......",
    "......DWWWWWWWWWWWWWWWWWLK......",
    ".......DWWWWWWWWWWWWWWWLLK......",
    "........DWWWWWWWWWWWWWWLK.......",
    ".........DWWWWWWWWWWWWLLK.......",
    "..........DWWWWWWWWWWLLK........",
    ".........DKKKKKKKKKKKKKK........",
    ".........KBBBBBBBBBBBBNK........",
    ".........KBNNNNNNNNNNNNK........",
    ".........KNNNNNNNNNNNNNK........",
    ".........KKKKKKKKKKKKKKK........",
    "................................",
    "................................",
    "................................",
};
// clang-format on

int PaletteIndexOf(char c) {
  switch (c) {
    case 'K':
      return 0;
    case 'N':
      return 4;
    case 'L':
      return 7;
    case 'D':
      return 8;
    case 'B':
      return 12;
    case 'W':
      return 15;
    default:
      throw std::logic_error(std::string("hand pointer: unknown pixel '") + c + "'");
  }
}

}  // namespace

IndexedIcon DrawHandPointer() {
  IndexedIcon icon;
  icon.size = 32;
  icon.bitsPerPixel = 4;
  icon.palette.assign(kStandardPalette.begin(), kStandardPalette.end());
  icon.indices.assign(32 * 32, 0);
  icon.transparent.assign(32 * 32, true);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      char c = kHand[std::size_t(y)][std::size_t(x)];
      if (c == '.') continue;
      icon.indices[std::size_t(y) * 32 + x] = static_cast<std::uint8_t>(PaletteIndexOf(c));
      icon.transparent[std::size_t(y) * 32 + x] = false;
    }
  }
  return icon;
}

}  // namespace kal::artgen
