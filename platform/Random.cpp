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
