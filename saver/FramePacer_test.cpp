// The frame pacer against a fake clock, and the design pace against the real
// frame step.
#include "saver/FramePacer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include "platform/memory/MemoryPlatform.h"
#include "saver/Swarm.h"

namespace kal {
namespace {

using std::chrono::duration_cast;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::seconds;

// A clock that only moves when told to or while waiting. By default a wait
// lasts exactly until its deadline; `wake` can make it end late or early.
class FakeClock final : public PaceClock {
 public:
  TimePoint Now() override { return now; }
  void WaitUntil(TimePoint deadline) override {
    // Waiting for a deadline that has passed would be spinning.
    EXPECT_GT(deadline, now);
    waits.push_back(deadline);
    now = wake ? wake(now, deadline) : deadline;
  }

  TimePoint start = TimePoint() + seconds(1000);
  TimePoint now = start;
  std::vector<TimePoint> waits;
  std::function<TimePoint(TimePoint now, TimePoint deadline)> wake;
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Runs `frames` frames, each taking `frameCost`, and checks after every frame
// that the pacer never lets the animation run ahead of its pace by more than
// one batch.
void RunFrames(FakeClock& clock, FramePacer& pacer, long frames, Clock::duration frameCost = {},
               long* doneSoFar = nullptr) {
  long done = doneSoFar ? *doneSoFar : 0;
  for (long f = 0; f < frames; ++f) {
    clock.now += frameCost;
    pacer.FrameDone();
    ++done;
    const double allowed =
        Seconds(clock.now - clock.start) * pacer.framesPerSecond() + pacer.framesPerBatch();
    ASSERT_LE(done, allowed + 1) << "frame " << done;
  }
  if (doneSoFar) *doneSoFar = done;
}

TEST(FramePacer, DesignPaceSleepsOncePerBatch) {
  FakeClock clock;
  FramePacer pacer(clock, kDesignFramesPerSecond);
  EXPECT_EQ(pacer.framesPerBatch(), 100);
  RunFrames(clock, pacer, 10L * kDesignFramesPerSecond);
  EXPECT_EQ(clock.now - clock.start, seconds(10));
  EXPECT_EQ(clock.waits.size(), 600u);
  // Batches are due every 1/60 s exactly.
  EXPECT_EQ(clock.waits[0] - clock.start,
            duration_cast<Clock::duration>(std::chrono::nanoseconds(16'666'666)));
  EXPECT_EQ(clock.waits[59] - clock.start, seconds(1));
}

TEST(FramePacer, SlowRatesWaitEveryFrame) {
  FakeClock clock;
  FramePacer pacer(clock, 30);
  EXPECT_EQ(pacer.framesPerBatch(), 1);
  RunFrames(clock, pacer, 90);
  EXPECT_EQ(clock.waits.size(), 90u);
  EXPECT_EQ(clock.now - clock.start, seconds(3));
}

TEST(FramePacer, FrameCostIsPartOfTheBatch) {
  FakeClock clock;
  FramePacer pacer(clock, kDesignFramesPerSecond);
  RunFrames(clock, pacer, 6000, microseconds(100));  // 0.6 s of work in 1 s
  EXPECT_EQ(clock.now - clock.start, seconds(1));
  EXPECT_EQ(clock.waits.size(), 60u);
}

TEST(FramePacer, AMachineTooSlowForThePaceNeverWaits) {
  FakeClock clock;
  FramePacer pacer(clock, kDesignFramesPerSecond);
  RunFrames(clock, pacer, 20000, microseconds(200));
  EXPECT_TRUE(clock.waits.empty());
}

TEST(FramePacer, LateWakeUpsDoNotAddUp) {
  FakeClock clock;
  clock.wake = [](TimePoint, TimePoint deadline) { return deadline + milliseconds(3); };
  FramePacer pacer(clock, kDesignFramesPerSecond);
  RunFrames(clock, pacer, 60L * kDesignFramesPerSecond);
  // One minute of frames ends one late wake-up after the minute, not 3600 of them.
  EXPECT_EQ(clock.now - clock.start, seconds(60) + milliseconds(3));
  EXPECT_EQ(clock.waits.size(), 3600u);
}

TEST(FramePacer, InputEndsTheWaitAndTheNextFrameWaitsAgain) {
  FakeClock clock;
  int n = 0;
  // Waits 10, 20, ..., 50 end half-way: input arrived.
  clock.wake = [&](TimePoint now, TimePoint deadline) {
    ++n;
    if (n % 10 == 0 && n <= 50) return now + (deadline - now) / 2;
    return deadline;
  };
  FramePacer pacer(clock, kDesignFramesPerSecond);
  RunFrames(clock, pacer, 6000);
  // 60 batches, and each early end costs one more wait, one frame later.
  ASSERT_EQ(clock.waits.size(), 60u + 5u);
  const auto oneFrame = duration_cast<Clock::duration>(std::chrono::nanoseconds(1'000'000'000 / 6000));
  for (int w = 10; w <= 50; w += 10) {
    const auto gap = clock.waits[w] - clock.waits[w - 1];
    EXPECT_NEAR(double(gap.count()), double(oneFrame.count()), 1.0) << "wait " << w;
  }
  EXPECT_EQ(clock.now - clock.start, seconds(1));
}

TEST(FramePacer, AfterALongStallItGoesOnAtItsPaceWithoutRacing) {
  FakeClock clock;
  FramePacer pacer(clock, kDesignFramesPerSecond);
  long done = 0;
  RunFrames(clock, pacer, 1050, {}, &done);
  clock.now += seconds(30);  // e.g. the password dialog was open
  clock.start += seconds(30);
  const std::size_t waitsBefore = clock.waits.size();
  long unpaced = 0;
  while (clock.waits.size() == waitsBefore) {
    pacer.FrameDone();
    ++unpaced;
  }
  EXPECT_LE(unpaced, FramePacer::kMaxLagBatches * pacer.framesPerBatch() + pacer.framesPerBatch());
  // From there on the pace holds again.
  const TimePoint resumed = clock.now;
  RunFrames(clock, pacer, 6000);
  EXPECT_NEAR(Seconds(clock.now - resumed), 1.0, 1.0 / 60);
}

TEST(FramePacer, AShortStallIsMadeUp) {
  FakeClock clock;
  FramePacer pacer(clock, kDesignFramesPerSecond);
  RunFrames(clock, pacer, 1000);
  clock.now += milliseconds(20);  // less than the catch-up cap
  RunFrames(clock, pacer, 5000);
  EXPECT_EQ(clock.now - clock.start, seconds(1)) << "the schedule kept its origin";
}

TEST(FramePacer, HoursOfFramesStayOnSchedule) {
  FakeClock clock;
  clock.wake = [](TimePoint, TimePoint deadline) { return deadline + microseconds(500); };
  FramePacer pacer(clock, 7000);  // not a multiple of the batch rate
  for (long f = 0; f < 3600L * 7000; ++f) pacer.FrameDone();
  // The last wait is at most one batch before the hour is due.
  const double elapsed = Seconds(clock.now - clock.start);
  EXPECT_LE(elapsed, 3600.0 + 0.0005);
  EXPECT_GE(elapsed, 3600.0 - 1.0 / 60);
}

TEST(FramePacer, UsesThePlatformClock) {
  MemoryPlatform platform;
  platform.now = TimePoint() + seconds(5);
  FramePacer pacer(platform, kDesignFramesPerSecond);
  for (int f = 0; f < 3 * kDesignFramesPerSecond; ++f) pacer.FrameDone();
  EXPECT_EQ(platform.now - (TimePoint() + seconds(5)), seconds(3));
  EXPECT_EQ(platform.waits, 180);
}

// The design pace is what makes the stream calm: with the default 121
// particles a particle falls a 1080-pixel screen in about two seconds.
TEST(DesignPace, DefaultSwarmFallsA1080PixelScreenInAboutTwoSeconds) {
  class NoSurface final : public Surface {
   public:
    int Width() const override { return 1920; }
    int Height() const override { return 1080; }
    void Circle(float, float, float, Color) override {}
  } surface;
  PcgRandom random(2024);
  Swarm swarm(surface, random);
  swarm.Start(120, 1920, 1080);
  const int runs = 100;
  long frames = 0;
  for (int run = 0; run < runs; ++run) {
    // Particle 1 starts at the top edge; the next frame handles it.
    while (swarm.CurParticle != 0) swarm.Frame();
    swarm.TrailY[0][1] = 0;
    swarm.FallCount[1] = 0;
    do {
      swarm.Frame();
      ++frames;
    } while (!(swarm.CurParticle == 1 && swarm.FallCount[1] == 0));
  }
  const double fallSeconds = double(frames) / runs / kDesignFramesPerSecond;
  EXPECT_GT(fallSeconds, 1.8);
  EXPECT_LT(fallSeconds, 2.2);
}

}  // namespace
}  // namespace kal
