#include "tools/artgen/SwarmArt.h"

#include <gtest/gtest.h>

namespace kal::artgen {
namespace {

// The larger icons redraw the 32-pixel icon's run with scaled discs: at scale 1
// the disc rule must give the saver's own five-pixel dots, pixel for pixel.
TEST(SwarmArt, ScaledRunAtScaleOneIsTheSaversPicture) {
  SwarmShot shot = IconShot();
  shot.frames = 2000;  // enough dots on top of each other and erased
  EXPECT_EQ(RenderSwarmScaled(shot, 1.0), RenderSwarm(shot));
  shot.shrink = 1;
  EXPECT_EQ(RenderSwarmScaled(shot, 1.0), RenderSwarm(shot));
}

}  // namespace
}  // namespace kal::artgen
