// The frame's fast path (the program's generator stepped directly, integer
// arithmetic, drawing straight on a canvas) against the ordinary path (a
// source asked value by value, double arithmetic, one Surface::Circle a dot).
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "platform/Errors.h"
#include "saver/Swarm.h"
#include "saver/SwarmTestSupport.h"

namespace kal {
namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
constexpr std::uint32_t kGrid = 1u << 24;

// A result or the error that replaced it.
struct Outcome {
  std::int64_t value = 0;
  int error = -1;
  bool operator==(const Outcome&) const = default;
};
template <class F>
Outcome OutcomeOf(F&& f) {
  try {
    return Outcome{f(), -1};
  } catch (const RuntimeError& e) {
    return Outcome{0, static_cast<int>(e.code())};
  }
}

float OnGrid(std::uint32_t m) { return static_cast<float>(m) / static_cast<float>(kGrid); }

// m - 1, m, m + 1, kept on the grid.
void AddAround(std::vector<std::uint32_t>& ms, std::int64_t m) {
  for (std::int64_t v = m - 1; v <= m + 1; ++v)
    if (v >= 0 && v < kGrid) ms.push_back(static_cast<std::uint32_t>(v));
}

TEST(SwarmArithmetic, IntegerJitterMatchesTheDoublesAtEveryStepEdge) {
  // The move changes where 5m crosses a multiple of 2^24.
  std::vector<std::uint32_t> ms{0, kGrid - 1};
  for (std::int64_t k = 1; k <= 4; ++k) AddAround(ms, (k * kGrid + 4) / 5);
  for (std::int32_t x :
       {kMin32, kMin32 + 1, kMin32 + 2, kMin32 + 3, -3, 0, 5, kMax32 - 3, kMax32 - 2, kMax32 - 1, kMax32}) {
    for (std::uint32_t m : ms) {
      EXPECT_EQ(OutcomeOf([&] { return Swarm::JitterOnGrid(x, m); }),
                OutcomeOf([&] { return Swarm::Jitter(x, OnGrid(m)); }))
          << "x " << x << ", m " << m;
    }
  }
  // Sanity of the edges themselves: the lowest and highest values move -2 and +2.
  EXPECT_EQ(Swarm::JitterOnGrid(100, 0), 98);
  EXPECT_EQ(Swarm::JitterOnGrid(100, kGrid - 1), 102);
}

TEST(SwarmArithmetic, IntegerFallMatchesTheDoublesAtEveryStepEdge) {
  for (std::int32_t fallCount : {0, 1, 4, 5, 6, 99, 100, (1 << 24) + 3, (1 << 25) - 1, 1 << 25, (1 << 25) + 1,
                                 kMax32, -1, -5, -6, kMin32}) {
    // The step changes where 10m + fallCount * 2^24 crosses a multiple of 5 * 2^24.
    std::vector<std::uint32_t> ms{0, kGrid - 1};
    for (std::int64_t q = fallCount / 5 - 1; q <= fallCount / 5 + 3; ++q) {
      const std::int64_t numerator = (5 * q - fallCount) * std::int64_t{kGrid};
      AddAround(ms, numerator >= 0 ? (numerator + 9) / 10 : -1);
    }
    for (std::int32_t y : {kMin32, -1, 0, 1079, kMax32 - (1 << 22), kMax32 - 2, kMax32 - 1, kMax32}) {
      for (std::uint32_t m : ms) {
        EXPECT_EQ(OutcomeOf([&] { return Swarm::FallOnGrid(y, fallCount, m); }),
                  OutcomeOf([&] { return Swarm::Fall(y, fallCount, OnGrid(m)); }))
            << "y " << y << ", fall count " << fallCount << ", m " << m;
      }
    }
  }
}

// Draws each dot with Canvas::Circle: the reference pixels and dirty tiles.
class DotByDotSurface final : public Surface {
 public:
  explicit DotByDotSurface(Canvas& canvas) : canvas_(canvas) {}
  int Width() const override { return canvas_.width(); }
  int Height() const override { return canvas_.height(); }
  void Circle(float x, float y, float radius, Color color) override { canvas_.Circle(x, y, radius, color); }

 private:
  Canvas& canvas_;
};

// One swarm on the fast path and one on the ordinary path, from the same seed.
class TwinSwarms {
 public:
  TwinSwarms(int width, int height, int count, std::uint64_t seed)
      : fastRandom_(seed),
        refInner_(seed),
        refRandom_(refInner_),
        fastCanvas_(width, height),
        refCanvas_(width, height),
        fastSurface_(fastCanvas_),
        refSurface_(refCanvas_),
        fast(fastSurface_, fastRandom_),
        ref(refSurface_, refRandom_) {
    fastCanvas_.EnableDirtyTracking(true);
    refCanvas_.EnableDirtyTracking(true);
    fast.Start(static_cast<std::int16_t>(count), static_cast<std::int16_t>(width),
               static_cast<std::int16_t>(height));
    ref.Start(static_cast<std::int16_t>(count), static_cast<std::int16_t>(width),
              static_cast<std::int16_t>(height));
  }

  // Runs up to `frames` frames on both, comparing after each; stops at the
  // first error (which must be the same) or difference. Returns "" when equal.
  std::string Run(int frames) {
    for (int f = 1; f <= frames; ++f) {
      const Outcome a = OutcomeOf([&] { return (fast.Frame(), 0); });
      const Outcome b = OutcomeOf([&] { return (ref.Frame(), 0); });
      std::string diff =
          a == b ? StateDifference() : "error " + std::to_string(a.error) + " vs " + std::to_string(b.error);
      if (diff.empty() && (f % 97 == 0 || a.error >= 0)) diff = PictureDifference();
      // Both generators must have given out the same number of values.
      if (diff.empty() && a.error >= 0 && fastRandom_.Rnd() != refInner_.Rnd())
        diff = "different draw counts";
      if (!diff.empty()) return "frame " + std::to_string(f) + ": " + diff;
      if (a.error >= 0) return "";
      ++framesRun;
    }
    return PictureDifference();
  }

 private:
  std::string StateDifference() const {
    const int i = fast.CurParticle;
    if (std::tie(fast.CurParticle, fast.HeadX, fast.HeadY, fast.HeadSpeed, fast.TargetX, fast.TargetY,
                 fast.HasTarget) != std::tie(ref.CurParticle, ref.HeadX, ref.HeadY, ref.HeadSpeed,
                                             ref.TargetX, ref.TargetY, ref.HasTarget))
      return "swarm-wide state";
    if (i < 0 || i >= kParticleCapacity) return "";
    if (fast.TrailX.Of(i) != ref.TrailX.Of(i) || fast.TrailY.Of(i) != ref.TrailY.Of(i) ||
        fast.FallCount[i] != ref.FallCount[i])
      return "particle " + std::to_string(i);
    return "";
  }

  std::string PictureDifference() {
    for (int i = 0; i < kParticleCapacity; ++i) {
      if (fast.TrailX.Of(i) != ref.TrailX.Of(i) || fast.TrailY.Of(i) != ref.TrailY.Of(i) ||
          fast.FallCount[i] != ref.FallCount[i])
        return "store of particle " + std::to_string(i);
    }
    const std::size_t n = static_cast<std::size_t>(fastCanvas_.width()) * fastCanvas_.height();
    for (std::size_t p = 0; p < n; ++p)
      if (fastCanvas_.data()[p] != refCanvas_.data()[p]) return "pixel " + std::to_string(p);
    std::vector<std::tuple<int, int, int, int>> a, b;
    fastCanvas_.TakeDirty([&](int x, int y, int w, int h) { a.emplace_back(x, y, w, h); });
    refCanvas_.TakeDirty([&](int x, int y, int w, int h) { b.emplace_back(x, y, w, h); });
    return a == b ? "" : "dirty rectangles or their order";
  }

  SeededRandom fastRandom_;  // Start seeds it: both runs draw the same values
  SeededRandom refInner_;
  testing::CountingRandom refRandom_;  // not the generator itself: asked value by value
  Canvas fastCanvas_;
  Canvas refCanvas_;
  CanvasSurface fastSurface_;
  DotByDotSurface refSurface_;

 public:
  Swarm fast;
  Swarm ref;
  int framesRun = 0;
};

TEST(SwarmFastPath, DrawsAndStoresWhatTheOrdinaryFrameDoes) {
  struct Case {
    int width, height, count;
    std::uint64_t seed;
    int frames;
  };
  // A full screen; a screen where most trails are clipped; the whole store.
  for (Case c :
       {Case{1920, 1080, 120, 7, 40000}, Case{37, 23, 30, 3, 20000}, Case{320, 200, 520, 5, 20000}}) {
    TwinSwarms twins(c.width, c.height, c.count, c.seed);
    EXPECT_EQ(twins.Run(c.frames), "") << c.width << " x " << c.height;
    EXPECT_EQ(twins.framesRun, c.frames) << "stopped early";
  }
}

TEST(SwarmFastPath, RaisesWhereTheOrdinaryFrameRaises) {
  // Particle 1, the first one updated, set up at the edges of the arithmetic.
  struct Case {
    const char* what;
    std::int32_t x, y, fallCount;
    bool mustRaise;
  };
  const Case cases[] = {
      // Far above the screen: the walk reaches the limit before a relaunch.
      {"jitter past the largest x", kMax32 - 1, -1000000, 0, true},
      {"jitter past the smallest x", kMin32 + 1, -1000000, 0, true},
      {"fall past the largest y", 10, kMax32 - 100, 1000, true},
      {"fall count about to overflow", 10, -(1 << 30), kMax32 - 1, true},
      {"fall count at the edge of the integer fall", 10, -(1 << 23), (1 << 25) - 1, false},
      {"fall count past the edge of the integer fall", 10, -(1 << 23), (1 << 25) + 1, false},
      {"negative fall count", 10, 30, -40, false},
      {"above the screen", 30, -200, 3, false},
  };
  for (const Case& c : cases) {
    TwinSwarms twins(64, 48, 2, 11);
    for (Swarm* s : {&twins.fast, &twins.ref}) {
      s->TrailX[0][1] = c.x;
      s->TrailY[0][1] = c.y;
      s->FallCount[1] = c.fallCount;
    }
    EXPECT_EQ(twins.Run(3000), "") << c.what;
    EXPECT_EQ(twins.framesRun < 3000, c.mustRaise) << c.what;
  }
}

}  // namespace
}  // namespace kal
