#include "platform/Random.h"

#include <gtest/gtest.h>

namespace kal {
namespace {

// Callers that step the generator directly must see exactly what Rnd() gives.
TEST(Random, TheGeneratorBehindASourceGivesItsValues) {
  PcgRandom a(99), b(99);
  SeededRandom seeded(99);
  ASSERT_EQ(a.Generator(), &a);
  PcgRandom* behind = seeded.Generator();
  ASSERT_NE(behind, nullptr);
  for (int n = 0; n < 10000; ++n) {
    const std::uint32_t m = a.Next24();
    ASSERT_LT(m, 1u << 24);
    const float r = b.Rnd();
    ASSERT_EQ(r, static_cast<float>(m) / 16777216.0f) << n;
    // The seeded source and its generator advance one sequence, in turns.
    ASSERT_EQ(n % 2 == 0 ? seeded.Rnd() : static_cast<float>(behind->Next24()) / 16777216.0f, r) << n;
  }
  ScriptedRandom script;
  EXPECT_EQ(script.Generator(), nullptr) << "a script must be asked value by value";
}

}  // namespace
}  // namespace kal
