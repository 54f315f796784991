// The saver's engine, run frame by frame on a software canvas. Its random
// values come from the tool's own fixed sequence rather than the program's
// generator, so the pictures depend only on the engine's rules.
#include "tools/artgen/SwarmArt.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "saver/Swarm.h"
#include "saver/SwarmDriver.h"
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

// The canvas of a run on a screenW x screenH screen after `frames` frames.
Raster RunSwarm(std::uint64_t seed, int particleCount, long frames, int screenW, int screenH) {
  kal::Canvas canvas(screenW, screenH);
  kal::CanvasSurface surface(canvas);
  FixedRandom random(seed);
  kal::Swarm swarm(surface, random);
  kal::CountedFrames run(frames);
  kal::RunSwarm(swarm, static_cast<std::int16_t>(particleCount), static_cast<std::int16_t>(screenW),
                static_cast<std::int16_t>(screenH), run);
  Raster full(screenW, screenH);
  // The canvas keeps 0x00RRGGBB, as the rasters do.
  for (std::size_t i = 0; i < full.px.size(); ++i) full.px[i] = canvas.data()[i];
  return full;
}

// A surface of the run's screen size whose dots land, scaled, on a larger
// raster: pixel centres map to pixel centres, radii grow with the scale.
class ScaledSurface final : public kal::Surface {
 public:
  ScaledSurface(int screenW, int screenH, double scale, Raster& out)
      : screenW_(screenW), screenH_(screenH), scale_(scale), out_(out) {}
  int Width() const override { return screenW_; }
  int Height() const override { return screenH_; }
  void Circle(float x, float y, float radius, kal::Color color) override {
    // The small picture's dot of radius 1 is a plus of five pixels: a disc of
    // that area, sqrt(5 / pi) = 1.26, still gives the plus at scale 1.
    const double r = double(radius) * std::sqrt(5.0 / std::numbers::pi) * scale_;
    const double cx = (double(x) + 0.5) * scale_ - 0.5, cy = (double(y) + 0.5) * scale_ - 0.5;
    const int x0 = std::max(0, static_cast<int>(std::ceil(cx - r)));
    const int x1 = std::min(out_.width - 1, static_cast<int>(std::floor(cx + r)));
    const int y0 = std::max(0, static_cast<int>(std::ceil(cy - r)));
    const int y1 = std::min(out_.height - 1, static_cast<int>(std::floor(cy + r)));
    const std::uint32_t px = (std::uint32_t(kal::RedOf(color)) << 16) |
                             (std::uint32_t(kal::GreenOf(color)) << 8) | std::uint32_t(kal::BlueOf(color));
    for (int py = y0; py <= y1; ++py) {
      for (int qx = x0; qx <= x1; ++qx) {
        const double dx = qx - cx, dy = py - cy;
        if (dx * dx + dy * dy <= r * r) out_.at(qx, py) = px;
      }
    }
  }

 private:
  int screenW_, screenH_;
  double scale_;
  Raster& out_;
};

}  // namespace

Raster RenderSwarmScaled(const SwarmShot& shot, double scale) {
  const int w = shot.width * shot.shrink, h = shot.height * shot.shrink;
  Raster big(static_cast<int>(std::lround(w * scale)), static_cast<int>(std::lround(h * scale)));
  ScaledSurface surface(w, h, scale, big);
  FixedRandom random(shot.seed);
  kal::Swarm swarm(surface, random);
  kal::CountedFrames run(shot.frames);
  kal::RunSwarm(swarm, static_cast<std::int16_t>(shot.particleCount), static_cast<std::int16_t>(w),
                static_cast<std::int16_t>(h), run);
  return shot.shrink == 1 ? big : AreaDownscale(big, shot.shrink);
}

Raster RenderSwarm(const SwarmShot& shot) {
  const int w = shot.width * shot.shrink, h = shot.height * shot.shrink;
  Raster full = RunSwarm(shot.seed, shot.particleCount, shot.frames, w, h);
  if (const SwarmShot::Overlay& o = shot.overlay; o.frames > 0) {
    const Raster wide = RunSwarm(o.seed, o.particleCount, o.frames, w * o.widen, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const std::uint32_t a = full.at(x, y), b = wide.at(wide.width - w + x, y);
        full.at(x, y) = std::max(a & 0xFF0000u, b & 0xFF0000u) | std::max(a & 0xFF00u, b & 0xFF00u) |
                        std::max(a & 0xFFu, b & 0xFFu);
      }
    }
  }
  return shot.shrink == 1 ? full : AreaDownscale(full, shot.shrink);
}

// Moments picked by looking. On the preview the head has just swept to the
// upper right, so a dense plume hangs under it, thickest at the top. No single
// moment also has dots in the left of the lower half: the swarm only covers
// the strip under the head's last few thousand frames of path, and while the
// head hangs at the upper right that strip ends in the middle. So a second run
// is laid over it: shortly after its start, the particles scattered over its
// screen have fallen into the lower half in loose streaks. That screen is twice
// as wide and the picture shows its right half, away from the top-left corner
// where its head starts and relaunches the fallen particles. Both runs are
// drawn at twice the picture's scale so each dot shrinks to a fine grain.
SwarmShot PreviewShot() {
  return {.seed = 410,
          .particleCount = 120,
          .width = 152,
          .height = 112,
          .shrink = 2,
          .frames = 14750,
          .overlay = {.seed = 12, .particleCount = 120, .frames = 4400, .widen = 2}};
}

// The icon shows the same stream, densest at the head in the upper right and
// thinning towards the lower left. Half the default swarm keeps the dots of so
// small a picture apart.
SwarmShot IconShot() {
  return {
      .seed = 60, .particleCount = 60, .width = 32, .height = 32, .shrink = 2, .frames = 7600, .overlay = {}};
}

}  // namespace kal::artgen
