// Trail drawing: slot colours and order, what ends up on the Canvas.
#include <gtest/gtest.h>

#include "saver/Swarm.h"
#include "saver/SwarmTestSupport.h"

namespace kal {
namespace {

using testing::RecordingSurface;
using testing::Script;

constexpr Color kBlack = Rgb(0, 0, 0);

TEST(Trail, FirstFrameDrawsElevenDotsAndPaintsTheCornerBlackLast) {
  RecordingSurface surface(64, 48);
  ScriptedRandom random;
  Script(random, {0.5f, 0.5f, 0.5f, 0.5f});  // particles 0 and 1 at (32, 24)
  Swarm swarm(surface, random);
  swarm.Start(1, 64, 48);
  Script(random, {0.8f, 0.4f});  // particle 1: 2 right, 1 down
  swarm.Frame();

  ASSERT_EQ(surface.calls.size(), size_t{kTrailSlots});
  for (int k = 0; k < kTrailSlots; ++k) {
    EXPECT_EQ(surface.calls[k].color, kTrailColors[k]) << k;
    EXPECT_EQ(surface.calls[k].radius, 1.0f);
  }
  EXPECT_EQ(surface.calls[0].x, 34.0f);
  EXPECT_EQ(surface.calls[0].y, 25.0f);
  EXPECT_EQ(surface.calls[1].x, 32.0f);
  EXPECT_EQ(surface.calls[1].y, 24.0f);
  // Slots 2..10 have not been reached yet: gold dots on the corner, then black.
  for (int k = 2; k < kTrailSlots; ++k) {
    EXPECT_EQ(surface.calls[k].x, 0.0f) << k;
    EXPECT_EQ(surface.calls[k].y, 0.0f) << k;
  }
  const Canvas& c = surface.canvas();
  EXPECT_EQ(c.At(0, 0), kBlack);
  EXPECT_EQ(c.At(1, 0), kBlack);
  EXPECT_EQ(c.At(0, 1), kBlack);
  EXPECT_EQ(c.At(34, 25), kTrailColors[0]);
  EXPECT_EQ(c.At(32, 24), kTrailColors[1]);
}

TEST(Trail, ParticleStandingStillShowsItsOldestSlot) {
  RecordingSurface surface(64, 48);
  ScriptedRandom random;
  Script(random, {0.5f, 0.5f});  // (32, 24)
  Swarm swarm(surface, random);
  swarm.Start(0, 64, 48);
  // Three updates without moving: slots 0..3 share (32, 24).
  for (int u = 0; u < 3; ++u) {
    Script(random, {0.5f, 0.0f});
    swarm.Frame();
  }
  EXPECT_EQ(surface.canvas().At(32, 24), kTrailColors[3]);
  EXPECT_EQ(surface.canvas().At(33, 24), kTrailColors[3]);

  // With all eleven slots on one spot, black wins.
  for (int k = 0; k < kTrailSlots; ++k) {
    swarm.TrailX[k][0] = 10;
    swarm.TrailY[k][0] = 10;
  }
  swarm.FallCount[0] = 0;
  Script(random, {0.5f, 0.0f});
  swarm.Frame();
  EXPECT_EQ(surface.canvas().At(10, 10), kBlack);
  EXPECT_EQ(surface.canvas().At(10, 11), kBlack);
}

TEST(Trail, CanvasPixelsOfOneDrawnParticle) {
  RecordingSurface surface(140, 40);
  const Color grey = Rgb(90, 90, 90);
  surface.canvas().Fill(grey);
  ScriptedRandom random;
  Swarm swarm(surface, random);
  for (int k = 0; k < kTrailSlots; ++k) {
    swarm.TrailX[k][0] = 10 + 12 * k;
    swarm.TrailY[k][0] = 20;
  }
  swarm.DrawParticle();
  const Canvas& c = surface.canvas();
  for (int k = 0; k < kTrailSlots; ++k) {
    const int x = 10 + 12 * k, y = 20;
    // Radius 1 covers the centre and its four neighbours: a small plus.
    for (auto [dx, dy] : {std::pair{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
      EXPECT_EQ(c.At(x + dx, y + dy), kTrailColors[k]) << "slot " << k << " at " << dx << "," << dy;
    }
    for (auto [dx, dy] : {std::pair{-1, -1}, {1, -1}, {-1, 1}, {1, 1}, {2, 0}, {-2, 0}, {0, 2}, {0, -2}}) {
      EXPECT_EQ(c.At(x + dx, y + dy), grey) << "slot " << k << " at " << dx << "," << dy;
    }
  }
  // The look: bright yellow now, dark gold nine updates ago.
  EXPECT_EQ(c.At(10, 20), Rgb(250, 250, 0));
  EXPECT_EQ(c.At(10 + 12 * 5, 20), Rgb(180, 130, 0));
  EXPECT_EQ(c.At(10 + 12 * 9, 20), Rgb(160, 80, 0));
  EXPECT_EQ(random.Drawn(), 0u) << "drawing takes no random value";
}

TEST(Trail, PositionsOffTheSurfaceAreClipped) {
  RecordingSurface surface(32, 32);
  ScriptedRandom random;
  Swarm swarm(surface, random);
  const int xs[kTrailSlots] = {-1, -2, 32, 33, -2000000000, 2000000000, 5, 5, 5, 5, 5};
  const int ys[kTrailSlots] = {5, 5, 5, 5, 5, 5, -1, 32, -2000000000, 2000000000, 40};
  for (int k = 0; k < kTrailSlots; ++k) {
    swarm.TrailX[k][0] = xs[k];
    swarm.TrailY[k][0] = ys[k];
  }
  swarm.DrawParticle();
  const Canvas& c = surface.canvas();
  EXPECT_EQ(c.At(0, 5), kTrailColors[0]);   // the right arm of the dot at x = -1
  EXPECT_EQ(c.At(31, 5), kTrailColors[2]);  // the left arm of the dot at x = 32
  EXPECT_EQ(c.At(5, 0), kTrailColors[6]);   // the lower arm of the dot at y = -1
  EXPECT_EQ(c.At(5, 31), kTrailColors[7]);  // the upper arm of the dot at y = 32
  int lit = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) lit += c.At(x, y) != kBlack;
  }
  EXPECT_EQ(lit, 4);
}

}  // namespace
}  // namespace kal
