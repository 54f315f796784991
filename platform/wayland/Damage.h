// The damage a commit tells the compositor about. A frame of the swarm
// changes hundreds of scattered tiles; each rectangle is a request on the
// wire, and the connection's buffer is a few kilobytes, so a commit sends at
// most a bounded number of rectangles that cover all of them.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/Types.h"

namespace kal::wayland {

// Rectangles per commit: 64 damage requests are 1.5 KB on the wire.
inline constexpr std::size_t kMaxDamageRects = 64;

// At most `limit` (at least 1) rectangles covering every pixel of `rects`:
// the rectangles themselves when there are few enough, else neighbours in
// the given order (the canvas gives them row by row) merged into their
// bounding boxes, pair by pair, until few enough are left. Empty
// rectangles are dropped.
std::vector<PixelRect> CoalesceDamage(const std::vector<PixelRect>& rects,
                                      std::size_t limit = kMaxDamageRects);

}  // namespace kal::wayland
