// Pictures of the saver's own swarm: the preview still and the icon's motif,
// rendered by the saver's engine from a fixed random sequence.
#pragma once

#include <cstdint>

#include "tools/artgen/Raster.h"

namespace kal::artgen {

// One moment of a saver run on a screen of (width * shrink) x (height * shrink)
// pixels, shrunk by area averaging to width x height.
struct SwarmShot {
  std::uint64_t seed = 1;
  int particleCount = 120;  // the program's default
  int width = 0;
  int height = 0;
  int shrink = 1;
  long frames = 0;
  // A second run laid over the first, the brighter value of each channel
  // winning, for a picture that no single moment shows. Its screen is `widen`
  // times as wide as the first run's, and the picture shows its right end.
  struct Overlay {
    std::uint64_t seed = 1;
    int particleCount = 120;
    long frames = 0;  // 0: no overlay
    int widen = 1;
  } overlay;
};

Raster RenderSwarm(const SwarmShot& shot);

// The same run drawn `scale` times larger (overlay not supported): every dot a
// disc of its own at the larger size rather than the small picture enlarged,
// each disc covering the area of the small picture's five-pixel dot, so the
// swarm keeps its density. At scale 1 it gives RenderSwarm's pixels.
Raster RenderSwarmScaled(const SwarmShot& shot, double scale);

// The chosen moments.
SwarmShot PreviewShot();
SwarmShot IconShot();

}  // namespace kal::artgen
