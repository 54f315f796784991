// Random values for kal-render read from a file. (The seeded generator that
// stays reproducible through the saver's Randomize is kal::SeededRandom.)
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Random.h"

namespace kal::render {

// The list of values ran out. Not a RuntimeError: the animation must not take
// it for one of its own errors.
class RandomValuesExhausted : public std::runtime_error {
 public:
  explicit RandomValuesExhausted(std::size_t drawn)
      : std::runtime_error("ran out of random values after " + std::to_string(drawn) + " draws"),
        drawn_(drawn) {}
  std::size_t drawn() const { return drawn_; }

 private:
  std::size_t drawn_;
};

// A random file that cannot be read or holds something that is not a value
// in [0, 1); the message names the line.
class RandomFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Values from a text: one decimal value per line, 0 <= v < 1 once rounded to
// single precision; blanks around a value and empty lines are ignored.
std::vector<float> ParseRandomValues(const std::string& text);
std::vector<float> ReadRandomFile(const std::string& path);

class ListRandom final : public RandomSource {
 public:
  explicit ListRandom(std::vector<float> values) : values_(std::move(values)) {}
  void Randomize() override {}
  float Rnd() override {
    if (next_ >= values_.size()) throw RandomValuesExhausted(next_);
    return values_[next_++];
  }
  std::size_t drawn() const { return next_; }

 private:
  std::vector<float> values_;
  std::size_t next_ = 0;
};

}  // namespace kal::render
