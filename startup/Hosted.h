// The swarm in a window another program made (`kalvessa --root`,
// `--window-id`): the count for the run, then the saver's HostedSaver.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/Platform.h"

namespace kal {

// The whole run in a window: the particle count (`count`, else the settings
// file's, read as the saver reads it), then HostedSaver::Run. The exit code:
// 0 once the window has gone; 1, reported, when the handle names no window.
int RunHostedSaver(Platform& platform, Handle window, std::optional<std::int16_t> count);
// The particle count of that run.
std::int16_t HostedParticleCount(Platform& platform, std::optional<std::int16_t> count);

}  // namespace kal
