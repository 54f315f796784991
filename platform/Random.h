// Uniform single-precision random values in [0, 1).
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace kal {

class PcgRandom;

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Seeds from the clock, so each run differs.
  virtual void Randomize() = 0;
  // The next value r, 0 <= r < 1.
  virtual float Rnd() = 0;
  // The program's generator when each Rnd() of this source is exactly that
  // generator's next value, so a hot loop may step it directly instead of
  // calling Rnd(); null for every other source (scripts, wrappers).
  virtual PcgRandom* Generator() { return nullptr; }
};

// The program's generator: a 64-bit permuted congruential generator whose top
// 24 bits make the value, so every float in [0, 1) on the 2^-24 grid is possible.
class PcgRandom final : public RandomSource {
 public:
  explicit PcgRandom(std::uint64_t seed = 0x853c49e6748fea9bULL) { Seed(seed); }
  void Seed(std::uint64_t seed);
  void Randomize() override;
  float Rnd() override { return static_cast<float>(Next24()) * (1.0f / 16777216.0f); }
  PcgRandom* Generator() override { return this; }

  // The next value as the integer m of Rnd() = m / 2^24, 0 <= m < 2^24: the
  // same step as Rnd(), for callers that do exact integer arithmetic with it.
  std::uint32_t Next24() {
    const std::uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rot = static_cast<std::uint32_t>(old >> 59u);
    const std::uint32_t out = (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
    // Top 24 bits: exactly representable as a float, so Rnd() is always below 1.
    return out >> 8;
  }

 private:
  std::uint64_t state_ = 0;
};

// The program's generator, but Randomize() re-seeds it with a fixed seed, so
// the same seed gives the same run on every build (tools and test drivers).
class SeededRandom final : public RandomSource {
 public:
  explicit SeededRandom(std::uint64_t seed) : seed_(seed), pcg_(seed) {}
  void Randomize() override { pcg_.Seed(seed_); }
  float Rnd() override { return pcg_.Rnd(); }
  PcgRandom* Generator() override { return &pcg_; }

 private:
  std::uint64_t seed_;
  PcgRandom pcg_;
};

// Values from a script (tests and tools). Randomize does nothing, so a
// scripted run draws exactly the listed values; running out raises an error.
class ScriptedRandom final : public RandomSource {
 public:
  void Push(float v) { values_.push_back(v); }
  void Randomize() override {}
  float Rnd() override;
  std::size_t Remaining() const { return values_.size(); }
  std::size_t Drawn() const { return drawn_; }

 private:
  std::deque<float> values_;
  std::size_t drawn_ = 0;
};

}  // namespace kal
