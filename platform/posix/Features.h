// The services every Linux window system shares (files, the process, the
// desktop's "open" and the instance lock), and what they offer:
//
//   [x] opening addresses          xdg-open, without a shell
//   [x] the instance lock          flock on a per-user file named after the display
//   [ ] the system's version       no consumer platform with a password of its own
//   [ ] screen-saver passwords     the desktop's own locker asks, not a saver
//   [ ] screen-saver flags         nothing to tell the system
//   [ ] message boxes              none of the system's: the words go to stderr
#pragma once

#include "platform/Features.h"

namespace kal {

inline constexpr Features kPosixDesktopFeatures{Feature::kOpenDocument, Feature::kInstanceLock};

}  // namespace kal
