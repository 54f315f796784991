#include "platform/wayland/Layout.h"

#include <algorithm>

namespace kal::wayland {
namespace {

std::int32_t ScaleWithinLimits(std::int32_t scale) { return std::clamp(scale, 1, kMaxScale); }
std::int32_t SideWithinLimits(std::int32_t side) { return std::clamp(side, 0, kMaxSide); }

}  // namespace

OutputPlace PlaceOf(const OutputReport& report) {
  OutputPlace place;
  place.scale = ScaleWithinLimits(report.scale);
  if (report.hasLogical && report.logicalWidth > 0 && report.logicalHeight > 0) {
    place.x = report.logicalX;
    place.y = report.logicalY;
    place.width = SideWithinLimits(report.logicalWidth);
    place.height = SideWithinLimits(report.logicalHeight);
    return place;
  }
  // The odd transforms (90 and 270 degrees, flipped or not) turn the mode.
  const bool turned = (report.transform & 1) != 0;
  const std::int32_t w = SideWithinLimits(turned ? report.modeHeight : report.modeWidth);
  const std::int32_t h = SideWithinLimits(turned ? report.modeWidth : report.modeHeight);
  place.x = report.x;
  place.y = report.y;
  // A mode not divisible by the scale leaves a part of a logical unit: it is
  // still covered.
  place.width = (w + place.scale - 1) / place.scale;
  place.height = (h + place.scale - 1) / place.scale;
  return place;
}

PointF ToSwarmPixels(const OutputPlace& swarm, const OutputPlace& on, double sx, double sy) {
  const double k = ScaleWithinLimits(swarm.scale);
  return PointF{(static_cast<double>(on.x) - swarm.x + sx) * k,
                (static_cast<double>(on.y) - swarm.y + sy) * k};
}

PixelRect MonitorRect(const OutputPlace& swarm, const OutputPlace& o) {
  const PointF corner = ToSwarmPixels(swarm, o, 0, 0);
  const BufferSize size = BufferFor(o.width, o.height, swarm.scale);
  // Corners are whole logical units times a whole scale: exact.
  const auto x = static_cast<std::int32_t>(corner.x), y = static_cast<std::int32_t>(corner.y);
  return PixelRect{x, y, x + size.width, y + size.height};
}

BufferSize BufferFor(std::int32_t width, std::int32_t height, std::int32_t scale) {
  const std::int32_t k = ScaleWithinLimits(scale);
  return BufferSize{SideWithinLimits(width) * k, SideWithinLimits(height) * k};
}

}  // namespace kal::wayland
