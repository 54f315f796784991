// Steering of the swarm head: targets, steps, arrival, relaunch rounding and
// the 16-bit arrival bounds.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/Errors.h"
#include "platform/Numeric.h"
#include "saver/Swarm.h"
#include "saver/SwarmTestSupport.h"

namespace kal {
namespace {

using testing::RecordingSurface;
using testing::Script;

// One particle on a 640 x 480 screen, just started: the head at (0, 0) heading
// for (0, 0).
class Steering : public ::testing::Test {
 protected:
  Steering() : surface(640, 480), swarm(surface, random) {
    Script(random, {0.5f, 0.5f});  // scattered to (320, 240)
    swarm.Start(0, 640, 480);
  }

  // The head travelling to `target` from `head`, at the given speed so far.
  void Travel(double headX, double headY, int targetX, int targetY, int speed) {
    swarm.HeadX = headX;
    swarm.HeadY = headY;
    swarm.TargetX = static_cast<std::int16_t>(targetX);
    swarm.TargetY = static_cast<std::int16_t>(targetY);
    swarm.HeadSpeed = speed;
    swarm.HasTarget = true;
  }

  ScriptedRandom random;
  RecordingSurface surface;
  Swarm swarm;
};

TEST_F(Steering, FirstTwoCallsAfterTheStart) {
  // The first relaunch comes from a frame: the particle falls past the edge.
  for (int k = 1; k < kTrailSlots; ++k) {
    swarm.TrailX[k][0] = 500 + k;
    swarm.TrailY[k][0] = 400 + k;
  }
  swarm.TrailY[0][0] = 479;
  Script(random, {0.5f, 0.99999994f});
  swarm.Frame();
  // No target drawn, no move, arrived at once, particle in the corner.
  EXPECT_EQ(random.Remaining(), 0u);
  EXPECT_EQ(swarm.HeadSpeed, 1);
  EXPECT_EQ(swarm.HeadX, 0.0);
  EXPECT_EQ(swarm.HeadY, 0.0);
  EXPECT_FALSE(swarm.HasTarget);
  EXPECT_EQ(swarm.TrailX[0][0], 0);
  EXPECT_EQ(swarm.TrailY[0][0], 0);
  EXPECT_EQ(swarm.FallCount[0], 0);
  // The shift moved the old trail on by one; the relaunch left it alone.
  EXPECT_EQ(swarm.TrailX[1][0], 320);
  EXPECT_EQ(swarm.TrailY[1][0], 479);
  for (int k = 2; k < kTrailSlots; ++k) {
    EXPECT_EQ(swarm.TrailX[k][0], 500 + k - 1);
    EXPECT_EQ(swarm.TrailY[k][0], 400 + k - 1);
  }

  // The second call draws the first target and starts at 0.01 pixel a call.
  Script(random, {0.5f, 0.25f});
  swarm.MoveParticle();
  EXPECT_EQ(swarm.TargetX, 320);
  EXPECT_EQ(swarm.TargetY, 120);
  EXPECT_TRUE(swarm.HasTarget);
  EXPECT_EQ(swarm.HeadSpeed, 1);
  EXPECT_DOUBLE_EQ(swarm.HeadX, 0.01);
  EXPECT_DOUBLE_EQ(swarm.HeadY, 0.01);
  EXPECT_EQ(swarm.TrailX[0][0], 0);
  EXPECT_EQ(swarm.TrailY[0][0], 0);
}

TEST_F(Steering, LegWithOneAxisOnTheTargetRunsStraight) {
  swarm.MoveParticle();          // the start's arrival at (0, 0)
  Script(random, {0.5f, 0.0f});  // target (320, 0)
  int calls = 0;
  do {
    swarm.MoveParticle();
    ++calls;
    ASSERT_EQ(swarm.HeadY, 0.0) << "call " << calls;
    if (calls == 100) {
      EXPECT_NEAR(swarm.HeadX, 100 * 101 / 200.0, 1e-9);
    }
  } while (swarm.HasTarget && calls < 1000);
  // n (n + 1) / 200 reaches 310 at n = 249 (248 calls cover 308.76).
  EXPECT_EQ(calls, 249);
  EXPECT_NEAR(swarm.HeadX, 249 * 250 / 200.0, 1e-9);
  EXPECT_EQ(swarm.TrailX[0][0], 311);
  EXPECT_EQ(swarm.TrailY[0][0], 0);
}

TEST_F(Steering, OnceAnAxisPassedItsTargetItSwingsAcrossIt) {
  Travel(99.5, 0, 100, 300, 99);  // steps of 1.00, 1.01, 1.02
  swarm.MoveParticle();
  EXPECT_DOUBLE_EQ(swarm.HeadX, 100.5);
  swarm.MoveParticle();
  EXPECT_DOUBLE_EQ(swarm.HeadX, 100.5 - 1.01);
  swarm.MoveParticle();
  EXPECT_DOUBLE_EQ(swarm.HeadX, 100.5 - 1.01 + 1.02);
  EXPECT_DOUBLE_EQ(swarm.HeadY, 1.0 + 1.01 + 1.02);
}

TEST_F(Steering, ArrivalIsInclusiveAtTenPixels) {
  // A step of exactly 1 brings the head to 10 pixels short on both axes.
  Travel(89, 89, 100, 100, 99);
  swarm.MoveParticle();
  EXPECT_FALSE(swarm.HasTarget);
  // The same from beyond the target.
  Travel(111, 111, 100, 100, 99);
  swarm.MoveParticle();
  EXPECT_EQ(swarm.HeadX, 110.0);
  EXPECT_FALSE(swarm.HasTarget);
  // One axis on the bound, the other 10 pixels the other side.
  Travel(89, 111, 100, 100, 99);
  swarm.MoveParticle();
  EXPECT_FALSE(swarm.HasTarget);
}

TEST_F(Steering, TenPointZeroOnePixelsIsNotArrivedAndTheNextCallMovesOn) {
  Travel(88.99, 89, 100, 100, 99);
  swarm.MoveParticle();
  EXPECT_NEAR(swarm.HeadX, 89.99, 1e-9);
  EXPECT_TRUE(swarm.HasTarget);
  Travel(111.01, 111, 100, 100, 99);
  swarm.MoveParticle();
  EXPECT_TRUE(swarm.HasTarget);
  Script(random, {});    // no new target may be drawn
  swarm.MoveParticle();  // step 1.01
  EXPECT_NEAR(swarm.HeadX, 109.0, 1e-9);
  EXPECT_FALSE(swarm.HasTarget);
  EXPECT_EQ(swarm.HeadSpeed, 101);
}

TEST_F(Steering, RelaunchRoundsTheHeadHalfToEven) {
  struct Case {
    double head;
    int placed;
  };
  // A step of 0.5 from a whole number lands on the halves.
  const Case cases[] = {{2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {2.51, 3}};
  for (const Case& c : cases) {
    const double from = c.head > 0 ? c.head - 0.5 : c.head + 0.5;
    const int target = c.head > 0 ? 300 : -300;
    Travel(from, from, target, target, 49);
    swarm.MoveParticle();
    ASSERT_DOUBLE_EQ(swarm.HeadX, c.head);
    EXPECT_EQ(swarm.TrailX[0][0], c.placed) << "head " << c.head;
    EXPECT_EQ(swarm.TrailY[0][0], c.placed) << "head " << c.head;
  }
}

TEST_F(Steering, TargetsRoundHalfToEvenAndReachTheFarEdge) {
  ScriptedRandom r;
  RecordingSurface s(512, 512);
  Swarm w(s, r);
  Script(r, {0.0f, 0.0f});
  w.Start(0, 512, 512);
  // n / 1024 is exact, so the products are exactly 0.5, 1.5 and 2.5.
  struct Case {
    float rX, rY;
    int x, y;
  };
  const Case cases[] = {{3.0f / 1024, 5.0f / 1024, 2, 2},
                        {1.0f / 1024, 0.99999994f, 0, 512},  // the bottom edge itself can be a target
                        {0.99999994f, 3.0f / 1024, 512, 2},
                        {5.0f / 1024, 1.0f / 1024, 2, 0}};
  for (const Case& c : cases) {
    w.HasTarget = false;
    Script(r, {c.rX, c.rY});
    w.MoveParticle();
    EXPECT_EQ(w.TargetX, c.x) << c.rX;
    EXPECT_EQ(w.TargetY, c.y) << c.rY;
    EXPECT_EQ(w.HeadSpeed, 1);
  }
}

// A screen 32767 pixels wide or high lets a target reach 32758, where the
// 16-bit arrival bound target + 10 no longer fits.
TEST(SteeringOverflow, ArrivalBoundsOverflowFromTarget32758) {
  struct Case {
    bool onX;
    int target;
    bool overflows;
  };
  for (Case c : {Case{true, 32757, false}, Case{true, 32758, true}, Case{true, 32767, true},
                 Case{false, 32757, false}, Case{false, 32758, true}}) {
    ScriptedRandom random;
    RecordingSurface surface(64, 64);
    Swarm swarm(surface, random);
    const std::int16_t w = c.onX ? 32767 : 64;
    const std::int16_t h = c.onX ? 64 : 32767;
    Script(random, {0.5f, 0.0f});  // scattered to (w / 2, 0)
    swarm.Start(0, w, h);
    swarm.HasTarget = false;
    swarm.FallCount[0] = 7;
    const float r = static_cast<float>(c.target) / 32767.0f;
    ASSERT_EQ(RoundToInt16(double(r) * 32767), c.target);
    Script(random, {c.onX ? r : 0.5f, c.onX ? 0.5f : r});
    bool overflow = false;
    try {
      swarm.MoveParticle();
    } catch (const RuntimeError& e) {
      overflow = e.code() == ErrorCode::Overflow;
    }
    EXPECT_EQ(overflow, c.overflows) << (c.onX ? "x " : "y ") << c.target;
    EXPECT_EQ(c.onX ? swarm.TargetX : swarm.TargetY, c.target);
    // An overflow stops before the relaunch.
    EXPECT_EQ(swarm.FallCount[0], c.overflows ? 7 : 0);
  }
}

TEST(SteeringOverflow, StopsTheFrameBeforeItDraws) {
  ScriptedRandom random;
  RecordingSurface surface(64, 64);
  Swarm swarm(surface, random);
  Script(random, {0.0f, 0.99f});
  swarm.Start(0, 32767, 64);
  swarm.HasTarget = false;
  Script(random, {0.5f, 0.99999994f, 0.9999f, 0.5f});  // reaches the edge; target x 32764
  try {
    swarm.Frame();
    ADD_FAILURE() << "no overflow";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), ErrorCode::Overflow);
  }
  EXPECT_TRUE(surface.calls.empty());
}

}  // namespace
}  // namespace kal
