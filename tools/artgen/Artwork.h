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

// The program icon for desktops that take PNGs (the Linux package's hicolor
// theme): kalvessa-<size>.png at each of kIconPngSizes, the icon's moment
// drawn afresh at that size, in full colour.
inline constexpr int kIconPngSizes[] = {32, 48, 64, 128, 256};
std::vector<ArtFile> MakeIconPngs();

}  // namespace kal::artgen
