#include "saver/HostedSaver.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/Errors.h"
#include "saver/FramePacer.h"
#include "startup/Sorvin_B.h"

namespace kal {

std::int16_t HostedParticleCount(Platform& platform, std::optional<std::int16_t> count) {
  if (count) return *count;
  Sorvin_B module(platform);
  module.LoadSettings();
  return module.ParticleCount;
}

int RunHostedSaver(Platform& platform, Handle window, std::optional<std::int16_t> count) {
  HostedSaver saver(platform, HostedParticleCount(platform, count));
  if (!saver.Run(window)) {
    char id[32];
    std::snprintf(id, sizeof id, "0x%llx", static_cast<unsigned long long>(window));
    platform.ReportFatal(std::string("no window ") + id + " to draw into");
    return 1;
  }
  return 0;
}

HostedSaver::HostedSaver(Platform& platform, std::int16_t particleCount)
    : platform_(platform), particleCount_(particleCount) {}
HostedSaver::~HostedSaver() = default;

bool HostedSaver::SizeIs(int width, int height) {
  return window_->Display().Width() == width && window_->Display().Height() == height;
}

bool HostedSaver::Run(Handle window) {
  window_ = platform_.AdoptWindow(window, *this);
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
  Swarm& swarm = swarm_.emplace(window_->Display(), platform_.Random());
  ++starts_;
  swarm.Start(particleCount_, width, height);
  FramePacer pacer(platform_, kDesignFramesPerSecond);
  while (!gone_ && SizeIs(width, height)) {
    swarm.Frame();
    platform_.DoEvents();
    pacer.FrameDone();
  }
}

void HostedSaver::WaitForNewSize(int width, int height) {
  while (!gone_ && SizeIs(width, height)) {
    platform_.WaitUntil(platform_.Now() + std::chrono::seconds(1));
    platform_.DoEvents();
  }
}

}  // namespace kal
