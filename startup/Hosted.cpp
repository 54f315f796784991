#include "startup/Hosted.h"

#include <cstdio>
#include <string>

#include "saver/HostedSaver.h"
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
    platform.Process().ReportFatal(std::string("no window ") + id + " to draw into");
    return 1;
  }
  return 0;
}

}  // namespace kal
