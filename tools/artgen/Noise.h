// A small, fixed pseudo-random sequence (SplitMix64) for textures and layouts:
// fixed forever, so regenerated pictures stay byte for byte the same.
#pragma once

#include <cstdint>

namespace kal::artgen {

class Noise {
 public:
  explicit Noise(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform in [-1, 1).
  double Signed() { return Uniform() * 2.0 - 1.0; }
  // Roughly bell-shaped in [-1, 1]: the mean of four uniforms.
  double Bell() { return (Signed() + Signed() + Signed() + Signed()) / 4.0; }

 private:
  std::uint64_t state_;
};

}  // namespace kal::artgen
