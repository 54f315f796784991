#include "settings/Banner.h"

#include <gtest/gtest.h>

#include <vector>

#include "assets/Assets.h"
#include "assets/Picture.h"
#include "platform/Errors.h"

namespace kal {
namespace {

TEST(Banner, BounceTableHoldsTheDesignedMotion) {
  BounceTableType t;
  InitBounceTable(t);
  const struct {
    int from;
    std::vector<int> values;
  } runs[] = {
      {0, {0}},
      {61, {0, 2, 4, 6, 9, 12, 16, 20, 25}},
      {82, {90, 85}},
      {93, {35, 31, 27}},
      {102, {14, 14, 14, 15}},
      {112, {31, 35}},
      {124, {90, 85}},
      {131, {55, 51, 47, 45}},
      {150, {51, 55}},
      {158, {90, 85, 80}},
      {186, {85, 90, 85, 81}},
      {205, {85, 90, 86}},
      {218, {86, 90, 87}},
      {228, {87, 90, 88, 87, 86, 87, 88, 90, 89, 88, 89, 90, 89}},
      {252, {89, 90, 89, 90}},
      {288, {90, 85}},
      {298, {40, 36}},
      {312, {1, 0}},
      {499, {0}},
  };
  for (const auto& r : runs) {
    for (std::size_t k = 0; k < r.values.size(); ++k) EXPECT_EQ(t[r.from + k], r.values[k]) << r.from + k;
  }
  for (int v : t) {
    EXPECT_GE(v, 0);
    EXPECT_LE(v, 90);
  }
  int sum = 0;
  for (int v : t) sum += v;
  EXPECT_EQ(sum, 15690);  // every entry of the designed runs, summed
}

struct Strip {
  Canvas canvas;
  Strip() {
    PictureRef p = LoadPicture(assets::kGlyphStrip);
    canvas.Resize(p->width(), p->height());
    canvas.PutPixels(0, 0, p->pixels().data(), p->width(), p->height(), p->width());
  }
  // Whether the cell of code c sits at (x, y) of the target.
  bool Shows(const Canvas& target, int c, int x, int y) const {
    for (int dy = 0; dy < kGlyphHeight; ++dy)
      for (int dx = 0; dx < kGlyphWidth; ++dx)
        if (target.At(x + dx, y + dy) != canvas.At((c - kFirstGlyph) * kGlyphWidth + dx, dy)) return false;
    return true;
  }
};

TEST(Banner, TickErasesWhereLettersWereAndDrawsWhereTheyAreThenAdvances) {
  BounceTableType t;
  InitBounceTable(t);
  Strip strip;
  Canvas box(469, 110);  // Pic1's drawing area
  // Phases through the wrap: 309, 310, then 1.
  std::int16_t phase = 309;
  for (const int want : {310, 1, 2}) {
    phase = BannerTick("AB C", phase, t, strip.canvas, box);
    EXPECT_EQ(phase, want);
  }
  // The last tick drew phase 1: letter i at y = t[1 + i].
  EXPECT_TRUE(strip.Shows(box, 'A', 25, t[2]));
  EXPECT_TRUE(strip.Shows(box, 'B', 38, t[3]));
  EXPECT_TRUE(strip.Shows(box, ' ', 51, t[4]));
  // What the wrap left of the letters drawn at phase 310 (y = 1, 2) is black.
  long ink = 0;
  for (int y = 0; y < box.height(); ++y)
    for (int x = 0; x < box.width(); ++x)
      if (box.At(x, y) != 0) ++ink;
  long expected = 0;
  for (int c : {'A', 'B', 'C'})
    for (int dy = 0; dy < kGlyphHeight; ++dy)
      for (int dx = 0; dx < kGlyphWidth; ++dx)
        if (strip.canvas.At((c - kFirstGlyph) * kGlyphWidth + dx, dy) != 0) ++expected;
  EXPECT_EQ(ink, expected);
}

TEST(Banner, CharactersWithoutACellDrawTheBlankAndOverlongTextIsRefused) {
  BounceTableType t;
  InitBounceTable(t);
  Strip strip;
  Canvas box(469, 110);
  BannerTick(std::string("a\x7F\xE3\x81\x82{"), 100, t, strip.canvas, box);
  for (int y = 0; y < box.height(); ++y)
    for (int x = 0; x < box.width(); ++x) ASSERT_EQ(box.At(x, y), 0u) << x << "," << y;
  EXPECT_NO_THROW(BannerTick(std::string(kMaxBannerLength, 'A'), 310, t, strip.canvas, box));
  try {
    BannerTick(std::string(kMaxBannerLength + 1, 'A'), 1, t, strip.canvas, box);
    ADD_FAILURE() << "a text longer than the table serves was drawn";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), ErrorCode::SubscriptOutOfRange);
  }
}

}  // namespace
}  // namespace kal
