// Reduces a picture to an indexed one of at most 256 colours.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/artgen/Raster.h"

namespace kal::artgen {

struct Indexed {
  std::vector<std::uint32_t> palette;  // exactly 256 entries; unused ones black
  std::vector<std::uint8_t> indices;   // one per pixel
};

// Keeps every colour when there are at most 256 of them; otherwise splits the
// colour box with the most pixels at its longest side (median cut) and maps
// each pixel to the nearest resulting colour.
Indexed QuantizeTo256(const Raster& picture);

}  // namespace kal::artgen
