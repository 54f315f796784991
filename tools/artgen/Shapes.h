// Signed distances of the simple shapes the plates and marks are made of
// (negative inside, in pixels), and coverage of a pixel by a distance field.
#pragma once

#include <algorithm>
#include <cmath>

namespace kal::artgen {

// Rounded rectangle [left, right] x [top, bottom] with corner radius r.
inline double RoundedRectDistance(double x, double y, double left, double top, double right, double bottom,
                                  double r) {
  double cx = (left + right) / 2, cy = (top + bottom) / 2;
  double hx = (right - left) / 2 - r, hy = (bottom - top) / 2 - r;
  double qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
  double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  return outside + std::min(std::max(qx, qy), 0.0) - r;
}

inline double CircleDistance(double x, double y, double cx, double cy, double r) {
  return std::hypot(x - cx, y - cy) - r;
}

// Fraction of a pixel inside the shape, from the distance at its centre: a
// one-pixel ramp across the edge.
inline double CoverageFromDistance(double d) { return std::clamp(0.5 - d, 0.0, 1.0); }

}  // namespace kal::artgen
