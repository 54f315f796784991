// The swarm: particle store, frame step, steering of the head, trail drawing.
//
// The saver window owns one Swarm for as long as it is loaded. It calls
// Start() once and then, frame after frame, Frame() followed by its own yield
// to the window system. All storage is fixed-size and lives in the object: a
// frame never allocates.
//
// The state is public on purpose: tests and the render tool read (and tests
// set up) exactly the values the saver keeps.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Canvas.h"
#include "platform/Platform.h"
#include "platform/Random.h"
#include "platform/Types.h"

namespace kal {

constexpr int kParticleCapacity = 521;  // indices 0..520
constexpr int kTrailSlots = 11;         // slot 0 = now, slot 10 = painted black

// Colour of each trail slot: bright yellow now, darkening golds, then black,
// which erases the oldest position.
inline constexpr std::array<Color, kTrailSlots> kTrailColors = {
    Rgb(250, 250, 0), Rgb(250, 200, 0), Rgb(190, 160, 0), Rgb(190, 150, 0),
    Rgb(180, 140, 0), Rgb(180, 130, 0), Rgb(170, 120, 0), Rgb(170, 100, 0),
    Rgb(160, 90, 0),  Rgb(160, 80, 0),  Rgb(0, 0, 0)};

// Radius of every trail dot, in pixels.
inline constexpr float kDotRadius = 1.0f;

// One coordinate of every trail slot, addressed as table[k][i] (slot k of
// particle i). Stored particle by particle, so the trail shift of a frame
// moves one contiguous run instead of touching eleven distant tables.
class TrailTable {
 public:
  using Trail = std::array<std::int32_t, kTrailSlots>;

  class Slot {
   public:
    std::int32_t& operator[](int i) const { return (*cells_)[static_cast<std::size_t>(i)][k_]; }

   private:
    friend class TrailTable;
    Slot(std::array<Trail, kParticleCapacity>* cells, int k)
        : cells_(cells), k_(static_cast<std::size_t>(k)) {}
    std::array<Trail, kParticleCapacity>* cells_;
    std::size_t k_;
  };

  Slot operator[](int k) { return Slot(&cells_, k); }
  std::int32_t At(int k, int i) const {
    return cells_[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)];
  }
  // All slots of particle i, newest first.
  Trail& Of(int i) { return cells_[static_cast<std::size_t>(i)]; }
  const Trail& Of(int i) const { return cells_[static_cast<std::size_t>(i)]; }
  // A copy of slot k of every particle.
  std::array<std::int32_t, kParticleCapacity> SlotCopy(int k) const {
    std::array<std::int32_t, kParticleCapacity> out{};
    for (int i = 0; i < kParticleCapacity; ++i) out[static_cast<std::size_t>(i)] = At(k, i);
    return out;
  }

 private:
  std::array<Trail, kParticleCapacity> cells_{};
};

class Swarm {
 public:
  // The swarm draws on `display` and takes its random values from `random`;
  // both must outlive it. Everything starts at zero.
  Swarm(Surface& display, RandomSource& random);

  // The loop's start: LastParticle <- particleCount, HasTarget <- true, seed
  // the generator, scatter slot 0 of particles 0..particleCount. Nothing is
  // drawn. A count above 520 raises RuntimeError (SubscriptOutOfRange) once
  // the scatter reaches index 521; a negative count scatters nothing.
  void Start(std::int16_t particleCount, std::int16_t screenW, std::int16_t screenH);

  // One frame without the yield: advance to the next particle, let it fall
  // with a sideways jitter, relaunch it from the head when it reached the
  // bottom edge, draw its trail. Raises RuntimeError when the loop must stop
  // (an index outside the store or the swarm, a 16-bit overflow of the head's
  // arrival bounds, a failing draw).
  void Frame();

  // Steps the head once and relaunches particle CurParticle from it. Called by
  // Frame() when the particle reached the bottom edge.
  void MoveParticle();

  // Draws the 11 trail slots of particle CurParticle, newest first, black last.
  void DrawParticle();

  // ---- the frame's arithmetic on one particle, r being the random value drawn ----
  // Jitter: RoundToInt32(x + Floor(5 r) - 2.4), in doubles, for any source.
  static std::int32_t Jitter(std::int32_t x, float r);
  // Fall: RoundToInt32(y + Floor((10 r + fallCount) / 5)), in doubles, for any source.
  static std::int32_t Fall(std::int32_t y, std::int32_t fallCount, float r);
  // The same two for r = m / 2^24 (0 <= m < 2^24, a value of the program's
  // generator), worked out in integers with the same results and errors.
  static std::int32_t JitterOnGrid(std::int32_t x, std::uint32_t m);
  static std::int32_t FallOnGrid(std::int32_t y, std::int32_t fallCount, std::uint32_t m);

  // ---- particle store: slot k of particle i is (TrailX[k][i], TrailY[k][i]) ----
  using SlotTable = std::array<std::int32_t, kParticleCapacity>;
  TrailTable TrailX;
  TrailTable TrailY;
  SlotTable FallCount{};  // updates since the particle was last launched

  // ---- swarm-wide values ----
  std::int16_t ScreenW = 0;
  std::int16_t ScreenH = 0;
  std::int16_t LastParticle = 0;  // highest index in use: LastParticle + 1 particles
  std::int16_t CurParticle = 0;   // particle of the current frame

  // ---- the swarm head (never drawn; particles are relaunched from it) ----
  double HeadX = 0;
  double HeadY = 0;
  std::int32_t HeadSpeed = 0;  // calls since the current target was drawn
  std::int16_t TargetX = 0;
  std::int16_t TargetY = 0;
  bool HasTarget = false;

 private:
  // Checks that i addresses the store; raises SubscriptOutOfRange otherwise.
  static int StoreIndex(int i);
  // DrawParticle for particle i, already checked.
  void DrawTrail(int i);
  // Frame's steps 3 to 7 for the program's generator drawing on a canvas.
  void StepOnCanvas(int i);

  Surface& display_;
  RandomSource& random_;
  // random_'s generator when it may be stepped directly (see RandomSource::Generator).
  PcgRandom* const generator_;
  // The canvas behind display_ when it may be drawn on directly (see CanvasSurface::CanvasBehind).
  Canvas* const canvas_;
};

inline void Swarm::DrawTrail(int i) {
  // Newest first: where slots coincide the oldest colour wins, black last.
  const TrailTable::Trail& xs = TrailX.Of(i);
  const TrailTable::Trail& ys = TrailY.Of(i);
  if (canvas_ != nullptr) {
    canvas_->Circles(xs.data(), ys.data(), kTrailColors.data(), kTrailSlots, kDotRadius);
  } else {
    display_.Circles(xs.data(), ys.data(), kTrailColors.data(), kTrailSlots, kDotRadius);
  }
}

}  // namespace kal
