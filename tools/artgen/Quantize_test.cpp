#include "tools/artgen/Quantize.h"

#include <gtest/gtest.h>

#include <set>

#include "tools/artgen/Noise.h"

namespace kal::artgen {
namespace {

TEST(Quantize, KeepsEveryColourOfAPictureWithFewColours) {
  Raster r(16, 16);
  for (int i = 0; i < 256; ++i) r.px[std::size_t(i)] = std::uint32_t(i) * 0x010101u ^ 0x00A000u;
  Indexed q = QuantizeTo256(r);
  ASSERT_EQ(q.palette.size(), 256u);
  for (std::size_t i = 0; i < r.px.size(); ++i) EXPECT_EQ(q.palette[q.indices[i]], r.px[i]);
}

TEST(Quantize, MapsManyColoursToNearbyOnesAndIsRepeatable) {
  // A warm gradient with noise: thousands of distinct colours, like a swarm picture.
  Noise noise(11);
  Raster r(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      double t = (x + y) / 126.0;
      r.at(x, y) =
          Pack({250 * t + 5 * noise.Signed(), 200 * t * t + 5 * noise.Signed(), 20 * noise.Uniform()});
    }
  }
  std::set<std::uint32_t> distinct(r.px.begin(), r.px.end());
  ASSERT_GT(distinct.size(), 256u);
  Indexed q = QuantizeTo256(r);
  ASSERT_EQ(q.palette.size(), 256u);
  double error = 0;
  for (std::size_t i = 0; i < r.px.size(); ++i) {
    std::uint32_t a = r.px[i], b = q.palette[q.indices[i]];
    error +=
        std::abs(RedOf(a) - RedOf(b)) + std::abs(GreenOf(a) - GreenOf(b)) + std::abs(BlueOf(a) - BlueOf(b));
  }
  EXPECT_LT(error / double(r.px.size()), 12.0);
  Indexed again = QuantizeTo256(r);
  EXPECT_EQ(again.palette, q.palette);
  EXPECT_EQ(again.indices, q.indices);
}

}  // namespace
}  // namespace kal::artgen
