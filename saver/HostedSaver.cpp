#include "saver/HostedSaver.h"

#include <algorithm>

#include "platform/Errors.h"
#include "saver/SwarmDriver.h"

namespace kal {

HostedSaver::HostedSaver(Platform& platform, std::int16_t particleCount)
    : platform_(platform), windows_(platform.Windows()), particleCount_(particleCount) {}
HostedSaver::~HostedSaver() = default;

bool HostedSaver::SizeIs(int width, int height) {
  return window_->Display().Width() == width && window_->Display().Height() == height;
}

bool HostedSaver::Run(Handle window) {
  window_ = windows_.AdoptWindow(window, *this);
  if (!window_) return false;
  while (!gone_) {
    const int width = std::clamp(window_->Display().Width(), 0, 32767);
    const int height = std::clamp(window_->Display().Height(), 0, 32767);
    try {
      Animate(static_cast<std::int16_t>(width), static_cast<std::int16_t>(height));
    } catch (const RuntimeError&) {
      // As in the saver window: the picture stays as it was. A new size
      // gets a fresh start.
      WaitForNewSize(width, height);
    }
  }
  return true;
}

void HostedSaver::Animate(std::int16_t width, std::int16_t height) {
  // A new size starts over rather than going on clipped: the head steers for
  // targets inside the old size and particles fall to its bottom edge, so a
  // larger window would keep an empty band and a smaller one would lose most
  // of the swarm below its edge. The backend has cleared the window already.
  Swarm& swarm = swarm_.emplace(window_->Display(), platform_.Process().Random());
  ++starts_;
  PacedFrames frames(windows_, [&] { return !gone_ && SizeIs(width, height); });
  RunSwarm(swarm, particleCount_, width, height, frames);
}

void HostedSaver::WaitForNewSize(int width, int height) {
  while (!gone_ && SizeIs(width, height)) {
    windows_.WaitUntil(windows_.Now() + std::chrono::seconds(1));
    windows_.DoEvents();
  }
}

}  // namespace kal
