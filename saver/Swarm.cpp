// The animation loop's start and its frame step.
#include "saver/Swarm.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/CanvasSurface.h"
#include "platform/Errors.h"
#include "platform/Numeric.h"

namespace kal {

Swarm::Swarm(Surface& display, RandomSource& random)
    : display_(display),
      random_(random),
      generator_(random.Generator()),
      canvas_(CanvasSurface::CanvasBehind(display)) {}

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

std::int32_t Swarm::Jitter(std::int32_t x, float r) {
  const double n = Floor(5.0 * double(r));
  return RoundToInt32(double(x) + n - 2.4);
}

std::int32_t Swarm::Fall(std::int32_t y, std::int32_t fallCount, float r) {
  return RoundToInt32(double(y) + Floor((10.0 * double(r) + fallCount) / 5.0));
}

namespace {

// Why the integer forms give the doubles' results for r = m / 2^24 (checked
// at every step edge in SwarmFastPath_test.cpp):
// - Jitter: 5 r = 5m / 2^24 is exact (5m < 2^27), so n = Floor(5 r) = 5m >> 24,
//   0..4, and s = x + n is exact. The double nearest 2.4 is a hair below it,
//   and s - 2.4 (|s| < 2^32) is off by at most 2^-21 once rounded: it lies
//   0.6 above s - 3, never on a tie, and rounds to s - 2. The narrowing to 32
//   bits raises Overflow exactly when s - 2 does not fit.
inline int JitterMove(std::uint32_t m) { return static_cast<int>((5u * m) >> 24) - 2; }

// - Fall, for 0 <= fallCount <= 2^25: with N = 10m + fallCount * 2^24 < 2^50,
//   10 r + fallCount = N / 2^24 is exact. The quotient by 5 is below 2^24, so
//   rounding moves it by at most 2^-30, while a quotient that is not a whole
//   number is at least 1 / (5 * 2^24) > 2^-27 away from one: Floor sees
//   N / (5 * 2^24) rounded down, which is the integer division. The sum with y
//   is then a whole number and only its narrowing can fail. Other fall counts
//   (only ever set up by hand) take the double arithmetic.
constexpr std::int32_t kExactFallCount = std::int32_t{1} << 25;
inline bool FallIsExactOnGrid(std::int32_t fallCount) {
  return fallCount >= 0 && fallCount <= kExactFallCount;
}
inline std::int64_t FallStepOnGrid(std::int32_t fallCount, std::uint32_t m) {
  const std::uint64_t n = 10u * std::uint64_t{m} + (static_cast<std::uint64_t>(fallCount) << 24);
  return static_cast<std::int64_t>(n / (std::uint64_t{5} << 24));
}
inline float ValueOnGrid(std::uint32_t m) { return static_cast<float>(m) * (1.0f / 16777216.0f); }
inline bool FitsInt32(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

// Slots 0..9 move to 1..10: the ten values are read before any is written,
// as a fixed copy the compiler keeps in registers instead of calling memmove.
inline void AgeTrail(TrailTable::Trail& t) {
  std::int32_t older[kTrailSlots - 1];
  std::memcpy(older, t.data(), sizeof older);
  std::memcpy(t.data() + 1, older, sizeof older);
}
inline void AgeTrail(TrailTable::Trail& xs, TrailTable::Trail& ys) {
  AgeTrail(xs);
  AgeTrail(ys);
}

}  // namespace

std::int32_t Swarm::JitterOnGrid(std::int32_t x, std::uint32_t m) {
  return CheckedNarrowInt<std::int32_t>(std::int64_t{x} + JitterMove(m));
}

std::int32_t Swarm::FallOnGrid(std::int32_t y, std::int32_t fallCount, std::uint32_t m) {
  if (!FallIsExactOnGrid(fallCount)) return Fall(y, fallCount, ValueOnGrid(m));
  return CheckedNarrowInt<std::int32_t>(std::int64_t{y} + FallStepOnGrid(fallCount, m));
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
  FallCount[i] = Add32(FallCount[i], 1);

  if (generator_ != nullptr && canvas_ != nullptr) {
    StepOnCanvas(i);
    return;
  }

  // 3. Every slot gets one update older; slot 0 keeps its value.
  TrailTable::Trail& xs = TrailX.Of(i);
  TrailTable::Trail& ys = TrailY.Of(i);
  AgeTrail(xs, ys);

  // 4. Jitter: x + n - 2.4 always ends in .6, so the move is exactly n - 2.
  // 5. Fall: never negative, one pixel faster every five updates.
  // The program's generator is stepped directly; any other source is asked
  // value by value, as the values are needed.
  if (generator_ != nullptr) {
    xs[0] = JitterOnGrid(xs[0], generator_->Next24());
    ys[0] = FallOnGrid(ys[0], FallCount[i], generator_->Next24());
  } else {
    xs[0] = Jitter(xs[0], random_.Rnd());
    ys[0] = Fall(ys[0], FallCount[i], random_.Rnd());
  }

  // 6. The bottom edge is the only edge: relaunch from the head.
  if (ys[0] >= ScreenH) MoveParticle();

  // 7. Draw (DrawParticle, the particle already checked).
  DrawTrail(i);
}

// Steps 3 to 7 as above, in a different order where nothing can tell: the
// new position is worked out before the aged trail is stored, and a frame
// that does not relaunch draws the trail from the old slots first (drawing on
// a canvas cannot fail), so the drawing does not wait for the stores. Each
// error raises with the store in the state it has in the order above.
void Swarm::StepOnCanvas(int i) {
  TrailTable::Trail& xs = TrailX.Of(i);
  TrailTable::Trail& ys = TrailY.Of(i);
  const std::int64_t x = std::int64_t{xs[0]} + JitterMove(generator_->Next24());
  if (!FitsInt32(x)) {
    AgeTrail(xs, ys);
    RaiseOverflow();
  }
  const std::int32_t fallCount = FallCount[i];
  const std::uint32_t m = generator_->Next24();
  if (!FallIsExactOnGrid(fallCount)) {
    AgeTrail(xs, ys);
    xs[0] = static_cast<std::int32_t>(x);
    ys[0] = Fall(ys[0], fallCount, ValueOnGrid(m));
    if (ys[0] >= ScreenH) MoveParticle();
    DrawTrail(i);
    return;
  }
  const std::int64_t y = std::int64_t{ys[0]} + FallStepOnGrid(fallCount, m);
  if (!FitsInt32(y) || y >= ScreenH) {
    AgeTrail(xs, ys);
    xs[0] = static_cast<std::int32_t>(x);
    if (!FitsInt32(y)) RaiseOverflow();
    ys[0] = static_cast<std::int32_t>(y);
    MoveParticle();
    DrawTrail(i);
    return;
  }
  canvas_->Circles(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), xs.data(), ys.data(),
                   kTrailColors.data(), kTrailSlots, kDotRadius);
  AgeTrail(xs, ys);
  xs[0] = static_cast<std::int32_t>(x);
  ys[0] = static_cast<std::int32_t>(y);
}

}  // namespace kal
