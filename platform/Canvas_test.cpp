#include "platform/Canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace kal {
namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels Lit(const Canvas& c) {
  Pixels out;
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x)
      if (c.At(x, y) != Rgb(0, 0, 0)) out.insert({x, y});
  return out;
}

TEST(Canvas, TheRadiusOneDotIsAFivePixelPlus) {
  Canvas c(10, 10);
  c.Circle(4, 5, 1, Rgb(250, 250, 0));
  EXPECT_EQ(Lit(c), (Pixels{{4, 4}, {3, 5}, {4, 5}, {5, 5}, {4, 6}}));
  EXPECT_EQ(c.At(4, 5), Rgb(250, 250, 0));
}

TEST(Canvas, DotsAtTheEdgesAreClippedNotWrapped) {
  Canvas c(10, 10);
  c.Circle(0, 0, 1, Rgb(1, 2, 3));
  EXPECT_EQ(Lit(c), (Pixels{{0, 0}, {1, 0}, {0, 1}}));
  Canvas d(10, 10);
  d.Circle(10, 5, 1, Rgb(1, 2, 3));  // centre just past the right edge
  EXPECT_EQ(Lit(d), (Pixels{{9, 5}}));
  Canvas e(10, 10);
  for (float v : {-2.0f, 11.0f, -1e12f, 1e12f, std::nanf(""), INFINITY}) e.Circle(v, v, 1, Rgb(9, 9, 9));
  EXPECT_TRUE(Lit(e).empty());
}

TEST(Canvas, CentresRoundHalvesToEven) {
  EXPECT_EQ(DotCentre(2.5f), 2);
  EXPECT_EQ(DotCentre(3.5f), 4);
  EXPECT_EQ(DotCentre(-2.5f), -2);
  EXPECT_EQ(DotCentre(2.49f), 2);
  EXPECT_EQ(DotCentre(7.0f), 7);
  EXPECT_EQ(DotCentre(16777216.0f), 16777216);
}

TEST(Canvas, LargerRadiiFollowTheSameDiscRule) {
  Canvas c(20, 20);
  c.Circle(10, 10, 2, Rgb(5, 5, 5));
  // Pixels within distance 2 of the centre: 13 of them.
  EXPECT_EQ(Lit(c).size(), 13u);
  EXPECT_TRUE(Lit(c).count({12, 10}));
  EXPECT_FALSE(Lit(c).count({12, 11}));
}

TEST(Canvas, ATrailInOneCallPaintsWhatSingleDotsPaint) {
  const std::int32_t xs[] = {5, 6, 0, -1, 19, 20, 5, 2000000000, -2000000000, 7};
  const std::int32_t ys[] = {5, 5, 0, 3, 9, 4, 6, 1, 2, 5};
  const Color cs[] = {Rgb(250, 250, 0), Rgb(250, 200, 0), Rgb(190, 160, 0), Rgb(190, 150, 0),
                      Rgb(180, 140, 0), Rgb(180, 130, 0), Rgb(170, 120, 0), Rgb(170, 100, 0),
                      Rgb(160, 90, 0),  Rgb(0, 0, 0)};
  for (bool tracking : {false, true}) {
    Canvas one(20, 10), many(20, 10);
    one.EnableDirtyTracking(tracking);
    many.EnableDirtyTracking(tracking);
    for (int k = 0; k < 10; ++k) one.Circle(static_cast<float>(xs[k]), static_cast<float>(ys[k]), 1, cs[k]);
    many.Circles(xs, ys, cs, 10, 1);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 20; ++x) ASSERT_EQ(one.At(x, y), many.At(x, y)) << x << "," << y;
    int tilesOne = 0, tilesMany = 0;
    one.TakeDirty([&](int, int, int w, int) { tilesOne += w; });
    many.TakeDirty([&](int, int, int w, int) { tilesMany += w; });
    EXPECT_EQ(tilesOne, tilesMany);
  }
}

TEST(Canvas, DirtyTilesCoverEveryChangeAndMergeAlongRows) {
  Canvas c(64, 32);
  c.EnableDirtyTracking(true);
  c.Circle(8, 4, 1, Rgb(1, 1, 1));    // tiles (0,0) and (1,0)
  c.Circle(40, 20, 1, Rgb(1, 1, 1));  // x 39..41: tiles (4,2) and (5,2)
  std::set<std::tuple<int, int, int, int>> rects;
  c.TakeDirty([&](int x, int y, int w, int h) { rects.insert({x, y, w, h}); });
  EXPECT_EQ(rects, (std::set<std::tuple<int, int, int, int>>{{0, 0, 16, 8}, {32, 16, 16, 8}}));
  EXPECT_FALSE(c.HasDirty());
}

// Radius 1.2 covers the same five-pixel plus as radius 1 but takes the
// general path, so it is the reference for the radius-1 shortcuts: the same
// pixels and the same dirty rectangles in the same order, batch after batch.
// A repainted area goes back to the background: clipped to the canvas, the
// rest untouched, and marked so the next push sends it.
TEST(Canvas, FillRectIsClippedAndMarksItsTiles) {
  Canvas c(20, 12, Rgb(9, 9, 9));
  c.EnableDirtyTracking(true);
  c.FillRect(-5, 10, 3, 40, Rgb(1, 2, 3));
  c.FillRect(25, 0, 30, 5, Rgb(7, 7, 7));  // wholly outside
  c.FillRect(6, 6, 6, 9, Rgb(7, 7, 7));    // empty
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x)
      ASSERT_EQ(c.At(x, y), x < 3 && y >= 10 ? Rgb(1, 2, 3) : Rgb(9, 9, 9)) << x << "," << y;
  std::set<std::tuple<int, int, int, int>> rects;
  c.TakeDirty([&](int x, int y, int w, int h) { rects.insert({x, y, w, h}); });
  EXPECT_EQ(rects, (std::set<std::tuple<int, int, int, int>>{{0, 8, 8, 4}}));
}

TEST(Canvas, RadiusOneShortcutsMarkTilesInTheGeneralOrder) {
  Canvas fast(61, 43), general(61, 43);
  fast.EnableDirtyTracking(true);
  general.EnableDirtyTracking(true);
  std::uint32_t seed = 12345;
  auto next = [&](int below) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(below));
  };
  for (int batch = 0; batch < 200; ++batch) {
    std::int32_t xs[11], ys[11];
    Color cs[11];
    for (int k = 0; k < 11; ++k) {
      xs[k] = next(65) - 2;  // some off the canvas or on its edges
      ys[k] = next(47) - 2;
      cs[k] = Rgb(next(256), next(256), 1);
    }
    if (batch % 2 == 0) {
      fast.Circles(xs, ys, cs, 11, 1.0f);
    } else {
      fast.Circles(xs[0], ys[0], xs + 1, ys + 1, cs, 11, 1.0f);  // the first dot given apart
    }
    general.Circles(xs, ys, cs, 11, 1.2f);
    for (int y = 0; y < 43; ++y)
      for (int x = 0; x < 61; ++x) ASSERT_EQ(fast.At(x, y), general.At(x, y)) << x << "," << y;
    if (batch % 3 != 2) continue;  // let some tiles stay dirty over several batches
    std::vector<std::tuple<int, int, int, int>> a, b;
    fast.TakeDirty([&](int x, int y, int w, int h) { a.emplace_back(x, y, w, h); });
    general.TakeDirty([&](int x, int y, int w, int h) { b.emplace_back(x, y, w, h); });
    ASSERT_EQ(a, b) << "batch " << batch;
  }
}

TEST(Canvas, OutsideStorageTakesThePictureAndGivesItBack) {
  Canvas c(4, 3);
  c.Circle(1, 1, 1, Rgb(9, 8, 7));
  std::vector<std::uint32_t> shared(12, 0xDEADBEEF);
  c.UseStorage(shared.data());
  ASSERT_TRUE(c.UsesOutsideStorage());
  EXPECT_EQ(c.data(), shared.data());
  EXPECT_EQ(shared[1 * 4 + 1], Canvas::ToPixel(Rgb(9, 8, 7))) << "the picture so far was not carried over";
  EXPECT_EQ(shared[3], 0u);

  c.Circle(3, 2, 1, Rgb(1, 2, 3));  // drawn straight into the outside pixels
  EXPECT_EQ(shared[2 * 4 + 3], Canvas::ToPixel(Rgb(1, 2, 3)));
  const Canvas copy = c;  // a copy owns its pixels
  EXPECT_FALSE(copy.UsesOutsideStorage());
  EXPECT_EQ(Lit(copy), Lit(c));

  c.UseOwnStorage();
  shared.assign(12, 0);  // the lender may now reuse its memory
  EXPECT_EQ(c.At(3, 2), Rgb(1, 2, 3));
  EXPECT_EQ(c.At(1, 1), Rgb(9, 8, 7));

  // A new size cannot live in the old storage: the canvas takes its own.
  c.UseStorage(shared.data());
  const std::vector<std::uint32_t> lent = shared;
  c.Resize(5, 5);
  EXPECT_FALSE(c.UsesOutsideStorage());
  c.Circle(2, 2, 1, Rgb(1, 1, 1));
  EXPECT_EQ(shared, lent) << "drew into storage it no longer uses";
  EXPECT_EQ(c.At(2, 2), Rgb(1, 1, 1));
}

}  // namespace
}  // namespace kal
