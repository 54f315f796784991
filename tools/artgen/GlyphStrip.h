// The banner's bitmap font: 59 cells of 13 x 22 pixels for the codes 32 to 90,
// blue capitals and figures on black, one indexed picture with its palette.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/artgen/Raster.h"

namespace kal::artgen {

constexpr int kCellWidth = 13;
constexpr int kCellHeight = 22;
constexpr int kFirstCode = 32;
constexpr int kLastCode = 90;
constexpr int kCellCount = kLastCode - kFirstCode + 1;  // 59
constexpr int kStripWidth = kCellCount * kCellWidth;    // 767

// Rows of a cell: capitals stand on the baseline under row 15 and reach row 4;
// nothing is inked above row 1 or below row 18.
constexpr int kCapTopRow = 4;
constexpr int kBaselineRow = 16;  // first row below the capitals
constexpr int kFirstInkRow = 1;
constexpr int kLastInkRow = 18;

struct GlyphStrip {
  std::vector<std::uint8_t> indices;  // kStripWidth * kCellHeight, rows top-down
  std::array<std::uint32_t, 256> palette{};
  Raster ToRaster() const;
};

// Renders the strip from a monospaced serif font file (a typewriter face).
// Throws std::runtime_error when the font cannot be read or does not fit the cells.
GlyphStrip DrawGlyphStrip(const std::string& fontPath);

}  // namespace kal::artgen
