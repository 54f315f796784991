// Every picture the programs carry, drawn and encoded in its file format.
#pragma once

#include <string>
#include <vector>

#include "tools/artgen/Encoders.h"

namespace kal::artgen {

struct ArtFile {
  std::string name;  // file name, as assets/Assets.h knows it
  Bytes bytes;
};

// fontPath: the typewriter-style monospaced serif face for the glyph strip.
std::vector<ArtFile> MakeArtwork(const std::string& fontPath);

}  // namespace kal::artgen
