// The one frame loop of everything that runs the swarm: the saver window, the
// swarm in another program's window, the render tool and the benchmarks. The
// swarm starts, then frame follows frame, each followed by the host's turn,
// for as long as the host wants.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/WindowSystem.h"
#include "saver/FramePacer.h"
#include "saver/Swarm.h"

namespace kal {

// What runs around the frames.
class FrameHost {
 public:
  virtual ~FrameHost() = default;
  // After the start, before the first frame.
  virtual void Started() {}
  // Before each frame: false ends the run.
  virtual bool Continue() = 0;
  // After each frame: the window system's turn and the pace.
  virtual void AfterFrame() = 0;
};

// Starts the swarm for a screen of width x height and runs frames until the
// host ends the run. A run-time error of the start or a frame passes to the
// caller: the animation stops there and the picture stays as it was.
void RunSwarm(Swarm& swarm, std::int16_t particleCount, std::int16_t width, std::int16_t height,
              FrameHost& host);

// The host on a desktop: each frame is followed by the window system's events
// (where input ends the saver) and the pacer's wait, which holds the frames
// to the design pace. `keepGoing` (empty: for ever) is asked before each frame.
// While the window system presents nothing (the display is off, the window
// hidden) no frame runs: the loop sleeps, waking for input and to look again,
// and then goes on from where it was at its pace, without making up for the
// time it rested.
class PacedFrames final : public FrameHost {
 public:
  explicit PacedFrames(WindowSystem& windows, std::function<bool()> keepGoing = {});
  bool Continue() override { return !keepGoing_ || keepGoing_(); }
  void AfterFrame() override {
    windows_.DoEvents();
    pacer_.FrameDone();
    if (!windows_.Presenting()) Rest();
  }
  // How long a rest sleeps before it looks again (input ends a sleep at once).
  static constexpr auto kRestLook = std::chrono::seconds(1);

 private:
  void Rest();

  WindowSystem& windows_;
  std::function<bool()> keepGoing_;
  FramePacer pacer_;
};

// Frames back to back, a fixed number of them, with `afterFrame(n)` after
// frame n (1-based) and `started` after the start: tools and benchmarks, which
// run the swarm without a window system.
class CountedFrames final : public FrameHost {
 public:
  explicit CountedFrames(long long frames, std::function<void(long long)> afterFrame = {},
                         std::function<void()> started = {})
      : frames_(frames), afterFrame_(std::move(afterFrame)), started_(std::move(started)) {}
  void Started() override {
    if (started_) started_();
  }
  bool Continue() override {
    if (frame_ >= frames_) return false;
    ++frame_;
    return true;
  }
  void AfterFrame() override {
    if (afterFrame_) afterFrame_(frame_);
  }
  // The frame running now or run last; 0 before the first.
  long long frame() const { return frame_; }

 private:
  long long frames_;
  long long frame_ = 0;
  std::function<void(long long)> afterFrame_;
  std::function<void()> started_;
};

}  // namespace kal
