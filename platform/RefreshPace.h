// How often a backend that collects drawing puts it on the screen.
#pragma once

#include <chrono>

namespace kal {

// What is drawn reaches the screen at most once per display refresh: more
// often only loads the window system with pixels nobody can see.
inline constexpr auto kRefreshInterval = std::chrono::microseconds(16667);
// A wait that starts this long after the last push pushes at once: the push
// rides on the caller's sleep instead of waking it again a moment later.
inline constexpr auto kEarlyPushAfter = kRefreshInterval * 3 / 4;

}  // namespace kal
