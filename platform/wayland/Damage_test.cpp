#include "platform/wayland/Damage.h"

#include <gtest/gtest.h>

#include <vector>

namespace kal::wayland {
namespace {

bool Covers(const std::vector<PixelRect>& rects, int x, int y) {
  for (const PixelRect& r : rects) {
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  }
  return false;
}

TEST(WaylandDamage, FewRectanglesPassAsTheyAreManyAreMergedIntoFewThatCoverThemAll) {
  // A swarm's frame: scattered 8x8 tiles, row by row.
  std::vector<PixelRect> scattered;
  for (int k = 0; k < 1000; ++k) {
    const int x = (k * 37) % 240 * 8, y = (k * 11) % 135 * 8;
    scattered.push_back(PixelRect{x, y, x + 8, y + 8});
  }
  const std::vector<PixelRect> few = {{0, 0, 8, 8}, {16, 0, 24, 8}, {100, 200, 108, 216}};
  const std::vector<PixelRect> withEmpty = {{0, 0, 8, 8}, {5, 5, 5, 9}, {9, 9, 3, 20}};
  const struct {
    const char* what;
    std::vector<PixelRect> in;
    std::size_t limit;
    std::size_t most;
    bool unchanged;  // the very rectangles come out
  } cases[] = {
      {"few", few, kMaxDamageRects, few.size(), true},
      {"scattered", scattered, kMaxDamageRects, kMaxDamageRects, false},
      {"scattered into one", scattered, 1, 1, false},
      {"limit 0 counts as 1", few, 0, 1, false},
      {"empty ones dropped", withEmpty, kMaxDamageRects, 1, false},
      {"none", {}, kMaxDamageRects, 0, true},
  };
  for (const auto& c : cases) {
    const std::vector<PixelRect> out = CoalesceDamage(c.in, c.limit);
    EXPECT_LE(out.size(), c.most) << c.what;
    if (c.unchanged) {
      EXPECT_EQ(out, c.in) << c.what;
    }
    for (const PixelRect& r : c.in) {
      if (r.right <= r.left || r.bottom <= r.top) continue;
      for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x)
          ASSERT_TRUE(Covers(out, x, y)) << c.what << " at " << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace kal::wayland
