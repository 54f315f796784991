// One picture showing every piece of artwork enlarged, for people to judge.
#pragma once

#include <vector>

#include "tools/artgen/Artwork.h"
#include "tools/artgen/Raster.h"

namespace kal::artgen {

// Lays out the files as the programs will show them: each is read back with
// the programs' own decoders, so compression artefacts show too. Throws
// std::runtime_error when a file does not decode.
Raster DrawContactSheet(const std::vector<ArtFile>& files);

}  // namespace kal::artgen
