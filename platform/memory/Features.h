// The in-memory backend's checklist: it plays a whole desktop, so it offers
// every feature; a test takes features away (MemoryPlatform::offered) to run
// the logic as on a desktop without them.
//
//   [x] several monitors           MemoryPlatform::monitors
//   [x] high-DPI scaling           (the window keeps its designed canvas)
//   [x] windows found by caption   foreignWindows and our own loaded windows
//   [x] embedding into a host      a window of foreignRects (refuseSetParent)
//   [x] adopting a window          a window of foreignRects
//   [x] the pointer's position     cursorPos
//   [x] caption zoom               logged
//   [x] the system's version       version, versionCallSucceeds
//   [x] screen-saver passwords     passwordAnswer (nullopt: the service will not load)
//   [x] screen-saver flags         logged
//   [x] message boxes              logged
//   [x] opening addresses          logged
//   [x] the instance lock          instanceLockHeldElsewhere
#pragma once

#include "platform/Features.h"

namespace kal {

inline constexpr Features kMemoryFeatures = Features::All();

}  // namespace kal
