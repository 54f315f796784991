// Uniform single-precision random values in [0, 1).
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace kal {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Seeds from the clock, so each run differs.
  virtual void Randomize() = 0;
  // The next value r, 0 <= r < 1.
  virtual float Rnd() = 0;
};

// The program's generator: a 64-bit permuted congruential generator whose top
// 24 bits make the value, so every float in [0, 1) on the 2^-24 grid is possible.
class PcgRandom final : public RandomSource {
 public:
  explicit PcgRandom(std::uint64_t seed = 0x853c49e6748fea9bULL) { Seed(seed); }
  void Seed(std::uint64_t seed);
  void Randomize() override;
  float Rnd() override;

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
