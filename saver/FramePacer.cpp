#include "saver/FramePacer.h"

#include <algorithm>
#include <chrono>

namespace kal {
namespace {

int ValidRate(int framesPerSecond) { return std::max(1, framesPerSecond); }

int FramesPerBatch(int fps) {
  return std::max(1, (fps + kPacerBatchesPerSecond - 1) / kPacerBatchesPerSecond);
}

// How long n frames last at fps frames a second.
Clock::duration FramesDuration(std::int64_t n, int fps) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(n * 1'000'000'000 / fps));
}

}  // namespace

FramePacer::FramePacer(WindowSystem& windows, int framesPerSecond)
    : windowsClock_(&windows),
      clock_(windowsClock_),
      fps_(ValidRate(framesPerSecond)),
      batch_(FramesPerBatch(fps_)),
      maxLag_(FramesDuration(kMaxLagBatches * batch_, fps_)),
      origin_(clock_.Now()),
      nextCheck_(batch_) {}

FramePacer::FramePacer(PaceClock& clock, int framesPerSecond)
    : windowsClock_(nullptr),
      clock_(clock),
      fps_(ValidRate(framesPerSecond)),
      batch_(FramesPerBatch(fps_)),
      maxLag_(FramesDuration(kMaxLagBatches * batch_, fps_)),
      origin_(clock_.Now()),
      nextCheck_(batch_) {}

TimePoint FramePacer::DueTime(std::int64_t n) const {
  // n stays below 2 * fps (see FrameDone), so the product cannot overflow.
  return origin_ + FramesDuration(n, fps_);
}

void FramePacer::FrameDone() {
  ++frames_;
  if (frames_ < nextCheck_) return;

  // Keep the counter small: move the origin on by whole seconds, exactly.
  if (frames_ >= fps_) {
    origin_ += std::chrono::seconds(1);
    frames_ -= fps_;
    nextCheck_ -= fps_;
  }

  const TimePoint due = DueTime(frames_);
  TimePoint now = clock_.Now();
  if (now < due) {
    clock_.WaitUntil(due);
    now = clock_.Now();
    // Woken early by input: the next frame runs (its yield handles the input)
    // and then waits again for its own due time.
    if (now < due) return;
  } else if (now - due > maxLag_) {
    // Too far behind: start the schedule afresh from now.
    origin_ = now;
    frames_ = 0;
  }
  // The next batch ends on the batch grid, also after a wait that input ended.
  nextCheck_ = (frames_ / batch_ + 1) * batch_;
}

}  // namespace kal
