#include "platform/wayland/Damage.h"

#include <algorithm>

namespace kal::wayland {
namespace {

PixelRect BoundingBox(const PixelRect& a, const PixelRect& b) {
  return PixelRect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                   std::max(a.bottom, b.bottom)};
}

}  // namespace

std::vector<PixelRect> CoalesceDamage(const std::vector<PixelRect>& rects, std::size_t limit) {
  limit = std::max<std::size_t>(limit, 1);
  std::vector<PixelRect> out;
  out.reserve(rects.size());
  for (const PixelRect& r : rects) {
    if (r.right > r.left && r.bottom > r.top) out.push_back(r);
  }
  while (out.size() > limit) {
    std::size_t kept = 0;
    for (std::size_t k = 0; k < out.size(); k += 2) {
      out[kept++] = k + 1 < out.size() ? BoundingBox(out[k], out[k + 1]) : out[k];
    }
    out.resize(kept);
  }
  return out;
}

}  // namespace kal::wayland
