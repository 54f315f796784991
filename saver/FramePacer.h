// Holds the animation to a fixed number of frames per second.
//
// The frame itself runs as fast as it can; after every batch of frames the
// pacer sleeps until that batch is due. The sleep ends early on input, so the
// saver still reacts at once, and the schedule is absolute (frame n is due at
// origin + n / fps), so wake-up latencies never add up to a drift.
#pragma once

#include <cstdint>

#include "platform/Types.h"
#include "platform/WindowSystem.h"

namespace kal {

// The design pace. With the default 121 particles one particle needs about
// 101 updates (about 12,150 frames) to fall the height of a 1080-pixel screen,
// so at 6000 frames a second it takes about two seconds: the calm stream the
// animation was made for. saver/FramePacer_test.cpp checks the figure against
// the real frame step.
constexpr int kDesignFramesPerSecond = 6000;

// Batches per second: the pacer sleeps once per display refresh or so.
constexpr int kPacerBatchesPerSecond = 60;

// The two services the pacer needs: the monotonic clock and the wait that
// ends at a deadline or on input. The window system provides both; tests fake them.
class PaceClock {
 public:
  virtual ~PaceClock() = default;
  virtual TimePoint Now() = 0;
  virtual void WaitUntil(TimePoint deadline) = 0;
};

class FramePacer {
 public:
  FramePacer(WindowSystem& windows, int framesPerSecond);
  FramePacer(PaceClock& clock, int framesPerSecond);
  FramePacer(const FramePacer&) = delete;
  FramePacer& operator=(const FramePacer&) = delete;

  // Call once after every frame (and its yield). Returns at once inside a
  // batch; at a batch's end it waits until the batch is due or input arrives.
  void FrameDone();

  int framesPerSecond() const { return fps_; }
  int framesPerBatch() const { return batch_; }

  // The longest the schedule may lag behind before it is moved up to now: after
  // a stall (a password dialog, a suspended machine) the animation goes on at
  // its pace instead of racing to make up for lost time.
  static constexpr std::int64_t kMaxLagBatches = 2;

 private:
  class WindowSystemClock final : public PaceClock {
   public:
    explicit WindowSystemClock(WindowSystem* windows) : windows_(windows) {}
    TimePoint Now() override { return windows_->Now(); }
    void WaitUntil(TimePoint deadline) override { windows_->WaitUntil(deadline); }

   private:
    WindowSystem* windows_;
  };

  // When frame number n (counted from origin_) is due.
  TimePoint DueTime(std::int64_t n) const;

  WindowSystemClock windowsClock_;
  PaceClock& clock_;
  int fps_;
  int batch_;
  Clock::duration maxLag_;
  TimePoint origin_;
  std::int64_t frames_ = 0;     // frames done since origin_
  std::int64_t nextCheck_ = 0;  // frame count at which the clock is looked at next
};

}  // namespace kal
