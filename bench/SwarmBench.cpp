// Engine frames per second, unthrottled: one frame = one particle's update,
// at most one head step and 11 dots drawn on a 1920 x 1080 Canvas.
#include <benchmark/benchmark.h>

#include "bench/AllocationCounter.h"
#include "platform/Canvas.h"
#include "platform/CanvasSurface.h"
#include "saver/Swarm.h"

namespace {

using namespace kal;

// A surface that draws nothing: the engine's own share of a frame.
class NoSurface final : public Surface {
 public:
  int Width() const override { return 1920; }
  int Height() const override { return 1080; }
  void Circle(float x, float y, float, Color c) override { benchmark::DoNotOptimize(x + y + float(c)); }
};

void RunFrames(benchmark::State& state, Surface& surface) {
  PcgRandom random(12345);
  Swarm swarm(surface, random);
  swarm.Start(static_cast<std::int16_t>(state.range(0) - 1), 1920, 1080);
  // Warm up past the start's scatter into the steady stream from the head.
  for (int f = 0; f < 200000; ++f) swarm.Frame();
  const std::uint64_t allocationsBefore = bench::AllocationCount();
  for (auto _ : state) swarm.Frame();
  const std::uint64_t allocations = bench::AllocationCount() - allocationsBefore;
  state.SetItemsProcessed(state.iterations());
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["allocs/frame"] = double(allocations) / double(state.iterations());
}

// The real thing: the shared Canvas that the memory and X11 backends draw into.
void BM_FrameOnCanvas(benchmark::State& state) {
  Canvas canvas(1920, 1080);
  CanvasSurface surface(canvas);
  RunFrames(state, surface);
}
BENCHMARK(BM_FrameOnCanvas)->Arg(121)->Arg(501)->ArgName("particles");

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
