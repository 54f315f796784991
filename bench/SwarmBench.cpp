// Engine frames per second, unthrottled: one frame = one particle's update,
// at most one head step and 11 dots drawn on a 1920 x 1080 Canvas.
#include <benchmark/benchmark.h>

#include "bench/AllocationCounter.h"
#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "saver/Swarm.h"
#include "saver/SwarmDriver.h"

namespace {

using namespace kal;

// A surface that draws nothing: the engine's own share of a frame. A trail
// arrives in one Circles call, as on the Canvas; it only reads the newest dot.
class NoSurface final : public Surface {
 public:
  int Width() const override { return 1920; }
  int Height() const override { return 1080; }
  void Circle(float x, float y, float, Color c) override { benchmark::DoNotOptimize(x + y + float(c)); }
  void Circles(const std::int32_t* xs, const std::int32_t* ys, const Color* colors, int n, float) override {
    benchmark::DoNotOptimize(xs[0] + ys[0] + colors[0] + n);
  }
};

// The saver's frame loop, timed: first frames to warm up past the start's
// scatter into the steady stream from the head, then frames for as long as
// the benchmark wants, `afterFrame(frame)` after each timed one.
template <class Then>
class TimedFrames final : public FrameHost {
 public:
  TimedFrames(benchmark::State& state, Then& afterFrame) : state_(state), afterFrame_(afterFrame) {}
  bool Continue() override {
    if (warmUp_ > 0) {
      if (--warmUp_ == 0) allocationsBefore = bench::AllocationCount();
      return true;
    }
    return state_.KeepRunning();
  }
  void AfterFrame() override {
    if (warmUp_ == 0) afterFrame_(++frame_);
  }
  std::uint64_t allocationsBefore = 0;

 private:
  benchmark::State& state_;
  Then& afterFrame_;
  int warmUp_ = 200001;  // the last one only starts the count
  std::uint32_t frame_ = 0;
};

// Runs frames on `surface`; `afterFrame(frame)` runs after each timed frame.
template <class AfterFrame>
void RunFrames(benchmark::State& state, Surface& surface, AfterFrame&& afterFrame) {
  PcgRandom random(12345);
  Swarm swarm(surface, random);
  TimedFrames<std::remove_reference_t<AfterFrame>> frames(state, afterFrame);
  RunSwarm(swarm, static_cast<std::int16_t>(state.range(0) - 1), 1920, 1080, frames);
  const std::uint64_t allocations = bench::AllocationCount() - frames.allocationsBefore;
  state.SetItemsProcessed(state.iterations());
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["allocs/frame"] = double(allocations) / double(state.iterations());
}

void RunFrames(benchmark::State& state, Surface& surface) {
  RunFrames(state, surface, [](std::uint32_t) {});
}

// The real thing: the shared Canvas that the memory and X11 backends draw into.
void BM_FrameOnCanvas(benchmark::State& state) {
  Canvas canvas(1920, 1080);
  CanvasSurface surface(canvas);
  RunFrames(state, surface);
}
BENCHMARK(BM_FrameOnCanvas)->Arg(121)->Arg(501)->ArgName("particles");

// The Canvas as the X11 window runs it: dirty tiles tracked, and taken once a
// batch of 100 frames (one presentation at 6000 frames a second).
void BM_FrameOnTrackedCanvas(benchmark::State& state) {
  Canvas canvas(1920, 1080);
  canvas.EnableDirtyTracking(true);
  CanvasSurface surface(canvas);
  int rects = 0;
  RunFrames(state, surface, [&](std::uint32_t frame) {
    if (frame % 100 == 0) canvas.TakeDirty([&](int, int, int, int) { ++rects; });
  });
  benchmark::DoNotOptimize(rects);
}
BENCHMARK(BM_FrameOnTrackedCanvas)->Arg(121)->Arg(501)->ArgName("particles");

// The same frames without pixels: what the frame step itself costs.
void BM_FrameWithoutDrawing(benchmark::State& state) {
  NoSurface surface;
  RunFrames(state, surface);
}
BENCHMARK(BM_FrameWithoutDrawing)->Arg(121)->Arg(501)->ArgName("particles");

// One dot on the Canvas, as the trail draws it.
void BM_CanvasDot(benchmark::State& state) {
  Canvas canvas(1920, 1080);
  float x = 0;
  for (auto _ : state) {
    canvas.Circle(x, 540.0f, kDotRadius, kTrailColors[0]);
    x = x >= 1900.0f ? 0.0f : x + 7.0f;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CanvasDot);

}  // namespace

BENCHMARK_MAIN();
