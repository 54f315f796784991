#include "platform/Random.h"

#include <chrono>

#include "platform/Errors.h"

namespace kal {

void PcgRandom::Seed(std::uint64_t seed) {
  state_ = 0;
  Rnd();
  state_ += seed;
  Rnd();
}

void PcgRandom::Randomize() {
  auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  Seed(static_cast<std::uint64_t>(now) ^ 0x9E3779B97F4A7C15ULL);
}

float PcgRandom::Rnd() {
  std::uint64_t old = state_;
  state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
  auto xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
  auto rot = static_cast<std::uint32_t>(old >> 59u);
  std::uint32_t out = (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
  // Top 24 bits: exactly representable, always below 1.
  return static_cast<float>(out >> 8) * (1.0f / 16777216.0f);
}

float ScriptedRandom::Rnd() {
  if (values_.empty()) {
    Raise(ErrorCode::InvalidCall,
          "ran out of scripted random values after " + std::to_string(drawn_) + " draws");
  }
  float v = values_.front();
  values_.pop_front();
  ++drawn_;
  return v;
}

}  // namespace kal
