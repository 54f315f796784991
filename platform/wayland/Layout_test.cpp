#include "platform/wayland/Layout.h"

#include <gtest/gtest.h>

namespace kal::wayland {
namespace {

TEST(WaylandLayout, PlaceComesFromXdgOutputElseFromTheModeTurnedAndScaled) {
  OutputReport xdg;  // what sway sends for a 3840x2160 output at scale 2, right of a 1280-wide one
  xdg.x = 1280;
  xdg.modeWidth = 3840;
  xdg.modeHeight = 2160;
  xdg.scale = 2;
  xdg.hasLogical = true;
  xdg.logicalX = 1280;
  xdg.logicalWidth = 1920;
  xdg.logicalHeight = 1080;
  OutputReport fractional = xdg;  // scale 1.5: the integer scale says 2, the logical size knows better
  fractional.logicalWidth = 2560;
  fractional.logicalHeight = 1440;
  OutputReport plain;  // no xdg-output (weston without it, old compositors)
  plain.x = 10;
  plain.y = -20;
  plain.modeWidth = 1920;
  plain.modeHeight = 1080;
  OutputReport turned = plain;  // 90 degrees, scale 2
  turned.transform = 1;
  turned.scale = 2;
  OutputReport flipped270 = turned;
  flipped270.transform = 7;
  OutputReport odd = plain;  // a mode not divisible by the scale
  odd.modeWidth = 1365;
  odd.modeHeight = 767;
  odd.scale = 2;
  OutputReport hostile = plain;  // nonsense from a compositor stays within bounds
  hostile.modeWidth = 1 << 30;
  hostile.modeHeight = -5;
  hostile.scale = 1000;
  OutputReport noScale = plain;
  noScale.scale = 0;
  OutputReport emptyLogical = plain;  // a logical size of zero is no report
  emptyLogical.hasLogical = true;

  const struct {
    const char* what;
    OutputReport report;
    OutputPlace place;
  } cases[] = {
      {"xdg-output", xdg, {1280, 0, 1920, 1080, 2}},
      {"fractional", fractional, {1280, 0, 2560, 1440, 2}},
      {"plain", plain, {10, -20, 1920, 1080, 1}},
      {"turned", turned, {10, -20, 540, 960, 2}},
      {"flipped 270", flipped270, {10, -20, 540, 960, 2}},
      {"odd", odd, {10, -20, 683, 384, 2}},
      {"hostile", hostile, {10, -20, kMaxSide / kMaxScale, 0, kMaxScale}},
      {"no scale", noScale, {10, -20, 1920, 1080, 1}},
      {"empty logical", emptyLogical, {10, -20, 1920, 1080, 1}},
  };
  for (const auto& c : cases) EXPECT_EQ(PlaceOf(c.report), c.place) << c.what;
}

TEST(WaylandLayout, PositionsOnAnyOutputAreOneSpaceInTheSwarmsPixels) {
  const OutputPlace a{0, 0, 1280, 720, 1};         // the swarm's, scale 1
  const OutputPlace b{1280, 0, 1920, 1080, 1};     // right of it
  const OutputPlace hi{0, 0, 1280, 720, 2};        // the swarm's at scale 2
  const OutputPlace hiB{1280, 0, 960, 540, 2};     // right of it, scale 2
  const OutputPlace left{-800, 100, 800, 600, 1};  // left of the origin, lower
  const struct {
    const char* what;
    OutputPlace swarm, on;
    double sx, sy;
    PointF want;
  } cases[] = {
      {"on the swarm's own output", a, a, 100.5, 200, {100.5, 200}},
      {"on the output to its right", a, b, 10, 300, {1290, 300}},
      {"swarm at scale 2: its own pixels", hi, hi, 100, 200, {200, 400}},
      {"swarm at scale 2, pointer on another output", hi, b, 0, 0, {2560, 0}},
      {"both at scale 2", hi, hiB, 5, 5, {2570, 10}},
      {"swarm not at the origin", b, a, 1270, 700, {-10, 700}},
      {"output left of the origin", a, left, 799, 0, {-1, 100}},
  };
  for (const auto& c : cases) EXPECT_EQ(ToSwarmPixels(c.swarm, c.on, c.sx, c.sy), c.want) << c.what;

  // Crossing the edge between neighbours is no jump: the last position on
  // one output and the first on the next are one logical unit apart.
  for (const OutputPlace& swarm : {a, hi}) {
    const PointF before = ToSwarmPixels(swarm, a, 1279, 360);
    const PointF after = ToSwarmPixels(swarm, b, 0, 360);
    EXPECT_EQ(after.x - before.x, swarm.scale);
    EXPECT_EQ(after.y, before.y);
  }
}

// The monitors the saver sees: the swarm's output at the origin in its own
// pixels, the others beside it in the same units; a position on any output,
// as its window reports it plus its rectangle's corner, is the swarm-pixel
// position, so a pointer crossing keeps it.
TEST(WaylandLayout, MonitorsAreOneSpaceWithTheSwarmsOutputAtTheOrigin) {
  const OutputPlace a{0, 0, 1280, 720, 1};
  const OutputPlace b{1280, 0, 1920, 1080, 1};
  const OutputPlace hiA{0, 0, 640, 360, 2};  // a at scale 2: the same 1280x720 pixels
  const OutputPlace bNext{640, 0, 1920, 1080, 1};
  const OutputPlace above{100, -1080, 1920, 1080, 1};
  const struct {
    const char* what;
    OutputPlace swarm, o;
    PixelRect want;
  } cases[] = {
      {"the swarm's own", a, a, {0, 0, 1280, 720}},
      {"the one to its right", a, b, {1280, 0, 3200, 1080}},
      {"the swarm on the right", b, a, {-1280, 0, 0, 720}},
      {"the swarm at scale 2: its device pixels", hiA, hiA, {0, 0, 1280, 720}},
      {"beside a swarm at scale 2", hiA, bNext, {1280, 0, 5120, 2160}},
      {"above it, not at the origin", b, above, {-1180, -1080, 740, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MonitorRect(c.swarm, c.o), c.want) << c.what;
    const PixelRect r = MonitorRect(c.swarm, c.o);
    const PointF p = ToSwarmPixels(c.swarm, c.o, 7, 9);
    const PointF reported{p.x - r.left, p.y - r.top}, own{7.0 * c.swarm.scale, 9.0 * c.swarm.scale};
    EXPECT_EQ(reported, own) << c.what;
  }
}

TEST(WaylandLayout, BufferIsTheLogicalSizeTimesTheScaleWithinBounds) {
  const struct {
    std::int32_t w, h, scale;
    BufferSize want;
  } cases[] = {
      {1280, 720, 1, {1280, 720}},
      {960, 540, 2, {1920, 1080}},
      {960, 540, 0, {960, 540}},
      {-1, 10, 1, {0, 10}},
      {1 << 20, 1, 99, {kMaxSide * kMaxScale, kMaxScale}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BufferFor(c.w, c.h, c.scale), c.want) << c.w << "x" << c.h << "@" << c.scale;
}

}  // namespace
}  // namespace kal::wayland
