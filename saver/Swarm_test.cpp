// The animation loop: the start's scatter, the frame step with scripted random
// values, the particle order and the counts that stop the loop.
#include "saver/Swarm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "saver/SwarmTestSupport.h"

namespace kal {
namespace {

using testing::RecordingSurface;
using testing::Script;

std::optional<ErrorCode> ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  return std::nullopt;
}

float Below(float v) { return std::nextafter(v, 0.0f); }
float Above(float v) { return std::nextafter(v, 1.0f); }
constexpr float kAlmostOne = 0.99999994f;  // the largest value below 1

// One particle (count 0) on a 640 x 480 screen, scattered to (100, 240); every
// frame handles particle 0.
class OneParticle : public ::testing::Test {
 protected:
  OneParticle() : surface(640, 520), swarm(surface, random) {
    Script(random, {100.0f / 640.0f, 0.5f});
    swarm.Start(0, 640, 480);
  }

  // One update of particle 0 with the given jitter and fall values.
  void Update(float jitter, float fall) {
    Script(random, {jitter, fall});
    swarm.Frame();
  }

  void Place(int x, int y, int fallCount) {
    swarm.TrailX[0][0] = x;
    swarm.TrailY[0][0] = y;
    swarm.FallCount[0] = fallCount;
  }

  ScriptedRandom random;
  RecordingSurface surface;
  Swarm swarm;
};

TEST_F(OneParticle, StartScattersWithFloorAndDrawsNothing) {
  EXPECT_EQ(swarm.TrailX[0][0], 100);
  EXPECT_EQ(swarm.TrailY[0][0], 240);
  EXPECT_EQ(swarm.LastParticle, 0);
  EXPECT_EQ(swarm.CurParticle, 0);
  EXPECT_TRUE(swarm.HasTarget);
  EXPECT_EQ(swarm.FallCount[0], 0);
  EXPECT_TRUE(surface.calls.empty());

  // Two particles: X then Y of each, in index order; floor keeps a value just
  // below 1 on the last pixel.
  ScriptedRandom r2;
  Swarm two(surface, r2);
  Script(r2, {kAlmostOne, 0.5f, 0.25f, 0.0f});
  two.Start(1, 640, 480);
  EXPECT_EQ(two.TrailX[0][0], 639);
  EXPECT_EQ(two.TrailY[0][0], 240);
  EXPECT_EQ(two.TrailX[0][1], 160);
  EXPECT_EQ(two.TrailY[0][1], 0);
  EXPECT_EQ(r2.Remaining(), 0u);
}

TEST(SwarmStart, SeedsTheGeneratorBeforeTheScatter) {
  class Spy final : public RandomSource {
   public:
    void Randomize() override { log += 'S'; }
    float Rnd() override {
      log += 'r';
      return 0.5f;
    }
    std::string log;
  } spy;
  RecordingSurface surface(64, 48);
  Swarm swarm(surface, spy);
  swarm.Start(2, 64, 48);
  EXPECT_EQ(spy.log, "Srrrrrr");
}

TEST_F(OneParticle, JitterMovesExactlyNMinusTwo) {
  struct Case {
    float r;
    int move;
  };
  const Case cases[] = {{0.0f, -2},       {Below(0.2f), -2}, {0.2f, -1},       {Below(0.4f), -1},
                        {0.4f, 0},        {0.5f, 0},         {Below(0.6f), 0}, {0.6f, 1},
                        {Below(0.8f), 1}, {0.8f, 2},         {kAlmostOne, 2}};
  // Also left of the screen: rounding must not depend on the sign.
  for (int x : {100, 0, -7}) {
    for (const Case& c : cases) {
      Place(x, 240, 0);
      Update(c.r, 0.0f);
      EXPECT_EQ(swarm.TrailX[0][0], x + c.move) << "x " << x << ", r " << c.r;
      EXPECT_EQ(swarm.TrailY[0][0], 240) << "r " << c.r;
    }
  }
}

TEST_F(OneParticle, FirstFallStepAfterALaunch) {
  // The single closest to 0.9 lies below 0.9, so it still falls one pixel.
  ASSERT_LT(double(0.9f), 0.9);
  ASSERT_GE(double(0.4f), 0.4);
  struct Case {
    float r;
    int step;
  };
  const Case cases[] = {{0.0f, 0}, {Below(0.4f), 0}, {0.4f, 1},      {0.5f, 1},
                        {0.9f, 1}, {Above(0.9f), 2}, {kAlmostOne, 2}};
  for (const Case& c : cases) {
    Place(100, 240, 0);
    Update(0.5f, c.r);
    EXPECT_EQ(swarm.FallCount[0], 1);
    EXPECT_EQ(swarm.TrailY[0][0], 240 + c.step) << "r " << c.r;
  }
}

TEST_F(OneParticle, FallAcceleratesEveryFiveUpdates) {
  Place(100, 0, 0);
  for (int u = 1; u <= 24; ++u) {
    const int before = swarm.TrailY[0][0];
    Update(0.5f, 0.0f);
    EXPECT_EQ(swarm.TrailY[0][0] - before, u / 5) << "update " << u;
  }
  Place(100, 0, 0);
  for (int u = 1; u <= 24; ++u) {
    const int before = swarm.TrailY[0][0];
    Update(0.5f, kAlmostOne);
    EXPECT_EQ(swarm.TrailY[0][0] - before, (u + 9) / 5) << "update " << u;
  }
}

TEST_F(OneParticle, RelaunchesOnlyWhenReachingScreenH) {
  Place(100, 478, 4);
  Update(0.5f, 0.0f);  // falls 1 to 479: still on screen
  EXPECT_EQ(swarm.TrailY[0][0], 479);
  EXPECT_EQ(swarm.FallCount[0], 5);
  EXPECT_EQ(swarm.HeadSpeed, 0) << "the head moved";

  Update(0.5f, 0.0f);  // falls 1 to 480 = ScreenH: relaunched from the head
  EXPECT_EQ(swarm.FallCount[0], 0);
  EXPECT_EQ(swarm.TrailX[0][0], 0);
  EXPECT_EQ(swarm.TrailY[0][0], 0);
  EXPECT_EQ(swarm.HeadSpeed, 1);
  EXPECT_EQ(swarm.TrailY[1][0], 479) << "slot 1 keeps the last drawn position";
  EXPECT_EQ(random.Drawn(), 2u + 4u) << "the first head step draws no target";
}

TEST_F(OneParticle, PositionPastTheBottomEdgeIsNeverDrawn) {
  // The surface is 40 pixels taller than ScreenH, so a dot drawn at the
  // crossing would show.
  Place(300, 478, 14);
  Update(0.5f, 0.0f);  // falls 3 to 481 and is relaunched before it is drawn
  ASSERT_EQ(swarm.FallCount[0], 0);
  for (int f = 0; f < 12; ++f) Update(0.5f, 0.0f);
  ASSERT_EQ(surface.calls.size(), 13u * kTrailSlots);
  for (const auto& c : surface.calls) EXPECT_LT(c.y, 480.0f) << "dot at (" << c.x << ", " << c.y << ")";
  for (int y = 480; y < 520; ++y) {
    for (int x = 0; x < 640; ++x) ASSERT_EQ(surface.canvas().At(x, y), Rgb(0, 0, 0)) << x << "," << y;
  }
}

TEST_F(OneParticle, RandomValuesAreDrawnJitterFallThenTarget) {
  Place(100, 479, 0);
  swarm.HasTarget = false;
  // Jitter 0 -> -2 pixels; fall just below 1 -> 2 pixels, reaching the edge;
  // then the target (320, 120). Any other order misses the edge or swaps the target.
  Script(random, {0.0f, kAlmostOne, 0.5f, 0.25f});
  swarm.Frame();
  EXPECT_EQ(random.Remaining(), 0u);
  EXPECT_EQ(swarm.TargetX, 320);
  EXPECT_EQ(swarm.TargetY, 120);
  EXPECT_EQ(swarm.FallCount[0], 0);
}

std::vector<int> Order(int count, int frames) {
  RecordingSurface surface(320, 240);
  PcgRandom random;
  Swarm swarm(surface, random);
  swarm.Start(static_cast<std::int16_t>(count), 320, 240);
  std::vector<int> order;
  for (int f = 0; f < frames; ++f) {
    swarm.Frame();
    order.push_back(swarm.CurParticle);
  }
  return order;
}

TEST(SwarmOrder, DefaultCountHas121ParticlesStartingWithParticle1) {
  const std::vector<int> order = Order(120, 122);
  for (int f = 1; f <= 120; ++f) EXPECT_EQ(order[f - 1], f) << "frame " << f;
  EXPECT_EQ(order[120], 0) << "frame 121";
  EXPECT_EQ(order[121], 1) << "frame 122";
}

TEST(SwarmOrder, CountZeroIsOneParticleHandledEveryFrame) {
  for (int p : Order(0, 5)) EXPECT_EQ(p, 0);
}

TEST(SwarmOrder, Count520UsesTheWholeStore) {
  RecordingSurface surface(320, 240);
  PcgRandom random;
  Swarm swarm(surface, random);
  swarm.Start(520, 320, 240);
  const auto scatteredX = swarm.TrailX.SlotCopy(0);
  const auto scatteredY = swarm.TrailY.SlotCopy(0);
  for (int f = 1; f <= 521; ++f) {
    swarm.Frame();
    ASSERT_EQ(swarm.CurParticle, f % 521) << "frame " << f;
  }
  // Every particle, 520 included, was updated exactly once.
  for (int i = 0; i <= 520; ++i) {
    EXPECT_EQ(swarm.TrailX[1][i], scatteredX[i]) << i;
    EXPECT_EQ(swarm.TrailY[1][i], scatteredY[i]) << i;
    EXPECT_EQ(swarm.TrailX[2][i], 0) << i;
  }
}

TEST(SwarmCounts, AboveTheStoreStopsTheScatterAtIndex521) {
  for (int count : {521, 600, 32767}) {
    RecordingSurface surface(320, 240);
    PcgRandom pcg;
    testing::CountingRandom random(pcg);
    Swarm swarm(surface, random);
    EXPECT_EQ(ErrorOf([&] { swarm.Start(static_cast<std::int16_t>(count), 320, 240); }),
              ErrorCode::SubscriptOutOfRange)
        << count;
    // 521 particles scattered, then the X value for index 521 was worked out
    // and could not be stored.
    EXPECT_EQ(random.drawn, 2 * 521 + 1) << count;
    EXPECT_TRUE(surface.calls.empty());
    EXPECT_TRUE(surface.AllBlack());
  }
}

TEST(SwarmCounts, NegativeScattersNothingAndTheFirstFrameStopsBeforeDrawing) {
  for (int count : {-1, -32768}) {
    RecordingSurface surface(320, 240);
    ScriptedRandom random;  // empty: any draw would raise a different error
    Swarm swarm(surface, random);
    swarm.Start(static_cast<std::int16_t>(count), 320, 240);
    EXPECT_EQ(random.Drawn(), 0u);
    EXPECT_EQ(ErrorOf([&] { swarm.Frame(); }), ErrorCode::SubscriptOutOfRange) << count;
    EXPECT_EQ(random.Drawn(), 0u);
    EXPECT_EQ(swarm.FallCount[0], 0);
    EXPECT_TRUE(surface.calls.empty());
    EXPECT_TRUE(surface.AllBlack());
  }
}

}  // namespace
}  // namespace kal
