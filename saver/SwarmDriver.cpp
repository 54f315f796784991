#include "saver/SwarmDriver.h"

#include <utility>

namespace kal {

void RunSwarm(Swarm& swarm, std::int16_t particleCount, std::int16_t width, std::int16_t height,
              FrameHost& host) {
  swarm.Start(particleCount, width, height);
  host.Started();
  while (host.Continue()) {
    swarm.Frame();
    host.AfterFrame();
  }
}

PacedFrames::PacedFrames(WindowSystem& windows, std::function<bool()> keepGoing)
    : windows_(windows), keepGoing_(std::move(keepGoing)), pacer_(windows, kDesignFramesPerSecond) {}

void PacedFrames::Rest() {
  while (!windows_.Presenting() && Continue()) {
    windows_.WaitUntil(windows_.Now() + kRestLook);
    windows_.DoEvents();
  }
}

}  // namespace kal
