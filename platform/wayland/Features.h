// The Wayland window system's checklist (with the shared Linux services of
// platform/posix/Features.h beside it):
//
//   [x] several monitors           every wl_output, in the swarm output's pixels
//   [x] high-DPI scaling           an output's integer scale shows designed windows enlarged
//   [ ] windows found by caption   a client sees no other client's surfaces
//   [ ] embedding into a host      no surface goes into another client's
//   [ ] adopting a window          nor draws into one
//   [ ] the pointer's position     only over our own surfaces
//   [ ] caption zoom               no such animation
#pragma once

#include "platform/Features.h"

namespace kal::wayland {

inline constexpr Features kWaylandFeatures{Feature::kSeveralMonitors, Feature::kHighDpiScaling};

}  // namespace kal::wayland
