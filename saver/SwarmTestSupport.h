// Helpers shared by the swarm's tests: a surface that records every dot it
// is asked for (and paints it on a Canvas), and a way to script random values.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "platform/Random.h"

namespace kal::testing {

struct DotCall {
  float x;
  float y;
  float radius;
  Color color;
};

class RecordingSurface final : public Surface {
 public:
  RecordingSurface(int width, int height) : canvas_(width, height), surface_(canvas_) {}
  int Width() const override { return canvas_.width(); }
  int Height() const override { return canvas_.height(); }
  void Circle(float x, float y, float radius, Color color) override {
    calls.push_back(DotCall{x, y, radius, color});
    surface_.Circle(x, y, radius, color);
  }
  Canvas& canvas() { return canvas_; }
  // True when every pixel is still black.
  bool AllBlack() const {
    const std::uint32_t* p = canvas_.data();
    for (int n = canvas_.width() * canvas_.height(); n > 0; --n, ++p) {
      if (*p != 0) return false;
    }
    return true;
  }

  std::vector<DotCall> calls;

 private:
  Canvas canvas_;
  CanvasSurface surface_;
};

inline void Script(ScriptedRandom& random, std::initializer_list<float> values) {
  for (float v : values) random.Push(v);
}

// Counts the values drawn from another source.
class CountingRandom final : public RandomSource {
 public:
  explicit CountingRandom(RandomSource& inner) : inner_(inner) {}
  void Randomize() override { inner_.Randomize(); }
  float Rnd() override {
    ++drawn;
    return inner_.Rnd();
  }
  long drawn = 0;

 private:
  RandomSource& inner_;
};

}  // namespace kal::testing
