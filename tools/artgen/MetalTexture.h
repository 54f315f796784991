// The brushed-metal strip tiled over the dialog's panels.
#pragma once

#include "tools/artgen/Raster.h"

namespace kal::artgen {

constexpr int kMetalWidth = 551;
constexpr int kMetalHeight = 20;

Raster DrawMetalTexture();

}  // namespace kal::artgen
