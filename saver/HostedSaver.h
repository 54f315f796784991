// The swarm in a window another program made: the Linux screen-saver daemon's
// window, or the root window. Only draws: the daemon owns input, the pointer
// and locking, so nothing here grabs, hides or ends on anything but the
// window's end.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Platform.h"
#include "saver/Swarm.h"

namespace kal {

class HostedSaver final : public WindowHandler {
 public:
  HostedSaver(Platform& platform, std::int16_t particleCount);
  ~HostedSaver() override;

  // Draws the swarm, sized to the window, until the window is destroyed.
  // A new size starts a new swarm for it. False at once when the handle
  // names no window.
  bool Run(Handle window);

  const Swarm* swarm() const { return swarm_ ? &*swarm_ : nullptr; }
  // Swarms started so far: the first, then one for each new size.
  int starts() const { return starts_; }

 private:
  void OnUnload() override { gone_ = true; }
  // Frames until the window changes size or goes.
  void Animate(std::int16_t width, std::int16_t height);
  // After a run-time error stopped the swarm: waits for a new size or the end.
  void WaitForNewSize(int width, int height);
  bool SizeIs(int width, int height);

  Platform& platform_;
  WindowSystem& windows_;
  std::int16_t particleCount_;
  std::unique_ptr<PlatformWindow> window_;
  std::optional<Swarm> swarm_;
  bool gone_ = false;
  int starts_ = 0;
};

}  // namespace kal
