// The saver's engine, run frame by frame on a software canvas. Its random
// values come from the tool's own fixed sequence rather than the program's
// generator, so the pictures depend only on the engine's rules.
#include "tools/artgen/SwarmArt.h"

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "saver/Swarm.h"
#include "tools/artgen/Noise.h"

namespace kal::artgen {
namespace {

class FixedRandom final : public kal::RandomSource {
 public:
  explicit FixedRandom(std::uint64_t seed) : noise_(seed) {}
  void Randomize() override {}  // the run must not depend on the clock
  float Rnd() override { return static_cast<float>(noise_.Next() >> 40) * (1.0f / 16777216.0f); }

 private:
  Noise noise_;
};

}  // namespace

Raster RenderSwarm(const SwarmShot& shot) {
  const int w = shot.width * shot.shrink, h = shot.height * shot.shrink;
  kal::Canvas canvas(w, h);
  kal::CanvasSurface surface(canvas);
  FixedRandom random(shot.seed);
  kal::Swarm swarm(surface, random);
  swarm.Start(static_cast<std::int16_t>(shot.particleCount), static_cast<std::int16_t>(w),
              static_cast<std::int16_t>(h));
  for (long f = 0; f < shot.frames; ++f) swarm.Frame();
  Raster full(w, h);
  // The canvas keeps 0x00RRGGBB, as the rasters do.
  for (std::size_t i = 0; i < full.px.size(); ++i) full.px[i] = canvas.data()[i];
  return shot.shrink == 1 ? full : AreaDownscale(full, shot.shrink);
}

// Moments picked by looking: on the preview the head has just swept to the
// upper right, so a dense plume hangs under it and the particles launched on
// the way there fall in loose streaks over the lower half. The run is twice the
// picture's size so each dot shrinks to a fine grain.
SwarmShot PreviewShot() {
  return {.seed = 410, .particleCount = 120, .width = 152, .height = 112, .shrink = 2, .frames = 14750};
}

// The icon shows the same stream, densest at the head in the upper right and
// thinning towards the lower left. Half the default swarm keeps the dots of so
// small a picture apart.
SwarmShot IconShot() {
  return {.seed = 60, .particleCount = 60, .width = 32, .height = 32, .shrink = 2, .frames = 7600};
}

}  // namespace kal::artgen
