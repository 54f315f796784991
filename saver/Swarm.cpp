// The animation loop's start and its frame step.
#include "saver/Swarm.h"

#include <cmath>

#include "platform/Errors.h"
#include "platform/Numeric.h"

namespace kal {

Swarm::Swarm(Surface& display, RandomSource& random) : display_(display), random_(random) {}

int Swarm::StoreIndex(int i) {
  if (i < 0 || i >= kParticleCapacity) Raise(ErrorCode::SubscriptOutOfRange, "Subscript out of range");
  return i;
}

void Swarm::Start(std::int16_t particleCount, std::int16_t screenW, std::int16_t screenH) {
  ScreenW = screenW;
  ScreenH = screenH;
  LastParticle = particleCount;
  // The head starts at (0, 0) heading for (0, 0): its first step relaunches a
  // particle at the corner and only the second draws a real target.
  HasTarget = true;
  random_.Randomize();
  // The bound is read once. Each value is worked out before it is stored, so a
  // count beyond the store draws for index 521 and then stops on the store.
  const int last = particleCount;
  for (int i = 0; i <= last; ++i) {
    const std::int32_t x = FloorToInt32(double(random_.Rnd()) * ScreenW);
    TrailX[0][StoreIndex(i)] = x;
    const std::int32_t y = FloorToInt32(double(random_.Rnd()) * ScreenH);
    TrailY[0][StoreIndex(i)] = y;
  }
}

void Swarm::Frame() {
  // 1. Advance in the cyclic order 1, 2, ..., LastParticle, 0, 1, ...
  CurParticle = Add16(CurParticle, 1);
  if (CurParticle >= Add16(LastParticle, 1)) CurParticle = 0;
  // A negative count leaves the swarm without a particle 0: the frame stops
  // before it touches the store or draws anything.
  if (CurParticle > LastParticle) Raise(ErrorCode::SubscriptOutOfRange, "Subscript out of range");
  const int i = StoreIndex(CurParticle);

  // 2. One more update since the launch: it sets the fall speed.
  FallCount[i] = CheckedNarrow<std::int32_t>(double(FallCount[i]) + 1);

  // 3. Every slot gets one update older; slot 0 keeps its value.
  TrailTable::Trail& xs = TrailX.Of(i);
  TrailTable::Trail& ys = TrailY.Of(i);
  for (int k = kTrailSlots - 1; k >= 1; --k) {
    xs[k] = xs[k - 1];
    ys[k] = ys[k - 1];
  }

  // 4. Jitter: x + n - 2.4 always ends in .6, so the move is exactly n - 2.
  const double n = Floor(5.0 * double(random_.Rnd()));
  TrailX[0][i] = RoundToInt32(double(TrailX[0][i]) + n - 2.4);

  // 5. Fall: never negative, one pixel faster every five updates.
  const double r = random_.Rnd();
  TrailY[0][i] = RoundToInt32(double(TrailY[0][i]) + Floor((10.0 * r + FallCount[i]) / 5.0));

  // 6. The bottom edge is the only edge: relaunch from the head.
  if (TrailY[0][i] >= ScreenH) MoveParticle();

  // 7. Draw.
  DrawParticle();
}

}  // namespace kal
